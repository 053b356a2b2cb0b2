#include "htmlpage.h"

#include "htmlview.h"
#include "texts.h"

#include <QFileInfo>

CHtmlPage::CHtmlPage(CHtmlView *view) : QWebEnginePage(view), m_view(view)
{
    connect(this, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        const QUrl failed = requestedUrl();
        if (!ok && failed.isLocalFile() && !QFileInfo::exists(failed.toLocalFile()))
            showMissingPage(failed);
    });
}

bool CHtmlPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (type == NavigationTypeLinkClicked && isMainFrame && m_view->OnFollowLink(url))
        return false;
    // The notice stands in for the missing page: it is no navigation of the lesson's own.
    if (m_showingNotice && isMainFrame && url.scheme() == QLatin1String("data")) {
        m_showingNotice = false;
        return true;
    }
    m_view->OnBeforeNavigate2(url.toString());
    return true;
}

void CHtmlPage::showMissingPage(const QUrl &url)
{
    const QString path = url.toLocalFile().toHtmlEscaped();
    const QString html =
        QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title>"
                       "<style>body{font-family:sans-serif;margin:2em;color:#333}"
                       "h1{font-size:1.3em;color:#a00}code{word-break:break-all}</style>"
                       "</head><body><h1>%1</h1><p>%2</p><p>%3</p></body></html>")
            .arg(qs(Str::PageMissingTitle),
                 qs(Str::FileNotFound).arg(QStringLiteral("<code>%1</code>").arg(path)),
                 qs(Str::PageMissingHint));
    m_showingNotice = true;
    setHtml(html, url);
}
