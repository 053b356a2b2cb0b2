#pragma once

#include <QSplitter>

// The one-row, two-column container of the main window: tutorial left, editor right, a
// 5-pixel bar between them and no border around the panes.
//
// The left column has an ideal and a minimum width: the layout gives it the ideal width, the
// right column takes what is left, and a left column whose ideal width is below its minimum is
// hidden. Dragging the bar sets the ideal width.
class CSmartSplitterWnd : public QSplitter
{
    Q_OBJECT

public:
    enum { BarWidth = 5 };

    explicit CSmartSplitterWnd(QWidget *parent = nullptr);

    QWidget *GetPane(int row, int col) const;
    // Makes the pane at (row, col) the frame's active view and gives it the focus; a window that
    // is no view only gets the focus.
    void SetActivePane(int row, int col, QWidget *wnd = nullptr);

    void SetColumnInfo(int col, int cxIdeal, int cxMin);
    // The column's current width and its minimum.
    void GetColumnInfo(int col, int &cxCur, int &cxMin) const;
    int GetColumnIdeal(int col) const;
    void RecalcLayout();

protected:
    void resizeEvent(QResizeEvent *event) override;
    // A bar that is seen: grey with a grip in its middle.
    QSplitterHandle *createHandle() override;

private:
    void onSplitterMoved();
    // The widest the left column may be beside the right column's minimum width.
    int leftRoom(int space) const;

    struct ColumnInfo
    {
        int ideal = -1; // -1: not set yet, the splitter's own sharing applies
        int min = 0;
    };
    ColumnInfo m_columns[2];
    bool m_inLayout = false;
};
