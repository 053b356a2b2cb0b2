// The editor pane in the real main window: its control positions, the page's selection, the
// guarded cut and paste, and the gutter read back from its pixels.

#include "bolto.h"
#include "clipboard.h"
#include "framefixture.h"
#include "html5view.h"
#include "linewnd.h"
#include "mainframe.h"
#include "popupmenu.h"
#include "programmingview.h"
#include "resource.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

#include <climits>

using IntList = QList<int>;
using Selection = std::pair<int, int>;

namespace {
const QColor kGrey(200, 200, 200);

// Lines "line 1" ... "line n", the last one without a line break.
QString numberedLines(int n)
{
    QStringList lines;
    for (int i = 1; i <= n; ++i)
        lines << QStringLiteral("line %1").arg(i);
    return lines.join(QStringLiteral("\r\n"));
}

std::vector<int32_t> toVector(const IntList &list)
{
    return std::vector<int32_t>(list.begin(), list.end());
}

// One page (index 0) unless told otherwise; the lists may have different lengths.
void setLesson(int pages, const IntList &kinds, const IntList &lines, const IntList &counts,
               int current)
{
    theLesson.Reset();
    theLesson.m_pageTexts.assign(size_t(pages), "snippet");
    theLesson.m_pageKinds = toVector(kinds);
    theLesson.m_arrowLines = toVector(lines);
    theLesson.m_arrowCounts = toVector(counts);
    theLesson.m_currentPage = current;
}

void setPage(int kind, int line, int count)
{
    setLesson(1, {kind}, {line}, {count}, 0);
}
} // namespace

class TestEditor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void controlPositions();
    void controlLinesAreTextLines();
    void controlScrolling();
    void longLines();
    void commandStates();
    void editorLook();

    void showPageLines_data();
    void showPageLines();

    void stepKeys_data();
    void stepKeys();
    void guardedEdits_data();
    void guardedEdits();
    void nothingToCutOrPaste_data();
    void nothingToCutOrPaste();
    void clicks_data();
    void clicks();
    void editorContextMenu_data();
    void editorContextMenu();
    void noBuiltInContextMenu();
    void keysBeforeWindowShortcuts();

    void gutterPlacement();
    void gutterArrows_data();
    void gutterArrows();
    void gutterNumbers();
    void gutterRepaints();
    void pageChangePaintsGutterOnce_data();
    void pageChangePaintsGutterOnce();
    void gutterClicks();

private:
    Selection selection() const;
    QPoint lineCenter(int line) const;
    int rowHeight() const { return m_view->m_lineWnd->m_lineHeight; }
    QImage gutterImage() const { return m_view->m_lineWnd->grab().toImage(); }

    CMainFrame *m_frame = nullptr;
    CProgrammingView *m_view = nullptr;
    QVector<int> m_menusShown;
    int m_menuAnswer = 0;
};

Selection TestEditor::selection() const
{
    int start = -1;
    int end = -1;
    m_view->GetSel(start, end);
    return {start, end};
}

// The middle of a zero-based line in viewport coordinates.
QPoint TestEditor::lineCenter(int line) const
{
    QTextCursor cursor(m_view->document()->findBlockByNumber(line));
    return m_view->cursorRect(cursor).center() + QPoint(2, 0);
}

void TestEditor::initTestCase()
{
    m_frame = new CMainFrame;
    QVERIFY(ShowMainFrame(m_frame));
    m_view = m_frame->m_editorView;
    QVERIFY(m_view);
    QVERIFY(m_view->m_lineWnd);
    m_view->OnInitialUpdate();
    SetPopupMenuHook([this](const PopupMenuResource &menu, const QPoint &) {
        m_menusShown << menu.id;
        return m_menuAnswer;
    });
}

void TestEditor::init()
{
    theLesson.Reset();
    m_view->SetWindowText(QString());
    m_view->m_pageDone = false;
    m_frame->m_tutorialView->m_copyDisabled = false;
    m_view->setFocus();
    ClipboardEmpty();
    m_menusShown.clear();
    m_menuAnswer = 0;
}

void TestEditor::cleanupTestCase()
{
    SetPopupMenuHook(nullptr);
    AfxSetMainWnd(nullptr);
    delete m_frame;
}

void TestEditor::controlPositions()
{
    CEditView &edit = *m_view;
    QCOMPARE(edit.GetLineCount(), 1);
    QCOMPARE(edit.GetWindowTextLength(), 0);

    const QString text = QStringLiteral("a\r\nあい\r\n\r\nb");
    edit.SetWindowText(text);
    QCOMPARE(edit.GetWindowText(), text);
    QCOMPARE(edit.GetWindowTextLength(), text.size());
    QCOMPARE(edit.GetLineCount(), 4);
    QCOMPARE(IntList({edit.LineIndex(0), edit.LineIndex(1), edit.LineIndex(2), edit.LineIndex(3),
                      edit.LineIndex(4)}),
             IntList({0, 3, 7, 9, -1}));

    // Every selection covers the same characters as the text's positions say.
    for (const auto &[start, end] :
         std::initializer_list<Selection>{{4, 9}, {0, 10}, {3, 5}, {9, 10}}) {
        edit.SetSel(start, end);
        QCOMPARE(selection(), Selection({start, end}));
        QCOMPARE(edit.textCursor().selectedText().replace(QChar::ParagraphSeparator, "\r\n"),
                 text.mid(start, end - start));
    }
    // Between CR and LF stands for the end of the line; outside the text, its ends.
    edit.SetSel(2, 2);
    QCOMPARE(selection(), Selection({1, 1}));
    edit.SetSel(-5, 999);
    QCOMPARE(selection(), Selection({0, 10}));
}

