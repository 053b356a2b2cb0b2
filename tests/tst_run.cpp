#include "bolto.h"
#include "filedialog.h"
#include "fileerror.h"
#include "lessonfolder.h"
#include "mainframe.h"
#include "messagebox.h"
#include "pagebytes.h"
#include "paths.h"
#include "programmingview.h"
#include "qtcodepage.h"
#include "resource.h"
#include "run.h"
#include "runfolder.h"
#include "texts.h"
#include "userenvironment.h"

#include <QApplication>
#include <QDirIterator>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

// Run against a stand-in browser: a script that appends "<argument count>|<arg>|..." to a log,
// one line per start, in a program directory and lesson folder whose names contain spaces.
class TestRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void runWritesPageAndStartsBrowser_data();
    void runWritesPageAndStartsBrowser();
    void pageBytes_data();
    void pageBytes();
    void longProgramIsWrittenWhole();
    void editedProgramIsWrittenAsShown();
    void pageBytesInPieces_data();
    void pageBytesInPieces();
    void browserGetsOnlyWhatIsTheUsers();
    void noBrowserTouchesNothing();
    void refusedRunTouchesNothing_data();
    void refusedRunTouchesNothing();
    void lessonFolderResolves_data();
    void lessonFolderResolves();
    void failedWriteStartsNothing();
    void browserThatCannotStart_data();
    void browserThatCannotStart();
    void runNeedsLessonFolder();
    void browserSettingSurvivesRestart();
    void browserDialogTakesNameOfMissingFile();
    void browserDialogStartsAtInstalledBrowser_data();
    void browserDialogStartsAtInstalledBrowser();
    void fileErrorTexts_data();
    void fileErrorTexts();
    void mirrorOfLessonFolder();
    void mirrorStaysInsideItsRoot();

private:
    std::unique_ptr<CMainFrame> makeFrame();
    void storeBrowser(const QString &path);
    QStringList browserStarts() const;
    bool waitForBrowserStarts(int count) const;
    void verifyNoBrowserStarted();
    QMap<QString, QByteArray> snapshot() const;
    QString exportPath(const QString &folder) const
    {
        return m_programDir + folder + "/index.html";
    }

    QTemporaryDir m_root;
    QString m_programDir;
    QString m_browser;
    QString m_log;
    QByteArray m_savedPath;
    QStringList m_messages; // "<type> <text>" per message box
};

namespace {
const QString kFolder = QStringLiteral("les son");

QString message(const QString &text, unsigned type)
{
    return QString::number(type, 16) + ' ' + text;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeProgram(const QString &path, const QByteArray &script)
{
    writeFile(path, script);
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeGroup |
                                    QFile::ExeOther);
}
} // namespace

void TestRun::initTestCase()
{
    QVERIFY(m_root.isValid());
    m_programDir = m_root.filePath("prog dir") + '/';
    m_browser = m_root.filePath("browser.sh");
    m_log = m_root.filePath("starts.log");
    writeProgram(m_browser, "#!/bin/sh\n"
                            "line=\"$#\"\n"
                            "for a in \"$@\"; do line=\"$line|$a\"; done\n"
                            "printf '%s\\n' \"$line\" >> '" +
                                m_log.toUtf8() + "'\n");
    m_savedPath = qgetenv("PATH");
}

void TestRun::init()
{
    QDir(m_programDir).removeRecursively();
    QVERIFY(QDir().mkpath(m_programDir + kFolder));
    writeFile(m_programDir + "index.html", "start page");
    QFile::remove(m_log);
    SetProgramDirectoryOverride(m_programDir.toStdString());
    theLesson.Reset();
    theLesson.m_folderName = ToCp932(kFolder);
    QSettings(qs(Str::SettingsOrganization), qs(Str::AppName)).clear();
    m_messages.clear();
    SetMessageBoxHook([this](const QString &text, unsigned type) {
        m_messages.append(message(text, type));
        return IDOK;
    });
}

