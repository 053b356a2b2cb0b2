#pragma once

#include "cmdtarget.h"

#include <QHash>
#include <QMainWindow>

#include <string>

class CAuthoring;
class CHTML5Doc;
class CCompareWnd;
class CHTML5View;
class CLearnerCommands;
class CLessonCheck;
class CLessonProgress;
class CPreviewState;
class CProgrammingView;
class CSmartSplitterWnd;
class CStatusBar;
class QAction;
class QMenu;
class QToolBar;

// Size types of OnSize.
enum : int { SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2 };

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
    // Makes the view active; with notify it also gets the keyboard focus.
    void SetActiveView(CView *view, bool notify = true);

    // Routes a command: the active view, the document, this frame, the application. An
    // exception that leaves a handler is shown with the stop icon.
    bool RouteCommand(int id);
    // Asks the same route for the command's state; a command nobody handles is disabled.
    CCmdUI QueryCommandUI(int id);
    // Brings every menu item, toolbar button and accelerator up to date.
    void UpdateCommandUI();
    // The action that menus, toolbar and accelerators share for a command, or nullptr.
    QAction *GetCommandAction(int id) const;

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI &ui) override;

    // Run and the browser setting.
    void OnRun();
    void OnUpdateRun(CCmdUI &ui);
    void OnBrowserSetting();
    void OnUpdateBrowserSetting(CCmdUI &ui);
    void LoadBrowserSetting();
    bool WriteHtmlFile(QString path);

    // The document whose views the panes are; nullptr for a frame of its own.
    void SetDocument(CHTML5Doc *document);
    CHTML5Doc *GetActiveDocument() const { return m_document; }
    // Gives both panes their initial update and, with makeVisible, shows the window.
    void InitialUpdateFrame(bool makeVisible);
    void ActivateFrame();
    // "<document title> - Bolto x64 Version 1.7".
    void OnUpdateFrameTitle();
    // Lets files dropped anywhere on the window open as lessons.
    void DragAcceptFiles(bool accept = true);
    void OnDropFiles(const QStringList &paths);
    // Keeps the columns balanced when the window is maximised; cx is the new client width.
    void OnSize(int type, int cx, int cy);

    CSmartSplitterWnd *m_splitter = nullptr;
    CHTML5View *m_tutorialView = nullptr;
    CProgrammingView *m_editorView = nullptr;
    QString m_browserPath;
    QString m_exportPath;
    QToolBar *m_toolBar = nullptr;
    CStatusBar *m_statusBar = nullptr;
    QMenu *m_fileMenu = nullptr;
    // The learner's progress in the open lesson; the panes get it from here.
    CLessonProgress *m_progress = nullptr;
    // The live preview's messages, and the keyboard, zoom and preview commands.
    CPreviewState *m_previewState = nullptr;
    CLearnerCommands *m_learnerCommands = nullptr;
    // Opening at a step and reloading a changed lesson file, for lesson authors.
    CAuthoring *m_authoring = nullptr;

    // Check, compare and catch up against the lesson's expected program (lessoncheckframe.cpp).
    CLessonCheck *m_lessonCheck = nullptr;
    CCompareWnd *m_compareWnd = nullptr; // created when first opened
    void OnLessonCompare();
    void OnLessonCatchUp();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createClient();
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void createLessonCheck();
    void showCompareWnd(const std::string &mine, const std::string &expected, const QString &note);
    void createLearnerCommands();
    void createAuthoring();
    void linkProgressToLessonCheck();
    QAction *addCommand(int id, const QString &text);
    void updateRecentFileMenu();
    void onFocusChanged(QWidget *now);
    void activateOtherPane();
    // Guidance: redo and the learner guide in the menus, the step's word in the status bar, lesson
    // links from the tutorial pane.
    void setupGuidance();
    void onClipboardChangedForGuidance();

    // Saved progress (progresscommands.cpp).
    void createProgress();
    void setupProgressDocument();
    void onLessonOpened(const QString &path);
    bool onProgressCmdMsg(int id);
    bool onProgressUpdateCmdUI(CCmdUI &ui);

    CView *m_activeView = nullptr;
    CHTML5Doc *m_document = nullptr;
    QHash<int, QAction *> m_actions;
    QAction *m_recentPlaceholder = nullptr;
    QList<QAction *> m_recentActions;
    bool m_acceptFiles = false;
    bool m_shown = false;
};

// The application's main window, or nullptr while it is not yet known.
CMainFrame *AfxGetMainWnd();
void AfxSetMainWnd(CMainFrame *frame);
