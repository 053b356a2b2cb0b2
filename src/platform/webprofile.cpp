#include "webprofile.h"

#include "lessonrequestfilter.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include <functional>
#include <utility>

namespace {
// WebRTC gathers its candidates over UDP, which no request filter sees; with this policy it
// sends nothing that does not go through a proxy, and the program sets none.
constexpr char kWebRtcSwitch[] = "--force-webrtc-ip-handling-policy=disable_non_proxied_udp";
constexpr char kFlagsVariable[] = "QTWEBENGINE_CHROMIUM_FLAGS";

// How long after the learner's click a web link counts as theirs: as long as a browser lets a
// click open a pop-up.
constexpr qint64 kActivationMs = 5000;

// Stands in for the window a link asked for: it loads nothing and hands on the first address the
// engine wants it to show.
class CWindowRequest final : public QWebEnginePage
{
public:
    CWindowRequest(QWebEngineProfile *profile, std::function<void(const QUrl &)> open,
                   QObject *parent)
        : QWebEnginePage(profile, parent), m_open(std::move(open))
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) override
    {
        if (isMainFrame && m_open && url.scheme() != QLatin1String("about")) {
            std::exchange(m_open, nullptr)(url);
            deleteLater();
        }
        return false;
    }

private:
    std::function<void(const QUrl &)> m_open;
};
} // namespace

void PrepareWebEngine()
{
    QByteArray flags = qgetenv(kFlagsVariable);
    if (flags.contains(kWebRtcSwitch))
        return;
    if (!flags.isEmpty())
        flags += ' ';
    qputenv(kFlagsVariable, flags + kWebRtcSwitch);
}

// Runs as the application object is made, before any page can start the engine, in the program
// and in every test alike.
Q_COREAPP_STARTUP_FUNCTION(PrepareWebEngine)

QWebEngineProfile *BoltoWebProfile()
{
    static QWebEngineProfile *profile = [] {
        PrepareWebEngine();
        // No storage name: off the record, so cookies, storage and cache stay in memory.
        auto *p = new QWebEngineProfile(QCoreApplication::instance());
        p->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        p->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        p->setUrlRequestInterceptor(new CNoNetworkFilter(p));
        return p;
    }();
    return profile;
}

void ApplyLessonPageSettings(QWebEngineSettings *s)
{
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    s->setAttribute(QWebEngineSettings::WebGLEnabled, true);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
}

CConfinedPage::CConfinedPage(const QString &folder, QObject *parent)
    : QWebEnginePage(BoltoWebProfile(), parent), m_filter(new CLessonRequestFilter(folder, this))
{
    setUrlRequestInterceptor(m_filter);
}

void CConfinedPage::SetAllowedFolder(const QString &folder)
{
    m_filter->SetAllowedFolder(folder);
}

QString CConfinedPage::AllowedFolder() const
{
    return m_filter->AllowedFolder();
}

bool CConfinedPage::IsAllowed(const QUrl &url) const
{
    return m_filter->IsAllowed(url);
}

void CConfinedPage::NoteUserActivation()
{
    m_userActivation.start();
}

bool CConfinedPage::takeUserActivation()
{
    const bool active = m_userActivation.isValid() && m_userActivation.elapsed() < kActivationMs;
    m_userActivation.invalidate();
    return active;
}

bool CConfinedPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    const bool own = type == NavigationTypeTyped && isMainFrame;
    if (type == NavigationTypeLinkClicked && CLessonRequestFilter::IsWebAddress(url)) {
        if (takeUserActivation())
            OnWebLink(url);
        return false;
    }
    // Content without an address (a notice, the learner's program) is the program's own to load;
    // a page that navigates a frame or itself to such content escapes the folder's rules.
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("data") || scheme == QLatin1String("blob"))
        return own || (type == NavigationTypeReload && isMainFrame);
    return IsAllowed(url);
}

QWebEnginePage *CConfinedPage::createWindow(WebWindowType type)
{
    // Only a link the learner clicked; a script opens no window, and dialogs are not links.
    if (type == WebDialog || !takeUserActivation())
        return nullptr;
    return new CWindowRequest(
        profile(), [this](const QUrl &url) { OnWindowLink(url); }, this);
}

void CConfinedPage::OnWindowLink(const QUrl &url)
{
    if (CLessonRequestFilter::IsWebAddress(url))
        OnWebLink(url);
    else if (IsAllowed(url))
        setUrl(url);
}

void CConfinedPage::OnWebLink(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}
