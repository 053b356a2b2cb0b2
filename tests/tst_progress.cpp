#include "appfixture.h"
#include "clipboard.h"
#include "historydlg.h"
#include "html5app.h"
#include "html5view.h"
#include "lessonprogress.h"
#include "mainframe.h"
#include "pathbytes.h"
#include "paths.h"
#include "popupmenu.h"
#include "programmingview.h"
#include "progressschema.h"
#include "progressstore.h"
#include "resource.h"
#include "statusbar.h"
#include "texts.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>

#include <fcntl.h>
#include <memory>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

// The learner's progress through the real window and a real SQLite database in the test's own
// data folder: resume after closing, New and reopening; finished steps that stay finished; the
// history; and a database that is damaged, locked or read-only.
class TestProgress : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void storeKeepsRecordsAndHistory();
    void storeLeavesNewerSchemaAlone();
    void closeAndReopenRestores();
    void newThenReopenRestores_data();
    void newThenReopenRestores();
    void killedProgramLosesNothingSaved();
    void finishedPageFollowsItsLinks();
    void historyRestoreAndStartOverAreReversible();
    void changedLessonFileIsRecognised();
    void lessonWithoutFolderKeepsNothing();
    void corruptDatabaseIsMovedAside();
    void lockedDatabaseKeepsTheProgramWorking();
    void readOnlyDatabaseIsLeftUntouched();

private:
    QString file(const QString &name) const { return m_dir.filePath(name); }
    void writeLesson(const QString &name, const std::string &folder, int pages);
    bool start(const QString &lesson);
    void stop();
    bool pageReady(int page);
    void clickPage(const QPoint &at);
    void doStep(int page);
    QString lessonText(int pages) const;
    CMainFrame *frame() const { return m_app->m_mainFrame; }
    CProgrammingView *editor() const { return frame()->m_editorView; }
    CHTML5View *tutorial() const { return frame()->m_tutorialView; }
    CLessonProgress *progress() const { return frame()->m_progress; }
    QString database() const { return CSqliteProgressStore::DefaultFilePath(); }

    QTemporaryDir m_dir;
    UserStandIn m_user;
    std::unique_ptr<CHTML5App> m_app;
    QString m_lesson;
};

namespace {
const int kTimeout = 30000;
const QPoint kNextLink(40, 40);

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What the database holds for a lesson, read through a connection of the test's own.
QString storedProgram(const QString &databasePath, const QString &lesson)
{
    QString program;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "peek");
        db.setDatabaseName(databasePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(db);
            query.prepare(QStringLiteral("SELECT program FROM lessons WHERE path = ?"));
            query.addBindValue(lesson);
            if (query.exec() && query.next())
                program = query.value(0).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("peek");
    return program;
}
} // namespace

void TestProgress::initTestCase()
{
    QVERIFY(m_dir.isValid());
    SetProgramDirectoryOverride(m_dir.path().toStdString() + '/');
    QCoreApplication::setOrganizationName(qs(Str::SettingsOrganization));
    QCoreApplication::setApplicationName(qs(Str::AppName));
    m_user.install();
    // Every page: its upper half is a link onward, its lower half a link back.
    for (int page = 0; page < 4; ++page) {
        const QString html =
            QStringLiteral("<!DOCTYPE html><html><body style=\"margin:0\">"
                           "<a id=\"next\" href=\"index%1.html\" style=\"position:fixed;top:0;"
                           "left:0;width:100%;height:50%;display:block\">next</a>"
                           "<a id=\"back\" href=\"index%2.html\" style=\"position:fixed;top:50%;"
                           "left:0;width:100%;height:50%;display:block\">back</a></body></html>")
                .arg(page + 1)
                .arg(std::max(page - 1, 0));
        QVERIFY(QDir().mkpath(file("demo/html")));
        QVERIFY(
            !WriteFile(file(QStringLiteral("demo/html/index%1.html").arg(page)), html.toStdString())
                 .isEmpty());
    }
}

void TestProgress::init()
{
    writeLesson(QStringLiteral("demo.blsh"), "demo", 4);
    m_lesson = file(QStringLiteral("demo.blsh"));
    // Each case starts without saved progress.
    for (const QString &name : QDir(QFileInfo(database()).path()).entryList(QDir::Files))
        QFile::remove(QFileInfo(database()).dir().filePath(name));
    m_user.clear();
    ClipboardEmpty();
}

