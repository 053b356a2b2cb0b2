#pragma once

#include <QWebEnginePage>

class CHtmlView;

// The page inside CHtmlView: reports every navigation request, the main frame's and those of
// frames inside a page, to the view before it proceeds. It never refuses one. A local page that
// does not exist is answered with a short notice in the program's language instead of the
// engine's own error page.
class CHtmlPage : public QWebEnginePage
{
    Q_OBJECT

public:
    explicit CHtmlPage(CHtmlView *view);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;

private:
    void showMissingPage(const QUrl &url);

    CHtmlView *m_view;
    bool m_showingNotice = false;
};
