// What tells the learner what to do next, through the real window: the start page's lesson list,
// step-aware undo and redo, arrows over a done step's lines, a gutter wide enough for its numbers,
// a layout that keeps the editor readable, Run with the desktop's browser and the learner guide.

#include "aboutdlg.h"
#include "bolto.h"
#include "clipboard.h"
#include "defaultbrowser.h"
#include "html5app.h"
#include "html5doc.h"
#include "html5view.h"
#include "lessonbytes.h"
#include "linewnd.h"
#include "mainframe.h"
#include "messagebox.h"
#include "pagescript.h"
#include "paths.h"
#include "programmingview.h"
#include "resource.h"
#include "smartsplitter.h"
#include "statusbar.h"
#include "texts.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <memory>

namespace {
const int kTimeout = 60000;

// Three steps on an empty program: add four lines, replace the middle two with five, delete one.
const QByteArray kAdd = "<html>\r\n<body>\r\n</body>\r\n</html>\r\n";
const QByteArray kReplace = "<body>\r\n<p>a</p>\r\n<p>b</p>\r\n<p>c</p>\r\n</body>\r\n";

QString lf(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QByteArray page(const char *title)
{
    return QByteArray("<html><head><title>") + title +
           "</title></head><body style='margin:0;height:100vh'><p>step</p></body></html>";
}
} // namespace

class TestGuidance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void startPageLinkOpensLesson();
    void undoAndRedoFollowTheStep();
    void deletePageFeedback();
    void newTextStartsFreshHistory();
    void gutterWidensForThreeDigits();
    void pastedBlockScrollsIntoView();
    void narrowWindowKeepsEditorColumns();
    void runUsesBrowserVariable();
    void runWithoutAnyBrowser();
    void browserCommands_data();
    void browserCommands();
    void guideOpensInItsOwnWindow();

private:
    CMainFrame *frame() const { return m_app->m_mainFrame; }
    CProgrammingView *editor() const { return frame()->m_editorView; }
    CHTML5View *tutorial() const { return frame()->m_tutorialView; }
    QString status() const { return frame()->m_statusBar->GetPaneText(0); }
    QVariant evaluate(const QString &script);
    bool showPage(int page);
    void clickPage();
    void key(const QKeySequence &keys);
    void writeFile(const QString &relative, const QByteArray &bytes);

    QTemporaryDir m_dir;
    std::unique_ptr<CHTML5App> m_app;
    QStringList m_messages;
};

void TestGuidance::writeFile(const QString &relative, const QByteArray &bytes)
{
    const QString file = m_dir.filePath(relative);
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(bytes);
}

void TestGuidance::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // The start page as the build puts it next to the program, and a lesson beside it.
    QFile start(qEnvironmentVariable("BOLTO_BIN_DIR") + "/index.html");
    QVERIFY(start.open(QIODevice::ReadOnly));
    writeFile("index.html", start.readAll());
    LessonBytes lesson;
    lesson.count(3).text(kAdd).text(kReplace).text(QByteArray());
    lesson.count(3).integer(Add).integer(Replace).integer(Delete);
    lesson.count(3).integer(1).integer(2).integer(3);
    lesson.count(3).integer(0).integer(2).integer(1);
    lesson.folder("les");
    writeFile("les.blsh", lesson.bytes());
    writeFile("les/html/index0.html", page("First &amp; lesson"));
    writeFile("les/html/index1.html", page("two"));
    writeFile("les/html/index2.html", page("three"));
    SetProgramDirectoryOverride(m_dir.path().toStdString() + '/');
    SetMessageBoxHook([this](const QString &text, unsigned) {
        m_messages << text;
        return IDOK;
    });

    m_app = std::make_unique<CHTML5App>();
    QVERIFY(m_app->InitInstance({}));
    frame()->resize(1000, 700);
    frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame()));
}

void TestGuidance::cleanupTestCase()
{
    m_app.reset();
    SetMessageBoxHook({});
    SetProgramDirectoryOverride({});
}

QVariant TestGuidance::evaluate(const QString &script)
{
    return RunInPage(tutorial()->page(), script, kTimeout);
}

bool TestGuidance::showPage(int number)
{
    const QString target = m_dir.filePath(QStringLiteral("les/html/index%1.html").arg(number));
    QSignalSpy finished(tutorial(), &QWebEngineView::loadFinished);
    tutorial()->Navigate2(target);
    return (finished.wait(kTimeout) || !finished.isEmpty()) && theLesson.m_currentPage == number;
}