void TestRun::cleanup()
{
    SetMessageBoxHook({});
    SetFileDialogHook({});
    SetProgramDirectoryOverride({});
    qputenv("PATH", m_savedPath);
    AfxSetMainWnd(nullptr);
}

std::unique_ptr<CMainFrame> TestRun::makeFrame()
{
    auto frame = std::make_unique<CMainFrame>();
    AfxSetMainWnd(frame.get());
    return frame;
}

void TestRun::storeBrowser(const QString &path)
{
    QSettings settings(qs(Str::SettingsOrganization), qs(Str::AppName));
    settings.setValue("Bolto/WebGLBrowser", path);
}

QStringList TestRun::browserStarts() const
{
    QFile file(m_log);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

bool TestRun::waitForBrowserStarts(int count) const
{
    return QTest::qWaitFor([&] { return browserStarts().size() >= count; }, 30000);
}

// A browser is started detached, so its absence cannot be awaited. Start a marker through the
// same script afterwards: once the marker is in the log, a browser started before it would have
// had its turn too.
void TestRun::verifyNoBrowserStarted()
{
    QVERIFY(QProcess::startDetached(m_browser, {"marker"}));
    QVERIFY(waitForBrowserStarts(1));
    QCOMPARE(browserStarts(), QStringList{"1|marker"});
}

// Every file below the temporary root with its bytes, the log aside.
QMap<QString, QByteArray> TestRun::snapshot() const
{
    QMap<QString, QByteArray> files;
    QDirIterator it(m_root.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path != m_log)
            files.insert(path, it.fileInfo().isDir() ? QByteArray("<dir>") : readFile(path));
    }
    return files;
}

void TestRun::runWritesPageAndStartsBrowser_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("firstRun"); // no index.html yet

    QTest::newRow("CR LF") << kFolder << "a\r\nb" << QByteArray("a\r\nb") << false;
    QTest::newRow("lone LF") << kFolder << "a\nb" << QByteArray("a\r\nb") << false;
    QTest::newRow("line end last") << kFolder << "a\r\n\r\n" << QByteArray("a\r\n\r\n") << false;
    QTest::newRow("あ") << kFolder << "あ" << QByteArray("\xE3\x81\x82") << false;
    QTest::newRow("beyond code page 932") << kFolder << "한😀" << QByteArray("한😀") << false;
    QTest::newRow("first run") << kFolder << "a" << QByteArray("a") << true;
    QTest::newRow("empty") << kFolder << "" << QByteArray() << false;
    // ソ ends in the byte 0x5C: only the '\' between the names separates.
    QTest::newRow("nested folder") << "ソース\\第1回"
                                   << "x" << QByteArray("x") << false;
}

void TestRun::runWritesPageAndStartsBrowser()
{
    QFETCH(QString, folder);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, firstRun);

    const QString folderPath = m_programDir + QString(folder).replace('\\', '/');
    QVERIFY(QDir().mkpath(folderPath));
    if (!firstRun)
        writeFile(folderPath + "/index.html", "an older and longer page");
    theLesson.m_folderName = ToCp932(folder);
    storeBrowser(m_browser);
    auto frame = makeFrame();
    frame->m_editorView->SetWindowText(text);

    frame->OnRun();

    QCOMPARE(m_messages, QStringList());
    QCOMPARE(readFile(folderPath + "/index.html"), bytes);
    QVERIFY(waitForBrowserStarts(1));
    QCOMPARE(browserStarts(), QStringList{"1|" + folderPath + "/index.html"});
}

