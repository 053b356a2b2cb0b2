#pragma once

#include <QWebEnginePage>

class CHtmlView;

// The page inside CHtmlView: reports every navigation request, the main frame's and those of
// frames inside a page, to the view before it proceeds. It never refuses one.
class CHtmlPage : public QWebEnginePage
{
    Q_OBJECT

public:
    explicit CHtmlPage(CHtmlView *view);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;

private:
    CHtmlView *m_view;
};
