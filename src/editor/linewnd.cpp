#include "linewnd.h"

#include "bolto.h"
#include "editview.h"
#include "lessoncheck.h"
#include "mainframe.h"
#include "popupmenu.h"
#include "programmingview.h"
#include "resource.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

namespace {
const QColor kBackground(200, 200, 200);
// A line that differs from the lesson's: a thin bar at the gutter's right edge, beside the arrows
// wherever the gutter's width puts them.
const QColor kDifferent(255, 140, 0);
constexpr int kDifferentWidth = 2;
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

void CLineWnd::changeEvent(QEvent *event)
{
    // The gutter draws in colours of its own. The editor's palette changes with every page of
    // another kind (its selection colour), and Qt would paint the gutter again for each.
    if (event->type() == QEvent::PaletteChange)
        return;
    QWidget::changeEvent(event);
}

void CLineWnd::drawRows(QPainter &painter)
{
    const int page = theLesson.m_currentPage;
    // Lines and counts come from the lesson unchecked: wide arithmetic, no overflow.
    const CPageLines lines =
        m_lessonCheck ? m_lessonCheck->GutterLines(page)
                      : CPageLines{theLesson.GetArrowLine(page), theLesson.GetArrowCount(page)};
    qint64 first = lines.line - 1;
    qint64 end = first + lines.count;
    if (m_showResult) {
        first = m_resultFirst;
        end = m_resultEnd;
    }
    const QColor arrow = ArrowColor(theLesson.GetPageKind(page));
    const QPen textPen(Qt::black);
    const QPen arrowPen(arrow, 1);
    // A row height below one pixel would never reach the bottom.
    const int h = std::max(m_lineHeight, 1);
    const int bottom = height();

    // Numbers are drawn once each, row-sized, and then copied: a row costs the same whatever its
    // number's length. A new font or size draws afresh; a far scroll starts the cache anew.
    const QSize rowSize(width(), h);
    if (m_numberFont != painter.font() || m_numberSize != rowSize || m_numbers.size() > 1024) {
        m_numbers.clear();
        m_numberFont = painter.font();
        m_numberSize = rowSize;
    }

    int row = m_firstVisibleLine;
    int y = m_topY;
    while (row < m_lineCount) {
        auto number = m_numbers.find(row + 1);
        if (number == m_numbers.end()) {
            QPixmap image(rowSize * devicePixelRatioF());
            image.setDevicePixelRatio(devicePixelRatioF());
            image.fill(kBackground);
            QPainter text(&image);
            text.setFont(m_numberFont);
            text.setPen(textPen);
            text.drawText(m_textX, text.fontMetrics().ascent(), QString::number(row + 1));
            text.end();
            number = m_numbers.insert(row + 1, image);
        }
        painter.drawPixmap(0, y, *number);
        if (first <= row && row < end) {
            painter.setPen(arrowPen);
            painter.setBrush(arrow);
            painter.drawPolygon(ArrowPolygon(y));
        }
        if (m_lessonCheck && m_lessonCheck->IsDifferentLine(row + 1))
            painter.fillRect(width() - kDifferentWidth, y, kDifferentWidth, h, kDifferent);
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
