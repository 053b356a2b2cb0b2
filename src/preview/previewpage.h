#pragma once

#include <QString>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineUrlRequestInterceptor>

class QWebEngineProfile;

// Keeps the preview's requests inside the lesson folder: file addresses below it, and the
// addresses a page makes from its own content (data:, blob:, about:). Nothing from the network.
class CPreviewInterceptor final : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPreviewInterceptor)

public:
    explicit CPreviewInterceptor(QObject *parent = nullptr);

    // The folder the program may read from; empty allows no file at all.
    void SetFolder(const QString &folder);
    bool IsAllowed(const QUrl &url) const;

    void interceptRequest(QWebEngineUrlRequestInfo &info) override;

private:
    QString m_folder;
};

// The page that renders the learner's program. It shows only what ShowProgram gives it: links,
// scripts and forms that would lead elsewhere are refused and reported, and pop-up windows are
// never made. Console messages and errors are passed on with the line they name.
class CPreviewPage final : public QWebEnginePage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPreviewPage)

public:
    CPreviewPage(QWebEngineProfile *profile, CPreviewInterceptor *interceptor,
                 QObject *parent = nullptr);

    // Renders `html` from memory at `baseUrl`; relative addresses resolve against it.
    void ShowProgram(const QString &html, const QUrl &baseUrl);

signals:
    void consoleMessage(int level, const QString &message, int line, const QString &sourceId);
    void navigationRefused(const QUrl &url);

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int lineNumber, const QString &sourceID) override;
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;

private:
    CPreviewInterceptor *m_interceptor;
    bool m_expectingProgram = false;
};

// The one place that makes the preview's profile and page: the profile keeps nothing on disk and
// shares no renderer with the tutorial pane, so a program that hangs stops nothing else.
QWebEngineProfile *CreatePreviewProfile(CPreviewInterceptor *interceptor, QObject *parent);
CPreviewPage *CreatePreviewPage(QWebEngineProfile *profile, CPreviewInterceptor *interceptor,
                                QObject *parent);
