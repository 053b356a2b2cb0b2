#pragma once

// The web-browser control under the tutorial pane. Every navigation, the pane's own, followed
// links and those of frames inside a page, is reported to OnBeforeNavigate2 first; the control
// never cancels one.

#include "cmdtarget.h"

#include <QWebEngineView>

class CHtmlView : public QWebEngineView, public CView
{
    Q_OBJECT

public:
    explicit CHtmlView(QWidget *parent = nullptr);

    // Shows a local file (a plain path) or a URL.
    void Navigate2(const QString &target);

    // Called before every navigation with the URL as text (a local file as a file URL).
    virtual void OnBeforeNavigate2(const QString &url);

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI &ui) override;
};
