// The learner's program against the lesson's expected program, in the real main window with the
// demo lesson: the status pane and gutter marks, a step typed by hand, page lines that follow the
// learner's program, the compare window and catching up.

#include "bolto.h"
#include "comparewnd.h"
#include "framefixture.h"
#include "historydlg.h"
#include "html5view.h"
#include "lessoncheck.h"
#include "lessoncompare.h"
#include "lessonfile.h"
#include "lessonprogress.h"
#include "linewnd.h"
#include "mainframe.h"
#include "programmingview.h"
#include "progressstore.h"
#include "qtcodepage.h"
#include "resource.h"
#include "statusbar.h"
#include "texts.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>

#include <memory>

namespace {
const int kTimeout = 10000;
const QColor kDifferent(255, 140, 0);
const QString kComment = QStringLiteral("<!-- my own note -->");

QString lf(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
} // namespace

class TestLessonCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void statusPaneAndGutterMarks();
    void stepTypedByHandCompletes();
    void extraCommentMovesNextPageSelection();
    void compareWindowAndAdopt();
    void catchUpFromFirstPage();
    void catchUpUndoneFromHistory();
    void catchUpKeepsLearnersLines();
    void catchUpConflictOpensCompare();
    void lessonThatCannotBeReplayed();

private:
    CProgrammingView *editor() const { return m_frame->m_editorView; }
    CLessonCheck *check() const { return m_frame->m_lessonCheck; }
    QString pane() const;
    void goToPage(int page);
    void loadDemoLesson();
    // The control position where 1-based `line` of the editor starts.
    int lineStart(int line) const { return editor()->LineIndex(line - 1); }
    std::pair<int, int> selection() const;
    bool gutterMarked(int line);
    void press(QKeyCombination key);

    CMainFrame *m_frame = nullptr;
    CExpectedPrograms m_programs;
};

void TestLessonCheck::initTestCase()
{
    m_frame = new CMainFrame;
    QVERIFY(ShowMainFrame(m_frame));
}

void TestLessonCheck::init()
{
    // As opening the lesson does.
    loadDemoLesson();
    check()->ForgetDoneSteps();
    editor()->SetWindowText(QString());
    editor()->m_pageDone = false;
    if (m_frame->m_compareWnd)
        m_frame->m_compareWnd->close();
    goToPage(0);
}

void TestLessonCheck::cleanupTestCase()
{
    delete m_frame;
    theLesson.Reset();
}

void TestLessonCheck::loadDemoLesson()
{
    theLesson.Reset();
    const std::string path = qEnvironmentVariable("BOLTO_BIN_DIR").toStdString() + "/webgl.blsh";
    QCOMPARE(LoadLessonFile(path, theLesson).m_cause, LessonFileStatus::ok);
    m_programs = CExpectedPrograms(theLesson);
    QCOMPARE(m_programs.ReplayedPages(), theLesson.GetPageCount());
}

// As the tutorial pane learns a new page from a navigation.
void TestLessonCheck::goToPage(int page)
{
    m_frame->m_tutorialView->OnBeforeNavigate2(
        QStringLiteral("file:///lessons/webgl/html/index%1.html").arg(page));
    QCOMPARE(theLesson.m_currentPage, page);
}

QString TestLessonCheck::pane() const
{
    const auto *label = m_frame->m_statusBar->findChild<QLabel *>("lessonCheckPane");
    return label && label->isVisible() ? label->text() : QString();
}

std::pair<int, int> TestLessonCheck::selection() const
{
    int start = -1;
    int end = -1;
    editor()->GetSel(start, end);
    return {start, end};
}

bool TestLessonCheck::gutterMarked(int line)
{
    CLineWnd *gutter = editor()->m_lineWnd;
    const int row = line - 1 - editor()->GetFirstVisibleLine();
    const QImage image = gutter->grab().toImage();
    const QPoint point =
        QPoint(gutter->width() - 1,
               gutter->m_topY + row * gutter->m_lineHeight + gutter->m_lineHeight / 2) *
        image.devicePixelRatio();
    return image.pixelColor(point) == kDifferent;
}

void TestLessonCheck::press(QKeyCombination key)
{
    QTest::keyClick(editor(), key.key(), key.keyboardModifiers());
}