void TestRun::pageBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    const auto units = [](std::initializer_list<char16_t> list) {
        QString text;
        for (const char16_t unit : list)
            text += QChar(unit);
        return text;
    };
    // The editor turns a lone CR into a line break; one that reaches the export still vanishes.
    QTest::newRow("carriage returns") << "a\rb\r\r\nc" << QByteArray("ab\r\nc");
    QTest::newRow("editor's line separator")
        << units({'a', 0x2029, 0x2029, 'b'}) << QByteArray("a\r\n\r\nb");
    // The plain ASCII runs are copied several units at a time: breaks and other characters at
    // every place in such a run.
    for (int at = 0; at < 10; ++at) {
        const QString head(at, 'x');
        const QByteArray bytes(at, 'x');
        QTest::addRow("LF after %d", at) << head + "\nyyyyyyyyy" << bytes + "\r\nyyyyyyyyy";
        QTest::addRow("CR after %d", at) << head + "\ryyyyyyyyy" << bytes + "yyyyyyyyy";
        QTest::addRow("DEL, U+0080 after %d", at)
            << head + units({0x7F, 0x80}) + "yyyyyyyyy" << bytes + "\x7F\xC2\x80yyyyyyyyy";
    }
    QTest::newRow("tab and controls")
        << "\t\x01\x0B\x0C\x0E\x1F abcdefgh" << QByteArray("\t\x01\x0B\x0C\x0E\x1F abcdefgh");
    QTest::newRow("two and three bytes")
        << units({0xE9, 0x7FF, 0x800, 0x3042, 0xFFFF})
        << QByteArray("\xC3\xA9\xDF\xBF\xE0\xA0\x80\xE3\x81\x82\xEF\xBF\xBF");
    QTest::newRow("surrogate pair") << units({0xD83D, 0xDE00}) << QByteArray("\xF0\x9F\x98\x80");
    // As Qt's encoder writes them: a lone half becomes '?'.
    QTest::newRow("lone halves") << units({0xDE00, 'a', 0xD83D}) << QByteArray("?a?");
    QTest::newRow("halves reversed") << units({0xDE00, 0xD83D}) << QByteArray("??");
    QTest::newRow("halves parted by a line end")
        << units({0xD83D, '\r', '\n', 0xDE00}) << QByteArray("?\r\n?");
    QTest::newRow("halves parted by a dropped CR")
        << units({0xD83D, '\r', 0xDE00}) << QByteArray("??");
}

void TestRun::pageBytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(HtmlFileBytes(text), bytes);
}

void TestRun::longProgramIsWrittenWhole()
{
    // The page is encoded a piece at a time: a surrogate pair may fall where a piece ends. Each
    // line of the editor is 100 units with its line end, so the pair starts at unit 32767.
    QString text;
    QByteArray bytes;
    const auto add = [&](const QString &piece, const QByteArray &expected) {
        text += piece;
        bytes += expected;
    };
    for (int line = 0; line < 327; ++line)
        add(QString(99, 'a') + "\r\n", QByteArray(99, 'a') + "\r\n");
    add(QString(67, 'b'), QByteArray(67, 'b'));
    for (int line = 0; line < 2000; ++line)
        add("😀あ" + QString(line % 90, 'c') + "\n", "😀あ" + QByteArray(line % 90, 'c') + "\r\n");
    storeBrowser(m_browser);
    auto frame = makeFrame();
    frame->m_editorView->SetWindowText(text);
    QCOMPARE(frame->m_editorView->toPlainText().indexOf(QString("😀")), 32 * 1024 - 1);

    frame->OnRun();

    QCOMPARE(m_messages, QStringList());
    QVERIFY(readFile(exportPath(kFolder)) == bytes);
}

