#include "htmlview.h"

#include "htmlpage.h"
#include "resource.h"
#include "webprofile.h"

#include <QApplication>
#include <QChildEvent>
#include <QMouseEvent>
#include <QUrl>
#include <QWebEngineSettings>

namespace {
bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}

// An event that a child ignored travels on to its parents, and each of them filters it again.
// Only the widget the event was first meant for passes it to the pane's filter.
bool isFirstReceiver(const QWidget *widget, const QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const QWidget *focus = QApplication::focusWidget();
        return !(focus && focus != widget && widget->isAncestorOf(focus));
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        return !widget->childAt(static_cast<const QMouseEvent *>(event)->position().toPoint());
    default:
        return true;
    }
}
} // namespace

CHtmlView::CHtmlView(QWidget *parent) : QWebEngineView(parent)
{
    setPage(new CHtmlPage(this));
    setupSettings();
    // Right clicks belong to the pane's own menus.
    setContextMenuPolicy(Qt::NoContextMenu);
    // The widget that renders the page, and takes the input, appears only with the first load.
    watch(this);
}

void CHtmlView::setupSettings()
{
    // Tutorial pages are lesson content from anywhere.
    ApplyLessonPageSettings(settings());
}

void CHtmlView::watch(QObject *object)
{
    // Menus, the engine's page dialogs and any other window opened from the view are no part of
    // the page: their input is theirs alone.
    if (object != this && object->isWidgetType() && static_cast<QWidget *>(object)->isWindow())
        return;
    object->installEventFilter(this);
    for (QObject *child : object->children())
        watch(child);
}

void CHtmlView::Navigate2(const QString &target)
{
    const QUrl url = target.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(target)
                                                         : QUrl::fromUserInput(target);
    load(url);
}

void CHtmlView::ConfineTo(const QString &folder)
{
    static_cast<CHtmlPage *>(page())->SetAllowedFolder(folder);
}

void CHtmlView::ShowNotice(const QString &title, const QStringList &lines)
{
    static_cast<CHtmlPage *>(page())->ShowNotice(title, lines);
}

void CHtmlView::OnBeforeNavigate2(const QString &url)
{
    (void)url;
}

bool CHtmlView::OnFollowLink(const QUrl &url, bool byLearner)
{
    (void)url;
    (void)byLearner;
    return false;
}

bool CHtmlView::PreTranslateMessage(QEvent *event)
{
    (void)event;
    return false;
}

bool CHtmlView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ChildAdded) {
        watch(static_cast<QChildEvent *>(event)->child());
    } else if (isInput(event->type()) && watched->isWidgetType() &&
               static_cast<QWidget *>(watched)->window() == window() &&
               isFirstReceiver(static_cast<QWidget *>(watched), event)) {
        return PreTranslateMessage(event);
    }
    return QWebEngineView::eventFilter(watched, event);
}

bool CHtmlView::OnCmdMsg(int id)
{
    if (id == ID_EDIT_COPY) {
        triggerPageAction(QWebEnginePage::Copy);
        return true;
    }
    return false;
}

bool CHtmlView::OnUpdateCmdUI(CCmdUI &ui)
{
    if (ui.m_nID == ID_EDIT_COPY) {
        ui.Enable(hasSelection());
        return true;
    }
    return false;
}
