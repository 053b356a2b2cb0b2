#include "command.h"

#include "toolio.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
// A lesson that builds as it is: one step, its page, the demo's page frame and look.
const char kLessonJson[] = "{\n  \"title\": \"%1\",\n  \"folder\": \"%2\"\n}\n";
const char kFirstStep[] = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                          "<title>%1</title>\n</head>\n<body>\n</body>\n</html>\n";
const char kFirstPage[] = "# HTMLの骨組み\n\nまずは HTML の骨組みです。`<body>` の中に、これから"
                          "絵や文字を足していきます。\n";
const char kEndPage[] = "# 完成！\n\nおめでとうございます！\n";

bool writeNew(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::NewOnly) ||
        file.write(bytes) != bytes.size()) {
        PrintError(QString("%1: cannot write it: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}
} // namespace

int RunNew(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Starts a lesson source folder: lesson.json, one example step (steps/01.html) and its\n"
        "page (pages/01.md), a closing page, the page template and the stylesheet. Build it with\n"
        "'bolto-lesson build DIR'. Never overwrites a file.");
    parser.addPositionalArgument("DIR", "the folder to create; its name becomes the lesson folder");
    const QCommandLineOption titleOption("title", "the lesson's title", "TITLE");
    parser.addOption(titleOption);
    ProcessCommandArguments(parser, arguments, 1);
    const QString dir = parser.positionalArguments().first();
    const QString name = QFileInfo(QDir::cleanPath(QDir(dir).absolutePath())).fileName();
    if (QFileInfo::exists(QDir(dir).filePath("lesson.json"))) {
        PrintError(QString("%1: already holds a lesson source").arg(dir));
        return 1;
    }
    const QString title = parser.isSet(titleOption) ? parser.value(titleOption) : name;
    auto json = [](QString text) { return text.replace('\\', "\\\\").replace('"', "\\\""); };
    QFile templateFile(":/new/template.html");
    QFile styleFile(":/new/style.css");
    if (!templateFile.open(QIODevice::ReadOnly) || !styleFile.open(QIODevice::ReadOnly))
        return 1;
    const QDir d(dir);
    const bool ok = writeNew(d.filePath("lesson.json"),
                             QString(kLessonJson).arg(json(title), json(name)).toUtf8()) &&
                    writeNew(d.filePath("steps/01.html"),
                             QString(kFirstStep).arg(title.toHtmlEscaped()).toUtf8()) &&
                    writeNew(d.filePath("pages/01.md"), kFirstPage) &&
                    writeNew(d.filePath("pages/end.md"), kEndPage) &&
                    writeNew(d.filePath("template.html"), templateFile.readAll()) &&
                    writeNew(d.filePath("style.css"), styleFile.readAll());
    if (!ok)
        return 1;
    PrintOut(QString("%1: a lesson source with one step; add steps/02.html and pages/02.md, then "
                     "run 'bolto-lesson build %1'")
                 .arg(dir));
    return 0;
}
