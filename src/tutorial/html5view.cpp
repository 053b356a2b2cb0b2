#include "html5view.h"

#include "bolto.h"
#include "clipboard.h"
#include "lessonfolder.h"
#include "lessonprogress.h"
#include "lessonroots.h"
#include "mainframe.h"
#include "messagebox.h"
#include "paths.h"
#include "popupmenu.h"
#include "programmingview.h"
#include "qtcodepage.h"
#include "resource.h"
#include "smartsplitter.h"
#include "sound.h"
#include "statusbar.h"
#include "texts.h"
#include "webprofile.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopeGuard>

#include <algorithm>
#include <climits>

CHTML5View::CHTML5View(QWidget *parent) : CHtmlView(parent)
{
    setupStartPage();
}

void CHTML5View::NavigateToStartPage()
{
    if (theLesson.m_folderName.empty()) {
        ConfineTo({});
        Navigate2(FromPath(ProgramDirectory() + "index.html"));
        return;
    }
    // The lesson's pages may use the files of its folder and nothing else, and only a folder that
    // really lies inside its lesson root (the program directory or the user's) is shown at all.
    const QString name = LessonFolderPath(theLesson.m_folderName);
    const std::optional<QString> folder = ResolveLessonFolder(
        name, {LessonRootFor(FromPath(ProgramDirectory()), theLesson.m_folderName)});
    if (!folder) {
        ConfineTo({});
        ShowNotice(qs(Str::FolderRefusedTitle),
                   {qs(Str::FolderRefused)
                        .arg(QStringLiteral("<code>%1</code>").arg(name.toHtmlEscaped())),
                    qs(Str::FolderRefusedHint)});
        return;
    }
    ConfineTo(*folder);
    Navigate2(*folder + QStringLiteral("/html/index0.html"));
}

void CHTML5View::OnInitialUpdate()
{
    CHtmlView::OnInitialUpdate();
    m_copyDisabled = false;
    NavigateToStartPage();
    ClipboardEmpty();
}

void CHTML5View::SetEditor(CProgrammingView *editor)
{
    m_editor = editor;
}

void CHTML5View::OnBeforeNavigate2(const QString &url)
{
    // Only this literal is left alone: web pages are not tutorial pages, while https and local
    // pages are tracked alike.
    const std::string text = url.toStdString();
    if (text.find("http://") == std::string::npos && m_editor) {
        m_editor->HoldGutter();
        const auto paintOnce = qScopeGuard([this] {
            if (m_editor)
                m_editor->ReleaseGutter();
        });
        std::string title;
        theLesson.m_currentPage = FileBaseName(title, text) ? ParsePageNumber(title, "index") : -1;
        // The page is stored before the editor reads it; the flags and the clipboard are reset
        // after, so the snippet of the page being left can no longer be pasted.
        m_editor->ShowPageLines();
        // A finished step stays finished: its page follows its links at once.
        const bool done = isStepDone(theLesson.m_currentPage);
        m_editor->m_pageDone = done;
        m_copyDisabled = done;
        ClipboardEmpty();
        m_editor->StartStep();
        m_copiesOnPage = 0;
        if (m_progress)
            m_progress->NotePageShown(theLesson.m_currentPage);
    }
    CHtmlView::OnBeforeNavigate2(url);
}

bool CHTML5View::PreTranslateMessage(QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto *key = static_cast<const QKeyEvent *>(event);
        const bool alt = key->modifiers().testFlag(Qt::AltModifier);
        if (!alt && (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete)) {
            // The learner meant to edit: hand over to the editor, and the key goes nowhere.
            if (CMainFrame *frame = AfxGetMainWnd(); frame && frame->m_splitter)
                frame->m_splitter->SetActivePane(0, 1);
            return true;
        }
        // The tutorial moves only by its own links.
        if (alt && key->key() == Qt::Key_Left) {
            AfxMessageBox(qs(Str::CannotGoBack), MB_OK);
            return true;
        }
        if (alt && key->key() == Qt::Key_Right) {
            AfxMessageBox(qs(Str::CannotGoForward), MB_OK);
            return true;
        }
        // Enter and Space follow the focused link.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
            key->key() == Qt::Key_Space)
            static_cast<CConfinedPage *>(page())->NoteUserActivation();
        return false;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto *mouse = static_cast<const QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            if (OnLeftButtonDown())
                return true;
            // The click reaches the page: a web link under it is the learner's to open.
            static_cast<CConfinedPage *>(page())->NoteUserActivation();
            return false;
        }
        if (mouse->button() == Qt::RightButton) {
            OnContextMenu(mouse->globalPosition().toPoint());
            return true;
        }
        return false;
    }
    case QEvent::ContextMenu:
        // Already answered by the right button press.
        return true;
    default:
        return false;
    }
}

