#pragma once

#include <QSplitter>

// The one-row, two-column container of the main window: tutorial left, editor right, a
// 5-pixel bar between them.
class CSmartSplitterWnd : public QSplitter
{
    Q_OBJECT

public:
    explicit CSmartSplitterWnd(QWidget *parent = nullptr);

    QWidget *GetPane(int row, int col) const;
    // Makes the pane at (row, col) the frame's active view and gives it the focus.
    void SetActivePane(int row, int col, QWidget *wnd = nullptr);
};