void TestRun::editedProgramIsWrittenAsShown()
{
    // Edits cut the document's text into many pieces, in another order than the text's: the
    // page is written from those pieces, and must be the text the editor shows.
    storeBrowser(m_browser);
    auto frame = makeFrame();
    CProgrammingView *editor = frame->m_editorView;
    editor->SetWindowText("first line\r\nsecond 😀 line\r\nthird line\r\n");
    QTextCursor cursor(editor->document());
    for (int i = 0; i < 40; ++i) {
        cursor.setPosition((i * 7) % (editor->document()->characterCount() - 1));
        cursor.insertText(i % 3 ? QStringLiteral("あ") : QStringLiteral("x\n"));
    }
    cursor.setPosition(5);
    cursor.setPosition(12, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    editor->document()->undo();
    editor->document()->undo();

    frame->OnRun();

    QCOMPARE(m_messages, QStringList());
    QCOMPARE(readFile(exportPath(kFolder)), HtmlFileBytes(editor->GetWindowText()));
}

void TestRun::pageBytesInPieces_data()
{
    // The editor hands its text over in the document's pieces, which may be cut anywhere.
    QTest::addColumn<QStringList>("pieces");
    QTest::addColumn<QByteArray>("bytes");

    const QString high(QChar(0xD83D));
    const QString low(QChar(0xDE00));
    QTest::newRow("pair across pieces") << QStringList{"a" + high, low + "b"}
                                        << QByteArray("a\xF0\x9F\x98\x80"
                                                      "b");
    QTest::newRow("half at the end") << QStringList{"a" + high} << QByteArray("a?");
    QTest::newRow("half, then a pair")
        << QStringList{high, high, low} << QByteArray("?\xF0\x9F\x98\x80");
    QTest::newRow("empty pieces") << QStringList{"", "a", "", QString(QChar(0x2029)), ""}
                                  << QByteArray("a\r\n");
    QTest::newRow("CR LF across pieces") << QStringList{"a\r", "\nb"} << QByteArray("a\r\nb");
    QTest::newRow("more than the buffer")
        << QStringList{QString(200000, 'x') + high, low + QString(70000, 'y')}
        << QByteArray(200000, 'x') + "\xF0\x9F\x98\x80" + QByteArray(70000, 'y');
}

void TestRun::pageBytesInPieces()
{
    QFETCH(QStringList, pieces);
    QFETCH(QByteArray, bytes);
    QByteArray written;
    pagebytes::Writer writer([&](const char *data, size_t size) {
        written.append(data, qsizetype(size));
        return 0;
    });
    for (const QString &piece : pieces)
        QCOMPARE(
            writer.Add({reinterpret_cast<const char16_t *>(piece.utf16()), size_t(piece.size())}),
            0);
    QCOMPARE(writer.Finish(), 0);
    QVERIFY(written == bytes);
}

void TestRun::browserGetsOnlyWhatIsTheUsers()
{
    // A browser that writes down its descriptors and its environment.
    const QString fds = m_root.filePath("fds.log");
    const QString env = m_root.filePath("env.log");
    const QString browser = m_root.filePath("listing browser.sh");
    writeProgram(browser, QStringLiteral("#!/bin/sh\n"
                                         "ls -l /proc/$$/fd/ > '%1.part'\n"
                                         "env > '%2'\n"
                                         "mv '%1.part' '%1'\n")
                              .arg(fds, env)
                              .toUtf8());

    // The user's environment, then what the program sets for its web engine after it.
    const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    const QByteArray sandbox = qgetenv("QTWEBENGINE_DISABLE_SANDBOX");
    qunsetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
    qputenv("BOLTO_USER_SETTING", "kept");
    KeepUserEnvironment();
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", sandbox.isEmpty() ? "1" : sandbox);

    // A descriptor of the program's own that a child would inherit, as the engine's are.
    const QByteArray privateFile = QFile::encodeName(m_root.filePath("engine shared memory"));
    const int own = ::open(privateFile.constData(), O_RDWR | O_CREAT, 0600);
    QVERIFY(own >= 0);
    storeBrowser(browser);
    auto frame = makeFrame();
    frame->OnRun();
    ::close(own);
    QCOMPARE(m_messages, QStringList());
    QVERIFY(QTest::qWaitFor([&] { return QFile::exists(fds); }, 30000));

    // Standard input, output and error, and what the shell makes of them and of its script.
    QMap<int, QString> open;
    for (const QString &line : QString::fromUtf8(readFile(fds)).split('\n')) {
        const qsizetype arrow = line.indexOf(" -> ");
        if (arrow >= 0)
            open.insert(line.left(arrow).section(' ', -1).toInt(), line.mid(arrow + 4));
    }
    const QStringList allowed{open.value(0), open.value(1), open.value(2), browser};
    QStringList extra;
    for (auto it = open.cbegin(); it != open.cend(); ++it) {
        if (it.key() > 2 && !allowed.contains(it.value()))
            extra << QString::number(it.key()) + " -> " + it.value();
    }
    QVERIFY2(extra.isEmpty(), qPrintable(extra.join('\n')));

    const QList<QByteArray> variables = readFile(env).split('\n');
    QVERIFY(variables.contains("BOLTO_USER_SETTING=kept"));
    for (const QByteArray &variable : variables)
        QVERIFY2(!variable.startsWith("QTWEBENGINE_"), variable.constData());
}

void TestRun::noBrowserTouchesNothing()
{
    writeFile(exportPath(kFolder), "old");
    auto frame = makeFrame();
    frame->m_editorView->SetWindowText("new");
    const auto before = snapshot();

    frame->OnRun();

    QCOMPARE(m_messages, QStringList{message(qs(Str::NoBrowser), MB_ICONEXCLAMATION)});
    QCOMPARE(snapshot(), before);
    verifyNoBrowserStarted();
}

void TestRun::refusedRunTouchesNothing_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");

    const QString outside = m_root.filePath("outside");
    const QString badPath = qs(Str::FileBadPath);
    QTest::newRow("climbs out") << "../outside" << badPath.arg(exportPath("../outside"));
    QTest::newRow("climbs out, backslash")
        << "..\\outside" << badPath.arg(exportPath("../outside"));
    QTest::newRow("absolute") << outside << badPath.arg(exportPath(outside));
    QTest::newRow("program directory") << "sub/.." << badPath.arg(exportPath("sub/.."));
    QTest::newRow("link to the program directory") << "self" << badPath.arg(exportPath("self"));
    QTest::newRow("link elsewhere") << "away" << badPath.arg(exportPath("away"));
    QTest::newRow("link on the way") << "away/sub" << badPath.arg(exportPath("away/sub"));
    QTest::newRow("missing folder") << "gone" << qs(Str::FileNotFound).arg(exportPath("gone"));
    QTest::newRow("folder is a file") << "plain" << badPath.arg(exportPath("plain"));
    QTest::newRow("old page is a folder")
        << kFolder << qs(Str::FileAccessDenied).arg(exportPath(kFolder));
}

