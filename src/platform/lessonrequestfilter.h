#pragma once

// What a page showing lesson content may load. Lessons are files from strangers: their pages may
// use the files of their own folder and nothing else on the machine or the network.

#include <QString>
#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>

class CLessonRequestFilter : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    // An empty folder allows no lesson file at all, only the program's own start page.
    explicit CLessonRequestFilter(const QString &folder = {}, QObject *parent = nullptr);

    // The folder is resolved here, so links inside it cannot lead out later.
    void SetAllowedFolder(const QString &folder);
    QString AllowedFolder() const { return m_folder; }

    // Files strictly inside the folder (links resolved), the program directory's index.html, and
    // content that carries no address of its own (data:, blob:, about:blank, about:srcdoc).
    // Everything else: file: elsewhere, file: on another host, http(s), ws(s), ftp, any scheme.
    bool IsAllowed(const QUrl &url) const;

    // Refuses every request, of any kind (WebSocket handshakes included), that IsAllowed refuses.
    void interceptRequest(QWebEngineUrlRequestInfo &info) override;

    // Whether the address is a web address (http or https), which the learner's browser opens.
    static bool IsWebAddress(const QUrl &url);

private:
    QString m_folder;
};

// Set on the program's profile behind every page's own filter: whatever a page's filter misses,
// nothing of the program's pages reaches the network.
class CNoNetworkFilter : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo &info) override;
};