void TestProgress::cleanup()
{
    stop();
    const QString db = database();
    if (QFileInfo::exists(db))
        QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
}

void TestProgress::writeLesson(const QString &name, const std::string &folder, int pages)
{
    QVERIFY(!WriteFile(file(name), LessonBytes(folder, pages)).isEmpty());
}

bool TestProgress::start(const QString &lesson)
{
    m_app = std::make_unique<CHTML5App>();
    if (!m_app->InitInstance({lesson}))
        return false;
    frame()->resize(1000, 700);
    frame()->activateWindow();
    return QTest::qWaitForWindowActive(frame());
}

void TestProgress::stop()
{
    if (!m_app)
        return;
    if (frame())
        frame()->close();
    m_app.reset();
}

bool TestProgress::pageReady(int page)
{
    const QString script = QStringLiteral("location.pathname.endsWith('/index%1.html') &&"
                                          " document.readyState === 'complete'")
                               .arg(page);
    return QTest::qWaitFor(
        [&] {
            if (theLesson.m_currentPage != page)
                return false;
            bool ready = false;
            bool done = false;
            tutorial()->page()->runJavaScript(script, [&](const QVariant &value) {
                ready = value.toBool();
                done = true;
            });
            return QTest::qWaitFor([&] { return done; }, kTimeout) && ready;
        },
        kTimeout);
}

void TestProgress::clickPage(const QPoint &at)
{
    QTest::mouseClick(tutorial()->focusProxy(), Qt::LeftButton, Qt::NoModifier, at);
}

// The learner's step on `page`: a click copies the snippet, Ctrl+V in the editor pastes it.
void TestProgress::doStep(int page)
{
    QVERIFY(pageReady(page));
    clickPage(kNextLink);
    QCOMPARE(ClipboardText(), QStringLiteral("<p>%1</p>\r\n").arg(page));
    editor()->setFocus();
    QTest::keyClick(editor(), Qt::Key_V, Qt::ControlModifier);
    QVERIFY(editor()->m_pageDone);
    QVERIFY(progress()->IsStepDone(page));
}

QString TestProgress::lessonText(int pages) const
{
    QString text;
    for (int i = 0; i < pages; ++i)
        text += QStringLiteral("<p>%1</p>\r\n").arg(i);
    return text;
}

void TestProgress::storeKeepsRecordsAndHistory()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/progress.sqlite"));
    CSqliteProgressStore store(path, 3);
    QString error;
    QVERIFY2(store.Open(&error, nullptr), qPrintable(error));
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, 0600u);

    CLessonRecord record;
    record.path = QStringLiteral("/l/a.blsh");
    record.lessonHash = QStringLiteral("abc");
    record.program = QStringLiteral("<p>\r\n\tレッスン\r\n\r\n</p>");
    record.page = 3;
    record.doneSteps = {0, 1, 3};
    record.caretAnchor = 4;
    record.caretPosition = 9;
    record.firstLine = 2;
    QVERIFY(store.Save(record, &error));
    record.program += QStringLiteral("x");
    QVERIFY(store.Save(record, &error)); // the later save wins
    const std::optional<CLessonRecord> loaded = store.Load(record.path, &error);
    QVERIFY(loaded);
    QCOMPARE(loaded->program, record.program);
    QCOMPARE(loaded->page, 3);
    QCOMPARE(loaded->doneSteps, record.doneSteps);
    QCOMPARE(loaded->caretAnchor, 4);
    QCOMPARE(loaded->caretPosition, 9);
    QCOMPARE(loaded->firstLine, 2);
    QCOMPARE(loaded->lessonHash, QStringLiteral("abc"));
    QVERIFY(!store.Load(QStringLiteral("/l/other.blsh"), &error));

    // A second window on the same file: both work, the later save wins.
    {
        CSqliteProgressStore second(path);
        QVERIFY(second.Open(&error, nullptr));
        record.program = QStringLiteral("from the second window");
        QVERIFY(second.Save(record, &error));
    }
    QCOMPARE(store.Load(record.path, &error)->program, QStringLiteral("from the second window"));

    // Identical snapshots in a row are kept once; only the newest three stay.
    const QStringList programs{"a", "a", "a\r\nb", "a\r\nb", "c", "d"};
    for (const QString &program : programs) {
        CSnapshot snapshot;
        snapshot.reason = CLessonProgress::ReasonStep;
        snapshot.page = 1;
        snapshot.program = program;
        QVERIFY(store.AddSnapshot(record.path, snapshot, &error));
    }
    const QList<CSnapshot> history = store.Snapshots(record.path, &error);
    QCOMPARE(history.size(), 3);
    QCOMPARE(history.at(0).program, QStringLiteral("d"));
    QCOMPARE(history.at(1).program, QStringLiteral("c"));
    QCOMPARE(history.at(2).program, QStringLiteral("a\r\nb"));
    QCOMPARE(history.at(0).linesAdded, 1);
    QCOMPARE(history.at(0).linesRemoved, 1);
    QCOMPARE(store.Snapshot(history.at(1).id, &error)->program, QStringLiteral("c"));
    store.Close();

    // Write-ahead logging and the schema version are kept in the file.
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "check");
    db.setDatabaseName(path);
    QVERIFY(db.open());
    QSqlQuery query(db);
    QVERIFY(query.exec("PRAGMA journal_mode") && query.next());
    QCOMPARE(query.value(0).toString(), QStringLiteral("wal"));
    QVERIFY(query.exec("PRAGMA user_version") && query.next());
    QCOMPARE(query.value(0).toInt(), ProgressSchema::kVersion);
    query.finish();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("check");
}

