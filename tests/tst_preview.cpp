// The live preview in the real main window: edits reach the rendered page, errors mark their
// editor line, and a program that hangs or wanders off is stopped while the editor keeps working.

#include "bolto.h"
#include "errormarks.h"
#include "framefixture.h"
#include "learnercommands.h"
#include "linewnd.h"
#include "mainframe.h"
#include "pagescript.h"
#include "paths.h"
#include "previewpane.h"
#include "previewstate.h"
#include "programmingview.h"
#include "resource.h"
#include "smartsplitter.h"
#include "texts.h"

#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {
const int kTimeout = 20000;

// Lines "<!-- 1 -->" ... up to `count`, so that the next line is line count + 1.
QString filler(int count)
{
    QString text;
    for (int i = 1; i <= count; ++i)
        text += QStringLiteral("<!-- %1 -->\n").arg(i);
    return text;
}
} // namespace

class TestPreview : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void placeIsRememberedAndLeavesRoom();
    void engineWaitsUntilShown();
    void editShowsInPreview();
    void errorMarksItsLine();
    void endlessLoopIsStopped();
    void hostileProgramsStayInside_data();
    void hostileProgramsStayInside();
    void longProgramShowsItsStart();
    void lessonFilesLoadAndNothingElse();

private:
    CLearnerCommands *commands() const { return m_frame->m_learnerCommands; }
    CPreviewPane *pane() const { return commands()->Preview(); }
    CPreviewState *state() const { return m_frame->m_previewState; }
    CProgrammingView *editor() const { return m_frame->m_editorView; }
    // The script's value in the preview's page, or an invalid value when the page does not answer.
    QVariant evaluate(const QString &script, int timeout = kTimeout);
    bool hasMessage(const QString &text) const;

    CMainFrame *m_frame = nullptr;
};

void TestPreview::init()
{
    QSettings(qs(Str::SettingsOrganization), qs(Str::AppName)).clear();
    m_frame = new CMainFrame;
    QVERIFY(ShowMainFrame(m_frame));
    QVERIFY(!commands()->IsPreviewShown());
    // F8 shows it, wherever the focus is.
    editor()->setFocus();
    QTest::keyClick(editor(), Qt::Key_F8);
    QVERIFY(commands()->IsPreviewShown());
    QVERIFY(pane()->isVisible());
}

void TestPreview::cleanup()
{
    delete m_frame;
    m_frame = nullptr;
}

QVariant TestPreview::evaluate(const QString &script, int timeout)
{
    return RunInPage(pane()->View()->page(), script, timeout);
}

bool TestPreview::hasMessage(const QString &text) const
{
    for (const CPreviewState::Message &message : state()->Messages()) {
        if (message.text.contains(text))
            return true;
    }
    return false;
}

void TestPreview::placeIsRememberedAndLeavesRoom()
{
    // Beside the columns, the editor keeps room whatever the frame does with its columns.
    QDockWidget *dock = commands()->PreviewDock();
    QCOMPARE(m_frame->dockWidgetArea(dock), Qt::RightDockWidgetArea);
    const auto roomy = [this] {
        return editor()->width() >= m_frame->m_splitter->width() / 3 && pane()->width() > 0;
    };
    QTRY_VERIFY(roomy());
    m_frame->showMaximized();
    QTRY_VERIFY(m_frame->isMaximized());
    QTRY_VERIFY(roomy());

    // Below instead, and both choices outlive the window.
    commands()->Action(ID_VIEW_PREVIEW_BELOW)->trigger();
    QCOMPARE(m_frame->dockWidgetArea(dock), Qt::BottomDockWidgetArea);
    QVERIFY(pane()->isVisible());
    delete m_frame;
    m_frame = new CMainFrame;
    QVERIFY(ShowMainFrame(m_frame));
    QVERIFY(commands()->IsPreviewShown());
    QCOMPARE(m_frame->dockWidgetArea(commands()->PreviewDock()), Qt::BottomDockWidgetArea);
    QVERIFY(commands()->Action(ID_VIEW_PREVIEW_BELOW)->isChecked());
    QVERIFY(commands()->Action(ID_VIEW_PREVIEW)->isChecked());
}

void TestPreview::editShowsInPreview()
{
    editor()->SetWindowText(QStringLiteral("<p id=\"out\">one</p>"));
    const QString read = QStringLiteral("(document.getElementById('out') || {}).textContent");
    QTRY_COMPARE_WITH_TIMEOUT(evaluate(read).toString(), QStringLiteral("one"), kTimeout);

    // Typed, as a learner types: the page follows once the typing pauses.
    QTextCursor cursor = editor()->textCursor();
    cursor.setPosition(editor()->toPlainText().indexOf(QStringLiteral("one")) + 3);
    editor()->setTextCursor(cursor);
    editor()->setFocus();
    QTest::keyClicks(editor(), QStringLiteral(" two"));
    QTRY_COMPARE_WITH_TIMEOUT(evaluate(read).toString(), QStringLiteral("one two"), kTimeout);

    // Hidden, the preview renders nothing; shown again, it catches up.
    QTest::keyClick(editor(), Qt::Key_F8);
    QVERIFY(!pane()->isVisible());
    QSignalSpy rendered(pane(), &CPreviewPane::rendered);
    editor()->SetWindowText(QStringLiteral("<p id=\"out\">three</p>"));
    QTest::qWait(800);
    QCOMPARE(rendered.count(), 0);
    QTest::keyClick(editor(), Qt::Key_F8);
    QTRY_COMPARE_WITH_TIMEOUT(evaluate(read).toString(), QStringLiteral("three"), kTimeout);
}

