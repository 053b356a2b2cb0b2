#include "shellfiletypes.h"

#include "boltoresources.h"
#include "texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>

namespace {
QString dataHome()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString mimeFolder()
{
    return dataHome() + QStringLiteral("/mime");
}

QString applicationsFolder()
{
    return dataHome() + QStringLiteral("/applications");
}

const char kIconName[] = "bolto-html5";

QByteArray mimePackage()
{
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<mime-info "
                             "xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                             "  <mime-type type=\"") +
           kLessonMimeType + "\">\n    <comment>" + Str::FileTypeName +
           "</comment>\n    <icon name=\"" + kIconName + "\"/>\n    <glob pattern=\"*" +
           Str::FilterExtension + "\" case-sensitive=\"false\"/>\n  </mime-type>\n</mime-info>\n";
}

QByteArray desktopEntry(const QString &program)
{
    QByteArray entry = "[Desktop Entry]\nType=Application\nName=Bolto\n";
    entry += QByteArray("Comment=") + Str::WindowTitle + "\n";
    entry += "Exec=" + DesktopExecArgument(program).toUtf8() + " %f\n";
    entry += QByteArray("Icon=") + kIconName + "\n";
    entry += QByteArray("MimeType=") + kLessonMimeType + ";\n";
    // The entry exists to open lessons, as a file type's open command; it is no launcher.
    entry += "NoDisplay=true\nTerminal=false\nCategories=Education;\n";
    return entry;
}

QByteArray iconBytes()
{
    InitBoltoResources();
    QFile icon(QStringLiteral(":/icons/bolto.png"));
    return icon.open(QIODevice::ReadOnly) ? icon.readAll() : QByteArray();
}

// True when the file was written; false when it already held these bytes or cannot be written.
bool writeIfChanged(const QString &path, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return false;
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes)
        return false;
    existing.close();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const bool ok = file.write(bytes) == bytes.size();
    file.close();
    if (!ok)
        file.remove();
    return ok;
}

// The desktop reads its caches, not the files: rebuild them. Nobody waits for the tools, and a
// missing tool is no error.
void refreshCaches()
{
    const struct
    {
        const char *tool;
        QString folder;
    } jobs[] = {{"update-mime-database", mimeFolder()},
                {"update-desktop-database", applicationsFolder()}};
    for (const auto &job : jobs) {
        if (!QFileInfo(job.folder).isDir())
            continue;
        const QString tool = QStandardPaths::findExecutable(QString::fromLatin1(job.tool));
        if (tool.isEmpty())
            continue;
        QProcess process;
        process.setProgram(tool);
        process.setArguments({job.folder});
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.startDetached();
    }
}
} // namespace

QStringList ShellRegistrationFiles()
{
    return {mimeFolder() + QStringLiteral("/packages/bolto-html5.xml"),
            applicationsFolder() + QStringLiteral("/bolto-html5.desktop"),
            dataHome() + QStringLiteral("/icons/hicolor/64x64/apps/") + QLatin1String(kIconName) +
                QStringLiteral(".png")};
}

bool SystemWideRegistration()
{
    // The package's files sit in the system's data folders; the user's own folder comes first in
    // the list and never counts.
    QStringList folders = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    folders.removeAll(dataHome());
    const auto has = [&](const QString &file) {
        return std::any_of(folders.cbegin(), folders.cend(), [&](const QString &folder) {
            return QFileInfo::exists(folder + QLatin1Char('/') + file);
        });
    };
    return has(QStringLiteral("applications/bolto.desktop")) &&
           has(QStringLiteral("mime/packages/bolto.xml"));
}

void RegisterShellFileTypes(const QString &program)
{
    const QStringList files = ShellRegistrationFiles();
    // An installed package already opens lessons; a second entry of our own would show Bolto twice
    // in the file manager's list, so the entries this program once wrote go too.
    if (SystemWideRegistration()) {
        bool removed = false;
        for (const QString &file : files)
            removed = QFile::remove(file) || removed;
        if (removed)
            refreshCaches();
        return;
    }
    bool changed = writeIfChanged(files.at(0), mimePackage());
    changed = writeIfChanged(files.at(1), desktopEntry(program)) || changed;
    changed = writeIfChanged(files.at(2), iconBytes()) || changed;
    if (changed)
        refreshCaches();
}

void UnregisterShellFileTypes()
{
    for (const QString &file : ShellRegistrationFiles())
        QFile::remove(file);
    refreshCaches();
}

QString DesktopExecArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = argument.isEmpty();
    for (const QChar c : argument)
        quote = quote || reserved.contains(c);
    QString arg;
    for (const QChar c : argument) {
        if (quote && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                      c == QLatin1Char('\\')))
            arg += QLatin1Char('\\');
        arg += c;
        // A lone % would start a field code.
        if (c == QLatin1Char('%'))
            arg += QLatin1Char('%');
    }
    if (quote)
        arg = QLatin1Char('"') + arg + QLatin1Char('"');
    // The key's value is itself an escaped string, where a backslash doubles.
    arg.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    arg.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    arg.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    arg.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return arg;
}
