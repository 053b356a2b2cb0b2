#include "statusbar.h"

#include "keylocks.h"
#include "texts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>

namespace {
const char *const kIndicatorTexts[] = {Str::IndicatorCaps, Str::IndicatorNum, Str::IndicatorScroll};
const char *const kIndicatorNames[] = {Str::NameCapsLock, Str::NameNumLock, Str::NameScrollLock};
}

CStatusBar::CStatusBar(QWidget *parent) : QStatusBar(parent)
{
    setSizeGripEnabled(true);
    m_message = new QLabel(qs(Str::Ready), this);
    m_message->setTextFormat(Qt::PlainText);
    m_message->setAccessibleName(qs(Str::NameStatusMessage));
    addWidget(m_message, 1);
    for (int i = 0; i < 3; ++i) {
        auto *label = new QLabel(this);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignCenter);
        label->setAccessibleName(qs(kIndicatorNames[i]));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        // Each indicator keeps the width of its text, lit or not, so the bar does not jump.
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(qs(kIndicatorTexts[i])) + 12);
        addPermanentWidget(label);
        m_indicators[i] = label;
    }
    // The locks change with key presses anywhere in the program, or in another program while
    // this one is in the background.
    qApp->installEventFilter(this);
    UpdateIndicators();
}

void CStatusBar::SetPaneText(int pane, const QString &text, bool update)
{
    if (pane == 0) {
        m_message->setText(text);
        if (update)
            m_message->repaint();
    } else if (pane > 0 && pane < CountOfPanes) {
        m_indicators[pane - 1]->setText(text);
    }
}

QString CStatusBar::GetPaneText(int pane) const
{
    if (pane == 0)
        return m_message->text();
    if (pane > 0 && pane < CountOfPanes)
        return m_indicators[pane - 1]->text();
    return QString();
}

void CStatusBar::UpdateIndicators()
{
    const std::optional<KeyLockState> locks = ReadKeyLockState();
    if (locks)
        SetIndicators(locks->capsLock, locks->numLock, locks->scrollLock);
    else
        SetIndicators(false, false, false);
}

void CStatusBar::SetIndicators(bool capsLock, bool numLock, bool scrollLock)
{
    const bool on[] = {capsLock, numLock, scrollLock};
    for (int i = 0; i < 3; ++i)
        m_indicators[i]->setText(on[i] ? qs(kIndicatorTexts[i]) : QString());
}

bool CStatusBar::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyRelease: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock)
            UpdateIndicators();
        break;
    }
    case QEvent::ApplicationActivate:
        UpdateIndicators();
        break;
    default:
        break;
    }
    return QStatusBar::eventFilter(watched, event);
}
