// The editor's guidance around the page's one edit: step-aware undo and redo, the arrows over the
// lines a done step produced, a gutter as wide as its numbers, the page kind's selection colour.

#include "bolto.h"
#include "linewnd.h"
#include "programmingview.h"
#include "resource.h"
#include "texts.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace {
constexpr int kMinGutterWidth = 30;
constexpr int kMinArrowX = 12;
constexpr int kArrowWidth = 15;
constexpr int kGutterGap = 5; // between the gutter and the text
// As the window narrows, the tutorial gives way before the editor shows fewer columns.
constexpr int kMinColumns = 40;

// A family of each page kind's arrow colour, dark enough for white text.
QColor selectionColor(int page)
{
    if (!CBolto::isValidIndex(theLesson.m_pageKinds, page))
        return QColor(90, 90, 90);
    switch (theLesson.GetPageKind(page)) {
    case Add:
        return QColor(160, 30, 30);
    case Replace:
        return QColor(20, 115, 20);
    case Delete:
        return QColor(30, 60, 200);
    default:
        return QColor(90, 90, 90);
    }
}
} // namespace

void CProgrammingView::setupStepHistory()
{
    // A new text (a new lesson, a new document) clears the history: nothing of it is a step's.
    connect(document(), &QTextDocument::undoAvailable, this, [this](bool available) {
        if (!available && !m_inStepUndo && document()->availableUndoSteps() == 0)
            m_history.StartStep(0);
    });
}

void CProgrammingView::StartStep()
{
    // Whatever was undone on the page before is not redone onto this one.
    document()->clearUndoRedoStacks(QTextDocument::RedoStack);
    m_history.StartStep(document()->availableUndoSteps());
    m_hasResult = false;
    applyKindColors();
    repaintLineWnd();
}

void CProgrammingView::completeStep(int from, int to, bool deleted)
{
    m_history.StepDone(document()->availableUndoSteps());
    m_resultDeleted = deleted;
    m_doneFrom = from;
    m_doneTo = to;
    setResult(from, to);
    emit StepDoneChanged(true);
    int first = 0;
    int count = 0;
    if (ResultLines(first, count))
        scrollLinesIntoView(first, first + count - 1);
    repaintLineWnd();
    emit StatusText(qs(deleted ? Str::StepDeleted : Str::StepPasted));
}

void CProgrammingView::setResult(int from, int to)
{
    const int end = document()->characterCount() - 1;
    m_resultFrom = QTextCursor(document());
    m_resultFrom.setPosition(std::clamp(from, 0, end));
    // Text typed at the block's start is the learner's own, not the step's.
    m_resultFrom.setKeepPositionOnInsert(true);
    m_resultTo = QTextCursor(document());
    m_resultTo.setPosition(std::clamp(to, 0, end));
    m_hasResult = true;
}

bool CProgrammingView::ResultLines(int &first, int &count) const
{
    if (!m_hasResult || !m_pageDone)
        return false;
    first = m_resultFrom.blockNumber();
    int last = m_resultTo.blockNumber();
    // A block that ended with a line break leaves the caret at the start of the next line, which
    // the step did not produce.
    if (!m_resultDeleted && last > first && m_resultTo.positionInBlock() == 0)
        --last;
    count = std::max(last, first) - first + 1;
    return true;
}

void CProgrammingView::reopenStep()
{
    m_pageDone = false;
    m_hasResult = false;
    emit StepDoneChanged(false);
    ShowPageLines();
    emit StatusText(qs(Str::StepReopened));
}

void CProgrammingView::OnEditUndo()
{
    if (!m_history.CanUndo(document()->availableUndoSteps())) {
        if (document()->isUndoAvailable())
            emit StatusText(qs(Str::UndoAtStepStart));
        return;
    }
    m_inStepUndo = true;
    undo();
    m_inStepUndo = false;
    if (m_history.AfterUndo(document()->availableUndoSteps(), m_pageDone) ==
        CStepHistory::Change::Reopened)
        reopenStep();
    repaintLineWnd();
}

