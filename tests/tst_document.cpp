#include "appfixture.h"
#include "fileerror.h"
#include "html5app.h"
#include "html5doc.h"
#include "mainframe.h"
#include "paths.h"
#include "programmingview.h"
#include "recentfilelist.h"
#include "resource.h"
#include "texts.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>

class TestDocument : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void outcomes_data();
    void outcomes();
    void lessonExtension_data();
    void lessonExtension();
    void fileErrorMessages_data();
    void fileErrorMessages();

    void samePathOnlyActivatesThroughManager();
    void savePromptWhileModified();
    void newDocument();
    void saveWritesNothing();
    void saveUntitledAsksForName();
    void pageSettingDoesNothing();

private:
    QString file(const QString &name) const { return m_dir.filePath(name); }
    void openPrevious();
    QString recentTop() const;

    QTemporaryDir m_dir;
    UserStandIn m_user;
    CHTML5App *m_app = nullptr;
    CHTML5Doc *m_doc = nullptr;
    CMainFrame *m_frame = nullptr;
};

void TestDocument::initTestCase()
{
    QVERIFY(m_dir.isValid());
    SetProgramDirectoryOverride(m_dir.path().toStdString());
    m_user.install();
    m_app = new CHTML5App;
    QVERIFY(m_app->InitInstance({}));
    m_doc = m_app->m_document;
    m_frame = m_app->m_mainFrame;

    WriteFile(file(QStringLiteral("prev.blsh")), LessonBytes("prev", 2));
    WriteFile(file(QStringLiteral("good.blsh")), LessonBytes("good", 3));
    WriteFile(file(QStringLiteral("zero.blsh")), std::string());
    WriteFile(file(QStringLiteral("lesson.blsh.bak")), LessonBytes("bak", 4));
    // Cut inside the list of page kinds: the three snippets are read, then the file ends.
    WriteFile(file(QStringLiteral("truncated.blsh")), LessonBytes("good", 3).substr(0, 43));
    // A string longer than any lesson may hold.
    WriteFile(file(QStringLiteral("oversized.blsh")),
              std::string("\x01\x00\x00\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF"
                          "\x00\x00\x00\x80\x00\x00\x00\x00",
                          19));
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder.blsh")));
    QCOMPARE(mkfifo(QFile::encodeName(file(QStringLiteral("pipe.blsh"))).constData(), 0600), 0);
}

void TestDocument::cleanupTestCase()
{
    delete m_app;
}

void TestDocument::init()
{
    m_doc->SetModifiedFlag(false);
    m_app->OnFileNew();
    QSettings().remove(QStringLiteral("Recent File List"));
    m_app->m_pRecentFileList->ReadList();
    m_user.clear();
}

void TestDocument::openPrevious()
{
    QVERIFY(m_app->OpenDocumentFile(file(QStringLiteral("prev.blsh"))));
    m_frame->m_editorView->SetWindowText(QStringLiteral("typed"));
    m_user.clear();
}

QString TestDocument::recentTop() const
{
    return (*m_app->m_pRecentFileList)[0];
}

void TestDocument::outcomes_data()
{
    QTest::addColumn<bool>("command"); // the Open command, or the document manager
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("pages");     // -1: the previous lesson's, untouched
    QTest::addColumn<QString>("title"); // "": the previous title and path
    QTest::addColumn<bool>("editorEmptied");
    QTest::addColumn<bool>("modified");
    QTest::addColumn<QString>("message"); // %1: the path

    const QString notFound = qs("%1 が見つかりませんでした。");
    const QString badFormat = qs("予期しないファイル形式です。");
    const QString failed = qs("ドキュメントを開くことに失敗しました。");
    const QString denied = qs("%1 へのアクセスは拒否されました。");

    for (const bool command : {true, false}) {
        const QString road = command ? QStringLiteral("command: ") : QStringLiteral("manager: ");
        // newRow copies the name; the bytes must live until it has.
        auto row = [&road](const char *name) { return (road + QLatin1String(name)).toLocal8Bit(); };
        QTest::newRow(row("succeeds").constData())
            << command << "good.blsh" << 3 << "good.blsh" << true << false << "";
        QTest::newRow(row("zero bytes").constData())
            << command << "zero.blsh" << 0 << "zero.blsh" << true << false << "";
        QTest::newRow(row("wrong extension").constData())
            << command << "lesson.blsh.bak" << -1 << "" << false << false << "";
        QTest::newRow(row("missing").constData())
            << command << "missing.blsh" << 0 << "" << false << false << notFound;
        QTest::newRow(row("folder").constData())
            << command << "folder.blsh" << 0 << "" << false << false << denied;
        // Nobody writes to the pipe: reading it would wait for ever.
        QTest::newRow(row("named pipe").constData())
            << command << "pipe.blsh" << 0 << "" << false << false << denied;
    }
    // A failed read keeps what was read when the Open command read it; the manager starts over.
    QTest::newRow("command: truncated")
        << true << "truncated.blsh" << 3 << "" << false << true << badFormat;
    QTest::newRow("manager: truncated")
        << false << "truncated.blsh" << 0 << "無題" << true << false << badFormat;
    QTest::newRow("manager: oversized string")
        << false << "oversized.blsh" << 0 << "無題" << true << false << failed;
}