void TestEditor::controlLinesAreTextLines()
{
    CEditView &edit = *m_view;
    // Shift+Enter and pasted line separators make hard breaks, as every other break.
    edit.SetWindowText(QStringLiteral("ab"));
    edit.SetSel(1, 1);
    QTest::keyClick(&edit, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(edit.GetWindowText(), QStringLiteral("a\r\nb"));
    QCOMPARE(edit.GetLineCount(), 2);
    const QString softBreak = QStringLiteral("x") + QChar::LineSeparator + QStringLiteral("y");
    edit.SetWindowText(softBreak);
    QCOMPARE(edit.GetLineCount(), 2);
    ClipboardSetText(softBreak);
    edit.Paste();
    QCOMPARE(edit.GetLineCount(), 3);
    QCOMPARE(edit.GetWindowText(), QStringLiteral("x\r\nyx\r\ny"));

    // Every line, Japanese or not, is one row of the gutter's height.
    edit.SetWindowText(QStringLiteral("abc\r\nあいう漢字\r\n\r\nxyz"));
    const auto *layout = edit.document()->documentLayout();
    for (QTextBlock block = edit.document()->firstBlock(); block.isValid(); block = block.next())
        QCOMPARE(layout->blockBoundingRect(block).height(), qreal(edit.GetLineHeight()));
    QCOMPARE(rowHeight(), edit.GetLineHeight());
}

void TestEditor::longLines()
{
    // A line of 100,000 characters is one text line, typed into and copied out exactly, and
    // keeps its shaped glyphs between keys; short lines do not, nor a line pasted long later.
    CEditView &edit = *m_view;
    const QString line(100000, QLatin1Char('x'));
    edit.SetWindowText(QStringLiteral("short\r\n") + line + QStringLiteral("\r\nend"));
    QCOMPARE(edit.GetLineCount(), 3);
    auto keepsGlyphs = [&edit](int number) {
        return edit.document()->findBlockByNumber(number).layout()->cacheEnabled();
    };
    QVERIFY(!keepsGlyphs(0));
    QVERIFY(keepsGlyphs(1));
    QVERIFY(!keepsGlyphs(2));
    const int middle = edit.LineIndex(1) + 50000;
    edit.SetSel(middle, middle);
    QTest::keyClicks(&edit, QStringLiteral("ab"));
    QTest::keyClick(&edit, Qt::Key_Left, Qt::ShiftModifier);
    int start = -1;
    int end = -1;
    edit.GetSel(start, end);
    QCOMPARE(start, middle + 1);
    QCOMPARE(end, middle + 2);
    QCOMPARE(edit.GetWindowText(), QStringLiteral("short\r\n") + line.left(50000) +
                                       QStringLiteral("ab") + line.mid(50000) +
                                       QStringLiteral("\r\nend"));
    QVERIFY(keepsGlyphs(1));

    ClipboardSetText(line);
    edit.SetSel(0, 0);
    edit.Paste();
    QVERIFY(keepsGlyphs(0));
}

void TestEditor::controlScrolling()
{
    CEditView &edit = *m_view;
    edit.SetWindowText(numberedLines(100));
    edit.LineScroll(5);
    QCOMPARE(edit.GetFirstVisibleLine(), 5);
    // The first visible line is a whole line at the top of the text area.
    QCOMPARE(edit.cursorRect(QTextCursor(edit.document()->findBlockByNumber(5))).top(), 0);
    edit.LineScroll(-2);
    QCOMPARE(edit.GetFirstVisibleLine(), 3);

    // Selecting never scrolls.
    edit.SetSel(edit.LineIndex(90), edit.LineIndex(95));
    QCOMPARE(edit.GetFirstVisibleLine(), 3);

    edit.LineScroll(INT_MIN);
    QCOMPARE(edit.GetFirstVisibleLine(), 0);
    edit.LineScroll(INT_MAX);
    const int bottom = edit.GetFirstVisibleLine();
    QVERIFY(bottom > 50 && bottom < 100);
}

void TestEditor::commandStates()
{
    // A fresh editor offers nothing to undo.
    CProgrammingView fresh;
    CCmdUI undo(ID_EDIT_UNDO);
    QVERIFY(fresh.OnUpdateCmdUI(undo));
    QVERIFY(!undo.m_enabled);

    m_frame->SetActiveView(m_view);
    m_view->SetWindowText(QStringLiteral("abc"));
    m_view->SetSel(1, 1);
    QVERIFY(!m_frame->QueryCommandUI(ID_EDIT_CUT).m_enabled);
    QVERIFY(!m_frame->QueryCommandUI(ID_EDIT_PASTE).m_enabled);
    m_view->SetSel(0, 2);
    ClipboardSetText(QStringLiteral("x"));
    QVERIFY(m_frame->QueryCommandUI(ID_EDIT_CUT).m_enabled);
    QVERIFY(m_frame->QueryCommandUI(ID_EDIT_PASTE).m_enabled);
}

void TestEditor::editorLook()
{
    m_view->SetWindowText(QStringLiteral("abc\r\n\tx\r\n    x"));
    // Tabs every four characters.
    auto left = [this](int line, int column) {
        QTextCursor cursor(m_view->document()->findBlockByNumber(line));
        cursor.setPosition(cursor.position() + column);
        return m_view->cursorRect(cursor).left();
    };
    QCOMPARE(left(1, 1), left(2, 4));

    // White on black, and the page's selection stays visible while the tutorial has the focus.
    m_view->SetSel(0, 3);
    m_frame->m_tutorialView->setFocus();
    if (m_view->hasFocus())
        m_view->clearFocus();
    QVERIFY(!m_view->hasFocus());
    const QImage image = m_view->viewport()->grab().toImage();
    const int h = rowHeight();
    const QColor highlight = m_view->palette().color(QPalette::Active, QPalette::Highlight);
    QCOMPARE(m_view->palette().color(QPalette::Inactive, QPalette::Highlight), highlight);
    int highlighted = 0;
    int white = 0;
    for (int x = 0; x < 60; ++x) {
        for (int y = 0; y < h; ++y)
            highlighted += image.pixelColor(x, y) == highlight;
        for (int y = h; y < 2 * h; ++y)
            white += image.pixelColor(x, y).lightness() > 200;
    }
    QVERIFY(highlighted > 60);
    QVERIFY(white > 0);
    QCOMPARE(image.pixelColor(image.width() - 20, h / 2), QColor(Qt::black));
    QCOMPARE(image.pixelColor(image.width() - 20, 5 * h), QColor(Qt::black));
}

void TestEditor::showPageLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pages");
    QTest::addColumn<IntList>("kinds");
    QTest::addColumn<IntList>("lines");
    QTest::addColumn<IntList>("counts");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("firstVisible");

    const QString hundred = numberedLines(100);
    const QString ae = QStringLiteral("a\r\nb\r\nc\r\nd\r\ne\r\n");
    const int line12 = int(hundred.indexOf("line 12"));
    // Before every row: the text scrolled to line index 30 (as far as it goes), 1 to 2 selected.
    QTest::newRow("no pages: nothing changes")
        << hundred << 0 << IntList{1} << IntList{50} << IntList{2} << 0 << 1 << 2 << 30;
    QTest::newRow("no current page: caret at the top")
        << hundred << 1 << IntList{1} << IntList{50} << IntList{2} << -1 << 0 << 0 << 0;
    QTest::newRow("page beyond every list")
        << hundred << 1 << IntList{1} << IntList{50} << IntList{2} << 5 << 0 << 0 << 0;
    QTest::newRow("add at line 12")
        << hundred << 1 << IntList{Add} << IntList{12} << IntList{3} << 0 << line12 << line12 << 2;
    QTest::newRow("replace c and d")
        << ae << 1 << IntList{Replace} << IntList{3} << IntList{2} << 0 << 6 << 12 << 0;
    QTest::newRow("delete c and d")
        << ae << 1 << IntList{Delete} << IntList{3} << IntList{2} << 0 << 6 << 12 << 0;
    QTest::newRow("double-byte") << QStringLiteral("あ\r\nい\r\n") << 1 << IntList{Delete}
                                 << IntList{2} << IntList{1} << 0 << 3 << 6 << 0;
    QTest::newRow("count 0") << ae << 1 << IntList{Replace} << IntList{3} << IntList{0} << 0 << 6
                             << 6 << 0;
    QTest::newRow("kind of another list")
        << ae << 1 << IntList{} << IntList{3} << IntList{2} << 0 << 6 << 6 << 0;
    QTest::newRow("unknown kind: caret")
        << ae << 1 << IntList{7} << IntList{3} << IntList{2} << 0 << 6 << 6 << 0;
    QTest::newRow("line 1") << hundred << 1 << IntList{Add} << IntList{1} << IntList{1} << 0 << 0
                            << 0 << 0;
    QTest::newRow("line 9") << hundred << 1 << IntList{Add} << IntList{9} << IntList{1} << 0
                            << int(hundred.indexOf("line 9")) << int(hundred.indexOf("line 9"))
                            << 0;
    QTest::newRow("line 50 is the tenth row")
        << hundred << 1 << IntList{Delete} << IntList{50} << IntList{1} << 0
        << int(hundred.indexOf("line 50")) << int(hundred.indexOf("line 51")) << 40;
    QTest::newRow("last line without a break")
        << QStringLiteral("a\r\nb\r\nc") << 1 << IntList{Replace} << IntList{2} << IntList{5} << 0
        << 3 << 7 << 0;
    QTest::newRow("text shorter than the page") << QStringLiteral("a\r\nb") << 1 << IntList{Replace}
                                                << IntList{5} << IntList{2} << 0 << 4 << 4 << 0;
    QTest::newRow("largest line and count")
        << ae << 1 << IntList{Delete} << IntList{INT_MAX} << IntList{INT_MAX} << 0 << 15 << 15 << 0;
    QTest::newRow("largest count from line 1")
        << ae << 1 << IntList{Delete} << IntList{1} << IntList{INT_MAX} << 0 << 0 << 15 << 0;
    QTest::newRow("negative line and count")
        << ae << 1 << IntList{Delete} << IntList{INT_MIN} << IntList{INT_MIN} << 0 << 0 << 0 << 0;
}