void TestGuidance::clickPage()
{
    QTest::mouseClick(tutorial()->focusProxy(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
}

void TestGuidance::key(const QKeySequence &keys)
{
    editor()->setFocus();
    QTest::keySequence(editor(), keys);
}

void TestGuidance::startPageLinkOpensLesson()
{
    // The list is filled once the page is there: one card per lesson file, a link each.
    QVariant cards;
    QVERIFY(QTest::qWaitFor(
        [&] {
            cards = evaluate("(function () { var a = document.querySelectorAll('#lessons a');"
                             " return a.length ? [a.length, a[0].textContent] : 0; })()");
            return cards.typeId() == QMetaType::QVariantList;
        },
        kTimeout));
    const QVariantList list = cards.toList();
    QCOMPARE(list.value(0).toInt(), 1);
    // The page's own script cannot open a lesson; only the learner's click does.
    evaluate("document.querySelector('#lessons a').click(); 1");
    evaluate("1");
    QCoreApplication::processEvents();
    QCOMPARE(theLesson.GetPageCount(), 0);
    QVERIFY2(list.value(1).toString().contains("First & lesson — les.blsh"),
             qPrintable(list.value(1).toString()));
    QVERIFY(list.value(1).toString().contains(qs(Str::StartLessonSteps).arg(3)));

    const QVariant rect = evaluate("(function () { var r = document.querySelector('#lessons a')"
                                   ".getBoundingClientRect(); r.x; document.querySelector("
                                   "'#lessons a').scrollIntoView({block: 'center'});"
                                   " r = document.querySelector('#lessons a')"
                                   ".getBoundingClientRect();"
                                   " return [r.left + 20, r.top + r.height / 2]; })()");
    const QVariantList xy = rect.toList();
    QCOMPARE(xy.size(), 2);
    const qreal zoom = tutorial()->zoomFactor();
    QTest::mouseClick(tutorial()->focusProxy(), Qt::LeftButton, Qt::NoModifier,
                      QPointF(xy[0].toDouble() * zoom, xy[1].toDouble() * zoom).toPoint());
    QTRY_COMPARE_WITH_TIMEOUT(theLesson.GetPageCount(), 3, kTimeout);
    QVERIFY(frame()->GetActiveDocument());
    QCOMPARE(frame()->GetActiveDocument()->GetPathName(),
             QDir::cleanPath(m_dir.filePath("les.blsh")));
    QTRY_COMPARE_WITH_TIMEOUT(theLesson.m_currentPage, 0, kTimeout);
    QCOMPARE(m_messages, QStringList());
}

void TestGuidance::undoAndRedoFollowTheStep()
{
    if (theLesson.GetPageCount() != 3)
        QVERIFY(m_app->OpenDocumentFile(m_dir.filePath("les.blsh")));
    QVERIFY(showPage(0));

    // Step 1: copy, paste; the status bar says what comes next.
    clickPage();
    QCOMPARE(lf(ClipboardText()), lf(QString::fromLatin1(kAdd)));
    QCOMPARE(status(), qs(Str::SnippetCopied));
    // A second click copies again and reminds the learner of the paste.
    clickPage();
    QCOMPARE(status(), qs(Str::SnippetCopied) + qs(Str::PasteFirstHint));
    key(QKeySequence::Paste);
    QVERIFY(editor()->m_pageDone);
    QCOMPARE(status(), qs(Str::StepPasted));
    const QString afterStep1 = editor()->GetWindowText();

    // Step 2 replaces lines 2 and 3 with five lines; step 1's message went with its page.
    QVERIFY(showPage(1));
    QCOMPARE(status(), qs(Str::Ready));
    clickPage();
    // The copy message goes with the clipboard's content.
    ClipboardEmpty();
    QTRY_COMPARE(status(), qs(Str::Ready));
    clickPage();
    key(QKeySequence::Paste);
    QVERIFY(editor()->m_pageDone);
    QVERIFY(tutorial()->m_copyDisabled);
    const QString afterStep2 = editor()->GetWindowText();
    QCOMPARE(editor()->GetLineCount(), 4 + 3 + 1);

    // The arrows now mark the new block, lines 2 to 6, in the page's colour.
    int first = -1;
    int count = -1;
    QVERIFY(editor()->ResultLines(first, count));
    QCOMPARE(first, 1);
    QCOMPARE(count, 5);
    CLineWnd *gutter = editor()->m_lineWnd;
    QTRY_VERIFY(gutter->m_showResult);
    const QImage image = gutter->grab().toImage();
    const int h = gutter->m_lineHeight;
    const int top = editor()->GetFirstVisibleLine();
    const QColor green = CLineWnd::ArrowColor(Replace);
    for (int line = 0; line < editor()->GetLineCount(); ++line) {
        const int y = (line - top) * h;
        if (y < 0 || y + h > image.height())
            continue;
        const QPoint inside(gutter->m_arrowX + 4, y + h / 2);
        QCOMPARE(image.pixelColor(inside * image.devicePixelRatio()) == green,
                 line >= 1 && line <= 5);
    }

    // Undo takes the paste back and re-opens the step: the page copies again.
    key(QKeySequence::Undo);
    QCOMPARE(editor()->GetWindowText(), afterStep1);
    QVERIFY(!editor()->m_pageDone);
    QVERIFY(!tutorial()->m_copyDisabled);
    QCOMPARE(status(), qs(Str::StepReopened));
    int start = 0;
    int end = 0;
    editor()->GetSel(start, end);
    QCOMPARE(start, editor()->LineIndex(1));
    QCOMPARE(end, editor()->LineIndex(3));
    QVERIFY(!gutter->m_showResult);
    ClipboardEmpty();
    clickPage();
    QCOMPARE(lf(ClipboardText()), lf(QString::fromLatin1(kReplace)));

    // Redo brings it back, done as before.
    editor()->setFocus();
    frame()->UpdateCommandUI();
    QVERIFY(frame()->GetCommandAction(ID_EDIT_REDO_STEP)->isEnabled());
    key(QKeySequence(Qt::CTRL | Qt::Key_Y));
    QCOMPARE(editor()->GetWindowText(), afterStep2);
    QVERIFY(editor()->m_pageDone);
    QVERIFY(tutorial()->m_copyDisabled);
    QVERIFY(editor()->ResultLines(first, count));
    QCOMPARE(std::pair(first, count), std::pair(1, 5));

    // Undo, then undo again: the second stops at the step's start, the page and the program stay
    // in step, and the menu's Undo says so by being disabled.
    key(QKeySequence::Undo);
    QCOMPARE(editor()->GetWindowText(), afterStep1);
    key(QKeySequence::Undo);
    QCOMPARE(editor()->GetWindowText(), afterStep1);
    QCOMPARE(theLesson.m_currentPage, 1);
    QCOMPARE(status(), qs(Str::UndoAtStepStart));
    QVERIFY(!editor()->m_pageDone);
    frame()->UpdateCommandUI();
    QVERIFY(!frame()->GetCommandAction(ID_EDIT_UNDO)->isEnabled());
    // Ctrl+Shift+Z redoes as Ctrl+Y does.
    key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    QCOMPARE(editor()->GetWindowText(), afterStep2);
    QVERIFY(editor()->m_pageDone);
}

void TestGuidance::deletePageFeedback()
{
    if (theLesson.GetPageCount() != 3)
        QVERIFY(m_app->OpenDocumentFile(m_dir.filePath("les.blsh")));
    editor()->SetWindowText(QStringLiteral("a\r\nb\r\nc\r\nd"));
    QVERIFY(showPage(2));
    // Ctrl+V has nothing to do here; the status bar says what has.
    ClipboardSetText(QStringLiteral("x"));
    key(QKeySequence::Paste);
    QCOMPARE(editor()->GetWindowText(), QStringLiteral("a\r\nb\r\nc\r\nd"));
    QCOMPARE(status(), qs(Str::DeletePageNoPaste));
    key(QKeySequence(Qt::Key_Delete));
    QCOMPARE(editor()->GetWindowText(), QStringLiteral("a\r\nb\r\nd"));
    QCOMPARE(status(), qs(Str::StepDeleted));
    // The arrow marks where the lines joined.
    int first = -1;
    int count = -1;
    QVERIFY(editor()->ResultLines(first, count));
    QCOMPARE(std::pair(first, count), std::pair(2, 1));
    // The selection of a delete page is blue; others are not.
    QCOMPARE(editor()->palette().color(QPalette::Active, QPalette::Highlight).blue() > 150, true);
    QVERIFY(showPage(0));
    const QColor add = editor()->palette().color(QPalette::Active, QPalette::Highlight);
    QVERIFY(add.red() > add.blue() && add.red() > add.green());
}

void TestGuidance::newTextStartsFreshHistory()
{
    // History left by earlier steps, then a new text without a new page (a new document).
    editor()->SetWindowText(QStringLiteral("a"));
    editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor(), "bc");
    editor()->StartStep();
    QVERIFY(editor()->m_history.Start() > 0);
    editor()->SetWindowText(QStringLiteral("new"));
    QCOMPARE(editor()->m_history.Start(), 0);
    editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor(), "x");
    key(QKeySequence::Undo);
    QCOMPARE(editor()->GetWindowText(), QStringLiteral("new"));
}

