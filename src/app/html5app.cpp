#include "html5app.h"

#include "html5doc.h"
#include "mainframe.h"

namespace {
CHTML5App *g_app = nullptr;
}

CHTML5App *AfxGetApp()
{
    return g_app;
}

CHTML5App::CHTML5App(QObject *parent) : QObject(parent)
{
    g_app = this;
}

CHTML5App::~CHTML5App()
{
    delete m_mainFrame;
    if (g_app == this)
        g_app = nullptr;
}

bool CHTML5App::InitInstance(const QStringList &arguments)
{
    (void)arguments;
    m_document = new CHTML5Doc(this);
    m_mainFrame = new CMainFrame;
    AfxSetMainWnd(m_mainFrame);
    m_mainFrame->resize(1200, 800);
    m_mainFrame->show();
    return true;
}

bool CHTML5App::OnCmdMsg(int id)
{
    (void)id;
    return false;
}

bool CHTML5App::OnUpdateCmdUI(CCmdUI &ui)
{
    (void)ui;
    return false;
}
