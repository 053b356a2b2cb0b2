#include "defaultbrowser.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

namespace {
const QStringList kPageFields = {QStringLiteral("%s"), QStringLiteral("%u"), QStringLiteral("%U"),
                                 QStringLiteral("%f"), QStringLiteral("%F")};

QString executable(const QString &program)
{
    if (program.isEmpty())
        return {};
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(program);
}

QString xdgSettingsDefault()
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("xdg-settings"));
    if (tool.isEmpty())
        return {};
    QProcess process;
    process.start(tool, {QStringLiteral("get"), QStringLiteral("default-web-browser")});
    // The tool asks the desktop; a desktop that does not answer must not hold up Run for long.
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The Exec line of a desktop entry found in the applications folders.
QString desktopExec(const QString &entry)
{
    if (entry.isEmpty() || entry.contains(QLatin1Char('/')))
        return {};
    const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entry);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    bool inEntry = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.startsWith(QLatin1String("Exec=")))
            return line.mid(5);
    }
    return {};
}
} // namespace

std::optional<BrowserCommand> ParseBrowserCommand(const QString &command)
{
    QStringList parts = QProcess::splitCommand(command);
    if (parts.isEmpty())
        return std::nullopt;
    BrowserCommand browser;
    browser.program = executable(parts.takeFirst());
    if (browser.program.isEmpty())
        return std::nullopt;
    browser.name = QFileInfo(browser.program).fileName();
    for (const QString &part : parts) {
        // A desktop entry's other field codes (icon, name, file location) have no value here.
        if (part.size() == 2 && part.startsWith(QLatin1Char('%')) && !kPageFields.contains(part))
            continue;
        browser.arguments.append(part);
    }
    return browser;
}

std::optional<BrowserCommand> FindDefaultBrowser(const std::function<QString()> &xdgDefault)
{
    const QString variable = qEnvironmentVariable("BROWSER");
    for (const QString &command : variable.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (auto browser = ParseBrowserCommand(command))
            return browser;
    }
    const QString entry = xdgDefault ? xdgDefault() : xdgSettingsDefault();
    if (auto browser = ParseBrowserCommand(desktopExec(entry)))
        return browser;
    return ParseBrowserCommand(QStringLiteral("x-www-browser"));
}

std::optional<BrowserCommand> RunBrowser(const QString &chosenProgram)
{
    if (chosenProgram.isEmpty())
        return FindDefaultBrowser();
    // The chosen program is run as it is named, so that its own failure is reported.
    BrowserCommand browser;
    browser.program = chosenProgram;
    browser.name = QFileInfo(chosenProgram).fileName();
    return browser;
}

QStringList BrowserArguments(const BrowserCommand &browser, const QString &page)
{
    QStringList arguments;
    bool placed = false;
    for (const QString &argument : browser.arguments) {
        if (kPageFields.contains(argument)) {
            if (!placed)
                arguments.append(page);
            placed = true;
        } else if (argument.contains(QLatin1String("%s"))) {
            QString filled = argument;
            arguments.append(filled.replace(QLatin1String("%s"), page));
            placed = true;
        } else {
            arguments.append(argument);
        }
    }
    if (!placed)
        arguments.append(page);
    return arguments;
}
