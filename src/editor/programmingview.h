#pragma once

#include "editview.h"

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

    CLineWnd *m_lineWnd = nullptr;
    int m_lastLineCount = 0;
    bool m_pageDone = false;

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

    // A left press swallowed before the step: its moves and release are swallowed too.
    bool m_swallowingLeft = false;
    // A page change scrolls and then paints the gutter once, not once more for the scroll.
    bool m_showingPage = false;
};
