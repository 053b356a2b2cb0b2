#include "mainframe.h"

void CMainFrame::OnRun() {}

void CMainFrame::OnUpdateRun(CCmdUI &ui)
{
    (void)ui;
}

void CMainFrame::OnBrowserSetting() {}

void CMainFrame::OnUpdateBrowserSetting(CCmdUI &ui)
{
    (void)ui;
}

void CMainFrame::LoadBrowserSetting() {}

bool CMainFrame::WriteHtmlFile(QString path)
{
    (void)path;
    return false;
}
