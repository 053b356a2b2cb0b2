#include "lessonfolder.h"

#include <QFileInfo>

QString ResolvedPath(const QString &path)
{
    if (!QDir::isAbsolutePath(path))
        return {};
    // Text climbing is settled first; what is left can climb only through links, which the
    // resolution below follows.
    QString existing = QDir::cleanPath(path);
    QStringList rest;
    while (true) {
        const QString resolved = QFileInfo(existing).canonicalFilePath();
        if (!resolved.isEmpty()) {
            rest.prepend(resolved);
            return QDir::cleanPath(rest.join(QLatin1Char('/')));
        }
        const qsizetype slash = existing.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0) {
            // Nothing exists but the root: the path is already as resolved as it gets.
            return QDir::cleanPath(path);
        }
        rest.prepend(existing.mid(slash + 1));
        existing.truncate(slash);
    }
}

bool IsStrictlyInside(const QString &resolvedPath, const QString &resolvedFolder)
{
    if (resolvedPath.isEmpty() || resolvedFolder.isEmpty())
        return false;
    const QString prefix = resolvedFolder.endsWith(QLatin1Char('/'))
                               ? resolvedFolder
                               : resolvedFolder + QLatin1Char('/');
    return resolvedPath.startsWith(prefix) && resolvedPath.size() > prefix.size();
}

std::optional<QString> ResolveLessonFolder(const QString &folder, const QStringList &roots)
{
    if (!IsBelowProgramDirectory(folder) || roots.isEmpty())
        return std::nullopt;
    // The first root holding the folder wins; a name under none is answered for the first root,
    // so that a missing folder reads as missing, not as refused.
    int chosen = 0;
    for (int i = 0; i < roots.size(); ++i) {
        if (QFileInfo::exists(QDir(roots.at(i)).filePath(folder))) {
            chosen = i;
            break;
        }
    }
    const QString root = ResolvedPath(QDir(roots.at(chosen)).absolutePath());
    const QString resolved = ResolvedPath(QDir(root).absoluteFilePath(folder));
    if (!IsStrictlyInside(resolved, root))
        return std::nullopt;
    return resolved;
}
