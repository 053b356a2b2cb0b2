#include "smartsplitter.h"

CSmartSplitterWnd::CSmartSplitterWnd(QWidget *parent) : QSplitter(Qt::Horizontal, parent)
{
    setHandleWidth(5);
    setChildrenCollapsible(true);
}

QWidget *CSmartSplitterWnd::GetPane(int row, int col) const
{
    return row == 0 ? widget(col) : nullptr;
}

void CSmartSplitterWnd::SetActivePane(int row, int col, QWidget *wnd)
{
    QWidget *pane = wnd ? wnd : GetPane(row, col);
    if (pane)
        pane->setFocus(Qt::OtherFocusReason);
}
