#pragma once

// What the application tests share: lesson files built in code, and a recorder that answers
// message boxes and file dialogs in place of the user.

#include "archive.h"
#include "bolto.h"
#include "filedialog.h"
#include "messagebox.h"

#include <QFile>
#include <QList>
#include <QString>

#include <optional>
#include <string>

// The bytes of a lesson with `pages` pages in lesson folder `folder`.
inline std::string LessonBytes(const std::string &folder, int pages)
{
    CBolto lesson;
    for (int i = 0; i < pages; ++i) {
        lesson.m_pageTexts.push_back("<p>" + std::to_string(i) + "</p>\r\n");
        lesson.m_pageKinds.push_back(Add);
        lesson.m_arrowLines.push_back(i + 1);
        lesson.m_arrowCounts.push_back(1);
    }
    lesson.m_folderName = folder;
    std::string bytes;
    CArchive ar(&bytes);
    lesson.Serialize(ar);
    return bytes;
}

inline QString WriteFile(const QString &path, const std::string &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write(bytes.data(), qint64(bytes.size()));
    return path;
}

// Records every message box and file dialog; answers with `answer` and `dialogAnswer`.
struct UserStandIn
{
    struct Message
    {
        QString text;
        unsigned type;
    };
    QList<Message> messages;
    int answer = IDOK;
    QList<FileDialogRequest> dialogs;
    std::optional<QString> dialogAnswer;

    void install()
    {
        SetMessageBoxHook([this](const QString &text, unsigned type) {
            messages.append({text, type});
            return answer;
        });
        SetFileDialogHook([this](const FileDialogRequest &request) {
            dialogs.append(request);
            return dialogAnswer;
        });
    }
    void clear()
    {
        messages.clear();
        dialogs.clear();
        answer = IDOK;
        dialogAnswer.reset();
    }
    QStringList texts() const
    {
        QStringList list;
        for (const Message &m : messages)
            list.append(m.text);
        return list;
    }
};
