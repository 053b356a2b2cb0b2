#include "localcontentguard.h"

namespace {
bool isRemote(const QUrl &url)
{
    const QString scheme = url.scheme();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
           scheme == QLatin1String("ws") || scheme == QLatin1String("wss") ||
           scheme == QLatin1String("ftp");
}
} // namespace

void LocalContentGuard::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame)
        return;
    if (info.firstPartyUrl().isLocalFile() && isRemote(info.requestUrl()))
        info.block(true);
}
