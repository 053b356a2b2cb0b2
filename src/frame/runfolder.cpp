#include "runfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace {
const QString kExportName = QStringLiteral("index.html");

bool isInside(const QString &path, const QString &root)
{
    return !root.isEmpty() && path.startsWith(root + QLatin1Char('/'));
}
} // namespace

bool FolderRefusesWrites(const QString &folder)
{
    QByteArray name = QFile::encodeName(folder + QStringLiteral("/.bolto-run-XXXXXX"));
    const int fd = ::mkstemp(name.data());
    if (fd >= 0) {
        ::close(fd);
        ::unlink(name.constData());
        return false;
    }
    return errno == EACCES || errno == EPERM || errno == EROFS;
}

QString RunMirrorRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/run");
}

std::optional<QString> MirrorLessonFolder(const QString &lessonFolder,
                                          const QString &relativeFolder, const QString &userRoot,
                                          int &err)
{
    const QString mirror = QDir::cleanPath(userRoot + QLatin1Char('/') + relativeFolder);
    if (!QDir().mkpath(mirror)) {
        err = EACCES;
        return std::nullopt;
    }
    // A link planted anywhere on the way would lead the write elsewhere.
    const QString resolvedRoot = QFileInfo(userRoot).canonicalFilePath();
    if (!isInside(QFileInfo(mirror).canonicalFilePath(), resolvedRoot)) {
        err = EACCES;
        return std::nullopt;
    }

    const QDir source(lessonFolder);
    const QStringList entries =
        source.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (entry == kExportName)
            continue;
        const QString target = source.absoluteFilePath(entry);
        const QString link = mirror + QLatin1Char('/') + entry;
        const QFileInfo existing(link);
        if (existing.isSymLink()) {
            if (existing.symLinkTarget() == target)
                continue;
            QFile::remove(link);
        } else if (existing.exists()) {
            continue; // not ours
        }
        if (!QFile::link(target, link)) {
            err = EACCES;
            return std::nullopt;
        }
    }
    // Entries the lesson no longer has.
    const QStringList mirrored = QDir(mirror).entryList(QDir::AllEntries | QDir::Hidden |
                                                        QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : mirrored) {
        const QFileInfo link(mirror + QLatin1Char('/') + entry);
        if (link.isSymLink() && !entries.contains(entry))
            QFile::remove(link.filePath());
    }
    return mirror;
}
