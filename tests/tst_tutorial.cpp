#include "bolto.h"
#include "clipboard.h"
#include "html5view.h"
#include "mainframe.h"
#include "messagebox.h"
#include "paths.h"
#include "popupmenu.h"
#include "programmingview.h"
#include "qtcodepage.h"
#include "resource.h"
#include "smartsplitter.h"
#include "sound.h"
#include "statusbar.h"
#include "texts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QSoundEffect>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QtEndian>

#include <functional>
#include <memory>

// The tutorial pane in the real main window, on real pages written to a temporary program
// directory. One window serves every test; each test starts from a reset lesson.
class TestTutorial : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void tracksPageOfEveryNavigation_data();
    void tracksPageOfEveryNavigation();
    void pageNumberFromTitle_data();
    void pageNumberFromTitle();
    void urlTextDecidesTracking_data();
    void urlTextDecidesTracking();
    void tracksPagesInsideFrames();
    void webAddressProceedsUntrackedAndLocalPageCannotReachIt();
    void startPage_data();
    void startPage();
    void missingPageShowsNotice();

    void leftClick_data();
    void leftClick();
    void doubleClickCopiesTwice();
    void clickFollowsLinkOnceStepIsDone();
    void backAndDeleteHandFocusToEditor_data();
    void backAndDeleteHandFocusToEditor();
    void altArrowsAreRefused_data();
    void altArrowsAreRefused();
    void rightClickShowsPaneMenu_data();
    void rightClickShowsPaneMenu();
    void copyCommandCopiesOnceAfterStepIsDone();
    void plainMenuCopiesPageSelection();
    void realMenuTakesItsOwnClicks();
    void pageDialogTakesItsOwnClicks();
    void copySoundIsShipped();

private:
    void writePage(const QString &relativePath, const QByteArray &html);
    QString path(const QString &relativePath) const { return m_dir.filePath(relativePath); }
    bool load(const QString &target);
    QWidget *input() const { return m_view->focusProxy(); }
    // Until `find` returns a window, looks for it; then clicks it where `at` says, as a user
    // would. Tells whether that click closed it (otherwise it is closed by force).
    void clickWhenShown(const std::function<QWidget *()> &find,
                        const std::function<QWidget *(QWidget *, QPoint &)> &at, bool *clicked,
                        bool *closedByClick);
    void click(Qt::MouseButton button = Qt::LeftButton);
    int mouseDownsSeen();
    CProgrammingView *editor() const { return m_frame->m_editorView; }

    QTemporaryDir m_dir;
    std::unique_ptr<CMainFrame> m_frame;
    CHTML5View *m_view = nullptr;
    QStringList m_messages;
    QList<int> m_menus;
    int m_menuAnswer = 0;
};

// Counts the mouse presses that reach the page; the title changes with each one.
static const QByteArray kCounterPage =
    "<html><head><title>0</title></head><body style='margin:0;height:100vh'><p>step</p>"
    "<script>var n = 0; document.addEventListener('mousedown', function () {"
    " n++; document.title = String(n); });</script></body></html>";

static QByteArray linkPage(const char *target)
{
    return QByteArray("<html><body style='margin:0'><a id='next' href='") + target +
           "' style='display:block;height:100vh'>next</a></body></html>";
}

void TestTutorial::writePage(const QString &relativePath, const QByteArray &html)
{
    const QString file = path(relativePath);
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(html);
}

bool TestTutorial::load(const QString &target)
{
    QSignalSpy finished(m_view, &QWebEngineView::loadFinished);
    m_view->Navigate2(target);
    return finished.wait(60000) || !finished.isEmpty();
}

void TestTutorial::click(Qt::MouseButton button)
{
    QTest::mouseClick(input(), button, Qt::NoModifier, QPoint(40, 40));
}

int TestTutorial::mouseDownsSeen()
{
    int seen = -1;
    m_view->page()->runJavaScript(QStringLiteral("n"),
                                  [&seen](const QVariant &value) { seen = value.toInt(); });
    return QTest::qWaitFor([&seen] { return seen >= 0; }, 60000) ? seen : -1;
}

