#include "run.h"
#include "runfolder.h"

#include "bolto.h"
#include "defaultbrowser.h"
#include "detachedprocess.h"
#include "filedialog.h"
#include "fileerror.h"
#include "lessonfolder.h"
#include "lessonroots.h"
#include "mainframe.h"
#include "messagebox.h"
#include "pagebytes.h"
#include "paths.h"
#include "programmingview.h"
#include "qtcodepage.h"
#include "statusbar.h"
#include "texts.h"
#include "userenvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <unistd.h>

namespace {
QString browserKey()
{
    return qs(Str::BrowserSection) + QLatin1Char('/') + qs(Str::BrowserEntry);
}

// File errors of Run look like the ones the framework reports for a failed command.
void reportFileError(int err, const QString &path)
{
    AfxMessageBox(FileErrorMessage(err, path), MB_ICONSTOP);
}

// The export file inside the lesson folder. The folder name comes from the lesson file, so a name
// that is absolute or climbs out of the program directory is refused: Run must never write outside
// the lesson, nor over the start page next to the program.
std::optional<QString> exportPathFor(const std::string &programDirectory,
                                     const std::string &folderName, QString &shownPath)
{
    const QString folder = LessonFolderPath(folderName);
    const QString index = QStringLiteral("/index.html");
    shownPath = FromPath(programDirectory) + folder + index;
    // Links count as well as text: a folder that is a link to the program directory or elsewhere
    // is refused like `..`.
    const std::optional<QString> resolved =
        ResolveLessonFolder(folder, {FromPath(programDirectory)});
    if (!resolved)
        return std::nullopt;
    return *resolved + index;
}

// Writes everything, through short writes and interrupted calls. Returns 0 or the errno.
int writeAll(int fd, const char *data, size_t left)
{
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        left -= size_t(n);
    }
    return 0;
}

// Where the browser dialog starts: the folder of the desktop's default browser, or of a browser
// that is installed.
QString browserFolder()
{
    if (const std::optional<BrowserCommand> browser = FindDefaultBrowser())
        return QFileInfo(browser->program).absolutePath();
    for (const char *name : {"firefox", "firefox-esr", "chromium"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return QFileInfo(found).absolutePath();
    }
    return {};
}

std::u16string_view units(QStringView text)
{
    return {reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size())};
}
} // namespace

QByteArray HtmlFileBytes(const QString &text)
{
    QByteArray bytes(text.size() * qsizetype(pagebytes::kMaxBytesPerUnit), Qt::Uninitialized);
    bytes.truncate(qsizetype(pagebytes::Encode(units(text), bytes.data())));
    return bytes;
}

void CMainFrame::OnRun()
{
    // Without a lesson the command is disabled; the path below would be the start page's.
    if (theLesson.m_folderName.empty())
        return;
    // Without a chosen browser, the desktop's default one.
    const std::optional<BrowserCommand> browser = RunBrowser(m_browserPath);
    if (!browser) {
        AfxMessageBox(qs(Str::NoBrowser), MB_OK);
        return;
    }
    QString shownPath;
    const std::optional<QString> path = exportPathFor(
        LessonRootFor(FromPath(ProgramDirectory()), theLesson.m_folderName).toStdString(),
        theLesson.m_folderName, shownPath);
    if (!path) {
        AfxMessageBox(qs(Str::FileBadPath).arg(shownPath), MB_ICONSTOP);
        return;
    }
    m_exportPath = *path;

    // An installed program's lesson folder is the system's: the page goes to the learner's own
    // mirror of it instead, where the lesson's files are still found under the same names.
    const QString lessonFolder = QFileInfo(*path).absolutePath();
    if (FolderRefusesWrites(lessonFolder)) {
        int err = 0;
        const std::optional<QString> mirror = MirrorLessonFolder(
            lessonFolder, LessonFolderPath(theLesson.m_folderName), RunMirrorRoot(), err);
        if (!mirror) {
            reportFileError(err, RunMirrorRoot());
            return;
        }
        m_exportPath = *mirror + QStringLiteral("/index.html");
    }

    // A lesson folder without an index.html yet is the usual first Run.
    const QByteArray name = QFile::encodeName(m_exportPath);
    if (::unlink(name.constData()) != 0 && errno != ENOENT) {
        reportFileError(errno, m_exportPath);
        return;
    }
    if (!WriteHtmlFile(m_exportPath))
        return;

    // One argument element: spaces in the path need no quoting, and nothing waits for the browser.
    // The browser gets the user's environment, not the switches the program set for itself.
    if (const int err = StartDetachedProgram(browser->program,
                                             BrowserArguments(*browser, m_exportPath),
                                             UserEnvironment()))
        reportFileError(err, browser->program);
    else if (m_browserPath.isEmpty() && m_statusBar)
        m_statusBar->SetPaneText(0, qs(Str::RunDefaultBrowser).arg(browser->name));
}

void CMainFrame::OnUpdateRun(CCmdUI &ui)
{
    ui.Enable(!theLesson.m_folderName.empty());
}

void CMainFrame::OnBrowserSetting()
{
    // Linux programs carry no extension: the dialog lists executable files and appends nothing.
    FileDialogRequest request;
    request.kind = FileDialogRequest::Open;
    request.title = qs(Str::BrowserDialogTitle);
    request.directory = browserFolder();
    request.filter = qs(Str::BrowserFilter) + QStringLiteral("(*)");
    request.executablesOnly = true;
    // The desktop's default browser is offered first.
    if (const std::optional<BrowserCommand> browser = FindDefaultBrowser())
        request.fileName = QFileInfo(browser->program).fileName();
    // The name is taken as typed; a browser not installed yet is the user's business.
    request.mustExist = false;
    const std::optional<QString> chosen = RunFileDialog(this, request);
    if (!chosen || chosen->isEmpty())
        return;
    m_browserPath = *chosen;
    QSettings settings(qs(Str::SettingsOrganization), qs(Str::AppName));
    settings.setValue(browserKey(), m_browserPath);
}

void CMainFrame::OnUpdateBrowserSetting(CCmdUI &ui)
{
    ui.Enable(true);
    ui.SetCheck(m_browserPath.isEmpty() ? 0 : 1);
}

void CMainFrame::LoadBrowserSetting()
{
    const QSettings settings(qs(Str::SettingsOrganization), qs(Str::AppName));
    const QString value = settings.value(browserKey()).toString();
    if (!value.isEmpty())
        m_browserPath = value;
}

bool CMainFrame::WriteHtmlFile(QString path)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        reportFileError(errno, path);
        return false;
    }
    // Encoded a piece at a time into one small buffer that stays in the cache while the kernel
    // copies it: a program may be megabytes long, and a whole copy of it costs about as much as
    // the write itself.
    pagebytes::Writer writer(
        [fd](const char *bytes, size_t size) { return writeAll(fd, bytes, size); });
    if (m_editorView)
        m_editorView->ReadRawText([&](QStringView piece) { writer.Add(units(piece)); });
    int err = writer.Finish();
    // Some file systems report a full disk or quota only when the data reaches the disk. EINVAL
    // and EROFS mean a file that cannot be synchronised at all, which is no failure of the write.
    if (err == 0 && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
        err = errno;
    if (::close(fd) != 0 && err == 0 && errno != EINTR)
        err = errno;
    if (err != 0) {
        reportFileError(err, path);
        return false;
    }
    return true;
}
