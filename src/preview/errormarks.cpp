#include "errormarks.h"

#include "linewnd.h"
#include "previewstate.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

CErrorMarks::CErrorMarks(CPreviewState *state, CLineWnd *gutter)
    : QWidget(gutter), m_state(state), m_gutter(gutter)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(gutter->rect());
    gutter->installEventFilter(this);
    connect(state, &CPreviewState::changed, gutter, qOverload<>(&QWidget::update));
    show();
}

bool CErrorMarks::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_gutter && event->type() == QEvent::Resize)
        setGeometry(m_gutter->rect());
    return QWidget::eventFilter(watched, event);
}

void CErrorMarks::paintEvent(QPaintEvent *)
{
    const QList<int> lines = m_state->ErrorLines();
    if (lines.isEmpty())
        return;
    QPainter painter(this);
    const int h = std::max(m_gutter->m_lineHeight, 1);
    const int first = m_gutter->m_firstVisibleLine;
    for (const int line : lines) {
        const qint64 row = qint64(line) - 1 - first;
        if (row < 0 || line > m_gutter->m_lineCount)
            continue;
        const qint64 y = m_gutter->m_topY + row * h;
        if (y + h > height())
            break;
        painter.fillRect(0, int(y), kWidth, h, MarkColor());
    }
}
