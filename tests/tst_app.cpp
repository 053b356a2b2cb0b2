#include "aboutdlg.h"
#include "appfixture.h"
#include "html5app.h"
#include "html5doc.h"
#include "mainframe.h"
#include "pathbytes.h"
#include "paths.h"
#include "programmingview.h"
#include "recentfilelist.h"
#include "resource.h"
#include "shellfiletypes.h"
#include "texts.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestApp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void startUp_data();
    void startUp();
    void lessonOpensBeforeWindowShows();
    void startAgainLeavesSettingsFileAlone();
    void commandLine_data();
    void commandLine();

    void registrationWrittenAndRemoved();
    void unregisterSwitchRemovesWithoutWindow();
    void installedPackageLeavesRegistrationToIt();
    void desktopExecArgument_data();
    void desktopExecArgument();

    void recentFileListKeepsFourNewestFirst();
    void recentEntryOfDeletedLessonDisappears();
    void abbreviatedNames_data();
    void abbreviatedNames();

    void droppedFileOpens();
    void aboutBox();

    void pathBytes_data();
    void pathBytes();
    void namesThatAreNotUtf8();
    void qtTextsInJapanese();

private:
    QString lesson(const QString &name, int pages = 2);
    QStringList recentSetting() const;

    QTemporaryDir m_dir;
    UserStandIn m_user;
};

void TestApp::initTestCase()
{
    QVERIFY(m_dir.isValid());
    SetProgramDirectoryOverride(m_dir.path().toStdString());
    m_user.install();
    // An installed package on the test machine would change what registration does.
    qputenv("XDG_DATA_DIRS", QFile::encodeName(m_dir.filePath(QStringLiteral("no system data"))));
}

void TestApp::init()
{
    m_user.clear();
    QCoreApplication::setOrganizationName(qs(Str::SettingsOrganization));
    QCoreApplication::setApplicationName(qs(Str::AppName));
    QSettings().remove(QStringLiteral("Recent File List"));
    theLesson.Reset();
}

QString TestApp::lesson(const QString &name, int pages)
{
    return WriteFile(m_dir.filePath(name), LessonBytes("les", pages));
}

QStringList TestApp::recentSetting() const
{
    QSettings settings;
    QStringList list;
    for (int i = 1; i <= 4; ++i)
        list.append(settings.value(QStringLiteral("Recent File List/File%1").arg(i)).toString());
    return list;
}

void TestApp::startUp_data()
{
    QTest::addColumn<QString>("argument"); // "" none; "@name" a lesson written first
    QTest::addColumn<bool>("runs");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("pages");

    QTest::newRow("no argument") << "" << true << "無題 - Bolto x64 Version 1.7"
                                 << "" << 0;
    QTest::newRow("lesson") << "@start.blsh" << true << "start.blsh - Bolto x64 Version 1.7"
                            << "" << 3;
    QTest::newRow("upper-case extension")
        << "@START2.BLSH" << true << "START2.BLSH - Bolto x64 Version 1.7"
        << "" << 3;
    QTest::newRow("wrong extension") << "@notes.txt" << false << ""
                                     << "" << 0;
    QTest::newRow("missing lesson") << "missing.blsh" << false << ""
                                    << "%1 が見つかりませんでした。" << 0;
}

void TestApp::startUp()
{
    QFETCH(QString, argument);
    QFETCH(bool, runs);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QFETCH(int, pages);

    QString path;
    if (argument.startsWith(QLatin1Char('@'))) {
        path = WriteFile(m_dir.filePath(argument.mid(1)), LessonBytes("les", 3));
    } else if (!argument.isEmpty()) {
        path = m_dir.filePath(argument);
    }

    CHTML5App app;
    const bool ran = app.InitInstance(path.isEmpty() ? QStringList() : QStringList{path});
    QCOMPARE(ran, runs);
    QCOMPARE(QCoreApplication::organizationName(), qs("Bolto アプリケーション"));
    QCOMPARE(QCoreApplication::applicationName(), qs("HTML5"));
    QCOMPARE(m_user.texts(), message.isEmpty() ? QStringList() : QStringList{message.arg(path)});
    if (!message.isEmpty())
        QCOMPARE(m_user.messages.first().type & MB_ICONMASK, unsigned(MB_ICONEXCLAMATION));
    QCOMPARE(theLesson.GetPageCount(), pages);
    if (!runs) {
        QVERIFY(!app.m_mainFrame);
        QVERIFY(!AfxGetMainWnd());
        return;
    }
    QVERIFY(app.m_mainFrame);
    QCOMPARE(AfxGetMainWnd(), app.m_mainFrame);
    QVERIFY(app.m_mainFrame->isVisible());
    QCOMPARE(app.m_mainFrame->windowTitle(), title);
    QVERIFY(app.m_mainFrame->acceptDrops());
    if (!path.isEmpty())
        QCOMPARE(recentSetting().first(), path);
}

