#include "learnercommands.h"

#include "bolto.h"
#include "errormarks.h"
#include "highlighter.h"
#include "html5view.h"
#include "lessonfolder.h"
#include "lessonroots.h"
#include "linewnd.h"
#include "mainframe.h"
#include "paths.h"
#include "previewpane.h"
#include "previewstate.h"
#include "programmingview.h"
#include "resource.h"
#include "smartsplitter.h"
#include "statusbar.h"
#include "stepdescription.h"
#include "texts.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSettings>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QToolBar>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <algorithm>
#include <cmath>

namespace {
struct Command
{
    int id;
    const char *text;
    std::initializer_list<QKeySequence> keys;
    bool checkable;
};

const char *const kZoomKeys[] = {"Learner/ZoomEditor", "Learner/ZoomTutorial",
                                 "Learner/ZoomPreview"};
const char kPreviewShownKey[] = "Learner/PreviewShown";
const char kPreviewBelowKey[] = "Learner/PreviewBelow";
const char kSyntaxColorsKey[] = "Learner/SyntaxColors";

QSettings settings()
{
    return QSettings(qs(Str::SettingsOrganization), qs(Str::AppName));
}

// Every write rewrites and syncs the whole settings file, and start-up sets each setting to the
// value it has just read: only a setting that changes is written. With a `missing` value, a
// setting not yet stored counts as having it.
template <typename T> void store(const char *key, T value, const QVariant &missing = {})
{
    QSettings s = settings();
    const QVariant stored = s.value(QLatin1String(key), missing);
    if (!stored.isValid() || stored.value<T>() != value)
        s.setValue(QLatin1String(key), value);
}

QString promptOf(int id)
{
    const char *text = commandString(id);
    return text ? qs(text).section(QLatin1Char('\n'), 0, 0) : QString();
}

bool holds(const QWidget *pane, const QWidget *focus)
{
    return pane && focus && (pane == focus || pane->isAncestorOf(focus));
}

// The lesson folder the preview may read from, as Run resolves it; empty without a safe one.
QString lessonFolder()
{
    if (theLesson.m_folderName.empty())
        return {};
    // The same resolved check and lesson roots as the tutorial pane's: a folder that leads out,
    // by name or by a link, gives the preview no folder at all.
    const std::optional<QString> folder =
        ResolveLessonFolder(LessonFolderPath(theLesson.m_folderName),
                            {LessonRootFor(FromPath(ProgramDirectory()), theLesson.m_folderName)});
    return folder.value_or(QString());
}
} // namespace

void CMainFrame::createLearnerCommands()
{
    m_previewState = new CPreviewState(this);
    m_learnerCommands = new CLearnerCommands(this, m_previewState);
}

CLearnerCommands::CLearnerCommands(CMainFrame *frame, CPreviewState *state)
    : QObject(frame), m_frame(frame), m_state(state)
{
    m_editorFont = frame->m_editorView->font();
    m_highlighter = new CSyntaxHighlighter(this);
    createActions();
    addToMenus();
    createPreview();
    setupAccessibility();
    loadSettings();
    frame->installEventFilter(this);
}

