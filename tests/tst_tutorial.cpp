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
#include "webprofile.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QSoundEffect>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
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
    void hostilePageReachesNothing();
    void webLinkOpensInBrowser_data();
    void webLinkOpensInBrowser();
    void refusedLessonFolderShowsNotice_data();
    void refusedLessonFolderShowsNotice();
    void confinedPageShowsProgramHtml();
    void startPage_data();
    void startPage();
    void missingPageShowsNotice();

    void leftClick_data();
    void leftClick();
    void doubleClickCopiesTwice();
    void clickFollowsLinkOnceStepIsDone_data();
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
    QString pageText();
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

public slots:
    // Stands in for the desktop's browser.
    void openInBrowser(const QUrl &url) { m_opened << url; }

private:
    QList<QUrl> m_opened;
};

// Listens on the loopback address only, over TCP and UDP, and records whatever arrives.
class LoopbackListener : public QObject
{
public:
    LoopbackListener()
    {
        QVERIFY(m_tcp.listen(QHostAddress::LocalHost));
        QVERIFY(m_udp.bind(QHostAddress::LocalHost));
        connect(&m_tcp, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_tcp.nextPendingConnection()) {
                m_received << "tcp connection";
                connect(socket, &QTcpSocket::readyRead, socket,
                        [this, socket] { m_received << socket->readAll(); });
            }
        });
        connect(&m_udp, &QUdpSocket::readyRead, this, [this] {
            while (m_udp.hasPendingDatagrams())
                m_received << "udp " + m_udp.receiveDatagram().data().toHex();
        });
    }
    QByteArray web() const { return "http://127.0.0.1:" + QByteArray::number(m_tcp.serverPort()); }
    quint16 tcpPort() const { return m_tcp.serverPort(); }
    quint16 udpPort() const { return m_udp.localPort(); }
    QList<QByteArray> received() const { return m_received; }

private:
    QTcpServer m_tcp;
    QUdpSocket m_udp;
    QList<QByteArray> m_received;
};

// Counts the mouse presses that reach the page; the title changes with each one.
static const QByteArray kCounterPage =
    "<html><head><title>0</title></head><body style='margin:0;height:100vh'><p>step</p>"
    "<script>var n = 0; document.addEventListener('mousedown', function () {"
    " n++; document.title = String(n); });</script></body></html>";