void TestApp::startAgainLeavesSettingsFileAlone()
{
    // Each write of a setting rewrites and syncs the whole file: a start that changes nothing
    // writes nothing.
    const QString path = lesson(QStringLiteral("again.blsh"), 2);
    const auto start = [&] {
        CHTML5App app;
        QVERIFY(app.InitInstance({path}));
    };
    start();
    const QString settingsFile = QSettings().fileName();
    struct stat before
    {
    };
    QCOMPARE(::stat(QFile::encodeName(settingsFile).constData(), &before), 0);

    start();

    struct stat after
    {
    };
    QCOMPARE(::stat(QFile::encodeName(settingsFile).constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    QCOMPARE(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    QCOMPARE(recentSetting().first(), path);
}

// Watches for the main window's first Show and notes what the lesson held then.
class ShowWatcher : public QObject
{
public:
    int pagesAtShow = -1;
    bool mainWindowKnownAtShow = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && pagesAtShow < 0 &&
            qobject_cast<CMainFrame *>(watched)) {
            pagesAtShow = theLesson.GetPageCount();
            mainWindowKnownAtShow = AfxGetMainWnd() == watched;
        }
        return false;
    }
};

void TestApp::lessonOpensBeforeWindowShows()
{
    const QString path = lesson(QStringLiteral("early.blsh"), 4);
    ShowWatcher watcher;
    qApp->installEventFilter(&watcher);
    CHTML5App app;
    QVERIFY(app.InitInstance({path}));
    qApp->removeEventFilter(&watcher);
    QCOMPARE(watcher.pagesAtShow, 4);
    QVERIFY(watcher.mainWindowKnownAtShow);
    QCOMPARE(app.m_document->GetPathName(), path);
    QCOMPARE(app.m_document->GetTitle(), qs("early.blsh"));
}

void TestApp::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("unregister");

    QTest::newRow("none") << QStringList() << "" << false;
    QTest::newRow("lesson") << QStringList{"/a/b.blsh"} << "/a/b.blsh" << false;
    QTest::newRow("first file wins") << QStringList{"x.blsh", "y.blsh"} << "x.blsh" << false;
    QTest::newRow("/Unregister") << QStringList{"/Unregister"} << "" << true;
    QTest::newRow("/unregserver") << QStringList{"/unregserver"} << "" << true;
    QTest::newRow("--unregister") << QStringList{"--unregister"} << "" << true;
    QTest::newRow("unknown switch") << QStringList{"--verbose", "c.blsh"} << "c.blsh" << false;
}

void TestApp::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, file);
    QFETCH(bool, unregister);
    const CCommandLineInfo info = CHTML5App::ParseCommandLine(arguments);
    QCOMPARE(info.m_strFileName, file);
    QCOMPARE(info.m_unregister, unregister);
}

