#pragma once

#include <QWebEngineUrlRequestInterceptor>

// Keeps local tutorial pages to local content: a page loaded from a file may not fetch, embed or
// post anything from a web address. Navigating the whole view to a web address stays possible.
class LocalContentGuard : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo &info) override;
};
