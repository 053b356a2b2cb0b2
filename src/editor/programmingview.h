#pragma once

#include "editview.h"
#include "stephistory.h"

#include <QPointer>
#include <QTextCursor>

class CLessonCheck;
class CLessonProgress;
class CLineWnd;

// The learner's editor: shows each page's lines, accepts the page's one edit and owns the gutter.
class CProgrammingView : public CEditView
{
    Q_OBJECT

public:
    explicit CProgrammingView(QWidget *parent = nullptr);
    ~CProgrammingView() override;

    // Selects the current page's lines (or puts the caret where its snippet goes), scrolls them
    // into view and repaints the gutter. Leaves the focus and m_pageDone alone.
    void ShowPageLines();
    // The guarded Cut and Paste: the page's one edit completes the step.
    void OnEditCut();
    void OnEditPaste();
    void OnInitialUpdate() override;

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI &ui) override;

    // Reports edits and finished steps to the learner's progress, lends it the text and caret,
    // and takes back what it restores.
    void SetProgress(CLessonProgress *progress);
    // Where the page's lines stand in the learner's program; the gutter gets it too.
    void SetLessonCheck(CLessonCheck *check);

    // Undo stops at the step's start; undoing the step's completing edit re-opens the step, and
    // redoing it closes the step again.
    void OnEditUndo();
    void OnEditRedo();
    // A page is shown: its step starts at the current end of the undo history.
    void StartStep();
    // Gutter repaints asked for between the two are made once, at the last release: a page
    // change selects, scrolls and starts a step, and each would paint the gutter.
    void HoldGutter() { ++m_gutterHolds; }
    void ReleaseGutter();
    // The editor's width that shows `columns` characters of the text beside the gutter.
    int WidthForColumns(int columns) const;
    int GutterWidth() const { return m_gutterWidth; }
    // The lines the done step produced (zero-based first, count); false before the step is done.
    bool ResultLines(int &first, int &count) const;

    CStepHistory m_history;
    CLineWnd *m_lineWnd = nullptr;
    int m_lastLineCount = 0;
    bool m_pageDone = false;

signals:
    // A short word for the learner about the step, for the status bar.
    void StatusText(const QString &text);
    // The step was completed (true) or re-opened by undo (false).
    void StepDoneChanged(bool done);

protected:
    bool event(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void contextMenuEvent(QContextMenuEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    void setupColors();
    void createLineWnd();
    void placeLineWnd();
    void repaintLineWnd();
    void OnEnChange();
    void OnRButtonDown(const QPoint &globalPos);
    bool isDeletePage() const;
    // Back or Delete that cuts the page's lines instead of deleting a character.
    bool isStepKey(const QKeyEvent *e) const;
    void disableTutorialCopy();
    // Guidance: the state around the page's one edit.
    void completeStep(int from, int to, bool deleted);
    void reopenStep();
    void setResult(int from, int to);
    void updateGutter();
    void applyKindColors();
    void scrollLinesIntoView(int first, int last);
    bool isRedoKey(const QKeyEvent *e) const;
    void setupStepHistory();

    void restoreCaret(int anchor, int position, int firstLine);
    void onStepStateChanged(int page, bool done);

    QPointer<CLessonProgress> m_progress;
    // A left press swallowed before the step: its moves and release are swallowed too.
    bool m_swallowingLeft = false;
    // A page change scrolls and then paints the gutter once, not once more for the scroll.
    bool m_showingPage = false;
    CLessonCheck *m_lessonCheck = nullptr;

    // The done step's lines, kept current through later edits by the cursors; the positions as
    // the completing edit left them bring the lines back on redo.
    QTextCursor m_resultFrom;
    QTextCursor m_resultTo;
    bool m_hasResult = false;
    bool m_resultDeleted = false;
    int m_doneFrom = 0;
    int m_doneTo = 0;
    int m_gutterWidth = 30;
    int m_gutterHolds = 0;
    bool m_gutterPending = false;
    bool m_colorsChanged = false; // while the gutter is held
    QFont m_digitFont;
    int m_digitWidth = -1;
    bool m_inStepUndo = false;
};