void TestTutorial::initTestCase()
{
    QVERIFY(m_dir.isValid());
    SetProgramDirectoryOverride(m_dir.path().toStdString());
    SetMessageBoxHook([this](const QString &text, unsigned type) {
        m_messages << text;
        return type == (MB_OK | MB_ICONEXCLAMATION) ? IDOK : -1;
    });
    SetPopupMenuHook([this](const PopupMenuResource &menu, const QPoint &) {
        m_menus << menu.id;
        return m_menuAnswer;
    });

    writePage("index.html", "<html><body>start</body></html>");
    writePage("les/html/index0.html", kCounterPage);
    writePage("les/html/index1.html", "<html><body>one</body></html>");
    writePage("les/html/index12.html", "<html><body>twelve</body></html>");
    writePage("links/index0.html", linkPage("index1.html"));
    writePage("links/index1.html", "<html><body>one</body></html>");

    m_frame = std::make_unique<CMainFrame>();
    AfxSetMainWnd(m_frame.get());
    m_frame->resize(1000, 700);
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    m_view = m_frame->m_tutorialView;
    m_frame->m_splitter->setSizes({500, 495});
    QTRY_VERIFY(m_view->width() > 0 && m_view->height() > 0);
    // The widget that takes the page's input exists once something is loaded.
    QVERIFY(load(path("les/html/index1.html")));
    QTRY_VERIFY_WITH_TIMEOUT(input() != nullptr, 60000);
}

void TestTutorial::init()
{
    theLesson.Reset();
    m_messages.clear();
    m_menus.clear();
    m_menuAnswer = 0;
}

void TestTutorial::cleanupTestCase()
{
    SetMessageBoxHook({});
    SetPopupMenuHook({});
    m_frame.reset();
    SetProgramDirectoryOverride({});
}

void TestTutorial::tracksPageOfEveryNavigation_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("plain path") << path("les/html/index12.html");
    QTest::newRow("file URL") << QUrl::fromLocalFile(path("les/html/index12.html")).toString();
}

void TestTutorial::tracksPageOfEveryNavigation()
{
    QFETCH(QString, target);
    theLesson.m_currentPage = 3;
    editor()->m_pageDone = true;
    m_view->m_copyDisabled = true;
    QVERIFY(ClipboardSetText("left over"));

    QVERIFY(load(target));
    QCOMPARE(theLesson.m_currentPage, 12);
    QCOMPARE(editor()->m_pageDone, false);
    QCOMPARE(m_view->m_copyDisabled, false);
    QCOMPARE(ClipboardText(), QString());
}

void TestTutorial::pageNumberFromTitle_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("page");
    QTest::newRow("key is case-sensitive") << "Index3.html" << -1;
    QTest::newRow("key must start the title") << "myindex3.html" << -1;
    QTest::newRow("nothing after the key") << "index.html" << -1;
    QTest::newRow("no digits") << "indexabc.html" << 0;
    QTest::newRow("leading space") << "index 5.html" << 5;
    QTest::newRow("digits then letters") << "index3b.html" << 3;
    QTest::newRow("negative") << "index-2.html" << -2;
    QTest::newRow("last dot ends the title") << "index3.tar.gz" << 3;
    QTest::newRow("japanese around") << "index7ソ.html" << 7;
    QTest::newRow("saturates high") << "index99999999999.html" << 2147483647;
    QTest::newRow("saturates low") << "index-99999999999.html" << -2147483647 - 1;
    QTest::newRow("only an extension") << ".html" << -1;
}

void TestTutorial::pageNumberFromTitle()
{
    QFETCH(QString, file);
    QFETCH(int, page);
    writePage("titles/" + file, "<html><body>t</body></html>");
    theLesson.m_currentPage = 99;
    QVERIFY(load(path("titles/" + file)));
    QCOMPARE(theLesson.m_currentPage, page);
}

void TestTutorial::urlTextDecidesTracking_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("page"); // 99: left alone
    QTest::newRow("secure address is tracked") << "https://example.org/les/index4.html" << 4;
    QTest::newRow("secure address, other title") << "https://example.org/les/page4.html" << -1;
    QTest::newRow("scheme in capitals is tracked") << "HTTP://example.org/index4.html" << 4;
    QTest::newRow("web address") << "http://example.org/index4.html" << 99;
    QTest::newRow("web address in the query")
        << "file:///x/index4.html?from=http://example.org/" << 99;
    QTest::newRow("ends in a separator") << "file:///x/index4/" << -1;
    QTest::newRow("overlong") << "file:///x/" + QString(5000, 'a') + "/index4.html" << 4;
}

