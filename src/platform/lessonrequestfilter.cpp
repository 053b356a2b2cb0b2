#include "lessonrequestfilter.h"

#include "lessonfolder.h"
#include "paths.h"
#include "qtcodepage.h"

#include <QDir>
#include <QWebEngineUrlRequestInfo>

namespace {
bool carriesNoAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("data") || scheme == QLatin1String("blob"))
        return true;
    return scheme == QLatin1String("about") &&
           (url.path() == QLatin1String("blank") || url.path() == QLatin1String("srcdoc"));
}
} // namespace

CLessonRequestFilter::CLessonRequestFilter(const QString &folder, QObject *parent)
    : QWebEngineUrlRequestInterceptor(parent)
{
    SetAllowedFolder(folder);
}

void CLessonRequestFilter::SetAllowedFolder(const QString &folder)
{
    m_folder = folder.isEmpty() ? QString() : ResolvedPath(QDir(folder).absolutePath());
}

bool CLessonRequestFilter::IsWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

bool CLessonRequestFilter::IsAllowed(const QUrl &url) const
{
    if (carriesNoAddress(url))
        return true;
    if (!url.isLocalFile() || !url.host().isEmpty())
        return false;
    const QString path = ResolvedPath(url.toLocalFile());
    if (path.isEmpty())
        return false;
    if (IsStrictlyInside(path, m_folder))
        return true;
    return path == ResolvedPath(FromPath(ProgramDirectory()) + QStringLiteral("index.html"));
}

void CLessonRequestFilter::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    if (!IsAllowed(info.requestUrl()))
        info.block(true);
}

void CNoNetworkFilter::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    const QUrl url = info.requestUrl();
    if (!(url.isLocalFile() && url.host().isEmpty()) && !carriesNoAddress(url))
        info.block(true);
}
