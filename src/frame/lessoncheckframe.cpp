// The frame's side of checking the learner's program against the lesson: the status pane, the
// 制御 menu's commands and the compare window.

#include "mainframe.h"

#include "clipboard.h"
#include "comparewnd.h"
#include "html5view.h"
#include "lessoncheck.h"
#include "linewnd.h"
#include "programmingview.h"
#include "resource.h"
#include "statusbar.h"
#include "texts.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>

namespace {
QAction *lessonCommand(QWidget *owner, int id, const char *text, const QKeySequence &key)
{
    auto *action = new QAction(qs(text), owner);
    const QString prompt = qs(commandString(id));
    action->setStatusTip(prompt.section(QLatin1Char('\n'), 0, 0));
    action->setToolTip(prompt.section(QLatin1Char('\n'), 1, 1));
    action->setShortcut(key);
    owner->addAction(action);
    return action;
}
} // namespace

void CMainFrame::createLessonCheck()
{
    m_lessonCheck = new CLessonCheck(this);
    m_lessonCheck->setObjectName(QStringLiteral("lessonCheck"));
    m_lessonCheck->SetEditor(m_editorView);
    m_editorView->SetLessonCheck(m_lessonCheck);

    auto *pane = new QLabel(m_statusBar);
    pane->setObjectName(QStringLiteral("lessonCheckPane"));
    pane->setTextFormat(Qt::PlainText);
    pane->setAlignment(Qt::AlignCenter);
    pane->setAccessibleName(qs(Str::NameLessonCheck));
    // First of the permanent panes, before the lock indicators; the message pane is index 0.
    m_statusBar->insertPermanentWidget(1, pane);
    pane->hide();

    QAction *compare =
        lessonCommand(this, ID_LESSON_COMPARE, Str::MenuCompare, Qt::CTRL | Qt::Key_D);
    QAction *catchUp =
        lessonCommand(this, ID_LESSON_CATCH_UP, Str::MenuCatchUp, Qt::CTRL | Qt::SHIFT | Qt::Key_J);
    compare->setObjectName(QStringLiteral("lessonCompare"));
    catchUp->setObjectName(QStringLiteral("lessonCatchUp"));
    connect(compare, &QAction::triggered, this, &CMainFrame::OnLessonCompare);
    connect(catchUp, &QAction::triggered, this, &CMainFrame::OnLessonCatchUp);
    for (QAction *menu : menuBar()->actions()) {
        if (menu->menu() && menu->text() == qs(Str::MenuControl)) {
            menu->menu()->addSeparator();
            menu->menu()->addAction(compare);
            menu->menu()->addAction(catchUp);
        }
    }

    connect(m_lessonCheck, &CLessonCheck::Checked, this, [this, pane] {
        pane->setText(m_lessonCheck->StatusText());
        pane->setVisible(!pane->text().isEmpty());
        if (m_editorView->m_lineWnd)
            m_editorView->m_lineWnd->update();
    });
    connect(m_lessonCheck, &CLessonCheck::Note, this,
            [this](const QString &text) { m_statusBar->SetPaneText(0, text); });
    // A step typed by hand counts as pasted: the page's clicks pass and its snippet is used up.
    connect(m_lessonCheck, &CLessonCheck::StepCompletedByHand, this, [this] {
        m_editorView->m_pageDone = true;
        if (m_tutorialView)
            m_tutorialView->m_copyDisabled = true;
        ClipboardEmpty();
    });
}

void CMainFrame::showCompareWnd(const std::string &mine, const std::string &expected,
                                const QString &note)
{
    if (!m_compareWnd) {
        m_compareWnd = new CCompareWnd(this);
        connect(m_compareWnd, &CCompareWnd::AdoptExpected, this, [this] {
            m_lessonCheck->ReplaceProgram(m_compareWnd->GetExpected(), qs(Str::SnapshotAdopt));
            m_compareWnd->close();
            if (!m_editorView->m_pageDone)
                m_editorView->ShowPageLines();
        });
    }
    m_compareWnd->ShowPrograms(mine, expected, note);
    m_compareWnd->show();
    m_compareWnd->raise();
    m_compareWnd->activateWindow();
}

void CMainFrame::OnLessonCompare()
{
    QString note;
    if (!m_lessonCheck->CanCompare(&note)) {
        m_statusBar->SetPaneText(0, note);
        return;
    }
    m_lessonCheck->CheckNow();
    showCompareWnd(m_lessonCheck->LearnerProgram(), m_lessonCheck->ExpectedProgram(), QString());
}

void CMainFrame::OnLessonCatchUp()
{
    bool conflict = false;
    std::string theirs;
    const QString result = m_lessonCheck->CatchUp(&conflict, &theirs);
    m_statusBar->SetPaneText(0, result);
    if (conflict) {
        showCompareWnd(m_lessonCheck->LearnerProgram(), theirs, result);
    } else if (!m_editorView->m_pageDone) {
        // The page's lines in the program brought up to date.
        m_editorView->ShowPageLines();
    }
}
