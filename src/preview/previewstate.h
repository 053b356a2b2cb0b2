#pragma once

#include <QList>
#include <QObject>
#include <QString>

// What the live preview reported about the learner's program: its console messages and errors,
// each with the editor line it came from. The frame owns it; the preview pane fills it, the
// message list and the gutter's error marks show it.
class CPreviewState final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPreviewState)

public:
    enum Level { Info, Warning, Error, Notice };
    struct Message
    {
        Level level = Info;
        int line = 0; // one-based editor line; 0 when the message belongs to no line
        QString text;
        int repeats = 1;
    };
    // More than this and the list says so instead of growing: a program may log every frame.
    static constexpr int kMaxMessages = 200;

    explicit CPreviewState(QObject *parent = nullptr);

    const QList<Message> &Messages() const { return m_messages; }
    // The editor lines that have an error, ascending, each once.
    QList<int> ErrorLines() const;
    bool HasError(int line) const;

    void Clear();
    // Adds a message; the same one again right after counts as a repeat.
    void Add(Level level, int line, const QString &text);

signals:
    void changed();

private:
    QList<Message> m_messages;
    bool m_truncated = false;
};
