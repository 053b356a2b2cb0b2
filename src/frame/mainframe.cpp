#include "mainframe.h"

#include "authoring.h"
#include "boltoresources.h"
#include "guidewindow.h"
#include "html5app.h"
#include "html5doc.h"
#include "html5view.h"
#include "lessoncheck.h"
#include "lessonprogress.h"
#include "messagebox.h"
#include "pathbytes.h"
#include "programmingview.h"
#include "recentfilelist.h"
#include "resource.h"
#include "smartsplitter.h"
#include "statusbar.h"
#include "texts.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>

#include <exception>

namespace {
CMainFrame *g_mainWnd = nullptr;

// The accelerator table: every key that reaches a command without a menu.
struct Accelerator
{
    int id;
    QKeyCombination key;
};

const Accelerator kAccelerators[] = {
    {ID_PAGE_SETTING, Qt::Key_F9},
    {ID_EDIT_COPY, Qt::CTRL | Qt::Key_C},
    {ID_EDIT_COPY, Qt::CTRL | Qt::Key_Insert},
    {ID_EDIT_CUT, Qt::SHIFT | Qt::Key_Delete},
    {ID_EDIT_CUT, Qt::CTRL | Qt::Key_X},
    {ID_EDIT_PASTE, Qt::CTRL | Qt::Key_V},
    {ID_EDIT_PASTE, Qt::SHIFT | Qt::Key_Insert},
    {ID_EDIT_UNDO, Qt::ALT | Qt::Key_Backspace},
    {ID_EDIT_UNDO, Qt::CTRL | Qt::Key_Z},
    {ID_FILE_NEW, Qt::CTRL | Qt::Key_N},
    {ID_FILE_OPEN, Qt::CTRL | Qt::Key_O},
    {ID_FILE_SAVE, Qt::CTRL | Qt::Key_S},
    {ID_NEXT_PANE, Qt::Key_F6},
    {ID_PREV_PANE, Qt::SHIFT | Qt::Key_F6},
};

// Menu bar 128; id 0 is a separator.
struct MenuItem
{
    int id;
    const char *text;
};

struct Menu
{
    const char *title;
    std::initializer_list<MenuItem> items;
};

// Toolbar 128: button command, text and picture; id 0 is a gap.
struct ToolButton
{
    int id;
    const char *text;
    const char *icon;
};

const ToolButton kToolButtons[] = {
    {ID_FILE_OPEN, "開く", ":/icons/open.png"},   {0, nullptr, nullptr},
    {ID_EDIT_CUT, "切取", ":/icons/cut.png"},     {ID_EDIT_COPY, "ｺﾋﾟｰ", ":/icons/copy.png"},
    {ID_EDIT_PASTE, "貼付", ":/icons/paste.png"}, {0, nullptr, nullptr},
    {ID_RUN, "実行", ":/icons/run.png"},          {0, nullptr, nullptr},
    {ID_APP_ABOUT, "ﾍﾙﾌﾟ", ":/icons/help.png"},
};

QString promptOf(int id)
{
    const char *text = commandString(id);
    return text ? qs(text).section(QLatin1Char('\n'), 0, 0) : QString();
}

QString tooltipOf(int id)
{
    const char *text = commandString(id);
    return text ? qs(text).section(QLatin1Char('\n'), 1, 1) : QString();
}

QWidget *widgetOf(CView *view)
{
    return dynamic_cast<QWidget *>(view);
}
} // namespace

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
    InitBoltoResources();
    setWindowIcon(QIcon(QStringLiteral(":/icons/bolto.png")));
    // The system's default size for a new window: three quarters of the screen.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        resize(screen->availableGeometry().size() * 3 / 4);
    createClient();
    createActions();
    createMenus();
    createToolBar();
    createStatusBar();
    createLearnerCommands();
    setupGuidance();
    createAuthoring();
    createProgress();
    createLessonCheck();
    linkProgressToLessonCheck();
    OnUpdateFrameTitle();

    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *now) { onFocusChanged(now); });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &CMainFrame::UpdateCommandUI);
    connect(m_editorView, &QPlainTextEdit::selectionChanged, this, &CMainFrame::UpdateCommandUI);
    connect(m_editorView, &QPlainTextEdit::undoAvailable, this, &CMainFrame::UpdateCommandUI);
    connect(m_tutorialView, &QWebEngineView::selectionChanged, this, &CMainFrame::UpdateCommandUI);
    UpdateCommandUI();

    LoadBrowserSetting();
}