void TestEditor::showPageLines()
{
    QFETCH(QString, text);
    QFETCH(int, pages);
    QFETCH(IntList, kinds);
    QFETCH(IntList, lines);
    QFETCH(IntList, counts);
    QFETCH(int, current);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(int, firstVisible);

    m_view->SetWindowText(text);
    m_view->LineScroll(30);
    m_view->SetSel(1, 2);
    setLesson(pages, kinds, lines, counts, current);
    m_view->m_pageDone = true;
    m_frame->m_tutorialView->setFocus();
    QWidget *focus = QApplication::focusWidget();
    QSignalSpy painted(m_view->m_lineWnd, &CLineWnd::Painted);

    m_view->ShowPageLines();

    QCOMPARE(selection(), Selection({start, end}));
    QCOMPARE(m_view->GetFirstVisibleLine(), firstVisible);
    QCOMPARE(painted.count() > 0, pages > 0);
    QCOMPARE(QApplication::focusWidget(), focus);
    QVERIFY(m_view->m_pageDone);
}

void TestEditor::stepKeys_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("afterSecondKey");
    QTest::addColumn<QString>("clipboardAfterSecondKey");

    // The step cuts c and d, keeping them on the clipboard; the second key edits as usual.
    const QString cd = QStringLiteral("c\nd\n");
    QTest::newRow("Back Space") << int(Delete) << int(Qt::Key_Backspace) << 0
                                << QStringLiteral("a\r\nbe\r\n") << cd;
    QTest::newRow("Delete") << int(Delete) << int(Qt::Key_Delete) << 0
                            << QStringLiteral("a\r\nb\r\n\r\n") << cd;
    QTest::newRow("Ctrl+Back Space")
        << int(Delete) << int(Qt::Key_Backspace) << int(Qt::ControlModifier)
        << QStringLiteral("a\r\nbe\r\n") << cd;
    // Once done, Shift+Delete is the Cut command, which has nothing selected to cut.
    QTest::newRow("Shift+Delete") << int(Delete) << int(Qt::Key_Delete) << int(Qt::ShiftModifier)
                                  << QStringLiteral("a\r\nb\r\ne\r\n") << cd;
    // Not a Delete page: ordinary editing, the step stays open.
    QTest::newRow("Back Space on a Replace page")
        << int(Replace) << int(Qt::Key_Backspace) << 0 << QStringLiteral("a\r\nbe\r\n")
        << QStringLiteral("snippet");
}

