#include "smartsplitter.h"

#include "cmdtarget.h"
#include "mainframe.h"

#include <algorithm>

CSmartSplitterWnd::CSmartSplitterWnd(QWidget *parent) : QSplitter(Qt::Horizontal, parent)
{
    setHandleWidth(BarWidth);
    setChildrenCollapsible(true);
    setFrameShape(QFrame::NoFrame);
    setContentsMargins(0, 0, 0, 0);
    connect(this, &QSplitter::splitterMoved, this, &CSmartSplitterWnd::onSplitterMoved);
}

QWidget *CSmartSplitterWnd::GetPane(int row, int col) const
{
    return row == 0 && col >= 0 && col < count() ? widget(col) : nullptr;
}

void CSmartSplitterWnd::SetActivePane(int row, int col, QWidget *wnd)
{
    QWidget *pane = wnd ? wnd : GetPane(row, col);
    if (!pane)
        return;
    auto *frame = qobject_cast<CMainFrame *>(window());
    if (auto *view = dynamic_cast<CView *>(pane); view && frame)
        frame->SetActiveView(view);
    else
        pane->setFocus(Qt::OtherFocusReason);
}

void CSmartSplitterWnd::SetColumnInfo(int col, int cxIdeal, int cxMin)
{
    if (col < 0 || col > 1)
        return;
    m_columns[col].ideal = cxIdeal;
    m_columns[col].min = cxMin;
}

void CSmartSplitterWnd::GetColumnInfo(int col, int &cxCur, int &cxMin) const
{
    const QList<int> widths = sizes();
    cxCur = col >= 0 && col < widths.size() ? widths.at(col) : 0;
    cxMin = col >= 0 && col <= 1 ? m_columns[col].min : 0;
}

int CSmartSplitterWnd::GetColumnIdeal(int col) const
{
    return col >= 0 && col <= 1 ? m_columns[col].ideal : -1;
}

void CSmartSplitterWnd::RecalcLayout()
{
    if (count() < 2 || m_columns[0].ideal < 0)
        return;
    const int space = contentsRect().width();
    int left = m_columns[0].ideal < m_columns[0].min ? 0 : m_columns[0].ideal;
    left = std::min(left, leftRoom(space));
    int right = 0;
    if (space - left > BarWidth)
        right = space - left - BarWidth;
    else
        left = space; // no room for the bar and a right column
    m_inLayout = true;
    setSizes({left, right});
    m_inLayout = false;
}

int CSmartSplitterWnd::leftRoom(int space) const
{
    // The right column keeps its minimum width: as the window narrows the left one gives way,
    // and is hidden once it would be narrower than its own minimum.
    const int room = space - BarWidth - widget(1)->minimumWidth();
    return room < std::max(m_columns[0].min, 1) ? 0 : room;
}

void CSmartSplitterWnd::resizeEvent(QResizeEvent *event)
{
    QSplitter::resizeEvent(event);
    RecalcLayout();
}

void CSmartSplitterWnd::onSplitterMoved()
{
    if (m_inLayout)
        return;
    m_columns[0].ideal = sizes().value(0);
    // A column dragged below its minimum hides now, not at the next resize.
    if (m_columns[0].ideal < m_columns[0].min)
        RecalcLayout();
}
