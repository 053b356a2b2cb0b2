#include "linewnd.h"

#include "bolto.h"
#include "editview.h"
#include "mainframe.h"
#include "popupmenu.h"
#include "programmingview.h"
#include "resource.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

namespace {
const QColor kBackground(200, 200, 200);
} // namespace

CLineWnd::CLineWnd(CEditView *editor) : QWidget(editor), m_editor(editor)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QColor CLineWnd::ArrowColor(int kind)
{
    switch (kind) {
    case Add:
        return QColor(255, 0, 0);
    case Replace:
        return QColor(0, 160, 0);
    case Delete:
        return QColor(0, 0, 255);
    default:
        return QColor(255, 255, 0);
    }
}

QPolygon CLineWnd::ArrowPolygon(int y) const
{
    const int h = m_lineHeight;
    const int x = m_arrowX;
    return QPolygon({{x, y + h / 4},
                     {x + 7, y + h / 4},
                     {x + 7, y + 1},
                     {x + 15, y + h / 2},
                     {x + 7, y + h - 1},
                     {x + 7, y + (3 * h) / 4},
                     {x, y + (3 * h) / 4}});
}

void CLineWnd::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    m_firstVisibleLine = m_editor->GetFirstVisibleLine();
    m_lineCount = m_editor->GetLineCount();
    drawRows(painter);
    painter.end();
    emit Painted();
}

void CLineWnd::drawRows(QPainter &painter)
{
    const int page = theLesson.m_currentPage;
    // Lines and counts come from the lesson unchecked: wide arithmetic, no overflow.
    qint64 first = qint64(theLesson.GetArrowLine(page)) - 1;
    qint64 end = first + theLesson.GetArrowCount(page);
    if (m_showResult) {
        first = m_resultFirst;
        end = m_resultEnd;
    }
    const QColor arrow = ArrowColor(theLesson.GetPageKind(page));
    const QPen textPen(Qt::black);
    const QPen arrowPen(arrow, 1);
    const int ascent = painter.fontMetrics().ascent();
    // A row height below one pixel would never reach the bottom.
    const int h = std::max(m_lineHeight, 1);
    const int bottom = height();

    int row = m_firstVisibleLine;
    int y = m_topY;
    while (row < m_lineCount) {
        painter.setPen(textPen);
        painter.drawText(m_textX, y + ascent, QString::number(row + 1));
        if (first <= row && row < end) {
            painter.setPen(arrowPen);
            painter.setBrush(arrow);
            painter.drawPolygon(ArrowPolygon(y));
        }
        y += h;
        if (y + h > bottom)
            break;
        ++row;
    }
}

void CLineWnd::mousePressEvent(QMouseEvent *event)
{
    // Left and middle clicks neither move the editor's caret nor restore the page's selection.
    if (event->button() == Qt::RightButton)
        showContextMenu();
    event->accept();
}

void CLineWnd::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton)
        showContextMenu();
    event->accept();
}

void CLineWnd::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
}

void CLineWnd::mouseMoveEvent(QMouseEvent *event)
{
    // Not the editor's either: a drag from here must not select text.
    event->accept();
}

void CLineWnd::contextMenuEvent(QContextMenuEvent *event)
{
    // The menu came with the right button already.
    event->accept();
}

void CLineWnd::showContextMenu()
{
    const int command = TrackPopupMenu(IDR_MENU_PROGRAMMING, QCursor::pos(), this);
    if (command != 0)
        OnCmdMsg(command);
}

bool CLineWnd::OnCmdMsg(int id)
{
    // The editor is the main window's, not whatever this window's parent happens to be.
    CMainFrame *frame = AfxGetMainWnd();
    CProgrammingView *editor = frame ? frame->m_editorView : nullptr;
    switch (id) {
    case ID_EDIT_CUT:
        if (editor)
            editor->OnEditCut();
        return true;
    case ID_EDIT_PASTE:
        if (editor)
            editor->OnEditPaste();
        return true;
    default:
        return false;
    }
}