void TestApp::registrationWrittenAndRemoved()
{
    for (const QString &file : ShellRegistrationFiles())
        QFile::remove(file);
    CHTML5App app;
    QVERIFY(app.InitInstance({lesson(QStringLiteral("reg.blsh"))}));

    const QStringList files = ShellRegistrationFiles();
    QCOMPARE(files.size(), 3);
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    for (const QString &file : files) {
        QVERIFY2(QFileInfo::exists(file), qPrintable(file));
        QVERIFY(file.startsWith(dataHome + QLatin1Char('/')));
    }
    QFile mime(files.at(0));
    QVERIFY(mime.open(QIODevice::ReadOnly));
    const QByteArray package = mime.readAll();
    QVERIFY(package.contains("<comment>Bolto.Document</comment>"));
    QVERIFY(package.contains("<glob pattern=\"*.blsh\" case-sensitive=\"false\"/>"));
    QVERIFY(package.contains(kLessonMimeType));
    QFile desktop(files.at(1));
    QVERIFY(desktop.open(QIODevice::ReadOnly));
    const QString entry = QString::fromUtf8(desktop.readAll());
    QVERIFY(entry.contains(QStringLiteral("Exec=") +
                           DesktopExecArgument(QCoreApplication::applicationFilePath()) +
                           QStringLiteral(" %f\n")));
    QVERIFY(entry.contains(QStringLiteral("MimeType=") + QLatin1String(kLessonMimeType)));
    QVERIFY(entry.contains(QStringLiteral("Icon=bolto-html5\n")));
    QVERIFY(!QImage(files.at(2)).isNull());

    for (int round = 0; round < 2; ++round) {
        m_user.clear();
        QVERIFY(app.m_mainFrame->RouteCommand(ID_DELETE_REGISTRY));
        QCOMPARE(m_user.texts(), QStringList{qs("レジストリを削除しました。")});
        QCOMPARE(m_user.messages.first().type, unsigned(MB_OK | MB_ICONEXCLAMATION));
        for (const QString &file : files)
            QVERIFY(!QFileInfo::exists(file));
    }
    // The settings stay.
    QCOMPARE(recentSetting().first(), m_dir.filePath(QStringLiteral("reg.blsh")));
    QVERIFY(app.m_mainFrame->isVisible());
}

void TestApp::unregisterSwitchRemovesWithoutWindow()
{
    {
        CHTML5App first;
        QVERIFY(first.InitInstance({}));
    }
    for (const QString &file : ShellRegistrationFiles())
        QVERIFY(QFileInfo::exists(file));
    for (const QString &option : {QStringLiteral("/Unregister"), QStringLiteral("--unregister")}) {
        CHTML5App app;
        QVERIFY(!app.InitInstance({option}));
        QVERIFY(!app.m_mainFrame);
        QVERIFY(!AfxGetMainWnd());
        QVERIFY(m_user.messages.isEmpty());
        for (const QString &file : ShellRegistrationFiles())
            QVERIFY(!QFileInfo::exists(file));
    }
}

void TestApp::installedPackageLeavesRegistrationToIt()
{
    RegisterShellFileTypes(QStringLiteral("/opt/old/bolto"));
    const QString system = m_dir.filePath(QStringLiteral("system data"));
    const QByteArray savedDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_DIRS", QFile::encodeName(system));
    const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_DIRS", savedDirs); });

    // The desktop entry alone is not the package: the program still registers itself.
    QVERIFY(QDir().mkpath(system + QStringLiteral("/applications")));
    QVERIFY(QFile(system + QStringLiteral("/applications/bolto.desktop")).open(QIODevice::WriteOnly));
    QVERIFY(!SystemWideRegistration());
    RegisterShellFileTypes(QStringLiteral("/opt/old/bolto"));
    for (const QString &file : ShellRegistrationFiles())
        QVERIFY(QFileInfo::exists(file));

    QVERIFY(QDir().mkpath(system + QStringLiteral("/mime/packages")));
    QVERIFY(QFile(system + QStringLiteral("/mime/packages/bolto.xml")).open(QIODevice::WriteOnly));
    QVERIFY(SystemWideRegistration());
    CHTML5App app;
    QVERIFY(app.InitInstance({}));
    for (const QString &file : ShellRegistrationFiles())
        QVERIFY2(!QFileInfo::exists(file), qPrintable(file));
    QVERIFY(QFileInfo::exists(system + QStringLiteral("/applications/bolto.desktop")));
}