bool CHTML5View::OnLeftButtonDown()
{
    if (CopySnippet())
        return true;
    // A delete page is done in the editor: until it is, clicks must not lead away from it.
    const int page = theLesson.m_currentPage;
    const CMainFrame *frame = AfxGetMainWnd();
    const bool pageDone = frame && frame->m_editorView && frame->m_editorView->m_pageDone;
    return CBolto::isValidIndex(theLesson.m_pageKinds, page) &&
           theLesson.m_pageKinds[size_t(page)] == Delete && !pageDone;
}

void CHTML5View::OnContextMenu(const QPoint &globalPos)
{
    const int menuId = theLesson.m_folderName.empty() ? IDR_MENU_HTML_PLAIN : IDR_MENU_HTML;
    if (const int command = TrackPopupMenu(menuId, globalPos, this))
        OnCmdMsg(command);
}

bool CHTML5View::CopySnippet()
{
    CMainFrame *frame = AfxGetMainWnd();
    const int page = theLesson.m_currentPage;
    std::string text = theLesson.GetPageText(page);
    if (m_copyDisabled)
        return false;
    // The clipboard takes plain text, which ends at the first NUL.
    text.resize(std::min(text.size(), text.find('\0')));
    if (text.empty())
        return false;
    if (!ClipboardSetText(FromCp932(text))) {
        AfxMessageBox(qs(Str::ClipboardUnavailable), MB_OK);
        return false;
    }
    PlayCopySound();
    if (frame && frame->m_statusBar)
        frame->m_statusBar->SetPaneText(
            0, copiedText(frame->m_editorView && !frame->m_editorView->m_pageDone), true);
    ++m_copiesOnPage;
    return true;
}

void CHTML5View::OnCopyScript(unsigned id)
{
    const bool copyDisabled = m_copyDisabled;
    if (id == ID_COPY_SCRIPT) {
        m_copyDisabled = false;
        CopySnippet();
        m_copyDisabled = copyDisabled;
    }
}

bool CHTML5View::OnCmdMsg(int id)
{
    if (id == ID_COPY_SCRIPT) {
        OnCopyScript(unsigned(id));
        return true;
    }
    return CHtmlView::OnCmdMsg(id);
}

bool CHTML5View::OnUpdateCmdUI(CCmdUI &ui)
{
    if (ui.m_nID == ID_COPY_SCRIPT) {
        ui.Enable(true);
        return true;
    }
    return CHtmlView::OnUpdateCmdUI(ui);
}

int CHTML5View::ParsePageNumber(const std::string &title, const std::string &key)
{
    if (title.compare(0, key.size(), key) != 0 || title.size() == key.size())
        return -1;
    // The rest reads as the C library's atoi would, saturating at the 32-bit limits.
    size_t i = key.size();
    while (i < title.size() && (title[i] == ' ' || (title[i] >= '\t' && title[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < title.size() && (title[i] == '+' || title[i] == '-'))
        negative = title[i++] == '-';
    long long value = 0;
    for (; i < title.size() && title[i] >= '0' && title[i] <= '9'; ++i) {
        value = value * 10 + (title[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            break;
    }
    if (negative)
        value = -value;
    return int(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

void CHTML5View::SetProgress(CLessonProgress *progress)
{
    if (m_progress)
        disconnect(m_progress, nullptr, this, nullptr);
    m_progress = progress;
    if (!progress)
        return;
    connect(progress, &CLessonProgress::pageRequested, this, &CHTML5View::NavigateToPage);
    connect(progress, &CLessonProgress::stepStateChanged, this, [this](int page, bool done) {
        if (page == theLesson.m_currentPage)
            m_copyDisabled = done;
    });
    // The caret comes back once the page has loaded, after every navigation of the way there.
    connect(this, &QWebEngineView::loadFinished, progress, [this] {
        if (m_progress)
            m_progress->NotePageLoaded(theLesson.m_currentPage);
    });
}

bool CHTML5View::isStepDone(int page) const
{
    return m_progress && m_progress->IsStepDone(page);
}

void CHTML5View::NavigateToPage(int page)
{
    if (page < 0 || theLesson.m_folderName.empty())
        return;
    // The folder the first page came from, found and confined the same way: it may lie in the
    // user's lesson root. A refused folder has had its notice already.
    const std::optional<QString> folder =
        ResolveLessonFolder(LessonFolderPath(theLesson.m_folderName),
                            {LessonRootFor(FromPath(ProgramDirectory()), theLesson.m_folderName)});
    if (!folder)
        return;
    ConfineTo(*folder);
    Navigate2(*folder + QStringLiteral("/html/index%1.html").arg(page));
}
