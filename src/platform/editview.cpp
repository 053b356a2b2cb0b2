#include "editview.h"

#include "clipboard.h"
#include "resource.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#if __has_include(<private/qtextdocument_p.h>)
#include <private/qtextdocument_p.h>
#define BOLTO_DOCUMENT_PIECES 1
#else
#define BOLTO_DOCUMENT_PIECES 0
#endif

namespace {
// From this length on a line keeps its shaped glyphs between key presses (see keepLongLineGlyphs).
constexpr int kLongLine = 8192;
// From this length on a line's layout needs blocks of tens of megabytes (see keepLayoutsInHeap).
constexpr int kHugeLine = 1 << 18;

// A line's layout is made anew at every key, in one block of about 50 bytes a character. The C
// library maps blocks over 32 MB afresh from the system each time, and the page faults on that
// fresh memory were a fifth of a key on a line of 1 MB. Taken from the heap and kept there when
// freed, the next key's layout reuses the same pages. Only once such a line is in the editor:
// the heap then keeps up to the trim threshold of freed memory, which only those layouts fill.
void keepLayoutsInHeap()
{
#ifdef __GLIBC__
    static bool kept = false;
    if (kept)
        return;
    kept = true;
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
}

// Only hard line breaks: a soft one would show two display lines for one text line.
QString withHardBreaks(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}
} // namespace

CEditView::CEditView(QWidget *parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    // A font with the Japanese characters in it: a fallback font for them would make their
    // lines taller than the others, and rows of equal height are what a gutter counts on.
    QFont text = font();
    text.setFamilies({QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Noto Sans CJK JP"),
                      text.family()});
    // Program text needs no shaping (no ligatures, no kerning in a monospaced font), and a line
    // is laid out whole at every key: shaping a long one is most of the cost of typing in it.
    text.setStyleStrategy(QFont::PreferNoShaping);
    setFont(text);
    // Rows of the text then start at the top of the text area, where a gutter expects them.
    document()->setDocumentMargin(0);
    // Setting the margin is recorded as an edit; a fresh editor has nothing to undo.
    document()->clearUndoRedoStacks();
    connect(this, &QPlainTextEdit::textChanged, this, &CEditView::EnChange);
    // Before the layout hears of the change: it lays the line out right after.
    connect(document(), &QTextDocument::contentsChange, this, &CEditView::keepLongLineGlyphs);
    // Scrolling that follows the caret (typing, arrow keys) moves the text without a word from
    // the scroll bar; only the view's update requests follow every move.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &CEditView::noteScroll);
    connect(this, &QPlainTextEdit::updateRequest, this, &CEditView::noteScroll);
}

void CEditView::noteScroll()
{
    if (m_holdScroll)
        return;
    // Both roads may report the same scroll, and update requests come for every repaint: tell
    // of each new first line once.
    const int first = GetFirstVisibleLine();
    if (first == m_reportedFirstLine)
        return;
    m_reportedFirstLine = first;
    emit EnVscroll();
}

void CEditView::keepLongLineGlyphs(int position, int removed, int added)
{
    Q_UNUSED(removed);
    // A line's layout forgets its glyphs once laid out, so placing the caret and painting shape
    // the whole line again: three passes a key, each as long as the line. A long line keeps them
    // (about 30 bytes a character), so a key shapes it once.
    // The blocks' positions are counted along: asking each block costs a search of the document,
    // and a new text of 200,000 lines visits them all.
    const int end = position + added;
    QTextBlock block = document()->findBlock(position);
    for (int at = block.position(); block.isValid() && at <= end; block = block.next()) {
        const int length = block.length();
        if (length > kLongLine && block.layout())
            block.layout()->setCacheEnabled(true);
        if (length > kHugeLine)
            keepLayoutsInHeap();
        at += length;
    }
}

QString CEditView::GetWindowText() const
{
    // The raw text keeps every character the learner typed (toPlainText would turn no-break
    // spaces into spaces). Its block separators become CR LF in one pass: QString::replace moves
    // the rest of the text for every thousand lines.
    const QString raw = document()->toRawText();
    QString text(raw.size() + raw.count(QChar::ParagraphSeparator), Qt::Uninitialized);
    QChar *out = text.data();
    for (const QChar c : raw) {
        if (c == QChar::ParagraphSeparator) {
            *out++ = QLatin1Char('\r');
            *out++ = QLatin1Char('\n');
        } else {
            *out++ = c;
        }
    }
    return text;
}

void CEditView::ReadRawText(const std::function<void(QStringView)> &take) const
{
#if BOLTO_DOCUMENT_PIECES
    // The document's own pieces, as its toRawText copies them: a copy of a long program lands
    // in fresh memory, whose page faults cost as much as writing the program to disk.
    const QTextDocumentPrivate *d = QTextDocumentPrivate::get(document());
    const QString buffer = d->buffer();
    qsizetype left = d->length() - 1; // the document's last block separator is no part of it
    for (auto it = d->begin(); it != d->end() && left > 0; ++it) {
        const QTextFragmentData *fragment = *it;
        const qsizetype size = std::min<qsizetype>(fragment->size_array[0], left);
        take(QStringView(buffer).mid(fragment->stringPosition, size));
        left -= size;
    }
#else
    take(document()->toRawText());
#endif
}

