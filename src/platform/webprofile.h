#pragma once

// The web engine as the program uses it: one profile of its own and pages confined to one folder.
// Every page that shows lesson content (the tutorial pane, the preview) is a CConfinedPage.

#include <QElapsedTimer>
#include <QWebEnginePage>

class CLessonRequestFilter;
class QWebEngineProfile;
class QWebEngineSettings;

// Adds the engine switches that keep pages from sending packets around the request filter
// (WebRTC's STUN/TURN traffic). They only count before the engine starts, so this runs by itself
// when the application object is made (in the program and in tests); calling it again is harmless.
void PrepareWebEngine();

// The program's own profile: off the record (nothing on disk), with a filter behind every page's
// own that refuses every request to the network.
QWebEngineProfile *BoltoWebProfile();

// What a page of lesson content may do: run its scripts and WebGL and use the files of its own
// folder. The settings alone do not keep it there (with file access on, a page reads any file;
// WebSockets and WebRTC ignore the remote-address setting): the page's request filter and
// navigation check do, and the profile's engine switch keeps WebRTC silent. No plugins, pop-up
// windows or clipboard access.
void ApplyLessonPageSettings(QWebEngineSettings *settings);

// A page on the program's profile that shows only the files inside one folder (links resolved),
// the program's own start page, and content the program hands it itself. Requests of every kind
// (files, frames, fetches, WebSockets) that lead elsewhere are refused, and so are navigations:
// top-level and frames, by link, script, form or redirect. A web address the learner clicked goes
// to the desktop's browser (QDesktopServices::openUrl) and the page stays where it is.
//
// For the program's own content, load a file inside the folder, or call
// setHtml(html, baseUrl) with baseUrl a file inside the folder (for example
// "<folder>/index.html"): the page's relative addresses then resolve inside the folder and load.
class CConfinedPage : public QWebEnginePage
{
    Q_OBJECT

public:
    explicit CConfinedPage(const QString &folder, QObject *parent = nullptr);

    // An empty folder allows the program's start page only.
    void SetAllowedFolder(const QString &folder);
    QString AllowedFolder() const;
    bool IsAllowed(const QUrl &url) const;

    // The learner pressed a mouse button or a key on the page: the next click on a web address
    // in the moments after may open the browser. A script on its own never can.
    void NoteUserActivation();

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    // A link the learner clicked that asks for a window of its own (target="_blank") leads where
    // it would in this page: a web address to the desktop's browser, a page of the folder here.
    QWebEnginePage *createWindow(WebWindowType type) override;
    // Where such a link leads, once the engine says.
    virtual void OnWindowLink(const QUrl &url);
    // A web address that the learner clicked. Opens it with QDesktopServices.
    virtual void OnWebLink(const QUrl &url);
    // Whether the learner's click or key came just before; it counts for one link only.
    bool takeUserActivation();

private:
    CLessonRequestFilter *m_filter;
    QElapsedTimer m_userActivation;
};