void TestGuidance::gutterWidensForThreeDigits()
{
    QStringList lines;
    for (int i = 1; i <= 150; ++i)
        lines << QStringLiteral("line %1").arg(i);
    editor()->SetWindowText(lines.join("\r\n"));
    theLesson.m_arrowLines = {100, 100, 100};
    theLesson.m_arrowCounts = {1, 1, 1};
    theLesson.m_currentPage = 0;
    editor()->ShowPageLines();
    QCoreApplication::processEvents();
    CLineWnd *gutter = editor()->m_lineWnd;
    QVERIFY(gutter->width() >= 30);
    QCOMPARE(editor()->GetMargins().left(), gutter->width() + 5);

    // Paint the gutter into an image; the row of line 100 holds its number and its arrow.
    QImage image(gutter->size(), QImage::Format_RGB32);
    gutter->render(&image);
    const int h = gutter->m_lineHeight;
    const int y = (99 - editor()->GetFirstVisibleLine()) * h;
    QVERIFY(y >= 0 && y + h <= image.height());
    const QColor arrow = CLineWnd::ArrowColor(Add);
    int numberRight = -1;
    int arrowLeft = image.width();
    for (int x = 0; x < image.width(); ++x) {
        for (int row = y; row < y + h; ++row) {
            const QColor c = image.pixelColor(x, row);
            if (c == arrow)
                arrowLeft = std::min(arrowLeft, x);
            else if (c.red() < 120 && c.green() < 120 && c.blue() < 120)
                numberRight = x;
        }
    }
    QVERIFY(numberRight > 0);
    QVERIFY(arrowLeft < image.width());
    QVERIFY2(numberRight < arrowLeft,
             qPrintable(
                 QString("number ends at %1, arrow starts at %2").arg(numberRight).arg(arrowLeft)));
    // Back to short numbers, back to the narrow gutter.
    editor()->SetWindowText(QStringLiteral("one"));
    QTRY_COMPARE(gutter->width(), 30);
}