void TestTutorial::urlTextDecidesTracking()
{
    QFETCH(QString, url);
    QFETCH(int, page);
    theLesson.m_currentPage = 99;
    editor()->m_pageDone = true;
    m_view->m_copyDisabled = true;
    QVERIFY(ClipboardSetText("kept"));

    m_view->OnBeforeNavigate2(url);
    QCOMPARE(theLesson.m_currentPage, page);
    const bool tracked = page != 99;
    QCOMPARE(editor()->m_pageDone, !tracked);
    QCOMPARE(m_view->m_copyDisabled, !tracked);
    QCOMPARE(ClipboardText(), tracked ? QString() : QString("kept"));
}

void TestTutorial::tracksPagesInsideFrames()
{
    writePage("frames/index0.html",
              "<html><body><iframe src='index7.html'></iframe></body></html>");
    writePage("frames/index7.html", "<html><body>seven</body></html>");
    QVERIFY(load(path("frames/index0.html")));
    QTRY_COMPARE_WITH_TIMEOUT(theLesson.m_currentPage, 7, 60000);
}

void TestTutorial::webAddressProceedsUntrackedAndLocalPageCannotReachIt()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QStringList requested; // request paths, in order
    connect(&server, &QTcpServer::newConnection, &server, [&server, &requested] {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [socket, &requested] {
                const QList<QByteArray> requestLine = socket->readLine().split(' ');
                socket->readAll();
                if (requestLine.size() > 1)
                    requested << QString::fromLatin1(requestLine.at(1));
                socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                              "Access-Control-Allow-Origin: *\r\nConnection: close\r\n"
                              "Content-Length: 2\r\n\r\nok");
                socket->disconnectFromHost();
            });
        }
    });
    const QByteArray web = "http://127.0.0.1:" + QByteArray::number(server.serverPort());

    // A local page may run its scripts, but its request to the web never leaves the machine.
    writePage("remote/index0.html",
              "<html><head><title>waiting</title></head><body>"
              "<iframe src='" +
                  web +
                  "/frame.html'></iframe><script>"
                  "var web = '" +
                  web +
                  "';"
                  "function outcome(p) { return p.then(function () { return 'reached'; },"
                  " function () { return 'blocked'; }); }"
                  "var image = new Promise(function (ok, fail) { var i = new Image();"
                  " i.onload = ok; i.onerror = fail; i.src = web + '/picture.png'; });"
                  "Promise.all([outcome(fetch(web + '/data')), outcome(image)])"
                  ".then(function (r) { document.title = r.join(' '); });"
                  "</script></body></html>");
    QVERIFY(load(path("remote/index0.html")));
    QTRY_VERIFY_WITH_TIMEOUT(m_view->title() != "waiting", 60000);
    QCOMPARE(m_view->title(), QString("blocked blocked"));

    // Following the view to a web address works, and the tutorial state stays as it was.
    theLesson.m_currentPage = 5;
    editor()->m_pageDone = true;
    m_view->m_copyDisabled = true;
    QVERIFY(ClipboardSetText("kept"));
    QSignalSpy finished(m_view, &QWebEngineView::loadFinished);
    m_view->Navigate2(web + "/index4.html");
    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.first().first().toBool(), true);
    // The local page's requests would have come long before this one.
    QVERIFY(!requested.isEmpty());
    QCOMPARE(requested.first(), QString("/index4.html"));
    QCOMPARE(theLesson.m_currentPage, 5);
    QCOMPARE(editor()->m_pageDone, true);
    QCOMPARE(m_view->m_copyDisabled, true);
    QCOMPARE(ClipboardText(), QString("kept"));
}

void TestTutorial::startPage_data()
{
    QTest::addColumn<QByteArray>("folder"); // code page 932, as the lesson stores it
    QTest::addColumn<QString>("page");
    QTest::addColumn<int>("current");
    QTest::newRow("no lesson folder") << QByteArray() << "index.html" << -1;
    QTest::newRow("lesson folder")
        << QByteArray::fromStdString(ToCp932("講座\\第1回")) << "講座/第1回/html/index0.html" << 0;
}

