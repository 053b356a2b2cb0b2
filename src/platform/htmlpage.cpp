#include "htmlpage.h"

#include "htmlview.h"
#include "lessonrequestfilter.h"
#include "texts.h"

#include <QFileInfo>

CHtmlPage::CHtmlPage(CHtmlView *view) : CConfinedPage(QString(), view), m_view(view)
{
    connect(this, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        const QUrl failed = requestedUrl();
        if (!ok && failed.isLocalFile() && IsAllowed(failed) &&
            !QFileInfo::exists(failed.toLocalFile()))
            showMissingPage(failed);
    });
}

bool CHtmlPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    // Web addresses keep the learner's click for the browser (see CConfinedPage).
    if (type == NavigationTypeLinkClicked && isMainFrame &&
        !CLessonRequestFilter::IsWebAddress(url) &&
        m_view->OnFollowLink(url, takeUserActivation()))
        return false;
    // The notice stands in for the missing page: it is no navigation of the lesson's own.
    if (m_showingNotice && isMainFrame && url.scheme() == QLatin1String("data")) {
        m_showingNotice = false;
        return true;
    }
    if (!CConfinedPage::acceptNavigationRequest(url, type, isMainFrame))
        return false;
    m_view->OnBeforeNavigate2(url.toString());
    return true;
}

void CHtmlPage::OnWindowLink(const QUrl &url)
{
    // The learner clicked it, as for a link without a window of its own.
    if (!CLessonRequestFilter::IsWebAddress(url) && m_view->OnFollowLink(url, true))
        return;
    CConfinedPage::OnWindowLink(url);
}

void CHtmlPage::ShowNotice(const QString &title, const QStringList &lines, const QUrl &baseUrl)
{
    QString body;
    for (const QString &line : lines)
        body += QStringLiteral("<p>%1</p>").arg(line);
    const QString html =
        QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title>"
                       "<style>body{font-family:sans-serif;margin:2em;color:#333}"
                       "h1{font-size:1.3em;color:#a00}code{word-break:break-all}</style>"
                       "</head><body><h1>%1</h1>%2</body></html>")
            .arg(title.toHtmlEscaped(), body);
    m_showingNotice = true;
    setHtml(html, baseUrl);
}

void CHtmlPage::showMissingPage(const QUrl &url)
{
    const QString path = url.toLocalFile().toHtmlEscaped();
    ShowNotice(qs(Str::PageMissingTitle),
               {qs(Str::FileNotFound).arg(QStringLiteral("<code>%1</code>").arg(path)),
                qs(Str::PageMissingHint)},
               url);
}
