#include "mainframe.h"

#include "html5view.h"
#include "programmingview.h"
#include "smartsplitter.h"
#include "statusbar.h"

namespace {
CMainFrame *g_mainWnd = nullptr;
}

CMainFrame *AfxGetMainWnd()
{
    return g_mainWnd;
}

void AfxSetMainWnd(CMainFrame *frame)
{
    g_mainWnd = frame;
}

CMainFrame::CMainFrame(QWidget *parent) : QMainWindow(parent)
{
    createClient();
    m_statusBar = new CStatusBar(this);
    setStatusBar(m_statusBar);
    LoadBrowserSetting();
}

CMainFrame::~CMainFrame()
{
    if (g_mainWnd == this)
        g_mainWnd = nullptr;
}

void CMainFrame::createClient()
{
    m_splitter = new CSmartSplitterWnd(this);
    m_tutorialView = new CHTML5View(m_splitter);
    m_editorView = new CProgrammingView(m_splitter);
    m_splitter->addWidget(m_tutorialView);
    m_splitter->addWidget(m_editorView);
    setCentralWidget(m_splitter);
    m_activeView = m_tutorialView;
}

CView *CMainFrame::GetActiveView() const
{
    return m_activeView;
}

void CMainFrame::SetActiveView(CView *view)
{
    m_activeView = view;
}

bool CMainFrame::RouteCommand(int id)
{
    if (m_activeView && m_activeView->OnCmdMsg(id))
        return true;
    return OnCmdMsg(id);
}

CCmdUI CMainFrame::QueryCommandUI(int id)
{
    CCmdUI ui(id);
    if (m_activeView && m_activeView->OnUpdateCmdUI(ui))
        return ui;
    OnUpdateCmdUI(ui);
    return ui;
}

bool CMainFrame::OnCmdMsg(int id)
{
    (void)id;
    return false;
}

bool CMainFrame::OnUpdateCmdUI(CCmdUI &ui)
{
    (void)ui;
    return false;
}
