#include "programmingview.h"

#include "bolto.h"
#include "clipboard.h"
#include "html5view.h"
#include "lessoncheck.h"
#include "lessonprogress.h"
#include "linewnd.h"
#include "mainframe.h"
#include "popupmenu.h"
#include "resource.h"
#include "texts.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <climits>
#include <utility>

namespace {
constexpr int kLeftMargin = 35;
constexpr int kTabStops = 16; // dialog units: four characters
constexpr int kTargetRow = 10;
} // namespace

CProgrammingView::CProgrammingView(QWidget *parent) : CEditView(parent)
{
    setupColors();
    SetMargins(kLeftMargin, GetMargins().right());
    SetTabStops(kTabStops);
    // Text reaches the editor only through the guarded paste; a drop would bypass it.
    setAcceptDrops(false);
    viewport()->setAcceptDrops(false);
    setCursorWidth(2);
    setupStepHistory();
    createLineWnd();
    connect(this, &CEditView::EnChange, this, &CProgrammingView::OnEnChange);
    connect(this, &CEditView::EnVscroll, this, [this] {
        if (!m_showingPage)
            repaintLineWnd();
    });
}

CProgrammingView::~CProgrammingView() = default;

void CProgrammingView::setupColors()
{
    QPalette colors = palette();
    colors.setColor(QPalette::Base, Qt::black);
    colors.setColor(QPalette::Text, Qt::white);
    // The page's selection stays visible while the learner works in the tutorial pane.
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        colors.setColor(QPalette::Inactive, role, colors.color(QPalette::Active, role));
    setPalette(colors);
    // The margin between the gutter and the text is the editor's, so it is black too.
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

void CProgrammingView::createLineWnd()
{
    m_lineWnd = new CLineWnd(this);
    m_lineWnd->m_lineHeight = GetLineHeight();
    m_lineWnd->setFont(font());
    placeLineWnd();
}

void CProgrammingView::placeLineWnd()
{
    if (!m_lineWnd)
        return;
    const QRect client = contentsRect();
    m_lineWnd->setGeometry(client.left(), client.top(), m_gutterWidth, client.height());
    m_lineWnd->m_topY = 0;
}

void CProgrammingView::repaintLineWnd()
{
    if (!m_lineWnd)
        return;
    if (m_gutterHolds > 0) {
        m_gutterPending = true;
        return;
    }
    updateGutter();
    m_lineWnd->repaint();
}

void CProgrammingView::ReleaseGutter()
{
    if (m_gutterHolds == 0 || --m_gutterHolds > 0)
        return;
    const bool colorsChanged = std::exchange(m_colorsChanged, false);
    if (!std::exchange(m_gutterPending, false))
        return;
    if (!colorsChanged) {
        repaintLineWnd();
        return;
    }
    // New colours repaint the whole editor, gutter included, when the events are next handled:
    // painting the gutter now as well would paint it twice.
    updateGutter();
    m_lineWnd->update();
}

void CProgrammingView::OnInitialUpdate()
{
    repaintLineWnd();
    SetTabStops(kTabStops);
}

void CProgrammingView::ShowPageLines()
{
    if (theLesson.GetPageCount() == 0)
        return;
    const int page = theLesson.m_currentPage;
    // The lesson's numbers, moved to where those lines stand when the learner's program differs.
    const CPageLines pageLines =
        m_lessonCheck ? m_lessonCheck->FollowPage(page)
                      : CPageLines{theLesson.GetArrowLine(page), theLesson.GetArrowCount(page)};
    const qint64 line = pageLines.line;
    const int firstVisible = GetFirstVisibleLine();

    // Positions come from the control's own lines. A page may name lines the learner's text does
    // not have: the selection then stops at the end of the text.
    const int lineCount = GetLineCount();
    const int textEnd = GetWindowTextLength();
    auto lineStart = [&](qint64 index) {
        return index < lineCount ? LineIndex(int(index)) : textEnd;
    };
    const qint64 startLine = std::max<qint64>(line - 1, 0);
    const int start = lineStart(startLine);
    int end = start;
    const int kind = theLesson.GetPageKind(page);
    if (CBolto::isValidIndex(theLesson.m_pageKinds, page) && (kind == Replace || kind == Delete)) {
        const qint64 count = pageLines.count;
        if (count > 0)
            end = lineStart(std::min<qint64>(startLine, lineCount) + count);
    }
    m_showingPage = true;
    SetSel(start, end);

    // The page's first line becomes the tenth visible row, as far as the text allows.
    const qint64 scroll = line - kTargetRow - firstVisible;
    LineScroll(int(std::clamp<qint64>(scroll, INT_MIN, INT_MAX)));
    m_showingPage = false;
    // Last: the lesson check's note above repaints the status bar at once, and Qt then paints
    // every part of the window waiting for it, the gutter too if the colours had changed.
    applyKindColors();
    repaintLineWnd();
}

void CProgrammingView::SetLessonCheck(CLessonCheck *check)
{
    m_lessonCheck = check;
    if (m_lineWnd)
        m_lineWnd->SetLessonCheck(check);
}

bool CProgrammingView::isDeletePage() const
{
    const int page = theLesson.m_currentPage;
    return CBolto::isValidIndex(theLesson.m_pageKinds, page) &&
           theLesson.GetPageKind(page) == Delete;
}

void CProgrammingView::disableTutorialCopy()
{
    CMainFrame *frame = AfxGetMainWnd();
    if (frame && frame->m_tutorialView)
        frame->m_tutorialView->m_copyDisabled = true;
}

void CProgrammingView::OnEditCut()
{
    // As the menu's Cut is disabled without a selection, so is every other road to it: a step
    // must not count as done when nothing was cut.
    if (!textCursor().hasSelection())
        return;
    if (isDeletePage()) {
        // The step is done: the cut lines are not kept for a paste elsewhere.
        disableTutorialCopy();
        const int at = textCursor().selectionStart();
        Cut();
        m_pageDone = true;
        ClipboardEmpty();
        completeStep(at, at, true);
    } else if (m_pageDone) {
        Cut();
    }
}

void CProgrammingView::OnEditPaste()
{
    const int page = theLesson.m_currentPage;
    if (CBolto::isValidIndex(theLesson.m_pageKinds, page) &&
        theLesson.GetPageKind(page) > Replace) {
        if (!m_pageDone && theLesson.GetPageKind(page) == Delete)
            emit StatusText(qs(Str::DeletePageNoPaste));
        return;
    }
    // Nothing to paste, as for the menu's disabled Paste: the step stays open and a click in the
    // page still copies its snippet.
    if (!ClipboardHasText())
        return;
    // One paste per snippet: the clipboard is emptied so that a second paste inserts nothing.
    disableTutorialCopy();
    const int from = textCursor().selectionStart();
    Paste();
    m_pageDone = true;
    ClipboardEmpty();
    completeStep(from, textCursor().position(), false);
}

bool CProgrammingView::OnCmdMsg(int id)
{
    switch (id) {
    case ID_EDIT_CUT:
        OnEditCut();
        return true;
    case ID_EDIT_PASTE:
        OnEditPaste();
        return true;
    case ID_EDIT_UNDO:
        OnEditUndo();
        return true;
    case ID_EDIT_REDO_STEP:
        OnEditRedo();
        return true;
    default:
        return CEditView::OnCmdMsg(id);
    }
}

void CProgrammingView::OnEnChange()
{
    const int lines = GetLineCount();
    if (lines != m_lastLineCount) {
        repaintLineWnd();
        m_lastLineCount = lines;
    }
}

bool CProgrammingView::isStepKey(const QKeyEvent *e) const
{
    const bool stepKey = e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete;
    const Qt::KeyboardModifiers others =
        e->modifiers() & ~(Qt::ShiftModifier | Qt::ControlModifier | Qt::KeypadModifier);
    // With the page's lines no longer selected the key edits as usual, as Cut would cut nothing.
    return stepKey && others == Qt::NoModifier && !m_pageDone && isDeletePage() &&
           textCursor().hasSelection();
}

bool CProgrammingView::event(QEvent *e)
{
    if (e->type() == QEvent::ShortcutOverride) {
        // Cut and paste keys stay here, whatever the window's shortcuts say: both roads end in
        // the guarded commands, and this one is sure to.
        const auto *key = static_cast<QKeyEvent *>(e);
        if (isStepKey(key) || key->matches(QKeySequence::Cut) ||
            key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Undo) ||
            isRedoKey(key)) {
            e->accept();
            return true;
        }
    }
    return CEditView::event(e);
}