void CProgrammingView::OnEditRedo()
{
    if (!document()->isRedoAvailable())
        return;
    redo();
    if (m_history.AfterRedo(document()->availableUndoSteps(), m_pageDone) ==
        CStepHistory::Change::Redone) {
        m_pageDone = true;
        setResult(m_doneFrom, m_doneTo);
        emit StepDoneChanged(true);
        emit StatusText(qs(m_resultDeleted ? Str::StepDeleted : Str::StepPasted));
    }
    repaintLineWnd();
}

bool CProgrammingView::OnUpdateCmdUI(CCmdUI &ui)
{
    switch (ui.m_nID) {
    case ID_EDIT_UNDO:
        ui.Enable(m_history.CanUndo(document()->availableUndoSteps()));
        return true;
    case ID_EDIT_REDO_STEP:
        ui.Enable(document()->isRedoAvailable());
        return true;
    default:
        return CEditView::OnUpdateCmdUI(ui);
    }
}

bool CProgrammingView::isRedoKey(const QKeyEvent *e) const
{
    const QKeyCombination key = e->keyCombination();
    const Qt::KeyboardModifiers mods = key.keyboardModifiers() & ~Qt::KeypadModifier;
    return e->matches(QKeySequence::Redo) ||
           (key.key() == Qt::Key_Y && mods == Qt::ControlModifier) ||
           (key.key() == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier));
}

void CProgrammingView::updateGutter()
{
    if (!m_lineWnd)
        return;
    // Room for the program's last number, so that scrolling never moves the text sideways (and
    // a new width lays out every line of the document again).
    const int digits = int(QString::number(std::max(GetLineCount(), 1)).size());
    // Measured once per font: the gutter is laid out at every scroll.
    const bool fontChanged = m_digitWidth < 0 || m_digitFont != font();
    if (fontChanged) {
        const QFontMetrics metrics(font());
        m_digitFont = font();
        m_digitWidth = 0;
        for (char c = '0'; c <= '9'; ++c)
            m_digitWidth = std::max(m_digitWidth, metrics.horizontalAdvance(QLatin1Char(c)));
    }
    const int arrowX = std::max(kMinArrowX, m_lineWnd->m_textX + digits * m_digitWidth + 2);
    const int width = std::max(kMinGutterWidth, arrowX + kArrowWidth + 3);
    m_lineWnd->m_arrowX = arrowX;
    if (width != m_gutterWidth || fontChanged) {
        m_gutterWidth = width;
        SetMargins(width + kGutterGap, GetMargins().right());
        placeLineWnd();
        setMinimumWidth(WidthForColumns(kMinColumns));
    }
    int first = 0;
    int count = 0;
    m_lineWnd->m_showResult = ResultLines(first, count);
    m_lineWnd->m_resultFirst = first;
    m_lineWnd->m_resultEnd = qint64(first) + count;
}

int CProgrammingView::WidthForColumns(int columns) const
{
    const QFontMetrics metrics(font());
    const int text = columns * metrics.horizontalAdvance(QLatin1Char('x'));
    return m_gutterWidth + kGutterGap + text + verticalScrollBar()->sizeHint().width() +
           2 * frameWidth() + GetMargins().right() + cursorWidth();
}

void CProgrammingView::applyKindColors()
{
    QPalette colors = palette();
    const QColor selection = selectionColor(theLesson.m_currentPage);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        colors.setColor(group, QPalette::Highlight, selection);
        colors.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    if (colors != palette()) {
        setPalette(colors);
        if (m_gutterHolds > 0)
            m_colorsChanged = true;
    }
}

void CProgrammingView::scrollLinesIntoView(int first, int last)
{
    const int rows = std::max(1, viewport()->height() / std::max(GetLineHeight(), 1));
    const int top = GetFirstVisibleLine();
    int target = top;
    if (last - first + 1 > rows || first < top)
        target = first;
    else if (last >= top + rows)
        target = last - rows + 1;
    if (target != top)
        LineScroll(target - top);
}