void TestEditor::stepKeys()
{
    QFETCH(int, kind);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, afterSecondKey);
    QFETCH(QString, clipboardAfterSecondKey);

    m_view->SetWindowText(QStringLiteral("a\r\nb\r\nc\r\nd\r\ne\r\n"));
    setPage(kind, 3, 2);
    m_view->ShowPageLines();
    ClipboardSetText(QStringLiteral("snippet"));
    const auto mods = Qt::KeyboardModifiers(modifiers);

    QTest::keyClick(m_view, Qt::Key(key), mods);
    QCOMPARE(m_view->GetWindowText(), QStringLiteral("a\r\nb\r\ne\r\n"));
    const bool step = kind == Delete;
    QCOMPARE(m_view->m_pageDone, step);
    QCOMPARE(ClipboardText(), step ? QStringLiteral("c\nd\n") : QStringLiteral("snippet"));
    // Done by key as by the Cut command: clicks in the page follow its links again.
    QCOMPARE(m_frame->m_tutorialView->m_copyDisabled, step);

    QTest::keyClick(m_view, Qt::Key(key), mods);
    QCOMPARE(m_view->GetWindowText(), afterSecondKey);
    QCOMPARE(m_view->m_pageDone, step);
    QCOMPARE(ClipboardText(), clipboardAfterSecondKey);
}

void TestEditor::guardedEdits_data()
{
    QTest::addColumn<int>("kind"); // -1: no current page
    QTest::addColumn<bool>("done");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<bool>("doneAfter");
    QTest::addColumn<bool>("copyDisabled");

    // Over "a b c" with b and its line break selected and "X" on the clipboard.
    const QString abc = QStringLiteral("a\r\nb\r\nc");
    const QString pasted = QStringLiteral("a\r\nXc");
    const QString cut = QStringLiteral("a\r\nc");
    QTest::newRow("paste on a Delete page")
        << int(Delete) << false << "Ctrl+V" << abc << "X" << false << false;
    QTest::newRow("paste on an Add page")
        << int(Add) << false << "Ctrl+V" << pasted << "" << true << true;
    QTest::newRow("Shift+Insert on a Replace page")
        << int(Replace) << false << "Shift+Ins" << pasted << "" << true << true;
    QTest::newRow("paste command when done")
        << int(Add) << true << "paste" << pasted << "" << true << true;
    QTest::newRow("paste without a page") << -1 << false << "paste" << pasted << "" << true << true;
    QTest::newRow("paste on an unknown kind")
        << 7 << false << "paste" << abc << "X" << false << false;
    QTest::newRow("Ctrl+X before the paste")
        << int(Add) << false << "Ctrl+X" << abc << "X" << false << false;
    QTest::newRow("Ctrl+X after the paste") << int(Add) << true << "Ctrl+X" << cut << "b\n"
                                            << true << false;
    QTest::newRow("Shift+Delete after the paste")
        << int(Replace) << true << "Shift+Del" << cut << "b\n"
        << true << false;
    QTest::newRow("cut on a Delete page")
        << int(Delete) << false << "cut" << cut << "" << true << true;
    QTest::newRow("cut on a done Delete page")
        << int(Delete) << true << "Ctrl+X" << cut << "" << true << true;
    QTest::newRow("gutter menu: cut on a Delete page")
        << int(Delete) << false << "gutter cut" << cut << "" << true << true;
    QTest::newRow("gutter menu: paste on an Add page")
        << int(Add) << false << "gutter paste" << pasted << "" << true << true;
    QTest::newRow("gutter menu: cut before the paste")
        << int(Add) << false << "gutter cut" << abc << "X" << false << false;
}