static QByteArray linkPage(const char *target, const QByteArray &window = {})
{
    return QByteArray("<html><body style='margin:0'><a id='next' href='") + target + "' target='" +
           window + "' style='display:block;height:100vh'>next</a></body></html>";
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

QString TestTutorial::pageText()
{
    QString text;
    bool done = false;
    m_view->page()->toPlainText([&](const QString &t) {
        text = t;
        done = true;
    });
    return QTest::qWaitFor([&done] { return done; }, 60000) ? text : QString();
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
    QDesktopServices::setUrlHandler("http", this, "openInBrowser");
    QDesktopServices::setUrlHandler("https", this, "openInBrowser");

    writePage("index.html", "<html><body>start</body></html>");
    writePage("les/html/index0.html", kCounterPage);
    writePage("les/html/index1.html", "<html><body>one</body></html>");
    writePage("les/html/index12.html", "<html><body>twelve</body></html>");
    writePage("links/index0.html", linkPage("index1.html"));
    writePage("links/window0.html", linkPage("index1.html", "_blank"));
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
    m_opened.clear();
    // Most tests show pages from all over the temporary program directory.
    m_view->ConfineTo(m_dir.path());
}

void TestTutorial::cleanupTestCase()
{
    SetMessageBoxHook({});
    SetPopupMenuHook({});
    QDesktopServices::unsetUrlHandler("http");
    QDesktopServices::unsetUrlHandler("https");
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

// Every road out that a page of a shared lesson could take: reading files outside its folder,
// and sending anything to a listener on this machine. One road inside the folder must work, so
// that "blocked" means refused and not broken.
void TestTutorial::hostilePageReachesNothing()
{
    LoopbackListener listener;
    const QByteArray web = listener.web();
    const QByteArray ws = "ws://127.0.0.1:" + QByteArray::number(listener.tcpPort());
    writePage("outside/secret.txt", "root:secret");
    writePage("hostile/html/own.txt", "root:own");
    QVERIFY(QFile::link(path("outside"), path("hostile/html/peek")));
    QByteArray page = R"(<html><head><title>waiting</title></head><body><script>
function read(p) {
  return p.then(function (r) { return r.text(); })
    .then(function (t) { return t.indexOf('root:') >= 0 ? 'reached' : 'empty'; },
          function () { return 'blocked'; });
}
function loads(make) { return new Promise(function (done) {
  var e = make(); e.onload = function () { done('reached'); };
  e.onerror = function () { done('blocked'); }; document.body.appendChild(e); }); }
function xhr(url) { return new Promise(function (done) {
  var x = new XMLHttpRequest(); x.open('GET', url);
  x.onload = function () { done(x.responseText.indexOf('root:') >= 0 ? 'reached' : 'empty'); };
  x.onerror = function () { done('blocked'); }; x.send(); }); }
function frame(src) { return new Promise(function (done) {
  var f = document.createElement('iframe'); f.src = src;
  f.onload = function () { var t = '';
    try { t = f.contentDocument.body.innerText; } catch (e) {}
    done(t.indexOf('root:') >= 0 ? 'reached' : 'blocked'); };
  document.body.appendChild(f);
  setTimeout(function () { done('blocked'); }, 5000); }); }
function socket() { return new Promise(function (done) {
  var w = new WebSocket('WS/?data=root:x:0:0');
  w.onopen = function () { done('reached'); };
  w.onerror = function () { done('blocked'); }; }); }
function rtc() { return new Promise(function (done) {
  var pc = new RTCPeerConnection({iceServers: [{urls: 'stun:127.0.0.1:UDP'}]});
  pc.createDataChannel('leak');
  pc.onicegatheringstatechange = function () {
    if (pc.iceGatheringState === 'complete') done('gathered'); };
  pc.createOffer().then(function (o) { return pc.setLocalDescription(o); });
  setTimeout(function () { done('gathered'); }, 5000); }); }
Promise.all([read(fetch('own.txt')), read(fetch('file:///etc/passwd')),
  xhr('file:///etc/passwd'), read(fetch('peek/secret.txt')),
  frame('file:///etc/passwd'), frame('peek/secret.txt'),
  frame('data:text/html,<img src="WEB/data-frame">'),
  loads(function () { var i = new Image(); i.src = 'WEB/image'; return i; }),
  loads(function () { var s = document.createElement('script'); s.src = 'WEB/script'; return s; }),
  read(fetch('WEB/fetch')), socket(), rtc()])
.then(function (r) { document.title = r.join(' '); });
</script></body></html>)";
    page.replace("WEB", web)
        .replace("WS", ws)
        .replace("UDP", QByteArray::number(listener.udpPort()));
    writePage("hostile/html/index0.html", page);
    theLesson.m_folderName = "hostile";
    QSignalSpy finished(m_view, &QWebEngineView::loadFinished);
    m_view->NavigateToStartPage();
    QTRY_VERIFY_WITH_TIMEOUT(m_view->title() != "waiting" && m_view->title().contains(' '), 60000);
    QCOMPARE(m_view->title(), QString("reached blocked blocked blocked blocked blocked blocked "
                                      "blocked blocked blocked blocked gathered"));

    // The page tries to leave by itself: to a file outside, to the web, to a data page.
    const QUrl hostile = m_view->url();
    for (const QByteArray &target : {QByteArray("file:///etc/passwd"), web + "/navigation",
                                     QByteArray("data:text/html,<p>root:</p>")}) {
        m_view->page()->runJavaScript("location.href = '" + target + "';");
        QVERIFY(!finished.wait(2000) || m_view->url() == hostile);
        QCOMPARE(m_view->url(), hostile);
    }
    QCOMPARE(theLesson.m_currentPage, 0);
    QVERIFY(m_opened.isEmpty());
    // Late packets would have had time to arrive.
    QTest::qWait(500);
    QCOMPARE(listener.received(), QList<QByteArray>());
}

void TestTutorial::webLinkOpensInBrowser_data()
{
    QTest::addColumn<QByteArray>("window");
    QTest::newRow("same window") << QByteArray();
    QTest::newRow("new window") << QByteArray("_blank");
}

void TestTutorial::webLinkOpensInBrowser()
{
    QFETCH(QByteArray, window);
    LoopbackListener listener;
    const QByteArray target = listener.web() + "/index4.html";
    writePage("weblink/html/index0.html", linkPage(target, window));
    theLesson.m_folderName = "weblink";
    theLesson.m_pageTexts = {"abc"};
    theLesson.m_pageKinds = {Add};
    QSignalSpy finished(m_view, &QWebEngineView::loadFinished);
    m_view->NavigateToStartPage();
    QVERIFY(finished.wait(60000));
    const QUrl page = m_view->url();
    // A script on its own opens nothing, in this window or another.
    m_view->page()->runJavaScript("window.open('" + target + "', '" + window + "');");
    QTest::qWait(500);
    QCOMPARE(m_opened, QList<QUrl>());

    // The step is done, so the click reaches the link.
    m_view->m_copyDisabled = true;
    editor()->m_pageDone = true;
    QVERIFY(ClipboardSetText("kept"));
    click();
    QTRY_COMPARE_WITH_TIMEOUT(m_opened, QList<QUrl>{QUrl(QString::fromLatin1(target))}, 60000);
    // The pane stays on its page, and none of the tutorial's state moves.
    QCOMPARE(m_view->url(), page);
    QCOMPARE(theLesson.m_currentPage, 0);
    QCOMPARE(m_view->m_copyDisabled, true);
    QCOMPARE(editor()->m_pageDone, true);
    QCOMPARE(ClipboardText(), QString("kept"));
    QCOMPARE(listener.received(), QList<QByteArray>());
}

void TestTutorial::refusedLessonFolderShowsNotice_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("link"); // made in the program directory, pointing at `target`
    QTest::addColumn<QString>("target");
    QTest::newRow("climbs out") << "../OTHER"
                                << ""
                                << "";
    QTest::newRow("link to the program directory") << "self"
                                                   << "self"
                                                   << ".";
    QTest::newRow("link elsewhere") << "away"
                                    << "away"
                                    << "ELSEWHERE";
    QTest::newRow("link on the way") << "via/lesson"
                                     << "via"
                                     << "ELSEWHERE";
}