void TestRun::refusedRunTouchesNothing()
{
    QFETCH(QString, folder);
    QFETCH(QString, expected);

    QVERIFY(QDir().mkpath(m_root.filePath("outside")));
    writeFile(m_root.filePath("outside/index.html"), "not the lesson's");
    writeFile(m_programDir + "plain", "a file, not a folder");
    // Lesson folders unpacked from an archive can be links.
    QVERIFY(QFile::link(".", m_programDir + "self"));
    QVERIFY(QFile::link(m_root.filePath("outside"), m_programDir + "away"));
    QVERIFY(QDir().mkpath(m_root.filePath("outside/sub")));
    QVERIFY(QDir().mkpath(exportPath(kFolder)));
    writeFile(exportPath(kFolder) + "/kept", "inside");
    theLesson.m_folderName = ToCp932(folder);
    storeBrowser(m_browser);
    auto frame = makeFrame();
    frame->m_editorView->SetWindowText("page");
    const auto before = snapshot();

    frame->OnRun();

    QCOMPARE(m_messages, QStringList{message(expected, MB_ICONSTOP)});
    QCOMPARE(snapshot(), before);
    verifyNoBrowserStarted();
}

// The check that the tutorial pane, Run and the lesson tool share, over two lesson roots.
void TestRun::lessonFolderResolves_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected"); // relative to the temporary root; empty: refused
    QTest::newRow("plain") << "les"
                           << "first/les";
    QTest::newRow("nested, missing") << "les/new/deeper"
                                     << "first/les/new/deeper";
    QTest::newRow("text climbs back in") << "les/../les"
                                         << "first/les";
    QTest::newRow("link to a sibling inside") << "alias"
                                              << "first/les";
    QTest::newRow("in the second root") << "theirs"
                                        << "second/theirs";
    QTest::newRow("in neither root") << "gone"
                                     << "first/gone";
    QTest::newRow("link to the root") << "self"
                                      << "";
    QTest::newRow("link to the root, then down") << "self/les"
                                                 << "first/les";
    QTest::newRow("link elsewhere") << "away"
                                    << "";
    QTest::newRow("link elsewhere, missing below") << "away/new"
                                                   << "";
    QTest::newRow("link up through the second root") << "up"
                                                     << "";
    QTest::newRow("climbs out") << "../second/theirs"
                                << "";
    QTest::newRow("the root") << "."
                              << "";
    QTest::newRow("absolute") << "/tmp"
                              << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestRun::lessonFolderResolves()
{
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    QTemporaryDir root;
    const QString first = root.filePath("first"), second = root.filePath("second");
    QVERIFY(QDir().mkpath(first + "/les"));
    QVERIFY(QDir().mkpath(second + "/theirs"));
    QVERIFY(QDir().mkpath(root.filePath("outside")));
    QVERIFY(QFile::link("les", first + "/alias"));
    QVERIFY(QFile::link(".", first + "/self"));
    QVERIFY(QFile::link(root.filePath("outside"), first + "/away"));
    QVERIFY(QFile::link("..", second + "/up"));

    const std::optional<QString> resolved = ResolveLessonFolder(folder, {first, second});
    const QString base = ResolvedPath(root.path()) + '/';
    QCOMPARE(resolved.value_or(base), expected.isEmpty() ? base : base + expected);
}

