#pragma once

#include <QString>
#include <QUrl>
#include <QWebEnginePage>

class CLessonRequestFilter;
class QWebEngineProfile;

// The page that renders the learner's program. It shows only what ShowProgram gives it: links,
// scripts and forms that would lead elsewhere are refused and reported, and pop-up windows are
// never made. Console messages and errors are passed on with the line they name.
class CPreviewPage final : public QWebEnginePage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPreviewPage)

public:
    CPreviewPage(QWebEngineProfile *profile, CLessonRequestFilter *interceptor,
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
    CLessonRequestFilter *m_interceptor;
    bool m_expectingProgram = false;
};

// The one place that makes the preview's profile and page. The page is confined exactly as the
// tutorial pages are (the lesson folder's files only, nothing from the network, WebRTC's own
// switch for the whole engine); the profile is its own, off the record and sharing no renderer with
// the tutorial pane, so a program that hangs stops nothing else.
QWebEngineProfile *CreatePreviewProfile(QObject *parent);
CPreviewPage *CreatePreviewPage(QWebEngineProfile *profile, CLessonRequestFilter *interceptor,
                                QObject *parent);
