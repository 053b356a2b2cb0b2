#include "statusbar.h"

#include "texts.h"

#include <QLabel>

CStatusBar::CStatusBar(QWidget *parent) : QStatusBar(parent)
{
    m_message = new QLabel(qs(Str::Ready), this);
    addWidget(m_message, 1);
}

void CStatusBar::SetPaneText(int pane, const QString &text, bool update)
{
    if (pane != 0)
        return;
    m_message->setText(text);
    if (update)
        m_message->repaint();
}

QString CStatusBar::GetPaneText(int pane) const
{
    return pane == 0 ? m_message->text() : QString();
}
