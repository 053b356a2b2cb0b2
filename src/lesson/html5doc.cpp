#include "html5doc.h"

#include "archive.h"
#include "bolto.h"
#include "filedialog.h"
#include "fileerror.h"
#include "html5app.h"
#include "html5view.h"
#include "mainframe.h"
#include "messagebox.h"
#include "pathbytes.h"
#include "paths.h"
#include "programmingview.h"
#include "resource.h"
#include "texts.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Shows the wait cursor for as long as a lesson is being read.
class WaitCursor
{
public:
    WaitCursor()
    {
        if (qobject_cast<QApplication *>(QCoreApplication::instance()))
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            m_active = false;
    }
    ~WaitCursor()
    {
        if (m_active)
            QApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

private:
    bool m_active = true;
};

void reportFileError(int err, const QString &path)
{
    // A name that lost bytes on its way here (a dialog cannot carry them) names no file at all:
    // "not found" would wrongly say that the file the user chose is gone.
    if (err == ENOENT && PathLostBytes(path))
        err = EINVAL;
    AfxMessageBox(FileErrorMessage(err, PathForDisplay(path)), MB_OK | MB_ICONEXCLAMATION);
}
} // namespace

CHTML5Doc::CHTML5Doc(QObject *parent) : QObject(parent) {}

void CHTML5Doc::Serialize(CArchive &ar)
{
    theLesson.Serialize(ar);
}

bool CHTML5Doc::OnNewDocument()
{
    DeleteContents();
    m_strPathName.clear();
    SetModifiedFlag(false);
    if (CMainFrame *frame = AfxGetMainWnd())
        frame->m_editorView->SetWindowText(QString());
    theLesson.Reset();
    return true;
}

bool CHTML5Doc::HasLessonExtension(const QString &path)
{
    // Only a dot in the last component starts an extension; a folder named x.blsh is no lesson.
    for (qsizetype i = path.size(); i-- > 0;) {
        const QChar c = path.at(i);
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            return false;
        if (c != QLatin1Char('.'))
            continue;
        const QString ext = path.mid(i + 1);
        static const QLatin1String lesson(Str::LessonExtension);
        if (ext.size() != lesson.size())
            return false;
        for (qsizetype k = 0; k < ext.size(); ++k) {
            const char16_t u = ext.at(k).unicode();
            const char16_t lower = (u >= u'A' && u <= u'Z') ? char16_t(u + 32) : u;
            if (lower != char16_t(lesson.at(k).unicode()))
                return false;
        }
        return true;
    }
    return false;
}

bool CHTML5Doc::OnOpenDocument(const QString &path)
{
    if (!HasLessonExtension(path))
        return false;
    theLesson.Reset();
    if (!ReadLessonFile(path))
        return false;

    std::string title;
    const QByteArray utf8 = path.toUtf8();
    if (!FileBaseName(title, std::string_view(utf8.constData(), size_t(utf8.size()))))
        title.clear();
    SetTitle(QString::fromStdString(title));
    SetPathName(path, true);

    // During the first open at start-up the window is not known yet; the views' initial update
    // then shows the first page.
    if (CMainFrame *frame = AfxGetMainWnd()) {
        frame->m_tutorialView->NavigateToStartPage();
        frame->m_editorView->SetWindowText(QString());
    }
    return true;
}

