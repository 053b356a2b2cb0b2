#include "previewstate.h"

#include "texts.h"

#include <algorithm>

CPreviewState::CPreviewState(QObject *parent) : QObject(parent) {}

QList<int> CPreviewState::ErrorLines() const
{
    QList<int> lines;
    for (const Message &message : m_messages) {
        if (message.level == Error && message.line > 0)
            lines.append(message.line);
    }
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return lines;
}

bool CPreviewState::HasError(int line) const
{
    return std::any_of(m_messages.cbegin(), m_messages.cend(), [line](const Message &message) {
        return message.level == Error && message.line == line;
    });
}

void CPreviewState::Clear()
{
    if (m_messages.isEmpty() && !m_truncated)
        return;
    m_messages.clear();
    m_truncated = false;
    emit changed();
}

void CPreviewState::Add(Level level, int line, const QString &text)
{
    if (!m_messages.isEmpty()) {
        Message &last = m_messages.last();
        if (last.level == level && last.line == line && last.text == text) {
            ++last.repeats;
            emit changed();
            return;
        }
    }
    if (m_truncated)
        return;
    if (m_messages.size() >= kMaxMessages) {
        m_truncated = true;
        m_messages.append({Notice, 0, qs(Str::PreviewMoreMessages), 1});
    } else {
        m_messages.append({level, std::max(line, 0), text, 1});
    }
    emit changed();
}