void TestLessonCheck::statusPaneAndGutterMarks()
{
    // The program before page 3, with line 5 changed and form that does not count.
    goToPage(3);
    QString program = FromCp932(m_programs.Before(3));
    QStringList lines = program.split(QStringLiteral("\r\n"));
    lines[4] = QStringLiteral("<title>Mine</title>");
    lines[6] = QStringLiteral("   ") + lines[6] + QStringLiteral("  ");
    lines.insert(2, QString());
    editor()->SetWindowText(lines.join(QStringLiteral("\r\n")));
    // The check follows the pause after the last edit.
    QTRY_COMPARE_WITH_TIMEOUT(pane(), qs(Str::CheckDiffers).arg(1), kTimeout);
    QVERIFY(gutterMarked(6));
    for (const int line : {1, 3, 5, 7, 8})
        QVERIFY2(!gutterMarked(line), qPrintable(QString::number(line)));
    // The arrows are still drawn beside the mark.
    QCOMPARE(check()->DifferentLines(), std::vector<int>{6});

    editor()->SetWindowText(program);
    QTRY_COMPARE_WITH_TIMEOUT(pane(), qs(Str::CheckMatches), kTimeout);
    QVERIFY(!gutterMarked(6));
}

void TestLessonCheck::stepTypedByHandCompletes()
{
    // Page 11 adds one line at line 12; the learner types it instead of pasting.
    editor()->SetWindowText(FromCp932(m_programs.Before(11)));
    goToPage(11);
    QCOMPARE(selection(), std::make_pair(lineStart(12), lineStart(12)));
    QGuiApplication::clipboard()->setText(FromCp932(theLesson.GetPageText(11)));
    editor()->setFocus();
    QTest::keyClicks(editor(), QStringLiteral("uniform float"));
    check()->CheckNow();
    QCOMPARE(editor()->m_pageDone, false);
    QCOMPARE(pane(), qs(Str::CheckDiffers).arg(1));

    QTest::keyClicks(editor(), QStringLiteral(" angle;"));
    QTest::keyClick(editor(), Qt::Key_Return);
    QCOMPARE(editor()->GetWindowText(), FromCp932(m_programs.After(12)));
    // After the pause, the step counts as done, as a paste would.
    QTRY_VERIFY_WITH_TIMEOUT(editor()->m_pageDone, kTimeout);
    QCOMPARE(m_frame->m_tutorialView->m_copyDisabled, true);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    QCOMPARE(pane(), qs(Str::CheckMatches));
    // Compared with the program after the step from now on.
    QCOMPARE(check()->ExpectedProgram(), m_programs.After(12));
}

void TestLessonCheck::extraCommentMovesNextPageSelection()
{
    // Page 6 replaces lines 10 to 13. The same program selects the stored lines.
    editor()->SetWindowText(FromCp932(m_programs.Before(6)));
    goToPage(6);
    QCOMPARE(selection(), std::make_pair(lineStart(10), lineStart(14)));
    // A line typed above them counts at once, before the check's pause.
    editor()->setFocus();
    editor()->SetSel(0, 0);
    press(Qt::Key_Return);
    goToPage(6);
    QCOMPARE(selection(), std::make_pair(lineStart(11), lineStart(15)));

    // With the learner's comment line above them, the selection and the arrows move down.
    goToPage(5);
    editor()->SetWindowText(kComment + "\r\n" + FromCp932(m_programs.Before(6)));
    goToPage(6);
    QCOMPARE(selection(), std::make_pair(lineStart(11), lineStart(15)));
    CLineWnd *gutter = editor()->m_lineWnd;
    const QImage image = gutter->grab().toImage();
    const QColor arrow = CLineWnd::ArrowColor(Replace);
    for (int line = 9; line <= 16; ++line) {
        const int row = line - 1 - editor()->GetFirstVisibleLine();
        const QPoint inside =
            QPoint(15, gutter->m_topY + row * gutter->m_lineHeight + gutter->m_lineHeight / 2) *
            image.devicePixelRatio();
        QCOMPARE(image.pixelColor(inside) == arrow, line >= 11 && line <= 14);
    }

    // Pasting there replaces the lesson's lines, and the comment stays.
    QGuiApplication::clipboard()->setText(FromCp932(theLesson.GetPageText(6)));
    editor()->setFocus();
    press(Qt::CTRL | Qt::Key_V);
    QCOMPARE(editor()->m_pageDone, true);
    QCOMPARE(editor()->GetWindowText(), kComment + "\r\n" + FromCp932(m_programs.After(7)));
}