bool CLearnerCommands::eventFilter(QObject *watched, QEvent *event)
{
    // The frame sets the columns from its own width after every resize; with the preview beside
    // them that would leave the editor a sliver, so they are balanced again once it is done.
    if (watched == m_frame && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        QMetaObject::invokeMethod(this, &CLearnerCommands::balanceColumns, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

void CLearnerCommands::balanceColumns()
{
    CSmartSplitterWnd *splitter = m_frame->m_splitter;
    if (!IsPreviewShown() || m_below || !splitter)
        return;
    int width = 0;
    int minimum = 0;
    splitter->GetColumnInfo(0, width, minimum);
    const int space = splitter->contentsRect().width();
    // A width the learner chose by dragging stays, as long as the editor keeps a third.
    if (splitter->GetColumnIdeal(0) > space * 2 / 3) {
        splitter->SetColumnInfo(0, space / 2, minimum);
        splitter->RecalcLayout();
    }
}

void CLearnerCommands::createActions()
{
    const Command commands[] = {
        {ID_VIEW_PREVIEW, Str::MenuPreview, {Qt::Key_F8}, true},
        {ID_VIEW_PREVIEW_BELOW, Str::MenuPreviewBelow, {}, true},
        {ID_VIEW_SYNTAX_COLORS, Str::MenuSyntaxColors, {}, true},
        {ID_ZOOM_IN, Str::MenuZoomIn, {QKeySequence::ZoomIn, Qt::CTRL | Qt::Key_Equal}, false},
        {ID_ZOOM_OUT, Str::MenuZoomOut, {QKeySequence::ZoomOut}, false},
        {ID_ZOOM_RESET, Str::MenuZoomReset, {Qt::CTRL | Qt::Key_0}, false},
        {ID_COPY_STEP, Str::MenuCopyStep, {Qt::CTRL | Qt::SHIFT | Qt::Key_C}, false},
        {ID_SELECT_STEP, Str::MenuSelectStep, {Qt::CTRL | Qt::Key_L}, false},
        {ID_NEXT_PAGE, Str::MenuNextPage, {Qt::CTRL | Qt::Key_PageDown}, false},
        {ID_PREVIOUS_PAGE, Str::MenuPreviousPage, {Qt::CTRL | Qt::Key_PageUp}, false},
    };
    for (const Command &command : commands) {
        auto *action = new QAction(qs(command.text), m_frame);
        action->setStatusTip(promptOf(command.id));
        action->setShortcuts(QList<QKeySequence>(command.keys));
        action->setCheckable(command.checkable);
        const int id = command.id;
        connect(action, &QAction::triggered, this, [this, id] { run(id); });
        // On the window, so the keys work wherever the focus is inside it.
        m_frame->addAction(action);
        m_actions.insert(id, action);
    }
    // Run keeps its menu and button and gains the key learners know from other editors.
    if (QAction *run = m_frame->GetCommandAction(ID_RUN)) {
        QList<QKeySequence> keys = run->shortcuts();
        keys.append(QKeySequence(Qt::Key_F5));
        run->setShortcuts(keys);
    }
}

QMenu *CLearnerCommands::menu(const char *title) const
{
    for (QAction *action : m_frame->menuBar()->actions()) {
        if (action->menu() && action->text() == qs(title))
            return action->menu();
    }
    return nullptr;
}

void CLearnerCommands::addToMenus()
{
    if (QMenu *edit = menu(Str::MenuEdit)) {
        edit->addSeparator();
        edit->addAction(m_actions.value(ID_COPY_STEP));
        edit->addAction(m_actions.value(ID_SELECT_STEP));
    }
    if (QMenu *control = menu(Str::MenuControl)) {
        QAction *first = control->actions().value(1); // after Run
        control->insertAction(first, m_actions.value(ID_NEXT_PAGE));
        control->insertAction(first, m_actions.value(ID_PREVIOUS_PAGE));
        control->insertSeparator(m_actions.value(ID_NEXT_PAGE));
    }
    if (QMenu *view = menu(Str::MenuView)) {
        view->addSeparator();
        for (const int id : {ID_VIEW_PREVIEW, ID_VIEW_PREVIEW_BELOW, ID_VIEW_SYNTAX_COLORS})
            view->addAction(m_actions.value(id));
        view->addSeparator();
        for (const int id : {ID_ZOOM_IN, ID_ZOOM_OUT, ID_ZOOM_RESET})
            view->addAction(m_actions.value(id));
    }
}

void CLearnerCommands::createPreview()
{
    m_preview = new CPreviewPane(m_state);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_dock = new QDockWidget(m_frame);
    m_dock->setObjectName(QStringLiteral("previewDock"));
    m_dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    // A third pane rather than a tool window: no title bar to drag or close.
    m_dock->setTitleBarWidget(new QWidget(m_dock));
    m_dock->setWidget(m_preview);
    m_dock->setAccessibleName(qs(Str::NamePreview));
    m_dock->hide();
    m_frame->addDockWidget(Qt::RightDockWidgetArea, m_dock);
    m_dock->hide();

    CProgrammingView *editor = m_frame->m_editorView;
    m_preview->SetSource([editor] { return editor->toPlainText(); }, lessonFolder);
    connect(editor, &CEditView::EnChange, m_preview, &CPreviewPane::ScheduleUpdate);
    connect(m_preview, &CPreviewPane::lineActivated, this, &CLearnerCommands::GoToLine);
    new CErrorMarks(m_state, editor->m_lineWnd);
}

void CLearnerCommands::setupAccessibility()
{
    m_frame->m_tutorialView->setAccessibleName(qs(Str::NameTutorial));
    m_frame->m_editorView->setAccessibleName(qs(Str::NameEditor));
    m_frame->m_editorView->m_lineWnd->setAccessibleName(qs(Str::NameGutter));
    if (m_frame->m_toolBar)
        m_frame->m_toolBar->setAccessibleName(qs(Str::NameToolbar));
    connect(m_frame->m_editorView->m_lineWnd, &CLineWnd::Painted, this,
            &CLearnerCommands::updateStepText);
    // The engine may reset the zoom when it loads another page.
    connect(m_frame->m_tutorialView, &QWebEngineView::loadFinished, this,
            [this] { applyZoom(TutorialPane); });
    updateStepText();
}

void CLearnerCommands::updateStepText()
{
    const QString text = QString::fromStdString(CurrentStepDescription(theLesson));
    CLineWnd *gutter = m_frame->m_editorView->m_lineWnd;
    if (gutter->accessibleDescription() != text)
        gutter->setAccessibleDescription(text);
}

void CLearnerCommands::loadSettings()
{
    const QSettings s = settings();
    for (int pane = 0; pane < PaneCount; ++pane) {
        m_zoom[pane] = s.value(QLatin1String(kZoomKeys[pane]), 0).toInt();
        SetZoomLevel(Pane(pane), m_zoom[pane]);
    }
    m_below = s.value(QLatin1String(kPreviewBelowKey), false).toBool();
    SetPreviewBelow(m_below);
    SetSyntaxColors(s.value(QLatin1String(kSyntaxColorsKey), true).toBool());
    ShowPreview(s.value(QLatin1String(kPreviewShownKey), false).toBool());
}

void CLearnerCommands::run(int id)
{
    switch (id) {
    case ID_VIEW_PREVIEW:
        ShowPreview(!IsPreviewShown());
        break;
    case ID_VIEW_PREVIEW_BELOW:
        SetPreviewBelow(!m_below);
        break;
    case ID_VIEW_SYNTAX_COLORS:
        SetSyntaxColors(m_highlighter->document() == nullptr);
        break;
    case ID_ZOOM_IN:
    case ID_ZOOM_OUT:
    case ID_ZOOM_RESET: {
        const Pane pane = FocusedPane();
        const int level = id == ID_ZOOM_RESET ? 0 : m_zoom[pane] + (id == ID_ZOOM_IN ? 1 : -1);
        SetZoomLevel(pane, level);
        break;
    }
    case ID_COPY_STEP:
        CopyStep();
        break;
    case ID_SELECT_STEP:
        SelectStep();
        break;
    case ID_NEXT_PAGE:
    case ID_PREVIOUS_PAGE:
        FollowPageLink(id == ID_NEXT_PAGE);
        break;
    default:
        break;
    }
}

CLearnerCommands::Pane CLearnerCommands::FocusedPane() const
{
    const QWidget *focus = QApplication::focusWidget();
    if (holds(m_dock, focus))
        return PreviewPane;
    const CHTML5View *tutorial = m_frame->m_tutorialView;
    if (holds(tutorial, focus) || (focus && focus == tutorial->focusProxy()))
        return TutorialPane;
    return EditorPane;
}

void CLearnerCommands::SetZoomLevel(Pane pane, int level)
{
    const int lowest = -kZoomOrigin;
    const int highest = int(std::size(kZoomFactors)) - 1 - kZoomOrigin;
    m_zoom[pane] = std::clamp(level, lowest, highest);
    applyZoom(pane);
    store(kZoomKeys[pane], m_zoom[pane], 0);
}

void CLearnerCommands::applyZoom(Pane pane)
{
    const double factor = kZoomFactors[m_zoom[pane] + kZoomOrigin];
    switch (pane) {
    case EditorPane: {
        // The gutter follows the editor's font: its rows and arrows take the new line height.
        QFont font = m_editorFont;
        if (font.pointSizeF() > 0)
            font.setPointSizeF(m_editorFont.pointSizeF() * factor);
        else
            font.setPixelSize(std::max(1, int(std::lround(m_editorFont.pixelSize() * factor))));
        m_frame->m_editorView->setFont(font);
        break;
    }
    case TutorialPane:
        if (!qFuzzyCompare(m_frame->m_tutorialView->zoomFactor(), factor))
            m_frame->m_tutorialView->setZoomFactor(factor);
        break;
    case PreviewPane:
        m_preview->SetZoomFactor(factor);
        break;
    case PaneCount:
        break;
    }
}

bool CLearnerCommands::IsPreviewShown() const
{
    return !m_dock->isHidden();
}

void CLearnerCommands::ShowPreview(bool show)
{
    m_dock->setVisible(show);
    if (show) {
        // A third of the window, as wide or as high as the preview's place allows.
        const bool below = m_below;
        const int size = (below ? m_frame->height() : m_frame->width()) / 3;
        m_frame->resizeDocks({m_dock}, {size}, below ? Qt::Vertical : Qt::Horizontal);
        QMetaObject::invokeMethod(this, &CLearnerCommands::balanceColumns, Qt::QueuedConnection);
        m_preview->UpdateNow();
    }
    m_actions.value(ID_VIEW_PREVIEW)->setChecked(show);
    store(kPreviewShownKey, show);
}

void CLearnerCommands::SetPreviewBelow(bool below)
{
    m_below = below;
    const Qt::DockWidgetArea area = below ? Qt::BottomDockWidgetArea : Qt::RightDockWidgetArea;
    if (m_frame->dockWidgetArea(m_dock) != area) {
        const bool shown = IsPreviewShown();
        m_frame->addDockWidget(area, m_dock);
        m_dock->setVisible(shown);
    }
    m_actions.value(ID_VIEW_PREVIEW_BELOW)->setChecked(below);
    store(kPreviewBelowKey, below);
}

void CLearnerCommands::SetSyntaxColors(bool on)
{
    CProgrammingView *editor = m_frame->m_editorView;
    QTextDocument *document = on ? editor->document() : nullptr;
    if (m_highlighter->document() != document) {
        // Colouring touches no text, but the document reports it as a change; the editor's
        // listeners must not take it for an edit. Colouring now also cancels the engine's own
        // later pass, which would report it after the block.
        const QSignalBlocker quiet(editor);
        m_highlighter->setDocument(document);
        if (document)
            m_highlighter->rehighlight();
    }
    m_actions.value(ID_VIEW_SYNTAX_COLORS)->setChecked(on);
    store(kSyntaxColorsKey, on);
}

void CLearnerCommands::CopyStep()
{
    // As the page's context menu copies: whether or not the page's clicks still copy.
    m_frame->m_tutorialView->OnCopyScript(ID_COPY_SCRIPT);
}

void CLearnerCommands::SelectStep()
{
    m_frame->m_splitter->SetActivePane(0, 1);
    m_frame->m_editorView->ShowPageLines();
}

void CLearnerCommands::FollowPageLink(bool next)
{
    const int page = theLesson.m_currentPage;
    const bool done = m_frame->m_editorView->m_pageDone;
    const bool hasStep = CBolto::isValidIndex(theLesson.m_pageTexts, page) &&
                         !theLesson.m_pageTexts[size_t(page)].empty();
    const bool deletePage = CBolto::isValidIndex(theLesson.m_pageKinds, page) &&
                            theLesson.m_pageKinds[size_t(page)] == Delete;
    // As with the mouse: the way on opens once the step is done, and a delete page lets no one
    // leave before its lines are gone.
    if ((next && hasStep && !done) || (deletePage && !done)) {
        m_frame->m_statusBar->SetPaneText(0, qs(Str::StepNotDone));
        return;
    }
    // The page's own link, found by its class or by the page it leads to, and followed as a
    // click follows it.
    const QString script =
        QStringLiteral(
            "(function (next, page) {"
            " var wanted = 'index' + (page + (next ? 1 : -1)) + '.html';"
            " var a = document.querySelector(next ? 'a.next[href]' : 'a.back[href]');"
            " if (!a) a = Array.prototype.find.call(document.querySelectorAll('a[href]'),"
            "   function (l) { return l.pathname.split('/').pop() === wanted; });"
            " if (!a) return false;"
            " a.removeAttribute('target'); a.click(); return true; })(%1, %2)")
            .arg(next ? QLatin1String("true") : QLatin1String("false"))
            .arg(page);
    QPointer<CMainFrame> frame(m_frame);
    m_frame->m_tutorialView->page()->runJavaScript(
        script, QWebEngineScript::ApplicationWorld, [frame](const QVariant &followed) {
            if (frame && !followed.toBool())
                frame->m_statusBar->SetPaneText(0, qs(Str::NoPageLink));
        });
}

void CLearnerCommands::GoToLine(int line)
{
    CProgrammingView *editor = m_frame->m_editorView;
    const QTextBlock block = editor->document()->findBlockByNumber(line - 1);
    if (!block.isValid())
        return;
    m_frame->m_splitter->SetActivePane(0, 1);
    QTextCursor cursor(block);
    editor->setTextCursor(cursor);
    editor->ensureCursorVisible();
}