void TestTutorial::startPage()
{
    QFETCH(QByteArray, folder);
    QFETCH(QString, page);
    QFETCH(int, current);
    writePage(page, "<html><body>first</body></html>");
    theLesson.m_folderName = folder.toStdString();
    theLesson.m_currentPage = 99;
    m_view->m_copyDisabled = true;
    QVERIFY(ClipboardSetText("left over"));

    QSignalSpy finished(m_view, &QWebEngineView::loadFinished);
    m_view->OnInitialUpdate();
    QCOMPARE(m_view->m_copyDisabled, false);
    QCOMPARE(ClipboardText(), QString());
    QVERIFY(finished.wait(60000));
    QCOMPARE(m_view->url(), QUrl::fromLocalFile(path(page)));
    QCOMPARE(theLesson.m_currentPage, current);
}

void TestTutorial::missingPageShowsNotice()
{
    // The page is tracked as any other; the engine's error page gives way to a notice that names
    // the file, and the notice itself is no page of the lesson.
    const QString missing = path(QStringLiteral("gone/html/index5.html"));
    QSignalSpy finished(m_view, &QWebEngineView::loadFinished);
    m_view->Navigate2(missing);
    QTRY_COMPARE_WITH_TIMEOUT(m_view->title(), qs(Str::PageMissingTitle), 60000);
    QCOMPARE(theLesson.m_currentPage, 5);
    QVERIFY(m_messages.isEmpty());

    QString text;
    m_view->page()->toPlainText([&text](const QString &t) { text = t; });
    QTRY_VERIFY_WITH_TIMEOUT(!text.isEmpty(), 60000);
    QVERIFY2(text.contains(qs(Str::FileNotFound).arg(missing)), qPrintable(text));
}

enum class Click { Copied, Swallowed, ReachesPage };
Q_DECLARE_METATYPE(Click)

void TestTutorial::leftClick_data()
{
    QTest::addColumn<QByteArray>("snippet");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("copyDisabled");
    QTest::addColumn<bool>("pageDone");
    QTest::addColumn<Click>("outcome");
    QTest::addColumn<QString>("clipboard");

    const QByteArray japanese = QByteArray::fromStdString(ToCp932("<p>\r\nこんにちは</p>"));
    QTest::newRow("copies") << QByteArray("abc") << int(Add) << 0 << false << false << Click::Copied
                            << "abc";
    QTest::newRow("line breaks and japanese kept")
        << japanese << int(Replace) << 0 << false << false << Click::Copied
        << "<p>\r\nこんにちは</p>";
    QTest::newRow("ends at a NUL")
        << QByteArray("ab\0cd", 5) << int(Add) << 0 << false << false << Click::Copied << "ab";
    QTest::newRow("delete page copies too")
        << QByteArray("x") << int(Delete) << 0 << false << false << Click::Copied << "x";
    QTest::newRow("leading NUL is empty")
        << QByteArray("\0ab", 3) << int(Add) << 0 << false << false << Click::ReachesPage << "";
    QTest::newRow("copying switched off")
        << QByteArray("abc") << int(Add) << 0 << true << true << Click::ReachesPage << "";
    QTest::newRow("no page") << QByteArray("abc") << int(Add) << -1 << false << false
                             << Click::ReachesPage << "";
    QTest::newRow("page beyond the snippets")
        << QByteArray("abc") << int(Add) << 1 << false << false << Click::ReachesPage << "";
    QTest::newRow("delete page, step not done")
        << QByteArray("abc") << int(Delete) << 0 << true << false << Click::Swallowed << "";
    QTest::newRow("delete page, empty snippet")
        << QByteArray() << int(Delete) << 0 << false << false << Click::Swallowed << "";
    QTest::newRow("delete page, step done")
        << QByteArray("abc") << int(Delete) << 0 << true << true << Click::ReachesPage << "";
}