void TestLessonCheck::compareWindowAndAdopt()
{
    const QString mine = kComment + "\r\n" + FromCp932(m_programs.Before(4));
    editor()->SetWindowText(mine);
    goToPage(4);
    editor()->setFocus();
    press(Qt::CTRL | Qt::Key_D);
    CCompareWnd *window = m_frame->m_compareWnd;
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->MineView()->toPlainText(), lf(mine));
    QCOMPARE(window->ExpectedView()->toPlainText(), lf(FromCp932(m_programs.Before(4))));
    // The learner's extra line is coloured; the lines both have are not.
    const QList<QTextEdit::ExtraSelection> marks = window->MineView()->extraSelections();
    QCOMPARE(marks.size(), 1);
    QCOMPARE(marks.first().cursor.blockNumber(), 0);
    // The two sides scroll together, line beside line: the extra line puts the learner's one
    // line further down.
    window->resize(600, 200);
    QTRY_VERIFY(window->MineView()->verticalScrollBar()->maximum() > 5);
    window->MineView()->verticalScrollBar()->setValue(5);
    QCOMPARE(window->ExpectedView()->verticalScrollBar()->value(), 4);
    window->ExpectedView()->verticalScrollBar()->setValue(2);
    QCOMPARE(window->MineView()->verticalScrollBar()->value(), 3);

    // 「手本に合わせる」 takes the expected program; the editor's undo brings the learner's back.
    QTest::mouseClick(window->AdoptButton(), Qt::LeftButton);
    QCOMPARE(editor()->GetWindowText(), FromCp932(m_programs.Before(4)));
    QVERIFY(!window->isVisible());
    QCOMPARE(pane(), qs(Str::CheckMatches));
    editor()->setFocus();
    press(Qt::CTRL | Qt::Key_Z);
    QCOMPARE(editor()->GetWindowText(), mine);
}

void TestLessonCheck::catchUpFromFirstPage()
{
    // The learner on page 0 followed a link to page 5 without doing a step.
    goToPage(5);
    editor()->setFocus();
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_J);
    QCOMPARE(editor()->GetWindowText(), FromCp932(m_programs.Before(5)));
    QCOMPARE(m_frame->m_statusBar->GetPaneText(0), qs(Str::CatchUpApplied).arg(5));
    QCOMPARE(pane(), qs(Str::CheckMatches));
    QCOMPARE(editor()->m_pageDone, false);
    // The page's lines are shown in the program caught up.
    QCOMPARE(selection(), std::make_pair(lineStart(51), lineStart(51)));

    // Nothing more to bring in; and the whole catch-up is one undo step.
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_J);
    QCOMPARE(m_frame->m_statusBar->GetPaneText(0), qs(Str::CatchUpNothing));
    editor()->setFocus();
    press(Qt::CTRL | Qt::Key_Z);
    QCOMPARE(editor()->GetWindowText(), QString());
}

void TestLessonCheck::catchUpUndoneFromHistory()
{
    // The lesson's progress is kept, as when the lesson is opened from its file.
    CLessonProgress *progress = m_frame->m_progress;
    QTemporaryDir data;
    progress->SetStore(std::make_unique<CSqliteProgressStore>(data.filePath("progress.sqlite")));
    progress->OpenLesson(qEnvironmentVariable("BOLTO_BIN_DIR") + "/webgl.blsh");
    const auto close = qScopeGuard([progress] {
        progress->OpenLesson(QString());
        progress->SetStore(CreateDefaultProgressStore());
    });
    QVERIFY(progress->HasLesson());
    // The learner on page 0 followed a link to page 5 without doing a step.
    goToPage(0);
    goToPage(5);

    editor()->setFocus();
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_J);
    QCOMPARE(m_frame->m_statusBar->GetPaneText(0), qs(Str::CatchUpApplied).arg(5));
    QCOMPARE(progress->DoneSteps(), (QSet<int>{0, 1, 2, 3, 4}));
    // One snapshot: the program before the catch-up, not one per step caught up.
    const QList<CSnapshot> history = progress->Snapshots();
    QCOMPARE(history.size(), 1);
    QCOMPARE(history.first().reason, qs(Str::SnapshotCatchUp));
    QVERIFY(history.first().program.isEmpty());
    QCOMPARE(editor()->GetWindowText(), FromCp932(m_programs.Before(5)));

    QVERIFY(m_frame->RouteCommand(ID_PROGRESS_HISTORY));
    auto *dialog = m_frame->findChild<CHistoryDlg *>();
    QVERIFY(dialog);
    QTRY_VERIFY(dialog->isVisible());
    QVERIFY(dialog->List()->item(0)->text().contains(qs(Str::SnapshotCatchUp)));
    dialog->List()->setCurrentRow(0);
    QSignalSpy loaded(m_frame->m_tutorialView, &QWebEngineView::loadFinished);
    QTest::mouseClick(dialog->RestoreButton(), Qt::LeftButton);
    QVERIFY(editor()->GetWindowText().isEmpty());
    QVERIFY(progress->DoneSteps().isEmpty());
    QTRY_VERIFY(!m_frame->findChild<CHistoryDlg *>());
    // The offscreen platform does not hand the activation back when the dialog closes.
    m_frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_frame));
    // The restore went back to the snapshot's page.
    QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, kTimeout);
    QCOMPARE(theLesson.m_currentPage, 5);

    // With no steps done again, the same catch-up is offered again.
    editor()->setFocus();
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_J);
    QCOMPARE(m_frame->m_statusBar->GetPaneText(0), qs(Str::CatchUpApplied).arg(5));
}

