#include "htmlview.h"

#include "resource.h"

#include <QUrl>
#include <QWebEnginePage>

namespace {
class NavigationPage : public QWebEnginePage
{
public:
    NavigationPage(CHtmlView *view) : QWebEnginePage(view), m_view(view) {}

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        m_view->OnBeforeNavigate2(url.toString());
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    }

private:
    CHtmlView *m_view;
};
} // namespace

CHtmlView::CHtmlView(QWidget *parent) : QWebEngineView(parent)
{
    setPage(new NavigationPage(this));
}

void CHtmlView::Navigate2(const QString &target)
{
    const QUrl url = target.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(target)
                                                         : QUrl::fromUserInput(target);
    load(url);
}

void CHtmlView::OnBeforeNavigate2(const QString &url)
{
    (void)url;
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
