// The main window's part in saved progress: it owns the progress of the open lesson, hands it to
// both panes, follows the document from lesson to lesson and carries the commands of the
// 制御 menu that work on the progress.

#include "mainframe.h"

#include "bolto.h"
#include "historydlg.h"
#include "html5doc.h"
#include "html5view.h"
#include "lessoncheck.h"
#include "lessonprogress.h"
#include "messagebox.h"
#include "programmingview.h"
#include "resource.h"
#include "statusbar.h"
#include "texts.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

namespace {
// The lesson check's view of the progress: steps it finds done are saved, and the program it
// replaces goes to the history first.
class CProgressCheckLink : public CLessonProgressLink
{
public:
    explicit CProgressCheckLink(CLessonProgress *progress) : m_progress(progress) {}

    bool KeepsSteps() const override { return m_progress && m_progress->HasLesson(); }
    bool IsStepDone(int page) const override { return m_progress && m_progress->IsStepDone(page); }
    void MarkStepDone(int page) override
    {
        // The check sees a done step after every edit; only its first sight is news.
        if (!m_progress || m_progress->IsStepDone(page))
            return;
        // Steps caught up have no program of their own to keep.
        m_progress->MarkStepDone(page, page == theLesson.m_currentPage);
    }
    void TakeSnapshot(const QString &reason) override
    {
        if (m_progress)
            m_progress->TakeSnapshot(reason);
    }

private:
    QPointer<CLessonProgress> m_progress;
};
} // namespace

void CMainFrame::createProgress()
{
    m_progress = new CLessonProgress(CreateDefaultProgressStore(), this);
    m_progress->setObjectName(QStringLiteral("lessonProgress"));
    m_editorView->SetProgress(m_progress);
    m_tutorialView->SetProgress(m_progress);
    // The start page shows how far the learner got in each lesson.
    m_tutorialView->m_lessonProgress = [progress = QPointer<CLessonProgress>(m_progress)](
                                           const QString &lessonPath) {
        const std::optional<CLessonProgress::Summary> summary =
            progress ? progress->ReadSummary(lessonPath) : std::nullopt;
        return summary && summary->doneCount > 0
                   ? qs(Str::ProgressStartPageDone).arg(summary->doneCount)
                   : QString();
    };
    connect(m_progress, &CLessonProgress::statusMessage, this,
            [this](const QString &text) { m_statusBar->SetPaneText(0, text, true); });
    // Whether the step can be done again depends on the page and its step.
    connect(m_progress, &CLessonProgress::stepStateChanged, this, &CMainFrame::UpdateCommandUI);
    connect(m_progress, &CLessonProgress::pageChanged, this, &CMainFrame::UpdateCommandUI);

    const struct
    {
        int id;
        const char *text;
        QKeyCombination key;
    } commands[] = {
        {ID_PROGRESS_REDO_STEP, Str::MenuRedoStep, Qt::CTRL | Qt::SHIFT | Qt::Key_R},
        {ID_PROGRESS_HISTORY, Str::MenuHistory, Qt::CTRL | Qt::Key_H},
        {ID_PROGRESS_START_OVER, Str::MenuStartOver, Qt::CTRL | Qt::SHIFT | Qt::Key_N},
    };
    QMenu *control = nullptr;
    for (QAction *action : menuBar()->actions()) {
        if (action->menu() && action->text() == qs(Str::MenuControl))
            control = action->menu();
    }
    if (control)
        control->addSeparator();
    for (const auto &command : commands) {
        QAction *action = addCommand(command.id, qs(command.text));
        action->setShortcut(QKeySequence(command.key));
        if (control)
            control->addAction(action);
    }
}

void CMainFrame::linkProgressToLessonCheck()
{
    m_lessonCheck->SetProgressLink(std::make_unique<CProgressCheckLink>(m_progress));
}

void CMainFrame::setupProgressDocument()
{
    if (m_document)
        connect(m_document, &CHTML5Doc::lessonOpened, this, &CMainFrame::onLessonOpened);
}

void CMainFrame::onLessonOpened(const QString &path)
{
    // A lesson without pages or without a folder has no place to come back to.
    const bool resumable = theLesson.GetPageCount() > 0 && !theLesson.m_folderName.empty();
    m_progress->OpenLesson(resumable ? path : QString());
    UpdateCommandUI();
}

bool CMainFrame::onProgressCmdMsg(int id)
{
    switch (id) {
    case ID_PROGRESS_REDO_STEP:
        if (m_progress->IsStepDone(theLesson.m_currentPage)) {
            m_progress->ReopenStep(theLesson.m_currentPage);
            m_statusBar->SetPaneText(0, qs(Str::ProgressStepReopened), true);
        }
        return true;
    case ID_PROGRESS_HISTORY: {
        if (!m_progress->HasLesson())
            return true;
        // Window-modal without a nested event loop, so nothing waits on the dialog.
        auto *dialog = new CHistoryDlg(m_progress, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
        return true;
    }
    case ID_PROGRESS_START_OVER:
        if (m_progress->HasLesson() &&
            AfxMessageBox(qs(Str::StartOverPrompt), MB_YESNO | MB_ICONQUESTION) == IDYES)
            m_progress->StartOver();
        return true;
    default:
        return false;
    }
}

bool CMainFrame::onProgressUpdateCmdUI(CCmdUI &ui)
{
    switch (ui.m_nID) {
    case ID_PROGRESS_REDO_STEP:
        ui.Enable(m_progress->HasLesson() && m_progress->IsStepDone(theLesson.m_currentPage));
        return true;
    case ID_PROGRESS_HISTORY:
    case ID_PROGRESS_START_OVER:
        ui.Enable(m_progress->HasLesson());
        return true;
    default:
        return false;
    }
}
