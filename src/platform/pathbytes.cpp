#include "pathbytes.h"

#include "qtcodepage.h"

#include <QStringList>

namespace {
constexpr char16_t kEscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at `at`, or 0.
qsizetype utf8Length(const QByteArray &bytes, qsizetype at)
{
    const auto byte = [&bytes](qsizetype i) { return uchar(bytes.at(i)); };
    const uchar lead = byte(at);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    uchar low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // no overlong forms
        else if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    if (byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (qsizetype i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    }
    return length;
}

bool isEscape(char16_t unit)
{
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

QString componentForDisplay(const QString &name)
{
    bool escaped = false;
    for (const QChar c : name)
        escaped = escaped || isEscape(c.unicode());
    if (!escaped)
        return name;
    const QByteArray bytes = PathToBytes(name);
    bool valid = false;
    const QString cp932 =
        FromCp932(std::string_view(bytes.constData(), size_t(bytes.size())), &valid);
    return valid ? cp932 : QString::fromUtf8(bytes);
}
} // namespace

QString PathFromBytes(const QByteArray &bytes)
{
    QString path;
    path.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = utf8Length(bytes, at);
        if (length == 0) {
            path.append(QChar(char16_t(kEscapeBase + uchar(bytes.at(at)))));
            ++at;
        } else {
            path.append(QString::fromUtf8(bytes.constData() + at, length));
            at += length;
        }
    }
    return path;
}

QByteArray PathToBytes(const QString &path)
{
    QByteArray bytes;
    bytes.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < path.size() &&
            QChar::isLowSurrogate(path.at(i + 1).unicode())) {
            bytes.append(path.mid(i, 2).toUtf8());
            ++i;
        } else if (isEscape(unit)) {
            bytes.append(char(unit - kEscapeBase));
        } else {
            bytes.append(QString(QChar(unit)).toUtf8());
        }
    }
    return bytes;
}

QString PathForDisplay(const QString &path)
{
    QStringList names = path.split(QLatin1Char('/'));
    for (QString &name : names)
        name = componentForDisplay(name);
    return names.join(QLatin1Char('/'));
}

bool PathLostBytes(const QString &path)
{
    return path.contains(QChar::ReplacementCharacter);
}
