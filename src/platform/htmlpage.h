#pragma once

#include "webprofile.h"

class CHtmlView;

// The page inside CHtmlView: confined to one folder (see CConfinedPage), it reports every
// navigation that proceeds, the main frame's and those of frames inside a page, to the view
// first. A local page that does not exist is answered with a short notice in the program's
// language instead of the engine's own error page.
class CHtmlPage : public CConfinedPage
{
    Q_OBJECT

public:
    explicit CHtmlPage(CHtmlView *view);

    // Shows a notice of the program's own in place of a page: a title and paragraphs of
    // HTML (the caller escapes what it quotes).
    void ShowNotice(const QString &title, const QStringList &lines, const QUrl &baseUrl = {});

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    void OnWindowLink(const QUrl &url) override;

private:
    void showMissingPage(const QUrl &url);

    CHtmlView *m_view;
    bool m_showingNotice = false;
};