void TestGuidance::pastedBlockScrollsIntoView()
{
    QStringList lines;
    for (int i = 1; i <= 150; ++i)
        lines << QStringLiteral("line %1").arg(i);
    editor()->SetWindowText(lines.join("\r\n"));
    theLesson.m_pageKinds = {Add, Add, Add};
    theLesson.m_arrowLines = {90, 90, 90};
    theLesson.m_currentPage = 0;
    editor()->m_pageDone = false;
    editor()->ShowPageLines();
    const int rows = editor()->viewport()->height() / editor()->GetLineHeight();
    QVERIFY(rows > 20);
    // The learner scrolled on: the caret's line stays in view, the block's start would not.
    editor()->LineScroll(100 - editor()->GetFirstVisibleLine());
    QStringList block;
    for (int i = 0; i < 20; ++i)
        block << QStringLiteral("new %1").arg(i);
    ClipboardSetText(block.join("\n") + "\n");
    editor()->OnEditPaste();
    QVERIFY(editor()->m_pageDone);
    const int first = editor()->GetFirstVisibleLine();
    QVERIFY2(first <= 89 && first + rows - 1 >= 108, qPrintable(QString::number(first)));
}

void TestGuidance::narrowWindowKeepsEditorColumns()
{
    // A wide window with a wide tutorial, then narrowed: the tutorial gives way.
    frame()->resize(1400, 800);
    frame()->m_splitter->SetColumnInfo(0, 1000, 0);
    frame()->m_splitter->RecalcLayout();
    QCoreApplication::processEvents();
    frame()->resize(800, 500);
    QTRY_COMPARE(frame()->width(), 800);
    QCoreApplication::processEvents();
    const int columns =
        editor()->viewport()->width() / editor()->fontMetrics().horizontalAdvance(QLatin1Char('x'));
    QVERIFY2(columns >= 40, qPrintable(QString::number(columns)));
    // All of the editor is inside the window, beside what is left of the tutorial.
    const QRect inside = frame()->m_splitter->contentsRect();
    QVERIFY(inside.contains(editor()->geometry()));
    QVERIFY(tutorial()->width() > 0);
    QVERIFY(tutorial()->geometry().right() < editor()->geometry().left());
    // The bar is there to be seen and grabbed.
    QSplitterHandle *bar = frame()->m_splitter->handle(1);
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->width(), int(CSmartSplitterWnd::BarWidth));
    QCOMPARE(editor()->cursorWidth(), 2);
    frame()->resize(1000, 700);
}