bool CHTML5Doc::ReadLessonFile(const QString &path)
{
    const QByteArray name = PathToBytes(path);
    // Non-blocking, so that a named pipe given as a lesson cannot stall the program.
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        reportFileError(errno, path);
        return false;
    }
    struct stat st;
    int err = 0;
    if (fstat(fd, &st) != 0)
        err = errno;
    else if (S_ISDIR(st.st_mode))
        err = EISDIR;
    else if (!S_ISREG(st.st_mode))
        err = EACCES;
    if (err != 0) {
        ::close(fd);
        reportFileError(err, path);
        return false;
    }
    std::FILE *file = fdopen(fd, "rb");
    if (!file) {
        err = errno;
        ::close(fd);
        reportFileError(err, path);
        return false;
    }

    DeleteContents();
    SetModifiedFlag(true);
    QString failure;
    {
        WaitCursor wait;
        try {
            // An empty file is an empty lesson, not a damaged one.
            if (st.st_size != 0) {
                CArchive ar(file);
                Serialize(ar);
            }
        } catch (const CArchiveException &e) {
            failure = qs(e.m_cause == CArchiveException::endOfFile ? Str::ArchiveBadFormat
                                                                   : Str::ArchiveGeneric);
        } catch (const std::exception &) {
            failure = qs(Str::ArchiveGeneric);
        }
    }
    std::fclose(file);
    if (!failure.isEmpty()) {
        DeleteContents();
        AfxMessageBox(failure, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

bool CHTML5Doc::OnSaveDocument(const QString &path)
{
    (void)path;
    return true;
}

void CHTML5Doc::OnFileOpen()
{
    FileDialogRequest request;
    request.kind = FileDialogRequest::Open;
    request.directory = QString::fromStdString(ProgramDirectory());
    request.filter = qs(Str::OpenFilter);
    request.defaultSuffix = qs(Str::LessonExtension);
    const std::optional<QString> path = RunFileDialog(AfxGetMainWnd(), request);
    if (!path)
        return;
    OnOpenDocument(*path);
}

void CHTML5Doc::OnFileSave()
{
    DoFileSave();
}

void CHTML5Doc::OnFileSaveAs()
{
    DoSave(QString());
}

bool CHTML5Doc::SaveModified()
{
    if (!IsModified())
        return true;
    QString name = m_strPathName.isEmpty() ? m_strTitle : DisplayTitle(m_strPathName);
    if (name.isEmpty())
        name = qs(Str::Untitled);
    switch (AfxMessageBox(qs(Str::SaveChangesPrompt).arg(name), MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDCANCEL:
        return false;
    case IDYES:
        return DoFileSave();
    default:
        return true;
    }
}

bool CHTML5Doc::DoFileSave()
{
    // By the name's bytes: Qt's own look-up would miss a file whose name is not UTF-8.
    const QByteArray name = PathToBytes(m_strPathName);
    if (m_strPathName.isEmpty() || ::access(name.constData(), F_OK) != 0 ||
        ::access(name.constData(), W_OK) != 0)
        return DoSave(QString());
    return DoSave(m_strPathName);
}

bool CHTML5Doc::DoSave(const QString &path, bool replace)
{
    QString newName = path;
    if (newName.isEmpty()) {
        FileDialogRequest request;
        request.kind = FileDialogRequest::Save;
        request.title = qs(Str::SaveAsTitle);
        request.filter = qs(Str::FilterName);
        request.defaultSuffix = qs(Str::LessonExtension);
        if (!m_strPathName.isEmpty()) {
            request.directory = QFileInfo(m_strPathName).absolutePath();
            request.fileName = QFileInfo(m_strPathName).fileName();
        } else {
            request.fileName = m_strTitle;
            if (!request.fileName.isEmpty() && !request.fileName.contains(QLatin1Char('.')))
                request.fileName += QLatin1String(Str::FilterExtension);
        }
        const std::optional<QString> chosen = RunFileDialog(AfxGetMainWnd(), request);
        if (!chosen)
            return false;
        newName = *chosen;
    }
    if (!OnSaveDocument(newName))
        return false;
    if (replace)
        SetPathName(newName, true);
    return true;
}

bool CHTML5Doc::OnCmdMsg(int id)
{
    switch (id) {
    case ID_PAGE_SETTING:
        return true;
    case ID_FILE_OPEN:
        OnFileOpen();
        return true;
    case ID_FILE_SAVE:
        OnFileSave();
        return true;
    case ID_FILE_SAVE_AS:
        OnFileSaveAs();
        return true;
    default:
        return false;
    }
}

bool CHTML5Doc::OnUpdateCmdUI(CCmdUI &ui)
{
    switch (ui.m_nID) {
    case ID_PAGE_SETTING:
    case ID_FILE_OPEN:
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS:
        ui.Enable(true);
        return true;
    default:
        return false;
    }
}

void CHTML5Doc::SetTitle(const QString &title)
{
    m_strTitle = title;
    emit titleChanged(title);
}

QString CHTML5Doc::DisplayTitle(const QString &path)
{
    return PathForDisplay(QFileInfo(path).fileName());
}

void CHTML5Doc::SetPathName(const QString &path, bool addToMru)
{
    m_strPathName = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    SetTitle(DisplayTitle(m_strPathName));
    if (addToMru) {
        if (CHTML5App *app = AfxGetApp())
            app->AddToRecentFileList(m_strPathName);
    }
}
