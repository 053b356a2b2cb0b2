#include "toolio.h"

#include "fileerror.h"
#include "jsontext.h"

#include "bolto.h"
#include "lessonfile.h"
#include "pathbytes.h"
#include "texts.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {
void print(std::FILE *stream, const QString &line)
{
    // Paths go out as the bytes they came in as.
    const QByteArray bytes = PathToBytes(line + '\n');
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}
} // namespace

void PrintOut(const QString &line)
{
    print(stdout, line);
}

void PrintError(const QString &line)
{
    print(stderr, line);
}

bool FinishOutput()
{
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    const int err = errno != 0 ? errno : EIO;
    PrintError(QString("bolto-lesson: cannot write the standard output: %1")
                   .arg(QString::fromLocal8Bit(std::strerror(err))));
    return false;
}

bool LoadLessonForTool(const QString &path, CBolto &lesson)
{
    const LessonFileStatus status = LoadLessonFile(PathToBytes(path).toStdString(), lesson);
    switch (status.m_cause) {
    case LessonFileStatus::ok:
        return true;
    case LessonFileStatus::endOfFile:
    case LessonFileStatus::generic: {
        const char *message = status.m_cause == LessonFileStatus::endOfFile ? Str::ArchiveBadFormat
                                                                            : Str::ArchiveGeneric;
        PrintError(QString("%1: offset %2: %3").arg(path).arg(status.m_offset).arg(qs(message)));
        return false;
    }
    case LessonFileStatus::openFailed:
    case LessonFileStatus::writeFailed:
    case LessonFileStatus::notRegularFile:
        break;
    }
    PrintError(FileErrorMessage(status.m_error, path));
    return false;
}

bool ReadJsonObject(const QString &path, QJsonObject &object)
{
    std::FILE *stream = std::fopen(PathToBytes(path).constData(), "rb");
    if (!stream) {
        PrintError(FileErrorMessage(errno, path));
        return false;
    }
    QFile file;
    file.open(stream, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    struct stat st;
    if (fstat(fileno(stream), &st) == 0 && S_ISDIR(st.st_mode)) {
        PrintError(FileErrorMessage(EISDIR, path));
        return false;
    }
    QString error;
    if (!ParseJsonObject(file.readAll(), object, &error)) {
        PrintError(QString("%1: %2").arg(path, error));
        return false;
    }
    return true;
}

void ProcessCommandArguments(QCommandLineParser &parser, const QStringList &arguments,
                             qsizetype positionalCount)
{
    const QCommandLineOption help = parser.addHelpOption();
    const bool parsed = parser.parse(arguments);
    if (parsed && parser.isSet(help)) {
        // The parser names the program by its path; the usage line should show the command.
        QString text = parser.helpText();
        const qsizetype options = text.indexOf(" [options]");
        if (text.startsWith("Usage: ") && options > 0)
            text.replace(7, options - 7, arguments.first());
        std::fputs(text.toUtf8().constData(), stdout);
        std::exit(0);
    }
    if (!parsed) {
        PrintError(QString("%1: %2").arg(arguments.first(), parser.errorText()));
        std::exit(1);
    }
    if (parser.positionalArguments().size() != positionalCount) {
        PrintError(QString("%1: expects %2 argument(s); see --help")
                       .arg(arguments.first())
                       .arg(positionalCount));
        std::exit(1);
    }
}