void TestPreview::errorMarksItsLine()
{
    editor()->SetWindowText(filler(11) +
                            QStringLiteral("<script>notDefinedAnywhere();</script>\n"
                                           "<script>console.log('shader log');</script>"));
    QTRY_COMPARE_WITH_TIMEOUT(state()->ErrorLines(), QList<int>{12}, kTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(hasMessage(QStringLiteral("shader log")), kTimeout);
    for (const CPreviewState::Message &message : state()->Messages()) {
        if (message.text.contains(QStringLiteral("shader log"))) {
            QCOMPARE(message.line, 13);
            QCOMPARE(message.level, CPreviewState::Info);
        }
    }

    // The gutter marks line 12 and no other, beside its number.
    CLineWnd *gutter = editor()->m_lineWnd;
    gutter->repaint();
    const QImage image = gutter->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    const int h = gutter->m_lineHeight;
    for (int row = 0; row < 14 && (row + 1) * h <= gutter->height(); ++row) {
        const QPoint inside = QPoint(1, gutter->m_topY + row * h + h / 2) * ratio;
        QCOMPARE(image.pixelColor(inside) == CErrorMarks::MarkColor(), row == 11);
    }

    // The list names the line; choosing the message puts the caret there.
    QListWidget *list = pane()->MessageList();
    QListWidgetItem *error = nullptr;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text().startsWith(qs(Str::PreviewLine).arg(12).arg(QString())))
            error = list->item(i);
    }
    QVERIFY(error);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(error).center());
    QCOMPARE(editor()->textCursor().blockNumber(), 11);
    QTRY_VERIFY(editor()->hasFocus());

    // Fixed, the mark goes.
    editor()->SetWindowText(filler(11));
    QTRY_COMPARE_WITH_TIMEOUT(state()->ErrorLines(), QList<int>(), kTimeout);
}

void TestPreview::endlessLoopIsStopped()
{
    QSignalSpy stopped(pane(), &CPreviewPane::pageStopped);
    editor()->SetWindowText(QStringLiteral("<p>x</p>\n<script>while (true) {}</script>\n"));

    // The learner types on while the program hangs: every key lands, each pause renders the
    // program again, and the stuck page is still stopped.
    editor()->setFocus();
    QTextCursor cursor = editor()->textCursor();
    cursor.movePosition(QTextCursor::End);
    editor()->setTextCursor(cursor);
    QSignalSpy rendered(pane(), &CPreviewPane::rendered);
    int typed = 0;
    QElapsedTimer waited;
    waited.start();
    while (stopped.count() == 0 && waited.elapsed() < kTimeout) {
        QTest::keyClick(editor(), Qt::Key_A);
        ++typed;
        QTest::qWait(600);
    }
    QCOMPARE(stopped.count(), 1);
    QVERIFY(rendered.count() > 1);
    QVERIFY(editor()->toPlainText().endsWith(QString(typed, QLatin1Char('a'))));
    QVERIFY(hasMessage(qs(Str::PreviewStopped)));
    // The new page answers.
    QCOMPARE(evaluate(QStringLiteral("1 + 1"), kTimeout).toInt(), 2);

    // Without the loop, the program shows again.
    editor()->SetWindowText(QStringLiteral("<p id=\"ok\">fixed</p>"));
    QTRY_COMPARE_WITH_TIMEOUT(
        evaluate(QStringLiteral("(document.getElementById('ok') || {}).textContent")).toString(),
        QStringLiteral("fixed"), kTimeout);
    QCOMPARE(stopped.count(), 1);
}

void TestPreview::hostileProgramsStayInside_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("notice");

    QTest::newRow("throws") << "<script>throw new Error('boom');</script>"
                            << "boom";
    QTest::newRow("many windows")
        << "<script>var n = 0; for (var i = 0; i < 50; ++i) if (window.open('about:blank')) ++n;"
           " console.log('opened ' + n);</script>"
        << "opened 0";
    QTest::newRow("logs without end")
        << "<script>for (var i = 0; i < 1000; ++i) console.log('line ' + i);"
           " setInterval(function () { console.log('tick'); }, 16);</script>"
        << qs(Str::PreviewMoreMessages);
    QTest::newRow("navigates away")
        << "<script>location.href = 'https://example.invalid/';</script>"
        << "example.invalid";
}