CMainFrame::~CMainFrame()
{
    // The window part of this object still hides, loses the focus and deletes its children
    // after this body; nothing may call back into the members by then.
    if (m_progress)
        m_progress->SaveNow();
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
    for (QObject *child : findChildren<QObject *>())
        disconnect(child, nullptr, this, nullptr);
    if (m_document)
        disconnect(m_document, nullptr, this, nullptr);
    DragAcceptFiles(false);
    if (g_mainWnd == this)
        g_mainWnd = nullptr;
}

void CMainFrame::createClient()
{
    m_splitter = new CSmartSplitterWnd(this);
    m_splitter->setObjectName(QStringLiteral("splitter"));
    m_tutorialView = new CHTML5View(m_splitter);
    m_editorView = new CProgrammingView(m_splitter);
    m_tutorialView->SetEditor(m_editorView);
    m_splitter->addWidget(m_tutorialView);
    m_splitter->addWidget(m_editorView);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    setCentralWidget(m_splitter);
    // Both columns start at half the window's outer width; the right one takes what is left.
    m_splitter->SetColumnInfo(0, frameGeometry().width() / 2, 0);
    m_activeView = m_tutorialView;
}

QAction *CMainFrame::addCommand(int id, const QString &text)
{
    auto *action = new QAction(text, this);
    action->setStatusTip(promptOf(id));
    action->setToolTip(tooltipOf(id).isEmpty() ? text : tooltipOf(id));
    action->setIconVisibleInMenu(false);
    connect(action, &QAction::triggered, this, [this, id] { RouteCommand(id); });
    // Added to the window as well, so its keys work wherever the focus is inside it.
    addAction(action);
    m_actions.insert(id, action);
    return action;
}

void CMainFrame::createActions()
{
    const MenuItem commands[] = {
        {ID_FILE_OPEN, Str::MenuFileOpen},
        {ID_APP_EXIT, Str::MenuExit},
        {ID_EDIT_UNDO, Str::MenuUndo},
        {ID_EDIT_CUT, Str::MenuCut},
        {ID_EDIT_COPY, Str::MenuCopy},
        {ID_EDIT_PASTE, Str::MenuPaste},
        {ID_RUN, Str::MenuRun},
        {ID_BROWSER_SETTING, Str::MenuBrowserSetting},
        {ID_VIEW_TOOLBAR, Str::MenuToolbar},
        {ID_VIEW_STATUS_BAR, Str::MenuStatusBar},
        {ID_DELETE_REGISTRY, Str::MenuDeleteRegistry},
        {ID_APP_ABOUT, Str::MenuAbout},
    };
    for (const MenuItem &item : commands)
        addCommand(item.id, qs(item.text));
    // The items whose update handlers set a check mark.
    for (const int id : {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_BROWSER_SETTING})
        m_actions.value(id)->setCheckable(true);

    // Commands reached by keys alone.
    for (const int id : {ID_PAGE_SETTING, ID_FILE_NEW, ID_FILE_SAVE, ID_NEXT_PANE, ID_PREV_PANE})
        addCommand(id, tooltipOf(id));

    QHash<int, QList<QKeySequence>> keys;
    for (const Accelerator &accelerator : kAccelerators)
        keys[accelerator.id].append(QKeySequence(accelerator.key));
    for (auto it = keys.cbegin(); it != keys.cend(); ++it)
        m_actions.value(it.key())->setShortcuts(it.value());
}