void TestLessonCheck::catchUpKeepsLearnersLines()
{
    // Step 0 pasted, a comment of the learner's own on top, then a jump to page 5.
    QGuiApplication::clipboard()->setText(FromCp932(theLesson.GetPageText(0)));
    editor()->setFocus();
    press(Qt::CTRL | Qt::Key_V);
    QCOMPARE(editor()->m_pageDone, true);
    QTest::keyClick(editor(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(editor(), kComment);
    QTest::keyClick(editor(), Qt::Key_Return);
    goToPage(5);
    QCOMPARE(check()->GetState(), CLessonCheck::differs);

    press(Qt::CTRL | Qt::SHIFT | Qt::Key_J);
    // Steps 1 to 4 applied around the learner's line.
    QCOMPARE(m_frame->m_statusBar->GetPaneText(0), qs(Str::CatchUpApplied).arg(4));
    QCOMPARE(editor()->GetWindowText(), kComment + "\r\n" + FromCp932(m_programs.Before(5)));
    QCOMPARE(selection(), std::make_pair(lineStart(52), lineStart(52)));
}

void TestLessonCheck::catchUpConflictOpensCompare()
{
    // Step 0 pasted; then the learner's own line where the next steps put their scripts.
    QGuiApplication::clipboard()->setText(FromCp932(theLesson.GetPageText(0)));
    editor()->setFocus();
    press(Qt::CTRL | Qt::Key_V);
    goToPage(1);
    QString mine = FromCp932(m_programs.Before(1));
    mine.replace(QStringLiteral("</body>"), QStringLiteral("<p>mine</p>\r\n</body>"));
    editor()->SetWindowText(mine);
    goToPage(3);
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_J);
    // Nothing applied; the compare window shows both sides and says why.
    QCOMPARE(m_frame->m_statusBar->GetPaneText(0), qs(Str::CompareConflict));
    QCOMPARE(editor()->GetWindowText(), mine);
    CCompareWnd *window = m_frame->m_compareWnd;
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->NoteLabel()->text(), qs(Str::CompareConflict));
    QCOMPARE(window->ExpectedView()->toPlainText(), lf(FromCp932(m_programs.Before(3))));
    QCOMPARE(window->MineView()->toPlainText(), lf(mine));
}

void TestLessonCheck::lessonThatCannotBeReplayed()
{
    // The third page replaces a line the program never has.
    theLesson.m_arrowLines[2] = 500;
    theLesson.m_pageKinds[2] = Replace;
    editor()->SetWindowText(QStringLiteral("x"));
    goToPage(1);
    QCOMPARE(pane(), qs(Str::CheckDiffers).arg(10));
    goToPage(4);
    QCOMPARE(pane(), qs(Str::CheckNotReplayed));
    QCOMPARE(m_frame->m_statusBar->GetPaneText(0), qs(Str::CheckCannotReplay).arg(3));
    // The stored numbers, and no catching up.
    QCOMPARE(selection(), std::make_pair(int(editor()->GetWindowTextLength()),
                                         int(editor()->GetWindowTextLength())));
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_J);
    QCOMPARE(editor()->GetWindowText(), QStringLiteral("x"));
    QCOMPARE(m_frame->m_statusBar->GetPaneText(0), qs(Str::CheckCannotReplay).arg(3));
    press(Qt::CTRL | Qt::Key_D);
    QVERIFY(!m_frame->m_compareWnd || !m_frame->m_compareWnd->isVisible());
}

QTEST_MAIN(TestLessonCheck)
#include "tst_lessoncheck.moc"
