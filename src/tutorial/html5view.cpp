#include "html5view.h"

CHTML5View::CHTML5View(QWidget *parent) : CHtmlView(parent) {}

void CHTML5View::NavigateToStartPage() {}

void CHTML5View::OnInitialUpdate()
{
    m_copyDisabled = false;
    NavigateToStartPage();
}

void CHTML5View::OnBeforeNavigate2(const QString &url)
{
    CHtmlView::OnBeforeNavigate2(url);
}

bool CHTML5View::CopySnippet()
{
    return false;
}

void CHTML5View::OnCopyScript(unsigned id)
{
    (void)id;
}

bool CHTML5View::OnCmdMsg(int id)
{
    return CHtmlView::OnCmdMsg(id);
}

bool CHTML5View::OnUpdateCmdUI(CCmdUI &ui)
{
    return CHtmlView::OnUpdateCmdUI(ui);
}

int CHTML5View::ParsePageNumber(const std::string &title, const std::string &key)
{
    (void)title;
    (void)key;
    return -1;
}