void TestEditor::guardedEdits()
{
    QFETCH(int, kind);
    QFETCH(bool, done);
    QFETCH(QString, action);
    QFETCH(QString, text);
    QFETCH(QString, clipboard);
    QFETCH(bool, doneAfter);
    QFETCH(bool, copyDisabled);

    m_view->SetWindowText(QStringLiteral("a\r\nb\r\nc"));
    if (kind != -1)
        setPage(kind, 2, 1);
    m_view->SetSel(3, 6);
    m_view->m_pageDone = done;
    ClipboardSetText(QStringLiteral("X"));

    if (action == "cut" || action == "paste") {
        // The menu and toolbar's road: the frame routes to the active view.
        m_frame->SetActiveView(m_view);
        QVERIFY(m_frame->RouteCommand(action == "cut" ? ID_EDIT_CUT : ID_EDIT_PASTE));
    } else if (action.startsWith("gutter ")) {
        m_menuAnswer = action.endsWith("cut") ? ID_EDIT_CUT : ID_EDIT_PASTE;
        QTest::mouseClick(m_view->m_lineWnd, Qt::RightButton, {}, QPoint(10, 5));
        QCOMPARE(m_menusShown, QVector<int>{IDR_MENU_PROGRAMMING});
    } else {
        QTest::keySequence(m_view, QKeySequence(action));
    }

    QCOMPARE(m_view->GetWindowText(), text);
    QCOMPARE(ClipboardText(), clipboard);
    QCOMPARE(m_view->m_pageDone, doneAfter);
    QCOMPARE(m_frame->m_tutorialView->m_copyDisabled, copyDisabled);

    if (text == QStringLiteral("a\r\nXc")) {
        // The clipboard was emptied: a second paste inserts nothing.
        QTest::keySequence(m_view, QKeySequence(QStringLiteral("Ctrl+V")));
        QCOMPARE(m_view->GetWindowText(), text);
    }
}

void TestEditor::nothingToCutOrPaste_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("after");

    // Nothing selected and nothing on the clipboard: no road completes the step.
    const QString abc = QStringLiteral("a\r\nb\r\nc");
    QTest::newRow("Ctrl+V on an Add page") << int(Add) << "Ctrl+V" << abc;
    QTest::newRow("paste command without a page") << -1 << "paste" << abc;
    QTest::newRow("editor menu paste") << int(Replace) << "editor paste" << abc;
    QTest::newRow("gutter menu paste") << int(Add) << "gutter paste" << abc;
    QTest::newRow("Ctrl+X on a Delete page") << int(Delete) << "Ctrl+X" << abc;
    QTest::newRow("cut command on a Delete page") << int(Delete) << "cut" << abc;
    QTest::newRow("gutter menu cut on a Delete page") << int(Delete) << "gutter cut" << abc;
    // The step keys edit as usual.
    QTest::newRow("Delete on a Delete page") << int(Delete) << "Del"
                                             << "a\r\n\r\nc";
    QTest::newRow("Back Space on a Delete page") << int(Delete) << "Backspace"
                                                 << "ab\r\nc";
}

void TestEditor::nothingToCutOrPaste()
{
    QFETCH(int, kind);
    QFETCH(QString, action);
    QFETCH(QString, after);

    const QString text = QStringLiteral("a\r\nb\r\nc");
    m_view->SetWindowText(text);
    if (kind != -1)
        setPage(kind, 2, 1);
    m_view->SetSel(3, 3);
    ClipboardEmpty();

    if (action == "cut" || action == "paste") {
        m_frame->SetActiveView(m_view);
        QVERIFY(m_frame->RouteCommand(action == "cut" ? ID_EDIT_CUT : ID_EDIT_PASTE));
    } else if (action.contains(' ')) {
        m_menuAnswer = action.endsWith("cut") ? ID_EDIT_CUT : ID_EDIT_PASTE;
        QWidget *target = action.startsWith("gutter") ? static_cast<QWidget *>(m_view->m_lineWnd)
                                                      : m_view->viewport();
        QTest::mouseClick(target, Qt::RightButton, {}, QPoint(10, 5));
        QCOMPARE(m_menusShown, QVector<int>{IDR_MENU_PROGRAMMING});
    } else {
        QTest::keySequence(m_view, QKeySequence(action));
    }

    QCOMPARE(m_view->GetWindowText(), after);
    QCOMPARE(m_view->m_pageDone, false);
    QCOMPARE(m_frame->m_tutorialView->m_copyDisabled, false);
}