void TestApp::desktopExecArgument_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("written");

    QTest::newRow("plain") << "/opt/bolto/bolto"
                           << "/opt/bolto/bolto";
    QTest::newRow("space") << "/home/a b/bolto"
                           << "\"/home/a b/bolto\"";
    QTest::newRow("japanese") << "/home/学習/bolto"
                              << "/home/学習/bolto";
    QTest::newRow("percent") << "/x/100%/bolto"
                             << "/x/100%%/bolto";
    QTest::newRow("dollar and quote") << "/x/$a\"b/bolto"
                                      << "\"/x/\\\\$a\\\\\"b/bolto\"";
    QTest::newRow("backslash") << "/x/a\\b/bolto"
                               << "\"/x/a\\\\\\\\b/bolto\"";
}

void TestApp::desktopExecArgument()
{
    QFETCH(QString, argument);
    QFETCH(QString, written);
    QCOMPARE(DesktopExecArgument(argument), written);
}

void TestApp::recentFileListKeepsFourNewestFirst()
{
    CHTML5App app;
    QVERIFY(app.InitInstance({}));
    QStringList paths;
    for (int i = 1; i <= 5; ++i) {
        paths.append(lesson(QStringLiteral("r%1.blsh").arg(i)));
        QVERIFY(app.OpenDocumentFile(paths.last()));
    }
    const QStringList expected{paths.at(4), paths.at(3), paths.at(2), paths.at(1)};
    QCOMPARE(recentSetting(), expected);

    // The File menu shows the list in place of the greyed placeholder.
    QMenu *file = app.m_mainFrame->m_fileMenu;
    emit file->aboutToShow();
    QStringList shown;
    for (QAction *action : file->actions()) {
        if (action->isVisible() && action->text().startsWith(QLatin1Char('&')))
            shown.append(action->text());
    }
    QCOMPARE(shown.size(), 4);
    QVERIFY(shown.first().startsWith(QStringLiteral("&1 ")));
    QVERIFY(shown.first().endsWith(QStringLiteral("r5.blsh")));
    QVERIFY(shown.last().endsWith(QStringLiteral("r2.blsh")));

    // Opening an entry of the list moves it to the top; the list is read back at the next start.
    QVERIFY(app.m_mainFrame->RouteCommand(ID_FILE_MRU_FILE1 + 2));
    QCOMPARE(app.m_document->GetPathName(), paths.at(2));
    QCOMPARE(recentSetting(), (QStringList{paths.at(2), paths.at(4), paths.at(3), paths.at(1)}));
    CRecentFileList reread(QStringLiteral("Recent File List"), QStringLiteral("File%1"), 4);
    reread.ReadList();
    QCOMPARE(reread[0], paths.at(2));
    QCOMPARE(reread.GetCount(), 4);
}

void TestApp::recentEntryOfDeletedLessonDisappears()
{
    CHTML5App app;
    QVERIFY(app.InitInstance({}));
    const QString gone = lesson(QStringLiteral("gone.blsh"));
    const QString kept = lesson(QStringLiteral("kept.blsh"), 5);
    QVERIFY(app.OpenDocumentFile(gone));
    QVERIFY(app.OpenDocumentFile(kept));
    QVERIFY(QFile::remove(gone));
    app.m_mainFrame->m_editorView->SetWindowText(QStringLiteral("learner's text"));

    QVERIFY(app.m_mainFrame->RouteCommand(ID_FILE_MRU_FILE1 + 1));
    QCOMPARE(m_user.texts(), QStringList{qs("%1 が見つかりませんでした。").arg(gone)});
    QCOMPARE(recentSetting(), (QStringList{kept, QString(), QString(), QString()}));
    // An empty lesson is left behind while the title and the panes stay.
    QCOMPARE(theLesson.GetPageCount(), 0);
    QCOMPARE(app.m_mainFrame->windowTitle(), qs("kept.blsh - Bolto x64 Version 1.7"));
    QCOMPARE(app.m_mainFrame->m_editorView->GetWindowText(), QStringLiteral("learner's text"));
}

