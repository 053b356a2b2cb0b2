#include "htmlpage.h"

#include "htmlview.h"

CHtmlPage::CHtmlPage(CHtmlView *view) : QWebEnginePage(view), m_view(view) {}

bool CHtmlPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    (void)type;
    (void)isMainFrame;
    m_view->OnBeforeNavigate2(url.toString());
    return true;
}