void CMainFrame::createMenus()
{
    const Menu menus[] = {
        {Str::MenuFile,
         {{ID_FILE_OPEN, nullptr},
          {0, nullptr},
          {ID_FILE_MRU_FILE1, nullptr},
          {0, nullptr},
          {ID_APP_EXIT, nullptr}}},
        {Str::MenuEdit,
         {{ID_EDIT_UNDO, nullptr},
          {0, nullptr},
          {ID_EDIT_CUT, nullptr},
          {ID_EDIT_COPY, nullptr},
          {ID_EDIT_PASTE, nullptr}}},
        {Str::MenuControl, {{ID_RUN, nullptr}, {0, nullptr}, {ID_BROWSER_SETTING, nullptr}}},
        {Str::MenuView, {{ID_VIEW_TOOLBAR, nullptr}, {ID_VIEW_STATUS_BAR, nullptr}}},
        {Str::MenuHelp, {{ID_DELETE_REGISTRY, nullptr}, {0, nullptr}, {ID_APP_ABOUT, nullptr}}},
    };
    menuBar()->setNativeMenuBar(false);
    for (const Menu &menu : menus) {
        QMenu *popup = menuBar()->addMenu(qs(menu.title));
        for (const MenuItem &item : menu.items) {
            if (item.id == 0) {
                popup->addSeparator();
            } else if (item.id == ID_FILE_MRU_FILE1) {
                // Stands in for the recent-file list while the list is empty.
                m_recentPlaceholder = popup->addAction(qs(Str::MenuRecentFiles));
                m_recentPlaceholder->setStatusTip(promptOf(ID_FILE_MRU_FILE1));
                m_recentPlaceholder->setEnabled(false);
            } else {
                popup->addAction(m_actions.value(item.id));
            }
        }
        connect(popup, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
        // Leaving a menu brings the idle text back, as any highlighted item replaced it.
        connect(popup, &QMenu::aboutToHide, this,
                [this] { m_statusBar->SetPaneText(0, qs(Str::Ready)); });
        if (menu.title == Str::MenuFile) {
            m_fileMenu = popup;
            connect(popup, &QMenu::aboutToShow, this, &CMainFrame::updateRecentFileMenu);
        }
    }
}

void CMainFrame::createToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolBar->setIconSize(QSize(16, 16));
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    for (const ToolButton &button : kToolButtons) {
        if (button.id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction *action = m_actions.value(button.id);
        action->setIcon(QIcon(QString::fromLatin1(button.icon)));
        action->setIconText(qs(button.text));
        m_toolBar->addAction(action);
    }
    // Every button takes the size of the first one, text under the picture.
    const QWidget *first = m_toolBar->widgetForAction(m_actions.value(kToolButtons[0].id));
    const QSize size = first->sizeHint();
    for (const ToolButton &button : kToolButtons) {
        if (button.id != 0)
            m_toolBar->widgetForAction(m_actions.value(button.id))->setFixedSize(size);
    }
}

void CMainFrame::createStatusBar()
{
    m_statusBar = new CStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    setStatusBar(m_statusBar);
}

QAction *CMainFrame::GetCommandAction(int id) const
{
    return m_actions.value(id);
}

CView *CMainFrame::GetActiveView() const
{
    return m_activeView;
}

void CMainFrame::SetActiveView(CView *view, bool notify)
{
    m_activeView = view;
    if (notify) {
        if (QWidget *widget = widgetOf(view))
            widget->setFocus(Qt::OtherFocusReason);
    }
    UpdateCommandUI();
}

void CMainFrame::onFocusChanged(QWidget *now)
{
    if (now && now->window() == this) {
        if (now == m_tutorialView || m_tutorialView->isAncestorOf(now) ||
            now == m_tutorialView->focusProxy())
            m_activeView = m_tutorialView;
        else if (now == m_editorView || m_editorView->isAncestorOf(now))
            m_activeView = m_editorView;
    }
    UpdateCommandUI();
}

bool CMainFrame::RouteCommand(int id)
{
    bool handled = false;
    try {
        CCmdTarget *const route[] = {m_activeView, m_document, this, AfxGetApp()};
        for (CCmdTarget *target : route) {
            if (target && target->OnCmdMsg(id)) {
                handled = true;
                break;
            }
        }
    } catch (const std::exception &e) {
        AfxMessageBox(QString::fromUtf8(e.what()), MB_OK | MB_ICONSTOP);
        handled = true;
    }
    UpdateCommandUI();
    return handled;
}

CCmdUI CMainFrame::QueryCommandUI(int id)
{
    CCmdUI ui(id);
    CCmdTarget *const route[] = {m_activeView, m_document, this, AfxGetApp()};
    for (CCmdTarget *target : route) {
        if (target && target->OnUpdateCmdUI(ui))
            return ui;
    }
    ui.Enable(false);
    return ui;
}

void CMainFrame::UpdateCommandUI()
{
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const CCmdUI ui = QueryCommandUI(it.key());
        it.value()->setEnabled(ui.m_enabled);
        if (it.value()->isCheckable())
            it.value()->setChecked(ui.m_checked);
    }
}