void TestRun::failedWriteStartsNothing()
{
    // A file-size limit makes the write itself fail part-way, even for root.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    storeBrowser(m_browser);
    auto frame = makeFrame();
    frame->m_editorView->SetWindowText(QString(100, 'x'));

    rlimit small = saved;
    small.rlim_cur = 10;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    frame->OnRun();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(m_messages,
             QStringList{message(FileErrorMessage(EFBIG, exportPath(kFolder)), MB_ICONSTOP)});
    QCOMPARE(readFile(exportPath(kFolder)), QByteArray(10, 'x'));
    verifyNoBrowserStarted();
}

void TestRun::browserThatCannotStart_data()
{
    QTest::addColumn<QString>("browser");
    QTest::addColumn<QString>("text");

    const QString missing = m_root.filePath("no-such-browser");
    const QString plain = m_root.filePath("not-a-program");
    QTest::newRow("missing") << missing << qs(Str::FileNotFound).arg(missing);
    QTest::newRow("not executable") << plain << qs(Str::FileAccessDenied).arg(plain);
}

void TestRun::browserThatCannotStart()
{
    QFETCH(QString, browser);
    QFETCH(QString, text);

    writeFile(m_root.filePath("not-a-program"), "plain text");
    storeBrowser(browser);
    auto frame = makeFrame();
    frame->m_editorView->SetWindowText("page");

    frame->OnRun();

    QCOMPARE(readFile(exportPath(kFolder)), QByteArray("page"));
    QCOMPARE(m_messages, QStringList{message(text, MB_ICONSTOP)});
}

void TestRun::runNeedsLessonFolder()
{
    storeBrowser(m_browser);
    auto frame = makeFrame();
    CCmdUI withFolder(ID_RUN);
    frame->OnUpdateRun(withFolder);
    QVERIFY(withFolder.m_enabled);

    theLesson.m_folderName.clear();
    CCmdUI withoutFolder(ID_RUN);
    frame->OnUpdateRun(withoutFolder);
    QVERIFY(!withoutFolder.m_enabled);

    // Invoked anyway, Run leaves the start page next to the program alone.
    const auto before = snapshot();
    frame->OnRun();
    QCOMPARE(m_messages, QStringList());
    QCOMPARE(snapshot(), before);
    verifyNoBrowserStarted();
}

