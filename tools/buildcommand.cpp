#include "command.h"

#include "bolto.h"
#include "fileerror.h"
#include "lessonfile.h"
#include "lessonfolder.h"
#include "sourcefolder.h"
#include "toolio.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDirIterator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimer>

#include <cstdio>

namespace {
bool writeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        PrintError(QString("%1: cannot write it: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

// Make-style dependencies, so a build system rebuilds when any step or page changes.
QByteArray depfile(const QString &target, const QStringList &inputs)
{
    auto escape = [](QString path) { return path.replace(' ', "\\ ").toUtf8(); };
    QByteArray text = escape(target) + ":";
    for (const QString &input : inputs)
        text += " \\\n  " + escape(QFileInfo(input).absoluteFilePath());
    return text + "\n";
}

// The lesson's own files (pictures, scripts, models) from DIR/files, copied beside the program the
// learner writes, so the program finds them under the same names whether it runs from the lesson
// folder or from a learner's copy of it. Regular files only: a link could bring in anything.
bool copyLessonFiles(const QString &dir, const QString &lessonDir, QStringList &inputs)
{
    const QDir files(QDir(dir).filePath("files"));
    if (!files.exists())
        return true;
    QDirIterator it(files.path(), QDir::Files | QDir::Hidden | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString relative = files.relativeFilePath(from);
        if (relative == QLatin1String("index.html")) {
            PrintError(QString("%1: index.html is the name of the learner's program; the lesson "
                               "cannot bring its own")
                           .arg(from));
            return false;
        }
        QFile source(from);
        const QString to = QDir(lessonDir).filePath(relative);
        if (!source.open(QIODevice::ReadOnly) || !QDir().mkpath(QFileInfo(to).path()) ||
            !writeFile(to, source.readAll()))
            return false;
        inputs.append(from);
    }
    return true;
}

struct BuildResult
{
    bool ok = false;
    QStringList inputs;
};

BuildResult build(const QString &dir, const QString &out, const QString &depfilePath)
{
    BuildResult result;
    CSourceFolder source;
    const bool read = source.Read(dir);
    result.inputs = source.InputFiles();
    if (!read) {
        for (const QString &fault : source.Faults())
            PrintError(QString("%1/%2").arg(QDir::cleanPath(dir), fault));
        return result;
    }
    CBolto lesson;
    source.ToSource().FillLesson(lesson);

    const QString lessonPath = QDir(out).filePath(QFileInfo(source.m_folder).fileName() + ".blsh");
    const QString htmlDir = QDir(out).filePath(LessonFolderPath(source.m_folderBytes) + "/html");
    if (!QDir().mkpath(htmlDir)) {
        PrintError(QString("%1: cannot create the folder").arg(htmlDir));
        return result;
    }
    const std::vector<QByteArray> pages = source.RenderPages();
    for (size_t i = 0; i < pages.size(); ++i) {
        if (!writeFile(QDir(htmlDir).filePath(QString("index%1.html").arg(i)), pages[i]))
            return result;
    }
    // Pages of an earlier, longer build would read as extra pages of this one.
    static const QRegularExpression pageName("^index(\\d{1,9})\\.html$");
    for (const QString &name : QDir(htmlDir).entryList(QDir::Files)) {
        const QRegularExpressionMatch match = pageName.match(name);
        if (match.hasMatch() && match.captured(1).toULongLong() >= pages.size())
            QFile::remove(QDir(htmlDir).filePath(name));
    }
    if (!source.m_style.isEmpty() &&
        !writeFile(QDir(htmlDir).filePath("style.css"), source.m_style))
        return result;
    if (!copyLessonFiles(dir, QDir(out).filePath(LessonFolderPath(source.m_folderBytes)),
                         result.inputs))
        return result;
    const LessonFileStatus status =
        StoreLessonFile(QFile::encodeName(lessonPath).toStdString(), lesson);
    if (status.m_cause != LessonFileStatus::ok) {
        PrintError(FileErrorMessage(status.m_error, lessonPath));
        return result;
    }
    if (!depfilePath.isEmpty() && !writeFile(depfilePath, depfile(lessonPath, result.inputs)))
        return result;
    PrintOut(QString("%1: %2 steps, %3 pages")
                 .arg(lessonPath)
                 .arg(source.m_steps.size())
                 .arg(pages.size()));
    result.ok = true;
    return result;
}
} // namespace

int RunBuild(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Builds a lesson from its source folder: computes every step's kind, line, count and\n"
        "snippet from the programs in steps/, writes the tutorial pages from pages/ and\n"
        "template.html, copies files/ into the lesson folder, and packs <folder>.blsh.\n"
        "See docs/author-guide.md.");
    parser.addPositionalArgument("DIR", "the lesson source folder (with lesson.json)");
    const QCommandLineOption outOption(
        "out", "where to put <folder>.blsh and <folder>/html (default: DIR/build)", "OUTDIR");
    const QCommandLineOption watchOption("watch", "build again whenever a source file changes");
    const QCommandLineOption depfileOption(
        "depfile", "also write the files read, as a make-style dependency file", "FILE");
    parser.addOption(outOption);
    parser.addOption(watchOption);
    parser.addOption(depfileOption);
    ProcessCommandArguments(parser, arguments, 1);
    const QString dir = parser.positionalArguments().first();
    const QString out =
        parser.isSet(outOption) ? parser.value(outOption) : QDir(dir).filePath("build");
    if (!CSourceFolder::IsSourceFolder(dir)) {
        PrintError(QString("%1: not a lesson source folder (no lesson.json); "
                           "'bolto-lesson new %1' starts one")
                       .arg(dir));
        return 1;
    }

    BuildResult result = build(dir, out, parser.value(depfileOption));
    if (!parser.isSet(watchOption))
        return result.ok ? 0 : 1;

    // Editors save by replacing files, which drops them from the watcher: watch the folders
    // too, and after every build watch what the build read.
    QFileSystemWatcher watcher;
    QTimer settle;
    settle.setSingleShot(true);
    settle.setInterval(200);
    auto watch = [&] {
        if (!watcher.files().isEmpty())
            watcher.removePaths(watcher.files());
        QStringList paths = result.inputs;
        for (const char *sub : {"", "/steps", "/pages"}) {
            if (QFileInfo(dir + sub).isDir())
                paths << dir + sub;
        }
        for (const QString &path : paths) {
            if (QFileInfo::exists(path) && !watcher.files().contains(path) &&
                !watcher.directories().contains(path))
                watcher.addPath(path);
        }
    };
    watch();
    QObject::connect(&watcher, &QFileSystemWatcher::fileChanged, &settle,
                     qOverload<>(&QTimer::start));
    QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &settle,
                     qOverload<>(&QTimer::start));
    QObject::connect(&settle, &QTimer::timeout, [&] {
        result = build(dir, out, parser.value(depfileOption));
        watch();
        std::fflush(stdout); // an editor's output pane shows each build as it ends
    });
    PrintOut(QString("watching %1; Ctrl+C stops").arg(dir));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
