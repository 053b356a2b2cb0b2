#pragma once

#include "htmlview.h"

#include <string>

// The tutorial pane: shows the lesson's pages, learns the current page from every navigation and
// copies the page's snippet when the learner clicks.
class CHTML5View : public CHtmlView
{
    Q_OBJECT

public:
    explicit CHTML5View(QWidget *parent = nullptr);

    void NavigateToStartPage();
    void OnInitialUpdate() override;
    void OnBeforeNavigate2(const QString &url) override;

    bool CopySnippet();
    void OnCopyScript(unsigned id);

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI &ui) override;

    // The page number in a title that starts with `key`, or -1.
    static int ParsePageNumber(const std::string &title, const std::string &key);

    bool m_copyDisabled = false;
};