void TestRun::browserSettingSurvivesRestart()
{
    auto frame = makeFrame();
    CCmdUI unset(ID_BROWSER_SETTING);
    frame->OnUpdateBrowserSetting(unset);
    QVERIFY(unset.m_enabled);
    QVERIFY(!unset.m_checked);

    std::optional<QString> answer;
    FileDialogRequest asked;
    SetFileDialogHook([&](const FileDialogRequest &request) {
        asked = request;
        return answer;
    });
    frame->OnBrowserSetting();
    QVERIFY(frame->m_browserPath.isEmpty());
    QCOMPARE(asked.title, qs(Str::BrowserDialogTitle));
    QVERIFY(asked.filter.startsWith(qs(Str::BrowserFilter)));
    QVERIFY(asked.executablesOnly);
    QVERIFY(!asked.mustExist);
    QVERIFY(asked.defaultSuffix.isEmpty());

    answer = m_browser;
    frame->OnBrowserSetting();
    QCOMPARE(frame->m_browserPath, m_browser);
    CCmdUI set(ID_BROWSER_SETTING);
    frame->OnUpdateBrowserSetting(set);
    QVERIFY(set.m_checked);

    frame.reset();
    auto restarted = makeFrame();
    QCOMPARE(restarted->m_browserPath, m_browser);
    CCmdUI afterRestart(ID_BROWSER_SETTING);
    restarted->OnUpdateBrowserSetting(afterRestart);
    QVERIFY(afterRestart.m_checked);
    restarted->OnRun();
    QVERIFY(waitForBrowserStarts(1));
}

void TestRun::browserDialogTakesNameOfMissingFile()
{
    // The real dialog, answered as a user would: a name typed, then OK.
    const QString typed = m_root.filePath("not installed yet");
    auto frame = makeFrame();
    QStringList refusals;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            refusals << box->text();
            box->reject();
        } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            if (!refusals.isEmpty()) {
                dialog->reject();
                return;
            }
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(typed);
            // From the event loop, so that a box the dialog might raise is seen here too.
            QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection);
        }
    });
    poll.start(20);
    frame->OnBrowserSetting();
    poll.stop();
    QCOMPARE(refusals, QStringList());
    QCOMPARE(frame->m_browserPath, typed);
}

void TestRun::browserDialogStartsAtInstalledBrowser_data()
{
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<QString>("folder");

    QTest::newRow("firefox first") << QStringList{"chromium", "esr", "firefox"} << "firefox";
    QTest::newRow("esr before chromium") << QStringList{"chromium", "esr"} << "esr";
    QTest::newRow("chromium") << QStringList{"chromium"} << "chromium";
    QTest::newRow("none") << QStringList{"empty"} << "";
}

void TestRun::browserDialogStartsAtInstalledBrowser()
{
    QFETCH(QStringList, path);
    QFETCH(QString, folder);

    const QString bins = m_root.filePath("bins/");
    const QList<QPair<QString, QString>> programs = {
        {"chromium", "chromium"}, {"esr", "firefox-esr"}, {"firefox", "firefox"}, {"empty", ""}};
    for (const auto &[dir, program] : programs) {
        QVERIFY(QDir().mkpath(bins + dir));
        if (!program.isEmpty())
            writeProgram(bins + dir + '/' + program, "#!/bin/sh\n");
    }
    QStringList dirs;
    for (const QString &dir : path)
        dirs << bins + dir;
    qputenv("PATH", dirs.join(':').toUtf8());

    auto frame = makeFrame();
    QString directory = "<not asked>";
    SetFileDialogHook([&](const FileDialogRequest &request) {
        directory = request.directory;
        return std::nullopt;
    });
    frame->OnBrowserSetting();
    QCOMPARE(directory, folder.isEmpty() ? QString() : bins + folder);
}