void CMainFrame::updateRecentFileMenu()
{
    if (!m_fileMenu)
        return;
    const CHTML5App *app = AfxGetApp();
    const CRecentFileList *list = app ? app->m_pRecentFileList.get() : nullptr;
    QStringList texts;
    for (int i = 0; list && i < list->GetCount(); ++i) {
        QString name = list->GetDisplayName(i, 30);
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));
        texts.append(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
    }
    bool same = texts.size() == m_recentActions.size();
    for (int i = 0; same && i < texts.size(); ++i)
        same = m_recentActions.at(i)->text() == texts.at(i);
    if (same)
        return;

    qDeleteAll(m_recentActions);
    m_recentActions.clear();
    m_recentPlaceholder->setVisible(texts.isEmpty());
    for (int i = 0; i < texts.size(); ++i) {
        auto *action = new QAction(texts.at(i), m_fileMenu);
        action->setStatusTip(promptOf(ID_FILE_MRU_FILE1));
        const int id = ID_FILE_MRU_FILE1 + i;
        connect(action, &QAction::triggered, this, [this, id] { RouteCommand(id); });
        m_fileMenu->insertAction(m_recentPlaceholder, action);
        m_recentActions.append(action);
    }
}

bool CMainFrame::OnCmdMsg(int id)
{
    if (onProgressCmdMsg(id))
        return true;
    switch (id) {
    case ID_RUN:
        OnRun();
        return true;
    case ID_BROWSER_SETTING:
        OnBrowserSetting();
        return true;
    case ID_VIEW_TOOLBAR:
        m_toolBar->setVisible(m_toolBar->isHidden());
        return true;
    case ID_VIEW_STATUS_BAR:
        m_statusBar->setVisible(m_statusBar->isHidden());
        return true;
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
        // With two panes the next and the previous pane are the same one.
        activateOtherPane();
        return true;
    case ID_HELP_GUIDE:
        ShowLearnerGuide(this);
        return true;
    default:
        return false;
    }
}

bool CMainFrame::OnUpdateCmdUI(CCmdUI &ui)
{
    if (onProgressUpdateCmdUI(ui))
        return true;
    switch (ui.m_nID) {
    case ID_RUN:
        OnUpdateRun(ui);
        return true;
    case ID_BROWSER_SETTING:
        OnUpdateBrowserSetting(ui);
        return true;
    case ID_VIEW_TOOLBAR:
        ui.SetCheck(!m_toolBar->isHidden());
        return true;
    case ID_VIEW_STATUS_BAR:
        ui.SetCheck(!m_statusBar->isHidden());
        return true;
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
    case ID_HELP_GUIDE:
        return true;
    default:
        return false;
    }
}

void CMainFrame::activateOtherPane()
{
    const bool editorActive = m_activeView == static_cast<CView *>(m_editorView);
    m_splitter->SetActivePane(0, editorActive ? 0 : 1);
}