void TestTutorial::leftClick()
{
    QFETCH(QByteArray, snippet);
    QFETCH(int, kind);
    QFETCH(int, page);
    QFETCH(bool, copyDisabled);
    QFETCH(bool, pageDone);
    QFETCH(Click, outcome);
    QFETCH(QString, clipboard);

    theLesson.m_folderName = "les";
    theLesson.m_pageTexts = {snippet.toStdString()};
    theLesson.m_pageKinds = {kind};
    QVERIFY(load(path("les/html/index0.html")));
    theLesson.m_currentPage = page;
    m_view->m_copyDisabled = copyDisabled;
    editor()->m_pageDone = pageDone;
    m_frame->m_statusBar->SetPaneText(0, qs(Str::Ready));
    QVERIFY(ClipboardEmpty());
    const int sounds = CopySoundRequests();

    click();
    const bool copied = outcome == Click::Copied;
    QCOMPARE(ClipboardText(), clipboard);
    QCOMPARE(CopySoundRequests() - sounds, copied ? 1 : 0);
    QCOMPARE(m_frame->m_statusBar->GetPaneText(0), qs(copied ? Str::SnippetCopied : Str::Ready));
    QVERIFY(m_messages.isEmpty());

    // A second click that surely reaches the page: once the page has seen it, it has seen
    // the first one too, if that one got through.
    m_view->m_copyDisabled = true;
    editor()->m_pageDone = true;
    click();
    QTRY_VERIFY_WITH_TIMEOUT(m_view->title() != "0", 60000);
    QCOMPARE(mouseDownsSeen(), outcome == Click::ReachesPage ? 2 : 1);
}

