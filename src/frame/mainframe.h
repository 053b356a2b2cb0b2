#pragma once

#include "cmdtarget.h"

#include <QMainWindow>

class CHTML5View;
class CProgrammingView;
class CSmartSplitterWnd;
class CStatusBar;
class QAction;
class QToolBar;

// The main window and the hub between the panes: every part reaches the others through the
// members below, looking the frame up afresh with AfxGetMainWnd().
class CMainFrame : public QMainWindow, public CCmdTarget
{
    Q_OBJECT

public:
    explicit CMainFrame(QWidget *parent = nullptr);
    ~CMainFrame() override;

    // The active view: the pane that last had the focus.
    CView *GetActiveView() const;
    void SetActiveView(CView *view);

    // Routes a command: the active view, the document, this frame, the application.
    bool RouteCommand(int id);
    // Asks the same route for the command's state; a command nobody handles is disabled.
    CCmdUI QueryCommandUI(int id);

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI &ui) override;

    // Run and the browser setting.
    void OnRun();
    void OnUpdateRun(CCmdUI &ui);
    void OnBrowserSetting();
    void OnUpdateBrowserSetting(CCmdUI &ui);
    void LoadBrowserSetting();
    bool WriteHtmlFile(QString path);

    CSmartSplitterWnd *m_splitter = nullptr;
    CHTML5View *m_tutorialView = nullptr;
    CProgrammingView *m_editorView = nullptr;
    QString m_browserPath;
    QString m_exportPath;
    QToolBar *m_toolBar = nullptr;
    CStatusBar *m_statusBar = nullptr;

private:
    void createClient();

    CView *m_activeView = nullptr;
};

// The application's main window, or nullptr while it is not yet known.
CMainFrame *AfxGetMainWnd();
void AfxSetMainWnd(CMainFrame *frame);