void TestEditor::clicks_data()
{
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("current");
    QTest::addColumn<bool>("done");
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<Selection>("expected");

    // The page selects c and d; before the click the caret stands at 1, the click is on line 1.
    const Selection page{6, 12};
    const Selection caret{1, 1};
    const Selection clicked{0, 0};
    QTest::newRow("left before the step")
        << 1 << 0 << false << int(Qt::LeftButton) << false << page;
    QTest::newRow("double click before the step")
        << 1 << 0 << false << int(Qt::LeftButton) << true << page;
    QTest::newRow("left after the step")
        << 1 << 0 << true << int(Qt::LeftButton) << false << clicked;
    QTest::newRow("left without a page")
        << 1 << -1 << false << int(Qt::LeftButton) << false << clicked;
    QTest::newRow("left on a page beyond an empty lesson")
        << 0 << 3 << false << int(Qt::LeftButton) << false << caret;
    QTest::newRow("middle before the step")
        << 1 << 0 << false << int(Qt::MiddleButton) << false << caret;
    QTest::newRow("middle after the step")
        << 1 << 0 << true << int(Qt::MiddleButton) << true << caret;
}

void TestEditor::clicks()
{
    QFETCH(int, pages);
    QFETCH(int, current);
    QFETCH(bool, done);
    QFETCH(int, button);
    QFETCH(bool, doubleClick);
    QFETCH(Selection, expected);

    const QString text = QStringLiteral("a\r\nb\r\nc\r\nd\r\ne\r\n");
    m_view->SetWindowText(text);
    setLesson(pages, {Delete}, {3}, {2}, current);
    m_view->SetSel(1, 1);
    m_view->m_pageDone = done;
    ClipboardSetText(QStringLiteral("X"));

    const auto mouseButton = Qt::MouseButton(button);
    const QPoint at = lineCenter(0);
    QWidget *viewport = m_view->viewport();
    if (doubleClick)
        QTest::mouseDClick(viewport, mouseButton, {}, at);
    else
        QTest::mouseClick(viewport, mouseButton, {}, at);

    QCOMPARE(selection(), expected);
    QCOMPARE(m_view->GetWindowText(), text);
    QCOMPARE(m_view->m_pageDone, done);
}

void TestEditor::editorContextMenu_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<bool>("done");

    // b and its line break selected, "X" on the clipboard, an Add page at line 2.
    const QString abc = QStringLiteral("a\r\nb\r\nc");
    QTest::newRow("no page, dismissed") << -1 << 0 << abc << "X" << true;
    QTest::newRow("no page, cut") << -1 << int(ID_EDIT_CUT) << "a\r\nc"
                                  << "b\n"
                                  << true;
    QTest::newRow("page, dismissed") << 0 << 0 << abc << "X" << false;
    QTest::newRow("page, cut before the paste") << 0 << int(ID_EDIT_CUT) << abc << "X" << false;
    QTest::newRow("page, paste") << 0 << int(ID_EDIT_PASTE) << "a\r\nXc"
                                 << "" << true;
}

void TestEditor::editorContextMenu()
{
    QFETCH(int, current);
    QFETCH(int, answer);
    QFETCH(QString, text);
    QFETCH(QString, clipboard);
    QFETCH(bool, done);

    m_view->SetWindowText(QStringLiteral("a\r\nb\r\nc"));
    setLesson(1, {Add}, {2}, {1}, current);
    m_view->SetSel(3, 6);
    ClipboardSetText(QStringLiteral("X"));
    m_menuAnswer = answer;

    QTest::mouseClick(m_view->viewport(), Qt::RightButton, {}, lineCenter(2));

    QCOMPARE(m_menusShown, QVector<int>{IDR_MENU_PROGRAMMING});
    QCOMPARE(m_view->GetWindowText(), text);
    QCOMPARE(ClipboardText(), clipboard);
    QCOMPARE(m_view->m_pageDone, done);
}

void TestEditor::noBuiltInContextMenu()
{
    // The control's own menu would offer an unguarded paste: it must never open.
    m_view->SetWindowText(QStringLiteral("abc"));
    QWidget *viewport = m_view->viewport();
    for (const auto reason : {QContextMenuEvent::Mouse, QContextMenuEvent::Keyboard}) {
        QContextMenuEvent event(reason, QPoint(50, 5), viewport->mapToGlobal(QPoint(50, 5)));
        QApplication::sendEvent(viewport, &event);
        QWidget *popup = QApplication::activePopupWidget();
        if (popup)
            popup->close();
        QVERIFY(!popup);
    }
    QVERIFY(m_menusShown.isEmpty());
}

void TestEditor::keysBeforeWindowShortcuts()
{
    // A window shortcut on the same keys must not take them from the editor.
    QAction action(m_frame);
    action.setShortcuts(
        {QKeySequence(QStringLiteral("Shift+Ins")), QKeySequence(QStringLiteral("Ctrl+V"))});
    m_frame->addAction(&action);
    int fired = 0;
    connect(&action, &QAction::triggered, this, [&fired] { ++fired; });
    m_view->SetWindowText(QStringLiteral("ab"));
    setPage(Add, 1, 0);
    m_view->SetSel(1, 1);
    for (const char *keys : {"Shift+Ins", "Ctrl+V"}) {
        ClipboardSetText(QStringLiteral("X"));
        QTest::keySequence(m_view, QKeySequence(QString::fromLatin1(keys)));
    }
    QCOMPARE(fired, 0);
    QCOMPARE(m_view->GetWindowText(), QStringLiteral("aXXb"));
    m_frame->removeAction(&action);
}

