// The visible bar between the panes.

#include "smartsplitter.h"

#include <QEvent>
#include <QPainter>
#include <QSplitterHandle>

namespace {
class CSplitterBar : public QSplitterHandle
{
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), underMouse() ? QColor(120, 140, 180) : QColor(170, 170, 170));
        // A grip of dots in the middle says it can be dragged.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(70, 70, 70));
        const int x = width() / 2 - 1;
        for (int i = -3; i <= 3; ++i)
            painter.drawRect(x, height() / 2 + i * 6, 2, 2);
    }
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::Enter || e->type() == QEvent::Leave)
            update();
        return QSplitterHandle::event(e);
    }
};
} // namespace

QSplitterHandle *CSmartSplitterWnd::createHandle()
{
    auto *bar = new CSplitterBar(orientation(), this);
    bar->setAttribute(Qt::WA_Hover);
    return bar;
}
