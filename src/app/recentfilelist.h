#pragma once

#include <QString>
#include <QStringList>

// The most recently opened lessons, newest first, kept in the settings section
// "Recent File List" as File1, File2, ... Every change is written back at once, so the list
// survives a program that does not end normally.
class CRecentFileList
{
public:
    CRecentFileList(const QString &section, const QString &entryFormat, int size);

    int GetSize() const { return m_size; }
    int GetCount() const { return int(m_arrNames.size()); }
    QString operator[](int index) const { return m_arrNames.value(index); }

    // Puts the path at the top, dropping an older entry of the same path and the oldest one
    // when the list is full.
    void Add(const QString &path);
    void Remove(int index);

    void ReadList();
    void WriteList() const;

    // The entry as the File menu shows it: shortened to maxLength characters where possible,
    // keeping the file name whole.
    QString GetDisplayName(int index, int maxLength = 30) const;
    static QString AbbreviateName(const QString &path, int maxLength);

private:
    QString m_section;
    QString m_entryFormat;
    int m_size;
    QStringList m_arrNames;
};