void CProgrammingView::keyPressEvent(QKeyEvent *e)
{
    if (isStepKey(e)) {
        // The key path keeps the cut lines on the clipboard. Click-copying goes off as after the
        // Cut command: otherwise every click in the page would copy again and be swallowed, and
        // the page's link onward could never be followed.
        disableTutorialCopy();
        const int at = textCursor().selectionStart();
        Cut();
        m_pageDone = true;
        completeStep(at, at, true);
        e->accept();
        return;
    }
    if (e->matches(QKeySequence::Undo)) {
        OnEditUndo();
        e->accept();
        return;
    }
    if (isRedoKey(e)) {
        OnEditRedo();
        e->accept();
        return;
    }
    if (e->matches(QKeySequence::Cut)) {
        OnEditCut();
        e->accept();
        return;
    }
    if (e->matches(QKeySequence::Paste)) {
        OnEditPaste();
        e->accept();
        return;
    }
    CEditView::keyPressEvent(e);
}

void CProgrammingView::mousePressEvent(QMouseEvent *e)
{
    switch (e->button()) {
    case Qt::LeftButton:
        // Until the step is done, a click brings the page's lines back instead of moving the
        // caret. Only the page index is tested: a page beyond the lists still holds the caret.
        if (!m_pageDone && theLesson.m_currentPage >= 0) {
            ShowPageLines();
            m_swallowingLeft = true;
            e->accept();
            return;
        }
        break;
    case Qt::MiddleButton:
        // No paste of the selection clipboard: the middle button does nothing.
        e->accept();
        return;
    case Qt::RightButton:
        OnRButtonDown(e->globalPosition().toPoint());
        break;
    default:
        break;
    }
    CEditView::mousePressEvent(e);
}