void TestRun::fileErrorTexts_data()
{
    QTest::addColumn<int>("err");
    QTest::addColumn<QString>("text");

    QTest::newRow("not found") << ENOENT << qs(Str::FileNotFound);
    QTest::newRow("not a folder") << ENOTDIR << qs(Str::FileBadPath);
    QTest::newRow("name too long") << ENAMETOOLONG << qs(Str::FileBadPath);
    QTest::newRow("permission") << EACCES << qs(Str::FileAccessDenied);
    QTest::newRow("read-only") << EROFS << qs(Str::FileAccessDenied);
    QTest::newRow("busy") << ETXTBSY << qs(Str::FileSharingViolation);
    QTest::newRow("disk full") << ENOSPC << qs(Str::FileDiskFull);
    QTest::newRow("quota") << EDQUOT << qs(Str::FileDiskFull);
    QTest::newRow("handles") << EMFILE << qs(Str::FileTooManyOpen);
    QTest::newRow("a folder") << EISDIR << qs(Str::FileAccessDenied);
    QTest::newRow("hardware") << EIO << qs(Str::FileHardIo);
    QTest::newRow("other") << EXDEV << qs(Str::FileGeneric);
}

void TestRun::fileErrorTexts()
{
    QFETCH(int, err);
    QFETCH(QString, text);
    QCOMPARE(FileErrorMessage(err, "/a b/%1.html"), QString(text).replace("%1", "/a b/%1.html"));
}


void TestRun::mirrorOfLessonFolder()
{
    const QString lesson = m_programDir + kFolder;
    QVERIFY(QDir().mkpath(lesson + "/html"));
    writeFile(lesson + "/model.js", "model");
    writeFile(lesson + "/index.html", "the last Run's page");
    const QString root = m_root.filePath("user data/run");
    QVERIFY(QDir().mkpath(root + "/" + kFolder));
    writeFile(root + "/" + kFolder + "/notes.txt", "the learner's own");
    QVERIFY(QFile::link(m_root.filePath("gone"), root + "/" + kFolder + "/stale"));

    int err = 0;
    const std::optional<QString> mirror = MirrorLessonFolder(lesson, kFolder, root, err);
    QVERIFY(mirror);
    QCOMPARE(*mirror, root + "/" + kFolder);
    QCOMPARE(readFile(*mirror + "/model.js"), QByteArray("model"));
    QVERIFY(QFileInfo(*mirror + "/html").isDir());
    QVERIFY(!QFileInfo::exists(*mirror + "/index.html"));
    QCOMPARE(readFile(*mirror + "/notes.txt"), QByteArray("the learner's own"));
    QVERIFY(!QFileInfo(*mirror + "/stale").isSymLink());

    // A second Run finds the links in place and follows a file the lesson lost.
    QFile::remove(lesson + "/model.js");
    QVERIFY(MirrorLessonFolder(lesson, kFolder, root, err));
    QVERIFY(!QFileInfo(*mirror + "/model.js").isSymLink());
    QVERIFY(QFileInfo(*mirror + "/html").isSymLink());
}

void TestRun::mirrorStaysInsideItsRoot()
{
    const QString lesson = m_programDir + kFolder;
    const QString root = m_root.filePath("planted/run");
    QVERIFY(QDir().mkpath(root));
    QVERIFY(QDir().mkpath(m_root.filePath("elsewhere")));
    QVERIFY(QFile::link(m_root.filePath("elsewhere"), root + "/" + kFolder));

    int err = 0;
    QVERIFY(!MirrorLessonFolder(lesson, kFolder, root, err));
    QCOMPARE(err, EACCES);
    QVERIFY(QDir(m_root.filePath("elsewhere")).isEmpty());
}

QTEST_MAIN(TestRun)
#include "tst_run.moc"