void TestGuidance::runUsesBrowserVariable()
{
    if (theLesson.GetPageCount() != 3)
        QVERIFY(m_app->OpenDocumentFile(m_dir.filePath("les.blsh")));
    // A stand-in browser that notes its arguments.
    const QString log = m_dir.filePath("browser.log");
    writeFile("bin/stand-in-browser",
              "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + log.toUtf8() + "'\n");
    QFile script(m_dir.filePath("bin/stand-in-browser"));
    QVERIFY(script.setPermissions(script.permissions() | QFile::ExeOwner));
    QVERIFY(frame()->m_browserPath.isEmpty());
    qputenv("BROWSER", QFile::encodeName(script.fileName()));
    m_messages.clear();
    QVERIFY(frame()->RouteCommand(ID_RUN));
    qunsetenv("BROWSER");
    QCOMPARE(m_messages, QStringList());
    const auto written = [&log] {
        QFile file(log);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed()
                                              : QString();
    };
    QTRY_VERIFY_WITH_TIMEOUT(!written().isEmpty(), kTimeout);
    QCOMPARE(written(), QDir::cleanPath(m_dir.filePath("les/index.html")));
    QCOMPARE(status(), qs(Str::RunDefaultBrowser).arg("stand-in-browser"));
}

void TestGuidance::runWithoutAnyBrowser()
{
    if (theLesson.GetPageCount() != 3)
        QVERIFY(m_app->OpenDocumentFile(m_dir.filePath("les.blsh")));
    // No BROWSER, and neither xdg-settings nor x-www-browser on the path.
    const QByteArray path = qgetenv("PATH");
    QVERIFY(QDir(m_dir.path()).mkpath("empty"));
    qputenv("PATH", QFile::encodeName(m_dir.filePath("empty")));
    qunsetenv("BROWSER");
    m_messages.clear();
    frame()->RouteCommand(ID_RUN);
    qputenv("PATH", path);
    QCOMPARE(m_messages, QStringList{qs(Str::NoBrowser)});
}

void TestGuidance::browserCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("arguments"); // for the page "P"; empty: no browser
    QTest::newRow("plain program") << "sh" << QStringList{"P"};
    QTest::newRow("with options") << "sh --new-window" << QStringList{"--new-window", "P"};
    QTest::newRow("%s placeholder") << "sh -x %s -y" << QStringList{"-x", "P", "-y"};
    QTest::newRow("desktop entry") << "sh %U --icon %i" << QStringList{"P", "--icon"};
    QTest::newRow("inside an argument") << "sh --url=%s" << QStringList{"--url=P"};
    QTest::newRow("missing program") << "no-such-browser-here %s" << QStringList{};
    QTest::newRow("empty") << "" << QStringList{};
}

void TestGuidance::browserCommands()
{
    QFETCH(QString, command);
    QFETCH(QStringList, arguments);
    const std::optional<BrowserCommand> browser = ParseBrowserCommand(command);
    QCOMPARE(browser.has_value(), !arguments.isEmpty());
    if (browser)
        QCOMPARE(BrowserArguments(*browser, "P"), arguments);
}

void TestGuidance::guideOpensInItsOwnWindow()
{
    QVERIFY(frame()->RouteCommand(ID_HELP_GUIDE));
    auto *guide = frame()->findChild<QTextBrowser *>("learnerGuide");
    QVERIFY(guide);
    QVERIFY(guide->isWindow());
    QVERIFY(guide->isVisible());
    QVERIFY(guide->toPlainText().contains("Bolto"));
    // Once more raises the same window.
    QVERIFY(frame()->RouteCommand(ID_HELP_GUIDE));
    QCOMPARE(frame()->findChildren<QTextBrowser *>("learnerGuide").size(), 1);
    guide->close();

    // The About box leads there too.
    CAboutDlg about;
    QSignalSpy asked(&about, &CAboutDlg::GuideRequested);
    emit about.m_lines[3]->linkActivated("guide");
    QCOMPARE(asked.size(), 1);
}

QTEST_MAIN(TestGuidance)
#include "tst_guidance.moc"