void TestPreview::hostileProgramsStayInside()
{
    QFETCH(QString, program);
    QFETCH(QString, notice);
    const int windows = int(QApplication::topLevelWidgets().size());
    editor()->SetWindowText(QStringLiteral("<p id=\"mine\">mine</p>\n") + program);
    QTRY_VERIFY_WITH_TIMEOUT(hasMessage(notice), kTimeout);
    // Still the learner's program, in the one window.
    QStringList messages;
    for (const CPreviewState::Message &message : state()->Messages())
        messages << message.text;
    // A page busy logging at frame rate does not always answer a main-world script in time on
    // the loaded test machine; its list is what that row is about.
    if (notice != qs(Str::PreviewMoreMessages))
        QTRY_VERIFY2_WITH_TIMEOUT(
            evaluate(QStringLiteral("(document.getElementById('mine') || {}).textContent"))
                    .toString() == QStringLiteral("mine"),
            qPrintable(messages.mid(messages.size() - 3).join(QLatin1Char('|'))), kTimeout);
    QCOMPARE(int(QApplication::topLevelWidgets().size()), windows);
    QVERIFY(pane()->MessageList()->count() <= CPreviewState::kMaxMessages + 1);
    QCOMPARE(pane()->MessageList()->count(), int(state()->Messages().size()));
}

void TestPreview::engineWaitsUntilShown()
{
    // A window whose preview is hidden makes no page for it, not even when its zoom changes: a
    // view asked to zoom without a page would make one of the engine's default profile.
    commands()->ShowPreview(false);
    delete m_frame;
    m_frame = new CMainFrame;
    QVERIFY(ShowMainFrame(m_frame));
    QVERIFY(!commands()->IsPreviewShown());
    commands()->SetZoomLevel(CLearnerCommands::PreviewPane, 2);
    QVERIFY(!pane()->View());
    QVERIFY(!pane()->findChild<QWebEnginePage *>());

    // Shown, it renders at the zoom chosen while it was hidden.
    editor()->SetWindowText(QStringLiteral("<p id='x'>shown</p>"));
    QTest::keyClick(editor(), Qt::Key_F8);
    QVERIFY(pane()->View());
    QVERIFY(pane()->View()->zoomFactor() > 1.0);
    // The program takes most of the pane, the messages the rest.
    QTRY_VERIFY(pane()->View()->height() > pane()->MessageList()->height());
    QTRY_COMPARE_WITH_TIMEOUT(evaluate(QStringLiteral("document.getElementById('x') ? "
                                                      "document.getElementById('x').textContent "
                                                      ": ''"))
                                  .toString(),
                              QStringLiteral("shown"), kTimeout);
}

void TestPreview::longProgramShowsItsStart()
{
    // Megabytes of program: the start renders and the list says how much.
    QString text = QStringLiteral("<p id=\"first\">first</p>\n");
    const QString line = QStringLiteral("<p>%1</p>\n").arg(QString(90, QLatin1Char('x')));
    while (text.size() < 3 * 1000 * 1000)
        text += line;
    editor()->SetWindowText(text);
    QTRY_VERIFY_WITH_TIMEOUT(hasMessage(qs(Str::PreviewTooLarge).section(QLatin1Char('%'), 0, 0)),
                             kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(
        evaluate(QStringLiteral("(document.getElementById('first') || {}).textContent")).toString(),
        QStringLiteral("first"), kTimeout);
}

void TestPreview::lessonFilesLoadAndNothingElse()
{
    // The program directory holds the lesson folder and, beside it, a file the lesson must not
    // reach.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("lesson/js")));
    auto write = [&dir](const QString &name, const QByteArray &bytes) {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    QVERIFY(write(QStringLiteral("lesson/js/lib.js"), "window.lib = 42;"));
    QVERIFY(write(QStringLiteral("outside.js"), "window.outside = 1;"));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("outside.js")),
                        dir.filePath(QStringLiteral("lesson/link.js"))));
    SetProgramDirectoryOverride(dir.path().toStdString() + '/');
    theLesson.Reset();
    theLesson.m_folderName = "lesson";
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    editor()->SetWindowText(
        QStringLiteral("<script src=\"js/lib.js\"></script>\n"
                       "<script src=\"../outside.js\"></script>\n"
                       "<script src=\"link.js\"></script>\n"
                       "<script src=\"https://example.invalid/x.js\"></script>\n"
                       "<p id=\"done\">done</p>"));
    QTRY_COMPARE_WITH_TIMEOUT(evaluate(QStringLiteral("window.lib")).toInt(), 42, kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(
        evaluate(QStringLiteral("(document.getElementById('done') || {}).textContent")).toString(),
        QStringLiteral("done"), kTimeout);
    QCOMPARE(evaluate(QStringLiteral("typeof window.outside")).toString(),
             QStringLiteral("undefined"));
    // Rendered from memory: nothing new in the folders.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("lesson/index.html"))));

    theLesson.Reset();
    SetProgramDirectoryOverride({});
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