void CProgrammingView::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton && !m_pageDone && theLesson.m_currentPage >= 0) {
        ShowPageLines();
        m_swallowingLeft = true;
        e->accept();
        return;
    }
    if (e->button() == Qt::MiddleButton) {
        e->accept();
        return;
    }
    CEditView::mouseDoubleClickEvent(e);
}

void CProgrammingView::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() == Qt::MiddleButton || (e->button() == Qt::LeftButton && m_swallowingLeft)) {
        if (e->button() == Qt::LeftButton)
            m_swallowingLeft = false;
        e->accept();
        return;
    }
    CEditView::mouseReleaseEvent(e);
}

void CProgrammingView::mouseMoveEvent(QMouseEvent *e)
{
    if (m_swallowingLeft) {
        e->accept();
        return;
    }
    CEditView::mouseMoveEvent(e);
}

void CProgrammingView::OnRButtonDown(const QPoint &globalPos)
{
    if (LoadPopupMenu(IDR_MENU_PROGRAMMING).id == 0)
        return;
    const int command = TrackPopupMenu(IDR_MENU_PROGRAMMING, globalPos, this);
    // Without a page, the menu's Cut is an ordinary cut.
    if (theLesson.m_currentPage < 0)
        m_pageDone = true;
    if (command != 0)
        OnCmdMsg(command);
}

void CProgrammingView::contextMenuEvent(QContextMenuEvent *e)
{
    // Menu 311 came with the right button; the control's own menu would bypass the guard.
    e->accept();
}

void CProgrammingView::resizeEvent(QResizeEvent *e)
{
    CEditView::resizeEvent(e);
    placeLineWnd();
    updateGutter();
}

void CProgrammingView::changeEvent(QEvent *e)
{
    CEditView::changeEvent(e);
    if (e->type() == QEvent::FontChange && m_lineWnd) {
        m_lineWnd->setFont(font());
        m_lineWnd->m_lineHeight = GetLineHeight();
        SetTabStops(kTabStops);
        repaintLineWnd();
    }
}

void CProgrammingView::SetProgress(CLessonProgress *progress)
{
    if (m_progress)
        disconnect(m_progress, nullptr, this, nullptr);
    m_progress = progress;
    if (!progress)
        return;
    progress->SetEditorProbe([view = QPointer<CProgrammingView>(this)] {
        CLessonProgress::EditorState state;
        if (view) {
            state.program = view->GetWindowText();
            state.caretAnchor = view->textCursor().anchor();
            state.caretPosition = view->textCursor().position();
            state.firstLine = view->GetFirstVisibleLine();
        }
        return state;
    });
    connect(this, &CEditView::EnChange, progress, &CLessonProgress::NoteEdited);
    // A step completed, re-opened by undo or completed again by redo.
    connect(this, &CProgrammingView::StepDoneChanged, progress, [this](bool done) {
        const int page = theLesson.m_currentPage;
        if (!m_progress || !CBolto::isValidIndex(theLesson.m_pageKinds, page))
            return;
        if (done)
            m_progress->MarkStepDone(page);
        else
            m_progress->ReopenStep(page);
    });
    connect(progress, &CLessonProgress::programReplaced, this, &CEditView::SetWindowText);
    connect(progress, &CLessonProgress::caretRestored, this, &CProgrammingView::restoreCaret);
    connect(progress, &CLessonProgress::stepStateChanged, this,
            &CProgrammingView::onStepStateChanged);
}

void CProgrammingView::restoreCaret(int anchor, int position, int firstLine)
{
    const int end = document()->characterCount() - 1;
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::clamp(anchor, 0, end));
    cursor.setPosition(std::clamp(position, 0, end), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    LineScroll(firstLine - GetFirstVisibleLine());
    repaintLineWnd();
}

void CProgrammingView::onStepStateChanged(int page, bool done)
{
    if (page != theLesson.m_currentPage || done == m_pageDone)
        return;
    // A step opened again on purpose is opened as undo opens it: its lines show again.
    if (!done)
        reopenStep();
    else
        m_pageDone = true;
}