void TestTutorial::doubleClickCopiesTwice()
{
    theLesson.m_folderName = "les";
    theLesson.m_pageTexts = {"abc"};
    theLesson.m_pageKinds = {Add};
    QVERIFY(load(path("les/html/index0.html")));
    const int sounds = CopySoundRequests();
    // A double click arrives as press, release, double click, release.
    click();
    QTest::mouseDClick(input(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
    QTest::mouseRelease(input(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
    QCOMPARE(CopySoundRequests() - sounds, 2);
    QCOMPARE(ClipboardText(), QString("abc"));
}

void TestTutorial::clickFollowsLinkOnceStepIsDone()
{
    theLesson.m_folderName = "links";
    theLesson.m_pageTexts = {"abc", "def"};
    theLesson.m_pageKinds = {Add, Add};
    QVERIFY(load(path("links/index0.html")));
    QCOMPARE(theLesson.m_currentPage, 0);

    // The step is done in the editor, which switches click-copying off.
    m_view->m_copyDisabled = true;
    editor()->m_pageDone = true;
    click();
    QTRY_COMPARE_WITH_TIMEOUT(theLesson.m_currentPage, 1, 60000);
    QCOMPARE(m_view->m_copyDisabled, false);
    QCOMPARE(editor()->m_pageDone, false);
}

void TestTutorial::backAndDeleteHandFocusToEditor_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("back space") << int(Qt::Key_Backspace);
    QTest::newRow("delete") << int(Qt::Key_Delete);
}

void TestTutorial::backAndDeleteHandFocusToEditor()
{
    QFETCH(int, key);
    QVERIFY(load(path("les/html/index1.html")));
    m_frame->activateWindow();
    input()->setFocus();
    QTRY_VERIFY(input()->hasFocus());
    QTest::keyClick(input(), Qt::Key(key));
    QTRY_VERIFY(editor()->hasFocus());
}

void TestTutorial::altArrowsAreRefused_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("message");
    QTest::newRow("alt left") << int(Qt::Key_Left) << qs(Str::CannotGoBack);
    QTest::newRow("alt right") << int(Qt::Key_Right) << qs(Str::CannotGoForward);
}

void TestTutorial::altArrowsAreRefused()
{
    QFETCH(int, key);
    QFETCH(QString, message);
    // History both ways, so that either key could navigate if it got through.
    QVERIFY(load(path("les/html/index1.html")));
    QVERIFY(load(path("les/html/index12.html")));
    QVERIFY(load(path("les/html/index1.html")));
    m_view->back();
    QTRY_COMPARE_WITH_TIMEOUT(theLesson.m_currentPage, 12, 60000);
    QVERIFY(m_view->history()->canGoBack() && m_view->history()->canGoForward());
    QSignalSpy started(m_view, &QWebEngineView::loadStarted);

    QTest::keyClick(input(), Qt::Key(key), Qt::AltModifier);
    QCOMPARE(m_messages, QStringList{message});
    QTest::keyClick(input(), Qt::Key_Up, Qt::AltModifier);
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(started.count(), 0);
    QCOMPARE(theLesson.m_currentPage, 12);
}

void TestTutorial::rightClickShowsPaneMenu_data()
{
    QTest::addColumn<QByteArray>("folder");
    QTest::addColumn<int>("menu");
    QTest::newRow("lesson folder known") << QByteArray("les") << int(IDR_MENU_HTML);
    QTest::newRow("no lesson folder") << QByteArray() << int(IDR_MENU_HTML_PLAIN);
}

void TestTutorial::rightClickShowsPaneMenu()
{
    QFETCH(QByteArray, folder);
    QFETCH(int, menu);
    QVERIFY(load(path("les/html/index0.html")));
    theLesson.m_folderName = folder.toStdString();
    click(Qt::RightButton);
    QCOMPARE(m_menus, QList<int>{menu});
    // The menu key reaches the page, but the browser's own menu must not answer it either.
    QTest::keyClick(input(), Qt::Key_Menu);

    // The page never hears of the right button: only the probe click below reaches it. By the
    // time the page has answered, any menu the page asked for would be showing.
    m_view->m_copyDisabled = true;
    click();
    QTRY_VERIFY_WITH_TIMEOUT(m_view->title() != "0", 60000);
    QCOMPARE(mouseDownsSeen(), 1);
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
    QCOMPARE(m_menus.size(), 1);
}

void TestTutorial::copyCommandCopiesOnceAfterStepIsDone()
{
    theLesson.m_folderName = "les";
    theLesson.m_pageTexts = {"abc"};
    theLesson.m_pageKinds = {Add};
    QVERIFY(load(path("les/html/index1.html")));
    theLesson.m_currentPage = 0;
    m_view->m_copyDisabled = true;
    editor()->m_pageDone = true;
    QVERIFY(ClipboardEmpty());
    const int sounds = CopySoundRequests();

    m_menuAnswer = ID_COPY_SCRIPT;
    click(Qt::RightButton);
    QCOMPARE(m_menus, QList<int>{IDR_MENU_HTML});
    QCOMPARE(ClipboardText(), QString("abc"));
    QCOMPARE(CopySoundRequests() - sounds, 1);
    QCOMPARE(m_frame->m_statusBar->GetPaneText(0), qs(Str::SnippetCopied));
    QCOMPARE(m_view->m_copyDisabled, true);

    // Clicks stay as the finished step left them: no copy.
    QVERIFY(ClipboardEmpty());
    click();
    QCOMPARE(ClipboardText(), QString());
    QCOMPARE(CopySoundRequests() - sounds, 1);

    // The command is always available.
    CCmdUI ui(ID_COPY_SCRIPT);
    ui.Enable(false);
    QVERIFY(m_view->OnUpdateCmdUI(ui));
    QVERIFY(ui.m_enabled);
}

void TestTutorial::plainMenuCopiesPageSelection()
{
    theLesson.m_pageTexts = {"snippet"};
    QVERIFY(load(path("les/html/index12.html")));
    theLesson.m_currentPage = 0;
    bool selected = false;
    m_view->page()->runJavaScript(
        QStringLiteral("window.getSelection().selectAllChildren(document.body); true"),
        [&selected](const QVariant &) { selected = true; });
    QTRY_VERIFY_WITH_TIMEOUT(selected, 60000);
    QVERIFY(ClipboardEmpty());

    m_menuAnswer = ID_EDIT_COPY;
    click(Qt::RightButton);
    QCOMPARE(m_menus, QList<int>{IDR_MENU_HTML_PLAIN});
    QTRY_COMPARE_WITH_TIMEOUT(ClipboardText().trimmed(), QString("twelve"), 60000);
}

void TestTutorial::clickWhenShown(const std::function<QWidget *()> &find,
                                  const std::function<QWidget *(QWidget *, QPoint &)> &at,
                                  bool *clicked, bool *closedByClick)
{
    auto *poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [=] {
        QWidget *window = find();
        if (!window || !window->isVisible())
            return;
        poll->deleteLater();
        poll->stop();
        QPoint pos;
        QWidget *target = at(window, pos);
        QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, pos);
        *clicked = true;
        *closedByClick = !window->isVisible();
        if (!*closedByClick)
            window->close();
    });
    poll->start(10);
}

