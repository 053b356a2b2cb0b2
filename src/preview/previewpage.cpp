#include "previewpage.h"

#include <QDir>
#include <QFileInfo>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>

namespace {
bool isOwnContent(const QUrl &url)
{
    const QString scheme = url.scheme();
    return scheme == QLatin1String("data") || scheme == QLatin1String("blob") ||
           scheme == QLatin1String("about");
}
} // namespace

CPreviewInterceptor::CPreviewInterceptor(QObject *parent) : QWebEngineUrlRequestInterceptor(parent)
{
}

void CPreviewInterceptor::SetFolder(const QString &folder)
{
    m_folder = folder.isEmpty() ? QString() : QDir::cleanPath(folder);
}

bool CPreviewInterceptor::IsAllowed(const QUrl &url) const
{
    if (isOwnContent(url))
        return true;
    if (!url.isLocalFile() || m_folder.isEmpty())
        return false;
    // Links are followed as the file system resolves them, so a link out of the folder leads out.
    const QFileInfo file(url.toLocalFile());
    const QString canonical = file.canonicalFilePath();
    const QString path = canonical.isEmpty() ? QDir::cleanPath(file.absoluteFilePath()) : canonical;
    const QString folder = QFileInfo(m_folder).canonicalFilePath().isEmpty()
                               ? m_folder
                               : QFileInfo(m_folder).canonicalFilePath();
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

void CPreviewInterceptor::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    if (!IsAllowed(info.requestUrl()))
        info.block(true);
}

CPreviewPage::CPreviewPage(QWebEngineProfile *profile, CPreviewInterceptor *interceptor,
                           QObject *parent)
    : QWebEnginePage(profile, parent), m_interceptor(interceptor)
{
    // As for the tutorial pages: scripts and WebGL, the lesson's own files, nothing else.
    QWebEngineSettings *s = settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    s->setAttribute(QWebEngineSettings::WebGLEnabled, true);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
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

QWebEngineProfile *CreatePreviewProfile(CPreviewInterceptor *interceptor, QObject *parent)
{
    // No storage name: off the record, nothing written to disk.
    auto *profile = new QWebEngineProfile(parent);
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    profile->setUrlRequestInterceptor(interceptor);
    return profile;
}

CPreviewPage *CreatePreviewPage(QWebEngineProfile *profile, CPreviewInterceptor *interceptor,
                                QObject *parent)
{
    return new CPreviewPage(profile, interceptor, parent);
}