void TestApp::abbreviatedNames_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("shown");

    QTest::newRow("short") << "/home/u/a.blsh"
                           << "/home/u/a.blsh";
    QTest::newRow("exactly 30") << "/home/user/lessons/lx/abc.blsh"
                                << "/home/user/lessons/lx/abc.blsh";
    QTest::newRow("long") << "/home/user/lessons/webgl/part1/webgl.blsh"
                          << "/.../webgl/part1/webgl.blsh";
    QTest::newRow("long name") << "/home/user/a-very-long-lesson-file-name.blsh"
                               << "a-very-long-lesson-file-name.blsh";
}

void TestApp::abbreviatedNames()
{
    QFETCH(QString, path);
    QFETCH(QString, shown);
    const QString name = CRecentFileList::AbbreviateName(path, 30);
    QCOMPARE(name, shown);
    QVERIFY(name.size() <= 30 || name == QFileInfo(path).fileName());
}

void TestApp::droppedFileOpens()
{
    CHTML5App app;
    QVERIFY(app.InitInstance({}));
    QVERIFY(QTest::qWaitForWindowExposed(app.m_mainFrame));
    const QString path = lesson(QStringLiteral("dropped.blsh"), 6);

    // Dropped on the editor, which would otherwise take the file's name as text.
    QWidget *target = app.m_mainFrame->m_editorView->viewport();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    QVERIFY(drop.isAccepted());
    QCoreApplication::processEvents();

    QCOMPARE(app.m_document->GetPathName(), path);
    QCOMPARE(theLesson.GetPageCount(), 6);
    QVERIFY(app.m_mainFrame->m_editorView->GetWindowText().isEmpty());
    QVERIFY(app.m_mainFrame->GetCommandAction(ID_RUN)->isEnabled());

    // A dropped lesson that is gone leaves no lesson behind, and Run goes grey with it.
    const QString gone = m_dir.filePath(QStringLiteral("gone.blsh"));
    mime.setUrls({QUrl::fromLocalFile(gone)});
    QDragEnterEvent enterGone(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enterGone);
    QDropEvent dropGone(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &dropGone);
    QCoreApplication::processEvents();
    QCOMPARE(m_user.texts(), QStringList{qs("%1 が見つかりませんでした。").arg(gone)});
    QCOMPARE(theLesson.GetPageCount(), 0);
    QVERIFY(!app.m_mainFrame->GetCommandAction(ID_RUN)->isEnabled());
}

void TestApp::aboutBox()
{
    CAboutDlg about;
    QCOMPARE(about.windowTitle(), qs("バージョン情報 Bolto"));
    QCOMPARE(about.m_lines[0]->text(), qs("Bolto x64, Version 1.7"));
    QCOMPARE(about.m_lines[0]->textFormat(), Qt::PlainText);
    for (QLabel *line : about.m_lines)
        QVERIFY(!line->text().isEmpty());
    QCOMPARE(about.m_ok->text(), qs("OK"));
    QVERIFY(about.m_ok->isDefault());
    QVERIFY(!about.m_icon->pixmap().isNull());

    // Dialog units: 279 x 91 for the box, OK at (222, 70) 50 x 14.
    QCOMPARE(about.size(), about.MapDialogRect(0, 0, 279, 91).size());
    QCOMPARE(about.m_ok->geometry(), about.MapDialogRect(222, 70, 50, 14));
    QVERIFY(QRect(QPoint(0, 0), about.size()).contains(about.m_ok->geometry()));
    QVERIFY(about.m_lines[0]->geometry().left() > about.m_icon->geometry().right());

    // The Help menu's command shows it modally and returns once it is closed.
    CHTML5App app;
    QVERIFY(app.InitInstance({}));
    bool shown = false;
    QMetaObject::invokeMethod(
        this,
        [&shown] {
            auto *dialog = qobject_cast<CAboutDlg *>(QApplication::activeModalWidget());
            shown = dialog != nullptr;
            if (dialog)
                dialog->m_ok->click();
        },
        Qt::QueuedConnection);
    QVERIFY(app.m_mainFrame->RouteCommand(ID_APP_ABOUT));
    QVERIFY(shown);
}