void TestEditor::gutterPlacement()
{
    CLineWnd *gutter = m_view->m_lineWnd;
    QCOMPARE(gutter->parentWidget(), m_view);
    const QRect client = m_view->contentsRect();
    QCOMPARE(gutter->geometry(), QRect(client.left(), client.top(), 30, client.height()));
    QCOMPARE(gutter->m_topY, 0);
    QCOMPARE(m_view->GetMargins().left(), 35);
    // Its rows are the text's rows: line 1 of the text starts at the gutter's first row.
    QCOMPARE(m_view->viewport()->geometry().top(), client.top());
    QCOMPARE(m_view->cursorRect(QTextCursor(m_view->document())).top(), 0);

    m_frame->resize(900, 500);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    const QRect resized = m_view->contentsRect();
    QCOMPARE(gutter->geometry(), QRect(resized.left(), resized.top(), 30, resized.height()));
    m_frame->resize(1000, 700);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void TestEditor::gutterArrows_data()
{
    QTest::addColumn<IntList>("kinds");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("scroll");
    QTest::addColumn<IntList>("arrowLines");
    QTest::addColumn<QColor>("color");

    const QColor red(255, 0, 0);
    QTest::newRow("add: red") << IntList{Add} << 3 << 2 << 0 << IntList{3, 4} << red;
    QTest::newRow("replace: green")
        << IntList{Replace} << 1 << 1 << 0 << IntList{1} << QColor(0, 160, 0);
    QTest::newRow("delete: blue") << IntList{Delete} << 5 << 3 << 0 << IntList{5, 6, 7}
                                  << QColor(0, 0, 255);
    QTest::newRow("other kind: yellow")
        << IntList{-3} << 2 << 1 << 0 << IntList{2} << QColor(255, 255, 0);
    QTest::newRow("kind missing: red") << IntList{} << 2 << 1 << 0 << IntList{2} << red;
    QTest::newRow("count 0: none") << IntList{Delete} << 3 << 0 << 0 << IntList{} << red;
    QTest::newRow("beyond the last line: none")
        << IntList{Add} << 61 << 5 << 60 << IntList{} << red;
    QTest::newRow("partly scrolled out")
        << IntList{Replace} << 3 << 5 << 4 << IntList{5, 6, 7} << QColor(0, 160, 0);
    QTest::newRow("largest count")
        << IntList{Add} << 58 << INT_MAX << 60 << IntList{58, 59, 60} << red;
    QTest::newRow("negative line") << IntList{Add} << -5 << 8 << 0 << IntList{1, 2} << red;
}

void TestEditor::gutterArrows()
{
    QFETCH(IntList, kinds);
    QFETCH(int, line);
    QFETCH(int, count);
    QFETCH(int, scroll);
    QFETCH(IntList, arrowLines);
    QFETCH(QColor, color);

    m_view->SetWindowText(numberedLines(60));
    setLesson(1, kinds, {line}, {count}, 0);
    m_view->LineScroll(scroll);
    const int first = m_view->GetFirstVisibleLine();

    const QImage image = gutterImage();
    const int h = rowHeight();
    for (int row = 0; (row + 1) * h <= image.height() && first + row < 60; ++row) {
        const int number = first + row + 1;
        const int y = row * h;
        if (arrowLines.contains(number)) {
            for (const QPoint &point : m_view->m_lineWnd->ArrowPolygon(y))
                QCOMPARE(image.pixelColor(point), color);
            QCOMPARE(image.pixelColor(m_view->m_lineWnd->m_arrowX + 4, y + h / 2), color);
        } else {
            for (int x = 24; x < image.width(); ++x)
                QCOMPARE(image.pixelColor(x, y + h / 2), kGrey);
        }
    }
    // The table's points for h = 16, from the arrows' start (12 beside one-digit numbers).
    m_view->m_lineWnd->m_lineHeight = 16;
    const int x = m_view->m_lineWnd->m_arrowX;
    QVERIFY(x >= 12);
    QCOMPARE(m_view->m_lineWnd->ArrowPolygon(100),
             QPolygon({{12, 104}, {19, 104}, {19, 101}, {27, 108}, {19, 115}, {19, 112}, {12, 112}})
                 .translated(x - 12, 0));
    m_view->m_lineWnd->m_lineHeight = h;
}

void TestEditor::gutterNumbers()
{
    const int h = rowHeight();
    // What a row showing the number n looks like, drawn on its own.
    auto expectedRow = [&](int n) {
        QImage row(30, h, QImage::Format_RGB32);
        row.fill(kGrey);
        QPainter painter(&row);
        painter.setFont(m_view->m_lineWnd->font());
        painter.setPen(Qt::black);
        painter.drawText(1, painter.fontMetrics().ascent(), QString::number(n));
        return row;
    };
    auto rowOf = [&](const QImage &image, int row) {
        return image.copy(0, row * h, 30, h).convertToFormat(QImage::Format_RGB32);
    };
    auto isGrey = [](const QImage &image) {
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) != kGrey)
                    return false;
            }
        }
        return true;
    };

    // An empty editor: one row, numbered 1.
    QImage image = gutterImage();
    QCOMPARE(rowOf(image, 0), expectedRow(1));
    QVERIFY(isGrey(image.copy(0, h, 30, image.height() - h)));

    // The numbers follow the scroll; the partial row at the bottom stays empty.
    m_view->SetWindowText(numberedLines(200));
    for (int extra = 0; m_view->m_lineWnd->height() % h == 0 && extra < h; ++extra) {
        m_frame->resize(1000, 700 + extra);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    QVERIFY(m_view->m_lineWnd->height() % h != 0);
    m_view->LineScroll(7);
    image = gutterImage();
    const int rows = image.height() / h;
    QCOMPARE(rowOf(image, 0), expectedRow(8));
    QCOMPARE(rowOf(image, rows - 1), expectedRow(7 + rows));
    QVERIFY(isGrey(image.copy(0, rows * h, 30, image.height() - rows * h)));
    QCOMPARE(m_view->m_lineWnd->m_firstVisibleLine, 7);
    QCOMPARE(m_view->m_lineWnd->m_lineCount, 200);
    m_frame->resize(1000, 700);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void TestEditor::gutterRepaints()
{
    m_view->SetWindowText(QStringLiteral("a\r\nb"));
    m_view->SetSel(1, 1);
    QSignalSpy painted(m_view->m_lineWnd, &CLineWnd::Painted);

    QTest::keyClick(m_view, Qt::Key_X);
    QCOMPARE(painted.count(), 0);
    QTest::keyClick(m_view, Qt::Key_Return);
    QCOMPARE(painted.count(), 1);
    QTest::keyClick(m_view, Qt::Key_Backspace);
    QCOMPARE(painted.count(), 2);
    QCOMPARE(m_view->m_lastLineCount, 2);

    m_view->SetWindowText(numberedLines(100));
    painted.clear();
    m_view->verticalScrollBar()->setValue(20);
    QCOMPARE(painted.count(), 1);
    QCOMPARE(m_view->m_lineWnd->m_firstVisibleLine, 20);

    // The text also scrolls to follow the caret, with no scroll bar action: the numbers follow.
    QTest::keyClick(m_view, Qt::Key_End, Qt::ControlModifier);
    QVERIFY(m_view->GetFirstVisibleLine() > 50);
    QCOMPARE(m_view->m_lineWnd->m_firstVisibleLine, m_view->GetFirstVisibleLine());
    QTest::keyClick(m_view, Qt::Key_Return);
    QCOMPARE(m_view->m_lineWnd->m_firstVisibleLine, m_view->GetFirstVisibleLine());
    QTest::keyClick(m_view, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(m_view->m_lineWnd->m_firstVisibleLine, 0);
}

void TestEditor::pageChangePaintsGutterOnce_data()
{
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("mostPaints");
    // A page of another kind has another selection colour, and Qt repaints the whole editor for
    // it, the gutter with it: that paint is Qt's.
    QTest::newRow("same kind") << 1 << 1;
    QTest::newRow("another kind") << 2 << 2;
}

void TestEditor::pageChangePaintsGutterOnce()
{
    QFETCH(int, to);
    QFETCH(int, mostPaints);
    m_view->SetWindowText(numberedLines(300));
    setLesson(3, {Replace, Replace, Add}, {20, 150, 260}, {3, 3, 3}, 0);
    const auto showPage = [this](int page) {
        m_frame->m_tutorialView->OnBeforeNavigate2(
            QStringLiteral("file:///lesson/html/index%1.html").arg(page));
    };
    showPage(0);
    QCoreApplication::processEvents();
    QSignalSpy painted(m_view->m_lineWnd, &CLineWnd::Painted);

    showPage(to);
    QCoreApplication::processEvents();

    QCOMPARE(theLesson.m_currentPage, to);
    QVERIFY(painted.count() >= 1);
    QVERIFY2(painted.count() <= mostPaints, qPrintable(QString::number(painted.count())));
    // Whichever paint came last drew the new page's rows.
    QCOMPARE(m_view->m_lineWnd->m_firstVisibleLine, m_view->GetFirstVisibleLine());
    QVERIFY(m_view->GetFirstVisibleLine() > 100);
}

void TestEditor::gutterClicks()
{
    m_view->SetWindowText(QStringLiteral("a\r\nb\r\nc\r\nd\r\ne\r\n"));
    setPage(Replace, 3, 2);
    m_view->SetSel(1, 1);
    for (const auto button : {Qt::LeftButton, Qt::MiddleButton}) {
        QTest::mouseClick(m_view->m_lineWnd, button, {}, QPoint(5, 5));
        QTest::mouseDClick(m_view->m_lineWnd, button, {}, QPoint(5, 5));
    }
    QCOMPARE(selection(), Selection({1, 1}));
    QVERIFY(m_menusShown.isEmpty());
    // The gutter's menu leaves the step alone, unlike the editor's.
    theLesson.m_currentPage = -1;
    QTest::mouseClick(m_view->m_lineWnd, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(m_menusShown, QVector<int>{IDR_MENU_PROGRAMMING});
    QVERIFY(!m_view->m_pageDone);
}

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestEditor test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_editor.moc"
