#pragma once

// The web-browser control under the tutorial pane. Its page is confined to one folder (see
// CConfinedPage): navigations that lead out of it are refused, and a web link the learner clicks
// opens in the desktop's browser. Every navigation that proceeds, the pane's own, followed links
// and those of frames inside a page, is reported to OnBeforeNavigate2 first. Key and mouse input
// meant for the view or any widget inside it passes PreTranslateMessage first. The browser's own
// context menu never shows.

#include "cmdtarget.h"

#include <QWebEngineView>

class CHtmlView : public QWebEngineView, public CView
{
    Q_OBJECT

public:
    explicit CHtmlView(QWidget *parent = nullptr);

    // Shows a local file (a plain path) or a URL.
    void Navigate2(const QString &target);

    // The folder whose files the page may show (resolved here); empty allows only the start page.
    void ConfineTo(const QString &folder);
    // Shows a notice of the program's own instead of a page (see CHtmlPage::ShowNotice).
    void ShowNotice(const QString &title, const QStringList &lines);

    // Called before every navigation with the URL as text (a local file as a file URL).
    virtual void OnBeforeNavigate2(const QString &url);
    // A followed link, offered before any other check: true takes it over and the page stays
    // where it is. `byLearner` says whether a click or key of the learner's led to it, rather than
    // a script of the page's own.
    virtual bool OnFollowLink(const QUrl &url, bool byLearner);

    // Sees every key and mouse event meant for the view or a widget inside it, once, before that
    // widget does; true keeps the event from it.
    virtual bool PreTranslateMessage(QEvent *event);

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI &ui) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setupSettings();
    void watch(QObject *object);
};
