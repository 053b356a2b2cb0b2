#pragma once

// Where lesson bytes meet Qt: the screen, the clipboard and the file system.

#include "codepage.h"

#include <QString>
#include <string>

inline QString FromCp932(std::string_view bytes, bool *valid = nullptr)
{
    // Decoded in place: a program of megabytes is not copied twice on its way to the screen.
    QString text(qsizetype(bytes.size()), Qt::Uninitialized);
    text.resize(
        qsizetype(codepage::Cp932ToUtf16(bytes, reinterpret_cast<char16_t *>(text.data()), valid)));
    return text;
}

inline std::string ToCp932(const QString &text)
{
    return codepage::Utf16ToCp932(
        std::u16string_view(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size())));
}

// Local paths are UTF-8 byte strings below the program; QString for Qt's file classes.
inline QString FromPath(const std::string &path)
{
    return QString::fromStdString(path);
}
