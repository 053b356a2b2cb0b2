// The frame's share of the learner's guidance: redo and the learner guide in the menus, the
// step's word in the status bar, lesson links opened from the tutorial pane.

#include "clipboard.h"
#include "guidewindow.h"
#include "html5app.h"
#include "html5view.h"
#include "mainframe.h"
#include "programmingview.h"
#include "resource.h"
#include "smartsplitter.h"
#include "statusbar.h"
#include "texts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QTextDocument>

namespace {
QMenu *menuTitled(QMenuBar *bar, const char *title)
{
    for (QAction *action : bar->actions()) {
        if (action->menu() && action->text() == qs(title))
            return action->menu();
    }
    return nullptr;
}
} // namespace

void CMainFrame::setupGuidance()
{
    QAction *redo = addCommand(ID_EDIT_REDO_STEP, qs(Str::MenuRedo));
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    QAction *guide = addCommand(ID_HELP_GUIDE, qs(Str::MenuGuide));
    guide->setShortcut(QKeySequence(Qt::Key_F1));
    if (QMenu *edit = menuTitled(menuBar(), Str::MenuEdit)) {
        const QList<QAction *> items = edit->actions();
        const qsizetype undo = items.indexOf(m_actions.value(ID_EDIT_UNDO));
        edit->insertAction(items.value(undo + 1), redo);
    }
    if (QMenu *help = menuTitled(menuBar(), Str::MenuHelp)) {
        QAction *first = help->actions().value(0);
        help->insertAction(first, guide);
        help->insertSeparator(first);
    }

    // The editor is never collapsed away: it keeps its minimum width, the tutorial gives way.
    m_splitter->setCollapsible(1, false);

    connect(m_editorView, &CProgrammingView::StatusText, this,
            [this](const QString &text) { m_statusBar->SetPaneText(0, text); });
    // The step's result message asks for 「次へ」: once another page shows it is done with.
    connect(m_tutorialView, &QWebEngineView::loadStarted, this, [this] {
        const QString text = m_statusBar->GetPaneText(0);
        if (text == qs(Str::StepPasted) || text == qs(Str::StepDeleted))
            m_statusBar->SetPaneText(0, qs(Str::Ready));
    });
    connect(m_editorView, &CProgrammingView::StepDoneChanged, this, [this](bool done) {
        m_tutorialView->m_copyDisabled = done;
        UpdateCommandUI();
    });
    connect(m_editorView->document(), &QTextDocument::undoCommandAdded, this,
            &CMainFrame::UpdateCommandUI);
    connect(m_editorView, &QPlainTextEdit::redoAvailable, this, &CMainFrame::UpdateCommandUI);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &CMainFrame::onClipboardChangedForGuidance);
    connect(
        m_tutorialView, &CHTML5View::OpenLessonRequested, this,
        [](const QString &path) {
            if (CHTML5App *app = AfxGetApp())
                app->OpenDocumentFile(path);
        },
        Qt::QueuedConnection);
}

void CMainFrame::onClipboardChangedForGuidance()
{
    // The copy message is about the clipboard's content: it goes with it.
    if (!ClipboardHasText() && m_statusBar->GetPaneText(0).startsWith(qs(Str::SnippetCopied)))
        m_statusBar->SetPaneText(0, qs(Str::Ready));
}