void TestProgress::storeLeavesNewerSchemaAlone()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("progress.sqlite"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "newer");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery(db).exec(QStringLiteral("PRAGMA user_version=99"));
        db.close();
    }
    QSqlDatabase::removeDatabase("newer");
    const QByteArray before = fileBytes(path);
    CSqliteProgressStore store(path);
    QString error;
    QVERIFY(!store.Open(&error, nullptr));
    QVERIFY(!error.isEmpty());
    QCOMPARE(fileBytes(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"progress.sqlite"});
}

void TestProgress::closeAndReopenRestores()
{
    QVERIFY(start(m_lesson));
    doStep(0);
    clickPage(kNextLink);
    QVERIFY(pageReady(1));
    editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor(), QStringLiteral("abc"));
    QTest::keyClick(editor(), Qt::Key_Return);
    QTest::keyClicks(editor(), QStringLiteral("\tdef"));
    // Enough lines to scroll.
    for (int i = 0; i < 80; ++i)
        editor()->insertPlainText(QStringLiteral("\nline %1").arg(i));
    QTextCursor cursor = editor()->textCursor();
    cursor.setPosition(2);
    cursor.setPosition(6, QTextCursor::KeepAnchor);
    editor()->setTextCursor(cursor);
    editor()->LineScroll(40 - editor()->GetFirstVisibleLine());
    QCOMPARE(editor()->GetFirstVisibleLine(), 40);
    const QString text = editor()->GetWindowText();
    QVERIFY(text.startsWith(QStringLiteral("<p>0</p>\r\nabc\r\n\tdef\r\nline 0\r\n")));
    stop();
    QCOMPARE(m_user.messages.size(), 0);

    // What another part of the program (the start page) can read without opening the lesson.
    {
        CLessonProgress reader(CreateDefaultProgressStore());
        const std::optional<CLessonProgress::Summary> summary = reader.ReadSummary(m_lesson);
        QVERIFY(summary);
        QCOMPARE(summary->page, 1);
        QCOMPARE(summary->doneCount, 1);
        QVERIFY(!reader.ReadSummary(file(QStringLiteral("never-opened.blsh"))));
    }

    QVERIFY(start(m_lesson));
    QTRY_COMPARE_WITH_TIMEOUT(editor()->GetWindowText(), text, kTimeout);
    QVERIFY(pageReady(1));
    QCOMPARE(progress()->DoneSteps(), QSet<int>{0});
    QVERIFY(!editor()->m_pageDone);
    QTRY_COMPARE_WITH_TIMEOUT(editor()->textCursor().anchor(), 2, kTimeout);
    QCOMPARE(editor()->textCursor().position(), 6);
    QCOMPARE(editor()->GetFirstVisibleLine(), 40);
    QCOMPARE(frame()->m_statusBar->GetPaneText(0), qs(Str::ProgressResumed));
    QCOMPARE(m_user.messages.size(), 0);
}

void TestProgress::newThenReopenRestores_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("plain") << QByteArray("demo.blsh");
    // Shift-JIS bytes from an archive made on another system: no UTF-8 name.
    QTest::newRow("not UTF-8") << QByteArray("demo-\x82\xa0.blsh");
}