void TestTutorial::refusedLessonFolderShowsNotice()
{
    QFETCH(QString, folder);
    QFETCH(QString, link);
    QFETCH(QString, target);
    // Outside the program directory lies a lesson that would show.
    QTemporaryDir other;
    const QString elsewhere = other.path();
    folder.replace("OTHER", QFileInfo(elsewhere).fileName());
    QVERIFY(QDir().mkpath(elsewhere + "/html"));
    QVERIFY(QDir().mkpath(elsewhere + "/lesson/html"));
    for (const char *page : {"/html/index0.html", "/lesson/html/index0.html", "/index.html"}) {
        QFile out(elsewhere + QLatin1String(page));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("<html><body>outside</body></html>");
    }
    writePage("html/index0.html", "<html><body>outside</body></html>");
    if (!link.isEmpty()) {
        QFile::remove(path(link));
        target.replace("ELSEWHERE", elsewhere);
        QVERIFY(QFile::link(target, path(link)));
    }
    QVERIFY(load(path("index.html")));
    theLesson.m_folderName = ToCp932(folder);
    theLesson.m_currentPage = -1;
    m_view->NavigateToStartPage();
    QTRY_COMPARE_WITH_TIMEOUT(m_view->title(), qs(Str::FolderRefusedTitle), 60000);
    const QString text = pageText();
    QVERIFY2(text.contains(qs(Str::FolderRefused).arg(folder)), qPrintable(text));
    QVERIFY(!text.contains("outside"));
    QCOMPARE(theLesson.m_currentPage, -1);
    if (!link.isEmpty())
        QFile::remove(path(link));
    QFile::remove(path("html/index0.html"));
}

// How the preview shows the learner's program: from memory, at an address inside the folder.
void TestTutorial::confinedPageShowsProgramHtml()
{
    writePage("program/inside.png",
              QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+"
                                     "M9QDwADhgGAWjR9awAAAABJRU5ErkJggg=="));
    writePage("program.png",
              QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+"
                                     "M9QDwADhgGAWjR9awAAAABJRU5ErkJggg=="));
    CConfinedPage page(path("program"));
    QSignalSpy finished(&page, &QWebEnginePage::loadFinished);
    page.setHtml("<html><head><title>waiting</title></head><body><script>"
                 "function loads(src) { return new Promise(function (done) {"
                 "  var i = new Image(); i.onload = function () { done('shown'); };"
                 "  i.onerror = function () { done('refused'); }; i.src = src; }); }"
                 "Promise.all([loads('inside.png'), loads('../program.png')])"
                 ".then(function (r) { document.title = r.join(' '); });"
                 "</script></body></html>",
                 QUrl::fromLocalFile(path("program/index.html")));
    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.first().first().toBool(), true);
    QTRY_COMPARE_WITH_TIMEOUT(page.title(), QString("shown refused"), 60000);
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

void TestTutorial::clickFollowsLinkOnceStepIsDone_data()
{
    QTest::addColumn<QString>("page");
    QTest::newRow("plain link") << "links/index0.html";
    // A page of the lesson does not open a window of its own: the pane follows it.
    QTest::newRow("link to a new window") << "links/window0.html";
}

void TestTutorial::clickFollowsLinkOnceStepIsDone()
{
    QFETCH(QString, page);
    theLesson.m_folderName = "links";
    theLesson.m_pageTexts = {"abc", "def"};
    theLesson.m_pageKinds = {Add, Add};
    QVERIFY(load(path(page)));
    theLesson.m_currentPage = 0;

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
