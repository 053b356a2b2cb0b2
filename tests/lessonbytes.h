#pragma once

// Builds lesson file bytes by hand, remembering where each value starts and ends, so tests can
// name the value a cut falls into.

#include <QByteArray>
#include <QList>
#include <QtGlobal>

class LessonBytes
{
public:
    enum Part { Count, Text, Integer, Folder };

    struct Item
    {
        Part part;
        qsizetype start;
        qsizetype end;
    };

    LessonBytes &count(qint32 n) { return int32(Count, n); }
    LessonBytes &integer(qint32 n) { return int32(Integer, n); }

    // A byte string with the shortest prefix.
    LessonBytes &text(const QByteArray &bytes, Part part = Text)
    {
        const qsizetype start = m_bytes.size();
        const quint64 n = quint64(bytes.size());
        if (n < 0xFF) {
            put(n, 1);
        } else if (n < 0xFFFE) {
            put(0xFF, 1);
            put(n, 2);
        } else {
            put(0xFF, 1);
            put(0xFFFF, 2);
            put(n, 4);
        }
        m_bytes += bytes;
        m_items.append({part, start, m_bytes.size()});
        return *this;
    }

    // A UTF-16-marked string: 0xFF 0xFFFE, a one-byte length in code units, UTF-16LE units.
    LessonBytes &utf16Text(const QString &text)
    {
        const qsizetype start = m_bytes.size();
        put(0xFF, 1);
        put(0xFFFE, 2);
        put(quint64(text.size()), 1);
        for (QChar c : text)
            put(c.unicode(), 2);
        m_items.append({Text, start, m_bytes.size()});
        return *this;
    }

    LessonBytes &folder(const QByteArray &bytes) { return text(bytes, Folder); }

    // Bytes that belong to no value, such as junk after the folder name.
    LessonBytes &raw(const QByteArray &bytes)
    {
        m_bytes += bytes;
        return *this;
    }

    const QByteArray &bytes() const { return m_bytes; }
    const QList<Item> &items() const { return m_items; }

private:
    LessonBytes &int32(Part part, qint32 n)
    {
        const qsizetype start = m_bytes.size();
        put(quint32(n), 4);
        m_items.append({part, start, m_bytes.size()});
        return *this;
    }

    void put(quint64 value, int size)
    {
        for (int i = 0; i < size; ++i)
            m_bytes.append(char((value >> (8 * i)) & 0xFF));
    }

    QByteArray m_bytes;
    QList<Item> m_items;
};