void TestTutorial::realMenuTakesItsOwnClicks()
{
    theLesson.m_folderName = "les";
    theLesson.m_pageTexts = {"abc"};
    theLesson.m_pageKinds = {Delete};
    QVERIFY(load(path("les/html/index0.html")));
    QVERIFY(ClipboardEmpty());
    const int sounds = CopySoundRequests();
    SetPopupMenuHook({});

    bool clicked = false, closed = false;
    clickWhenShown([] { return qobject_cast<QMenu *>(QApplication::activePopupWidget()); },
                   [](QWidget *window, QPoint &pos) {
                       auto *menu = static_cast<QMenu *>(window);
                       pos = menu->actionGeometry(menu->actions().value(0)).center();
                       return menu;
                   },
                   &clicked, &closed);
    click(Qt::RightButton);
    SetPopupMenuHook([this](const PopupMenuResource &menu, const QPoint &) {
        m_menus << menu.id;
        return m_menuAnswer;
    });
    QVERIFY(clicked);
    QVERIFY2(closed, "the menu's item did not take the click");
    QCOMPARE(ClipboardText(), QString("abc"));
    QCOMPARE(CopySoundRequests() - sounds, 1);

    // Nothing is left catching clicks elsewhere.
    QTest::mouseClick(editor()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QCOMPARE(CopySoundRequests() - sounds, 1);
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
}

void TestTutorial::pageDialogTakesItsOwnClicks()
{
    theLesson.m_folderName = "les";
    theLesson.m_pageTexts = {"abc"};
    theLesson.m_pageKinds = {Add};
    QVERIFY(load(path("les/html/index0.html")));
    QVERIFY(ClipboardEmpty());
    const int sounds = CopySoundRequests();

    bool clicked = false, closed = false;
    clickWhenShown([] { return qobject_cast<QMessageBox *>(QApplication::activeModalWidget()); },
                   [](QWidget *window, QPoint &pos) -> QWidget * {
                       QAbstractButton *ok = window->findChild<QAbstractButton *>();
                       pos = ok ? ok->rect().center() : QPoint();
                       return ok ? ok : window;
                   },
                   &clicked, &closed);
    bool answered = false;
    m_view->page()->runJavaScript(QStringLiteral("alert('hello'); true"),
                                  [&answered](const QVariant &) { answered = true; });
    QTRY_VERIFY_WITH_TIMEOUT(answered, 60000);
    QVERIFY(clicked);
    QVERIFY2(closed, "the dialog's button did not take the click");
    QCOMPARE(ClipboardText(), QString());
    QCOMPARE(CopySoundRequests() - sounds, 0);
}

static void initResources()
{
    Q_INIT_RESOURCE(bolto);
}

void TestTutorial::copySoundIsShipped()
{
    initResources();
    QFile file(QStringLiteral(":/sounds/copy.wav"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray wav = file.readAll();
    QCOMPARE(wav.size(), 44 + 108736);
    const auto u16 = [&wav](int at) { return qFromLittleEndian<quint16>(wav.constData() + at); };
    const auto u32 = [&wav](int at) { return qFromLittleEndian<quint32>(wav.constData() + at); };
    QCOMPARE(wav.left(4), QByteArray("RIFF"));
    QCOMPARE(wav.mid(8, 8), QByteArray("WAVEfmt "));
    QCOMPARE(u16(20), quint16(1)); // PCM
    QCOMPARE(u16(22), quint16(1)); // one channel
    QCOMPARE(u32(24), quint32(44100));
    QCOMPARE(u16(34), quint16(16));
    QCOMPARE(wav.mid(36, 4), QByteArray("data"));
    QCOMPARE(u32(40), quint32(108736));

    // The player takes it straight from the resources.
    QSoundEffect effect;
    effect.setSource(QUrl(QStringLiteral("qrc:/sounds/copy.wav")));
    QTRY_VERIFY_WITH_TIMEOUT(
        effect.status() == QSoundEffect::Ready || effect.status() == QSoundEffect::Error, 60000);
    QCOMPARE(effect.status(), QSoundEffect::Ready);
}

QTEST_MAIN(TestTutorial)
#include "tst_tutorial.moc"
