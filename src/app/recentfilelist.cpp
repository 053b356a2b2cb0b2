#include "recentfilelist.h"

#include "pathbytes.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

CRecentFileList::CRecentFileList(const QString &section, const QString &entryFormat, int size)
    : m_section(section), m_entryFormat(entryFormat), m_size(size)
{
}

void CRecentFileList::Add(const QString &path)
{
    // Reopening the latest file changes nothing: the settings file is not rewritten for it.
    if (!m_arrNames.isEmpty() && m_arrNames.first() == path)
        return;
    m_arrNames.removeAll(path);
    m_arrNames.prepend(path);
    while (m_arrNames.size() > m_size)
        m_arrNames.removeLast();
    WriteList();
}

void CRecentFileList::Remove(int index)
{
    if (index < 0 || index >= m_arrNames.size())
        return;
    m_arrNames.removeAt(index);
    WriteList();
}

void CRecentFileList::ReadList()
{
    QSettings settings;
    settings.beginGroup(m_section);
    m_arrNames.clear();
    for (int i = 0; i < m_size; ++i) {
        const QString name = settings.value(m_entryFormat.arg(i + 1)).toString();
        if (!name.isEmpty() && !m_arrNames.contains(name))
            m_arrNames.append(name);
    }
}

void CRecentFileList::WriteList() const
{
    QSettings settings;
    settings.beginGroup(m_section);
    for (int i = 0; i < m_size; ++i) {
        const QString key = m_entryFormat.arg(i + 1);
        if (i < m_arrNames.size())
            settings.setValue(key, m_arrNames.at(i));
        else
            settings.remove(key);
    }
}

QString CRecentFileList::GetDisplayName(int index, int maxLength) const
{
    const QString path = m_arrNames.value(index);
    if (path.isEmpty())
        return {};
    // A lesson in the current folder needs no folder to tell it apart.
    const QFileInfo info(path);
    if (info.absolutePath() == QDir::currentPath())
        return PathForDisplay(info.fileName());
    return AbbreviateName(PathForDisplay(path), maxLength);
}

QString CRecentFileList::AbbreviateName(const QString &path, int maxLength)
{
    if (path.size() <= maxLength)
        return path;
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = path.mid(slash + 1);
    const QString root = path.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
    const QString ellipsis = QStringLiteral(".../");
    if (root.size() + ellipsis.size() + name.size() > maxLength)
        return name;
    // Keep as many trailing folders as fit between the root and the name.
    QString tail = name;
    QStringList folders = path.left(slash).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    while (!folders.isEmpty()) {
        const QString candidate = folders.last() + QLatin1Char('/') + tail;
        if (root.size() + ellipsis.size() + candidate.size() > maxLength)
            break;
        tail = candidate;
        folders.removeLast();
    }
    return root + ellipsis + tail;
}