void TestDocument::outcomes()
{
    QFETCH(bool, command);
    QFETCH(QString, name);
    QFETCH(int, pages);
    QFETCH(QString, title);
    QFETCH(bool, editorEmptied);
    QFETCH(bool, modified);
    QFETCH(QString, message);

    openPrevious();
    const QString prev = file(QStringLiteral("prev.blsh"));
    const QString path = file(name);
    if (command) {
        m_user.dialogAnswer = path;
        QVERIFY(m_frame->RouteCommand(ID_FILE_OPEN));
        QCOMPARE(m_user.dialogs.size(), 1);
        const FileDialogRequest &request = m_user.dialogs.first();
        QCOMPARE(request.kind, FileDialogRequest::Open);
        QCOMPARE(request.directory, QString::fromStdString(ProgramDirectory()));
        QCOMPARE(request.filter, qs("Boltoファイル(*.blsh)"));
    } else {
        const bool opened = m_app->OpenDocumentFile(path) != nullptr;
        QCOMPARE(opened, pages >= 0 && title.endsWith(QLatin1String(".blsh")));
    }

    QCOMPARE(m_user.texts(), message.isEmpty() ? QStringList() : QStringList{message.arg(path)});
    if (!message.isEmpty())
        QCOMPARE(m_user.messages.first().type, unsigned(MB_OK | MB_ICONEXCLAMATION));
    QCOMPARE(theLesson.GetPageCount(), pages < 0 ? 2 : pages);
    if (pages < 0)
        QCOMPARE(theLesson.m_folderName, std::string("prev"));

    if (title.isEmpty()) {
        QCOMPARE(m_doc->GetTitle(), qs("prev.blsh"));
        QCOMPARE(m_doc->GetPathName(), prev);
        QCOMPARE(recentTop(), prev);
    } else if (title == qs(Str::Untitled)) {
        QCOMPARE(m_doc->GetTitle(), title);
        QVERIFY(m_doc->GetPathName().isEmpty());
        QCOMPARE(recentTop(), prev);
    } else {
        QCOMPARE(m_doc->GetTitle(), title);
        QCOMPARE(m_doc->GetPathName(), path);
        QCOMPARE(recentTop(), path);
    }
    QCOMPARE(m_frame->windowTitle(),
             (title.isEmpty() ? qs("prev.blsh") : title) + qs(" - Bolto x64 Version 1.7"));
    QCOMPARE(m_frame->m_editorView->GetWindowText(),
             editorEmptied ? QString() : QStringLiteral("typed"));
    QCOMPARE(m_doc->IsModified(), modified);
}

void TestDocument::lessonExtension_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("lesson");

    QTest::newRow("lesson.blsh") << "/a/lesson.blsh" << true;
    QTest::newRow("upper case") << "/a/lesson.BLSH" << true;
    QTest::newRow("mixed case") << "/a/lesson.BlSh" << true;
    QTest::newRow("katakana so") << "/a/ソース.blsh" << true;
    QTest::newRow("backup") << "/a/lesson.blsh.bak" << false;
    QTest::newRow("no extension") << "/a/lesson" << false;
    QTest::newRow("folder with the extension") << "/a/dir.blsh/lesson" << false;
    QTest::newRow("longer extension") << "/a/lesson.blshx" << false;
    QTest::newRow("full-width letters") << "/a/lesson.ｂｌｓｈ" << false;
}

void TestDocument::lessonExtension()
{
    QFETCH(QString, path);
    QFETCH(bool, lesson);
    QCOMPARE(CHTML5Doc::HasLessonExtension(path), lesson);
}