void CMainFrame::SetDocument(CHTML5Doc *document)
{
    if (m_document)
        disconnect(m_document, nullptr, this, nullptr);
    m_document = document;
    if (m_document) {
        connect(m_document, &CHTML5Doc::lessonOpened, m_lessonCheck,
                &CLessonCheck::ForgetDoneSteps);
        // A new title comes with every open and save, which also change the recent-file list.
        connect(m_document, &CHTML5Doc::titleChanged, this, [this] {
            OnUpdateFrameTitle();
            UpdateCommandUI();
            updateRecentFileMenu();
        });
    }
    if (m_authoring)
        m_authoring->SetDocument(m_document);
    setupProgressDocument();
    OnUpdateFrameTitle();
    UpdateCommandUI();
}

void CMainFrame::createAuthoring()
{
    m_authoring = new CAuthoring(m_tutorialView, m_editorView, this);
}

void CMainFrame::InitialUpdateFrame(bool makeVisible)
{
    m_tutorialView->OnInitialUpdate();
    m_editorView->OnInitialUpdate();
    OnUpdateFrameTitle();
    if (makeVisible)
        ActivateFrame();
    UpdateCommandUI();
}

void CMainFrame::ActivateFrame()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void CMainFrame::OnUpdateFrameTitle()
{
    const QString title = m_document ? m_document->GetTitle() : QString();
    setWindowTitle(title.isEmpty() ? qs(Str::WindowTitle)
                                   : title + QStringLiteral(" - ") + qs(Str::WindowTitle));
}

void CMainFrame::DragAcceptFiles(bool accept)
{
    if (accept == m_acceptFiles)
        return;
    m_acceptFiles = accept;
    setAcceptDrops(accept);
    // The panes would take a dropped file themselves (the browser navigates to it, the editor
    // inserts its name): the window looks at every drop inside it first.
    if (accept)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool CMainFrame::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (!m_acceptFiles ||
        (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop))
        return QMainWindow::eventFilter(watched, event);
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != this)
        return QMainWindow::eventFilter(watched, event);
    auto *drop = static_cast<QDropEvent *>(event);
    QStringList files;
    if (const QMimeData *mime = drop->mimeData(); mime && mime->hasUrls()) {
        for (const QUrl &url : mime->urls()) {
            // The path's bytes, not Qt's reading of them, which drops those that are not UTF-8.
            if (url.isLocalFile())
                files.append(PathFromBytes(
                    QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1())));
        }
    }
    if (files.isEmpty())
        return QMainWindow::eventFilter(watched, event);
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop) {
        // Opening may ask questions; let the drag finish first.
        QMetaObject::invokeMethod(
            this, [this, files] { OnDropFiles(files); }, Qt::QueuedConnection);
    }
    return true;
}

void CMainFrame::OnDropFiles(const QStringList &paths)
{
    activateWindow();
    CHTML5App *app = AfxGetApp();
    if (!app)
        return;
    for (const QString &path : paths)
        app->OpenDocumentFile(path);
    // A failed open resets the lesson without a new title; the commands must still follow it.
    UpdateCommandUI();
}

bool CMainFrame::event(QEvent *event)
{
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent *>(event)->tip();
        m_statusBar->SetPaneText(0, tip.isEmpty() ? qs(Str::Ready) : tip);
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent *event)
{
    if (m_document && !m_document->SaveModified()) {
        event->ignore();
        return;
    }
    if (m_progress)
        m_progress->SaveNow();
    QMainWindow::closeEvent(event);
}

void CMainFrame::OnSize(int type, int cx, int cy)
{
    (void)cy;
    if (type != SIZE_MAXIMIZED || !m_splitter)
        return;
    m_splitter->SetColumnInfo(0, cx / 2, 100);
    m_splitter->RecalcLayout();
}

void CMainFrame::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    const int type = isMaximized()   ? SIZE_MAXIMIZED
                     : isMinimized() ? SIZE_MINIMIZED
                                     : SIZE_RESTORED;
    OnSize(type, width(), height());
}

void CMainFrame::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // The state may change after the size did.
    if (event->type() == QEvent::WindowStateChange && isMaximized())
        OnSize(SIZE_MAXIMIZED, width(), height());
}

void CMainFrame::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // The window's outer size is final only now.
    if (!isMaximized()) {
        m_splitter->SetColumnInfo(0, frameGeometry().width() / 2, 0);
        m_splitter->RecalcLayout();
    }
}