void TestApp::pathBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("ASCII") << QByteArray("/a/b c.blsh") << "/a/b c.blsh";
    QTest::newRow("UTF-8") << QByteArray("/レッスン/第1回.blsh") << "/レッスン/第1回.blsh";
    QTest::newRow("Shift-JIS name in a UTF-8 folder")
        << QByteArray("/レッスン/\x83\x65\x83\x58\x83\x67.blsh") << "/レッスン/テスト.blsh";
    QTest::newRow("ソ ends in a backslash byte") << QByteArray("/x/\x83\x5c.blsh") << "/x/ソ.blsh";
    QTest::newRow("neither") << QByteArray("/x/\xff\xfe.blsh") << "/x/\uFFFD\uFFFD.blsh";
    QTest::newRow("UTF-8 surrogate bytes") << QByteArray("/\xed\xb2\x80") << "/\uFFFD\uFFFD\uFFFD";
    QTest::newRow("cut Shift-JIS") << QByteArray("/a\x81") << "/a\uFFFD";
}

void TestApp::pathBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    const QString path = PathFromBytes(bytes);
    QCOMPARE(PathToBytes(path), bytes);
    QCOMPARE(PathForDisplay(path), shown);
    QVERIFY(!PathLostBytes(path));
    // Where the bytes are UTF-8, the path is just the text Qt would make of them.
    if (QString::fromUtf8(bytes).toUtf8() == bytes)
        QCOMPARE(path, QString::fromUtf8(bytes));
}

void TestApp::namesThatAreNotUtf8()
{
    // "テスト.blsh" in Shift-JIS, as a Windows archive leaves it.
    const QByteArray bytes = QFile::encodeName(m_dir.path()) + "/\x83\x65\x83\x58\x83\x67.blsh";
    const std::string lessonBytes = LessonBytes("les", 3);
    const int fd = ::open(bytes.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, lessonBytes.data(), lessonBytes.size()), ssize_t(lessonBytes.size()));
    ::close(fd);

    // The command line keeps the bytes; the name shows as well as it decodes.
    CHTML5App app;
    QVERIFY(app.InitInstance({PathFromBytes(bytes)}));
    QCOMPARE(m_user.texts(), QStringList());
    QCOMPARE(theLesson.GetPageCount(), 3);
    QCOMPARE(app.m_document->GetTitle(), qs("テスト.blsh"));
    QCOMPARE(app.m_mainFrame->windowTitle(), qs("テスト.blsh - Bolto x64 Version 1.7"));
    QCOMPARE(PathToBytes(recentSetting().first()), bytes);
    QCOMPARE(app.m_pRecentFileList->GetDisplayName(0, 200),
             QDir::cleanPath(m_dir.path()) + qs("/テスト.blsh"));
    // Save finds the file under its own name and asks for none.
    QVERIFY(app.m_mainFrame->RouteCommand(ID_FILE_SAVE));
    QCOMPARE(m_user.dialogs.size(), 0);

    // A dialog hands over Qt's reading of the name, which lost the bytes: the message must not
    // say that the file is missing.
    theLesson.Reset();
    m_user.dialogAnswer = QString::fromUtf8(bytes);
    QVERIFY(app.m_mainFrame->RouteCommand(ID_FILE_OPEN));
    QCOMPARE(m_user.texts().size(), 1);
    QVERIFY2(!m_user.texts().first().contains(qs("見つかりません")),
             qPrintable(m_user.texts().first()));
    QCOMPARE(m_user.texts().first(), qs(Str::FileBadPath).arg(*m_user.dialogAnswer));
}

void TestApp::qtTextsInJapanese()
{
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_ja.qm"))
        QSKIP("Qt's Japanese translations are not installed");
    CHTML5App app;
    QVERIFY(app.InitInstance({}));
    QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
    QVERIFY2(buttons.button(QDialogButtonBox::Cancel)->text().contains(qs("キャンセル")),
             qPrintable(buttons.button(QDialogButtonBox::Cancel)->text()));
    QVERIFY2(buttons.button(QDialogButtonBox::Save)->text().contains(qs("保存")),
             qPrintable(buttons.button(QDialogButtonBox::Save)->text()));
}

QTEST_MAIN(TestApp)
#include "tst_app.moc"