void TestDocument::fileErrorMessages_data()
{
    QTest::addColumn<int>("err");
    QTest::addColumn<QString>("message");

    const QString notFound = qs("%1 が見つかりませんでした。");
    const QString badPath = qs("%1 に正しくないパスが含まれています。");
    const QString denied = qs("%1 へのアクセスは拒否されました。");
    const QString sharing = qs("%1 へのアクセス中に共有違反が発生しました。");
    QTest::newRow("ENOENT") << ENOENT << notFound;
    QTest::newRow("ENOTDIR") << ENOTDIR << badPath;
    QTest::newRow("ENAMETOOLONG") << ENAMETOOLONG << badPath;
    QTest::newRow("EINVAL") << EINVAL << badPath;
    QTest::newRow("EACCES") << EACCES << denied;
    QTest::newRow("EPERM") << EPERM << denied;
    QTest::newRow("EISDIR") << EISDIR << denied;
    QTest::newRow("EBUSY") << EBUSY << sharing;
    QTest::newRow("ETXTBSY") << ETXTBSY << sharing;
    QTest::newRow("EWOULDBLOCK") << EWOULDBLOCK << sharing;
    QTest::newRow("ENOSPC") << ENOSPC << qs("%1 へのアクセス中にディスクがいっぱいになりました。");
    QTest::newRow("EXDEV") << EXDEV << qs("%1 へのアクセス中に不明なエラーが発生しました。");
}

void TestDocument::fileErrorMessages()
{
    QFETCH(int, err);
    QFETCH(QString, message);
    const QString path = QStringLiteral("/x/レッスン.blsh");
    QCOMPARE(FileErrorMessage(err, path), message.arg(path));
}

void TestDocument::samePathOnlyActivatesThroughManager()
{
    openPrevious();
    theLesson.m_pageTexts.push_back("changed in memory");
    QVERIFY(m_app->OpenDocumentFile(file(QStringLiteral("prev.blsh"))));
    QCOMPARE(theLesson.GetPageCount(), 3);
    QCOMPARE(m_frame->m_editorView->GetWindowText(), QStringLiteral("typed"));

    // The Open command reads it again and starts the panes over.
    m_user.dialogAnswer = file(QStringLiteral("prev.blsh"));
    QVERIFY(m_frame->RouteCommand(ID_FILE_OPEN));
    QCOMPARE(theLesson.GetPageCount(), 2);
    QVERIFY(m_frame->m_editorView->GetWindowText().isEmpty());
    QVERIFY(m_user.messages.isEmpty());

    // A cancelled dialog changes nothing.
    m_user.dialogAnswer.reset();
    theLesson.m_pageTexts.push_back("kept");
    QVERIFY(m_frame->RouteCommand(ID_FILE_OPEN));
    QCOMPARE(theLesson.GetPageCount(), 3);
}

void TestDocument::savePromptWhileModified()
{
    openPrevious();
    m_user.dialogAnswer = file(QStringLiteral("truncated.blsh"));
    QVERIFY(m_frame->RouteCommand(ID_FILE_OPEN));
    QVERIFY(m_doc->IsModified());
    const QString prompt = qs("prev.blsh への変更を保存しますか?");
    const unsigned promptType = MB_YESNOCANCEL | MB_ICONQUESTION;

    // Cancel keeps everything, and the recent list keeps its entry.
    m_user.clear();
    m_user.answer = IDCANCEL;
    QVERIFY(!m_app->OpenDocumentFile(file(QStringLiteral("good.blsh"))));
    QCOMPARE(m_user.texts(), QStringList{prompt});
    QCOMPARE(m_user.messages.first().type, promptType);
    QCOMPARE(m_doc->GetPathName(), file(QStringLiteral("prev.blsh")));
    QVERIFY(m_doc->IsModified());

    m_user.clear();
    m_user.answer = IDCANCEL;
    m_app->AddToRecentFileList(file(QStringLiteral("good.blsh")));
    QVERIFY(m_frame->RouteCommand(ID_FILE_MRU_FILE1));
    QCOMPARE(recentTop(), file(QStringLiteral("good.blsh")));

    // Closing asks the same; cancelling keeps the window.
    m_user.clear();
    m_user.answer = IDCANCEL;
    QVERIFY(!m_frame->close());
    QCOMPARE(m_user.texts(), QStringList{prompt});
    QVERIFY(m_frame->isVisible());

    // Yes "saves" (writes nothing) and goes on; the file is untouched.
    const QFileInfo before(file(QStringLiteral("prev.blsh")));
    m_user.clear();
    m_user.answer = IDYES;
    QVERIFY(m_app->OpenDocumentFile(file(QStringLiteral("good.blsh"))));
    QCOMPARE(m_user.texts(), QStringList{prompt});
    QVERIFY(m_user.dialogs.isEmpty());
    QCOMPARE(QFileInfo(file(QStringLiteral("prev.blsh"))).lastModified(), before.lastModified());
    QVERIFY(!m_doc->IsModified());

    // No answers the prompt without saving; an unmodified document asks nothing.
    m_user.dialogAnswer = file(QStringLiteral("truncated.blsh"));
    QVERIFY(m_frame->RouteCommand(ID_FILE_OPEN));
    m_user.clear();
    m_user.answer = IDNO;
    QVERIFY(m_frame->RouteCommand(ID_FILE_NEW));
    QCOMPARE(m_user.texts(), QStringList{qs("good.blsh への変更を保存しますか?")});
    m_user.clear();
    QVERIFY(m_frame->RouteCommand(ID_FILE_NEW));
    QVERIFY(m_user.messages.isEmpty());
}