void TestProgress::newThenReopenRestores()
{
    QFETCH(QByteArray, name);
    const QByteArray bytes = PathToBytes(m_dir.path()) + '/' + name;
    const std::string lessonBytes = LessonBytes("demo", 4);
    const int fd = ::open(bytes.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, lessonBytes.data(), lessonBytes.size()), ssize_t(lessonBytes.size()));
    ::close(fd);
    const QString lesson = PathFromBytes(bytes);
    QVERIFY(start(lesson));
    QVERIFY(pageReady(0));
    editor()->setFocus();
    QTest::keyClicks(editor(), QStringLiteral("typed before New"));
    // Ctrl+N asks nothing and keeps the program with its lesson.
    QTest::keyClick(editor(), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(editor()->GetWindowText().isEmpty());
    QCOMPARE(m_user.messages.size(), 0);
    QVERIFY(!progress()->HasLesson());

    QVERIFY(m_app->OpenDocumentFile(lesson));
    QTRY_COMPARE_WITH_TIMEOUT(editor()->GetWindowText(), QStringLiteral("typed before New"),
                              kTimeout);
    QCOMPARE(m_user.messages.size(), 0);
}

void TestProgress::killedProgramLosesNothingSaved()
{
    // The real program on the bundled lesson, typed into, then killed without warning.
    const QDir bin(qEnvironmentVariable("BOLTO_BIN_DIR"));
    const QString lesson = bin.filePath(QStringLiteral("webgl.blsh"));
    QVERIFY(QFileInfo::exists(lesson));
    const QString typed = QStringLiteral("<!-- 途中まで -->\n<p>kill -9");
    const QString marker = file(QStringLiteral("typed.marker"));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(BOLTO_TYPIST));
    // A sanitized program would refuse to start with the typist loaded ahead of its runtime.
    const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               asan + (asan.isEmpty() ? "" : ":") + QStringLiteral("verify_asan_link_order=0"));
    env.insert(QStringLiteral("BOLTO_TYPIST_TEXT"), typed);
    env.insert(QStringLiteral("BOLTO_TYPIST_DONE"), marker);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(bin.filePath(QStringLiteral("bolto")), {lesson});
    QVERIFY(child.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(marker) || child.state() == QProcess::NotRunning,
                             60000);
    QVERIFY(child.state() == QProcess::Running);
    QTest::qWait(3000);
    ::kill(pid_t(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    const QString expected = QString(typed).replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    QCOMPARE(storedProgram(database(), QFileInfo(lesson).canonicalFilePath()), expected);
    SetProgramDirectoryOverride(bin.path().toStdString() + '/');
    QVERIFY(start(lesson));
    QTRY_COMPARE_WITH_TIMEOUT(editor()->GetWindowText(), expected, kTimeout);
    stop();
    SetProgramDirectoryOverride(m_dir.path().toStdString() + '/');
}

void TestProgress::finishedPageFollowsItsLinks()
{
    QVERIFY(start(m_lesson));
    doStep(0);
    clickPage(kNextLink);
    doStep(1);
    clickPage(QPoint(40, tutorial()->height() - 40)); // back
    QVERIFY(pageReady(0));
    // Still finished: a click follows the link and copies nothing, the lines are still shown.
    QVERIFY(editor()->m_pageDone);
    QVERIFY(tutorial()->m_copyDisabled);
    int start = -1;
    int end = -1;
    editor()->GetSel(start, end);
    QCOMPARE(start, 0);
    clickPage(kNextLink);
    QVERIFY(pageReady(1));
    QCOMPARE(ClipboardText(), QString());
    QCOMPARE(editor()->GetWindowText(), lessonText(2));

    // The snippet of a finished page can still be copied on purpose.
    clickPage(QPoint(40, tutorial()->height() - 40));
    QVERIFY(pageReady(0));
    SetPopupMenuHook([](const PopupMenuResource &, const QPoint &) { return int(ID_COPY_SCRIPT); });
    QTest::mouseClick(tutorial()->focusProxy(), Qt::RightButton, Qt::NoModifier, kNextLink);
    SetPopupMenuHook({});
    QCOMPARE(ClipboardText(), QStringLiteral("<p>0</p>\r\n"));
    ClipboardEmpty();

    // 「このステップをやり直す」 opens it again: a click copies once more.
    QVERIFY(frame()->GetCommandAction(ID_PROGRESS_REDO_STEP)->isEnabled());
    QTest::keyClick(editor(), Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(!editor()->m_pageDone);
    QVERIFY(!tutorial()->m_copyDisabled);
    QVERIFY(!progress()->IsStepDone(0));
    clickPage(kNextLink);
    QCOMPARE(ClipboardText(), QStringLiteral("<p>0</p>\r\n"));
    QCOMPARE(theLesson.m_currentPage, 0);
}

void TestProgress::historyRestoreAndStartOverAreReversible()
{
    QVERIFY(start(m_lesson));
    doStep(0);
    clickPage(kNextLink);
    doStep(1);
    editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor(), QStringLiteral("mine"));
    const QString twoSteps = lessonText(2) + QStringLiteral("mine");
    QCOMPARE(editor()->GetWindowText(), twoSteps);

    // Start over asks, keeps a snapshot and empties everything.
    m_user.answer = IDNO;
    QTest::keyClick(editor(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(m_user.texts(), QStringList{qs(Str::StartOverPrompt)});
    QCOMPARE(editor()->GetWindowText(), twoSteps);
    m_user.clear();
    m_user.answer = IDYES;
    QVERIFY(frame()->RouteCommand(ID_PROGRESS_START_OVER));
    QCOMPARE(m_user.messages.size(), 1);
    QVERIFY(editor()->GetWindowText().isEmpty());
    QVERIFY(progress()->DoneSteps().isEmpty());
    QVERIFY(pageReady(0));
    QVERIFY(!editor()->m_pageDone);

    // The history, newest first: the start-over snapshot, then the two steps.
    QTest::keyClick(editor(), Qt::Key_H, Qt::ControlModifier);
    CHistoryDlg *dialog = frame()->findChild<CHistoryDlg *>();
    QVERIFY(dialog);
    QTRY_VERIFY(dialog->isVisible());
    QCOMPARE(dialog->List()->count(), 3);
    QVERIFY(dialog->List()->item(0)->text().contains(qs(Str::HistoryReasonStartOver)));
    QVERIFY(dialog->List()->item(0)->text().contains(qs(Str::HistoryStep).arg(2)));
    QVERIFY(dialog->List()->item(0)->text().contains(QStringLiteral("+1 -0")));
    QVERIFY(dialog->List()->item(1)->text().contains(QStringLiteral("+1 -0")));
    QVERIFY(!dialog->RestoreButton()->isEnabled());
    dialog->List()->setCurrentRow(0);
    QTest::mouseClick(dialog->RestoreButton(), Qt::LeftButton);
    QCOMPARE(editor()->GetWindowText(), twoSteps);
    QCOMPARE(progress()->DoneSteps(), (QSet<int>{0, 1}));
    QVERIFY(pageReady(1));
    QVERIFY(editor()->m_pageDone);
    QTRY_VERIFY(!frame()->findChild<CHistoryDlg *>());

    // The restore kept the empty program first, so it too can come back.
    const QList<CSnapshot> history = progress()->Snapshots();
    QCOMPARE(history.size(), 4);
    QCOMPARE(history.first().reason, CLessonProgress::ReasonRestore);
    QVERIFY(history.first().program.isEmpty());
    QVERIFY(progress()->RestoreSnapshot(history.first().id));
    QVERIFY(editor()->GetWindowText().isEmpty());
    QVERIFY(progress()->DoneSteps().isEmpty());

    // A program put in by another feature keeps the one it replaces.
    editor()->SetWindowText(QStringLiteral("learner's"));
    progress()->ReplaceProgram(QStringLiteral("expected"), QStringLiteral("align"));
    QCOMPARE(editor()->GetWindowText(), QStringLiteral("expected"));
    QCOMPARE(progress()->Snapshots().first().reason, QStringLiteral("align"));
    QCOMPARE(progress()->Snapshots().first().program, QStringLiteral("learner's"));
    QCOMPARE(m_user.messages.size(), 1);
}

void TestProgress::changedLessonFileIsRecognised()
{
    QVERIFY(start(m_lesson));
    doStep(0);
    stop();
    writeLesson(QStringLiteral("demo.blsh"), "demo", 3);

    QVERIFY(start(m_lesson));
    QTRY_COMPARE_WITH_TIMEOUT(editor()->GetWindowText(), lessonText(1), kTimeout);
    QCOMPARE(frame()->m_statusBar->GetPaneText(0), qs(Str::ProgressResumedChanged));
    QCOMPARE(progress()->DoneSteps(), QSet<int>{0});
}

void TestProgress::lessonWithoutFolderKeepsNothing()
{
    writeLesson(QStringLiteral("plain.blsh"), "", 2);
    writeLesson(QStringLiteral("empty.blsh"), "demo", 0);
    for (const QString name : {"plain.blsh", "empty.blsh"}) {
        QVERIFY(start(file(name)));
        QVERIFY(!progress()->HasLesson());
        editor()->SetWindowText(QStringLiteral("x"));
        QVERIFY(!frame()->GetCommandAction(ID_PROGRESS_HISTORY)->isEnabled());
        stop();
        QVERIFY(start(file(name)));
        QTest::qWait(100);
        QVERIFY(editor()->GetWindowText().isEmpty());
        stop();
    }
    QCOMPARE(m_user.messages.size(), 0);
}

void TestProgress::corruptDatabaseIsMovedAside()
{
    const QByteArray garbage = QByteArray("this is not a database ").repeated(200);
    QVERIFY(QDir().mkpath(QFileInfo(database()).path()));
    QVERIFY(!WriteFile(database(), garbage.toStdString()).isEmpty());

    QVERIFY(start(m_lesson));
    QCOMPARE(m_user.messages.size(), 1);
    QVERIFY(m_user.messages.first().text.contains(QStringLiteral(".broken-")));
    const QStringList broken =
        QDir(QFileInfo(database()).path()).entryList({QStringLiteral("*.broken-*")});
    QCOMPARE(broken.size(), 1);
    QCOMPARE(fileBytes(QFileInfo(database()).dir().filePath(broken.first())), garbage);

    // The new database takes the progress from here on.
    doStep(0);
    QCOMPARE(storedProgram(database(), m_lesson), lessonText(1));
    QCOMPARE(m_user.messages.size(), 1);
}

void TestProgress::lockedDatabaseKeepsTheProgramWorking()
{
    QVERIFY(start(m_lesson));
    doStep(0);
    stop();

    // Another program holds the write lock.
    QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "other");
    other.setDatabaseName(database());
    QVERIFY(other.open());
    QSqlQuery lock(other);
    QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));

    QVERIFY(start(m_lesson));
    QTRY_COMPARE_WITH_TIMEOUT(editor()->GetWindowText(), lessonText(1), kTimeout);
    editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor(), QStringLiteral("more"));
    QVERIFY(!progress()->SaveNow());
    QCOMPARE(m_user.messages.size(), 1);
    QVERIFY(m_user.messages.first().text.startsWith(qs(Str::ProgressCannotSave).arg(QString())));
    QTest::keyClicks(editor(), QStringLiteral("!"));
    QVERIFY(!progress()->SaveNow());
    QCOMPARE(m_user.messages.size(), 1);
    QCOMPARE(editor()->GetWindowText(), lessonText(1) + QStringLiteral("more!"));

    // Once the lock is gone a later attempt saves everything.
    QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
    lock.finish();
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase("other");
    QTRY_COMPARE_WITH_TIMEOUT(storedProgram(database(), m_lesson),
                              lessonText(1) + QStringLiteral("more!"), kTimeout);
    QCOMPARE(m_user.messages.size(), 1);
}

void TestProgress::readOnlyDatabaseIsLeftUntouched()
{
    QVERIFY(start(m_lesson));
    doStep(0);
    stop();
    QVERIFY(QFile::setPermissions(database(), QFile::ReadOwner));
    const QByteArray before = fileBytes(database());

    QVERIFY(start(m_lesson));
    QTRY_COMPARE_WITH_TIMEOUT(editor()->GetWindowText(), lessonText(1), kTimeout);
    QVERIFY(pageReady(0));
    clickPage(kNextLink);
    QVERIFY(pageReady(1));
    doStep(1);
    QCOMPARE(editor()->GetWindowText(), lessonText(2));
    QCOMPARE(m_user.messages.size(), 1);
    QVERIFY(m_user.messages.first().text.startsWith(qs(Str::ProgressCannotSave).arg(QString())));
    stop();
    QCOMPARE(fileBytes(database()), before);
}

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