void CEditView::SetWindowText(const QString &text)
{
    setPlainText(withHardBreaks(text));
}

int CEditView::GetWindowTextLength() const
{
    return document()->characterCount() - 1 + document()->blockCount() - 1;
}

int CEditView::GetLineCount() const
{
    return document()->blockCount();
}

int CEditView::GetFirstVisibleLine() const
{
    return firstVisibleBlock().blockNumber();
}

int CEditView::LineIndex(int line) const
{
    const QTextBlock block = document()->findBlockByNumber(line);
    return block.isValid() ? block.position() + line : -1;
}

// The document counts a line break once, the control twice: the line's number is the difference.
int CEditView::toControl(int position) const
{
    return position + document()->findBlock(position).blockNumber();
}

int CEditView::toDocument(int position) const
{
    position = std::clamp(position, 0, GetWindowTextLength());
    int low = 0;
    int high = GetLineCount() - 1;
    while (low < high) {
        const int middle = low + (high - low + 1) / 2;
        if (LineIndex(middle) <= position)
            low = middle;
        else
            high = middle - 1;
    }
    const QTextBlock block = document()->findBlockByNumber(low);
    // A position between CR and LF stands for the end of its line.
    return block.position() + std::min(position - LineIndex(low), block.length() - 1);
}

void CEditView::SetSel(int start, int end)
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(toDocument(start));
    cursor.setPosition(toDocument(end), QTextCursor::KeepAnchor);
    // Setting the cursor scrolls it into view; the control's selection never does.
    const int vertical = verticalScrollBar()->value();
    const int horizontal = horizontalScrollBar()->value();
    m_holdScroll = true;
    setTextCursor(cursor);
    verticalScrollBar()->setValue(vertical);
    horizontalScrollBar()->setValue(horizontal);
    m_holdScroll = false;
}

void CEditView::GetSel(int &start, int &end) const
{
    const QTextCursor cursor = textCursor();
    start = toControl(cursor.selectionStart());
    end = toControl(cursor.selectionEnd());
}

void CEditView::LineScroll(int lines)
{
    const qint64 target =
        std::clamp<qint64>(qint64(GetFirstVisibleLine()) + lines, 0, GetLineCount() - 1);
    verticalScrollBar()->setValue(int(target));
}

void CEditView::Cut()
{
    cut();
}

void CEditView::Paste()
{
    paste();
}

int CEditView::GetLineHeight() const
{
    // Laid out as the document lays out its lines, which may round the font's height up.
    QTextLayout layout(QStringLiteral("0"), font());
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLeadingIncluded(true);
    line.setLineWidth(100);
    layout.endLayout();
    const int height = int(std::ceil(line.height()));
    return height > 0 ? height : fontMetrics().height();
}

void CEditView::SetTabStops(int dialogUnits)
{
    // Four dialog units to an average character, measured over the Latin letters as dialogs
    // measure it (a CJK font's own average is that of its wide characters).
    static const QString letters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const qreal average = QFontMetricsF(font()).horizontalAdvance(letters) / letters.size();
    setTabStopDistance(qreal(dialogUnits) * average / 4);
}

QMargins CEditView::GetMargins() const
{
    return viewportMargins();
}

void CEditView::SetMargins(int left, int right)
{
    const QMargins margins = viewportMargins();
    setViewportMargins(left, margins.top(), right, margins.bottom());
}

void CEditView::keyPressEvent(QKeyEvent *e)
{
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
        e->modifiers().testFlag(Qt::ShiftModifier)) {
        // Shift+Enter would make a soft line break; every break here is a hard one.
        QKeyEvent plain(e->type(), e->key(), e->modifiers() & ~Qt::ShiftModifier, e->text(),
                        e->isAutoRepeat(), ushort(e->count()));
        QPlainTextEdit::keyPressEvent(&plain);
        e->setAccepted(plain.isAccepted());
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

void CEditView::insertFromMimeData(const QMimeData *source)
{
    if (source && source->hasText())
        insertPlainText(withHardBreaks(source->text()));
}

bool CEditView::OnCmdMsg(int id)
{
    switch (id) {
    case ID_EDIT_CUT:
        Cut();
        return true;
    case ID_EDIT_COPY:
        copy();
        return true;
    case ID_EDIT_PASTE:
        Paste();
        return true;
    case ID_EDIT_UNDO:
        undo();
        return true;
    case ID_EDIT_SELECT_ALL:
        selectAll();
        return true;
    default:
        return false;
    }
}

bool CEditView::OnUpdateCmdUI(CCmdUI &ui)
{
    switch (ui.m_nID) {
    case ID_EDIT_CUT:
    case ID_EDIT_COPY:
        ui.Enable(textCursor().hasSelection());
        return true;
    case ID_EDIT_PASTE:
        ui.Enable(ClipboardHasText());
        return true;
    case ID_EDIT_UNDO:
        ui.Enable(document()->isUndoAvailable());
        return true;
    case ID_EDIT_SELECT_ALL:
        return true;
    default:
        return false;
    }
}