void TestDocument::newDocument()
{
    openPrevious();
    QVERIFY(m_frame->RouteCommand(ID_FILE_NEW));
    QCOMPARE(m_doc->GetTitle(), qs("無題"));
    QVERIFY(m_doc->GetPathName().isEmpty());
    QCOMPARE(theLesson.GetPageCount(), 0);
    QVERIFY(theLesson.m_folderName.empty());
    QVERIFY(m_frame->m_editorView->GetWindowText().isEmpty());
    QCOMPARE(m_frame->windowTitle(), qs("無題 - Bolto x64 Version 1.7"));
    QCOMPARE(recentTop(), file(QStringLiteral("prev.blsh")));
}

void TestDocument::saveWritesNothing()
{
    const QString good = file(QStringLiteral("good.blsh"));
    QVERIFY(m_app->OpenDocumentFile(good));
    QFile before(good);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    const QDateTime stamp = QFileInfo(good).lastModified();

    QVERIFY(m_frame->RouteCommand(ID_FILE_SAVE));
    QVERIFY(m_user.dialogs.isEmpty());
    QVERIFY(m_user.messages.isEmpty());
    QFile after(good);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), bytes);
    QCOMPARE(QFileInfo(good).lastModified(), stamp);
    QCOMPARE(m_doc->GetPathName(), good);
}

void TestDocument::saveUntitledAsksForName()
{
    const QString named = file(QStringLiteral("named.blsh"));
    m_user.dialogAnswer.reset();
    QVERIFY(m_frame->RouteCommand(ID_FILE_SAVE));
    QCOMPARE(m_user.dialogs.size(), 1);
    QVERIFY(m_doc->GetPathName().isEmpty());

    m_user.clear();
    m_user.dialogAnswer = named;
    QVERIFY(m_frame->RouteCommand(ID_FILE_SAVE));
    QCOMPARE(m_user.dialogs.size(), 1);
    const FileDialogRequest &request = m_user.dialogs.first();
    QCOMPARE(request.kind, FileDialogRequest::Save);
    QCOMPARE(request.title, qs("名前を付けて保存"));
    QCOMPARE(request.filter, qs("Bolto Files (*.blsh)"));
    QCOMPARE(request.defaultSuffix, QStringLiteral("blsh"));
    QCOMPARE(request.fileName, qs("無題.blsh"));

    QVERIFY(!QFileInfo::exists(named));
    QCOMPARE(m_doc->GetPathName(), named);
    QCOMPARE(m_doc->GetTitle(), qs("named.blsh"));
    QCOMPARE(recentTop(), named);
}

void TestDocument::pageSettingDoesNothing()
{
    openPrevious();
    QVERIFY(m_frame->QueryCommandUI(ID_PAGE_SETTING).m_enabled);
    QVERIFY(m_frame->RouteCommand(ID_PAGE_SETTING));
    QCOMPARE(theLesson.GetPageCount(), 2);
    QCOMPARE(m_doc->GetTitle(), qs("prev.blsh"));
    QCOMPARE(m_frame->m_editorView->GetWindowText(), QStringLiteral("typed"));
    QVERIFY(m_user.messages.isEmpty());
    QVERIFY(m_user.dialogs.isEmpty());
}

QTEST_MAIN(TestDocument)
#include "tst_document.moc"
