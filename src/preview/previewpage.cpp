#include "previewpage.h"

#include "lessonrequestfilter.h"
#include "webprofile.h"

#include <QWebEngineProfile>
#include <QWebEngineSettings>

CPreviewPage::CPreviewPage(QWebEngineProfile *profile, CLessonRequestFilter *interceptor,
                           QObject *parent)
    : QWebEnginePage(profile, parent), m_interceptor(interceptor)
{
    setUrlRequestInterceptor(interceptor);
    // As for the tutorial pages; and the preview never takes the focus from the editor.
    QWebEngineSettings *s = settings();
    ApplyLessonPageSettings(s);
    s->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
}

void CPreviewPage::ShowProgram(const QString &html, const QUrl &baseUrl)
{
    m_expectingProgram = true;
    setHtml(html, baseUrl);
}

void CPreviewPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                            const QString &message, int lineNumber,
                                            const QString &sourceID)
{
    emit consoleMessage(int(level), message, lineNumber, sourceID);
}

bool CPreviewPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    (void)type;
    if (isMainFrame) {
        // Only the program itself: anything else would replace it with a page of its choosing.
        if (m_expectingProgram) {
            m_expectingProgram = false;
            return true;
        }
        emit navigationRefused(url);
        return false;
    }
    return m_interceptor->IsAllowed(url);
}

QWebEnginePage *CPreviewPage::createWindow(WebWindowType type)
{
    (void)type;
    return nullptr;
}

QWebEngineProfile *CreatePreviewProfile(QObject *parent)
{
    // No storage name: off the record, nothing written to disk.
    auto *profile = new QWebEngineProfile(parent);
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    // Behind the page's own filter, as on the tutorial pages' profile.
    profile->setUrlRequestInterceptor(new CNoNetworkFilter(profile));
    return profile;
}

CPreviewPage *CreatePreviewPage(QWebEngineProfile *profile, CLessonRequestFilter *interceptor,
                                QObject *parent)
{
    return new CPreviewPage(profile, interceptor, parent);
}
