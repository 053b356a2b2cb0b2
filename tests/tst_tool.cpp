#include "lessonbytes.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Drives the built bolto-lesson binary end to end.
class TestTool : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void dumpWorkedExample();
    void dumpPackRoundTrip_data();
    void dumpPackRoundTrip();
    void loadFailures_data();
    void loadFailures();
    void helpAndVersion();
    void packErrors_data();
    void packErrors();
    void packSource();
    void packOutputKinds_data();
    void packOutputKinds();
    void unwritableOutputFails_data();
    void unwritableOutputFails();
    void namesThatAreNotUtf8();
    void check_data();
    void check();
    void checkDemoLesson_data();
    void checkDemoLesson();

private:
    struct Result
    {
        int code = -1;
        QByteArray out;
        QByteArray err;
    };
    Result run(const QStringList &arguments);
    // Runs the tool with arguments passed as bytes, as a shell would pass them.
    Result runBytes(const QList<QByteArray> &arguments);
    QString write(const QString &name, const QByteArray &bytes);
    QByteArray read(const QString &name);

    QTemporaryDir m_dir;
    QString m_tool;
};

namespace {
const QByteArray kWorkedExample = QByteArray::fromHex("01000000026162010000000100000001000000"
                                                      "0300000001000000020000000" // split for width
                                                      "24c31");

// A small lesson in three steps: add a page, replace its body, delete a line.
QJsonObject sourceWith(int deleteLine)
{
    auto page = [](const char *snippet, const char *kind, int line, int count,
                   const char *program) {
        return QJsonObject{{"snippet", QString::fromUtf8(snippet)},
                           {"kind", kind},
                           {"line", line},
                           {"count", count},
                           {"program", QString::fromUtf8(program)}};
    };
    return QJsonObject{
        {"folder", "demo"},
        {"pages",
         QJsonArray{
             page("<html>\n<body>\n</html>\n", "add", 1, 3, "<html>\n<body>\n</html>\n"),
             page("<body>\nこんにちは\n</body>\n", "replace", 2, 1,
                  "<html>\n<body>\nこんにちは\n</body>\n</html>\n"),
             page("こんにちは\n", "delete", deleteLine, 1, "<html>\n<body>\n</body>\n</html>\n"),
         }}};
}

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson();
}
} // namespace

void TestTool::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_tool = qEnvironmentVariable("BOLTO_BIN_DIR") + "/bolto-lesson";
    QVERIFY2(QFile::exists(m_tool), qPrintable(m_tool));
}

TestTool::Result TestTool::run(const QStringList &arguments)
{
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.start(m_tool, arguments);
    Result result;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.code = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

TestTool::Result TestTool::runBytes(const QList<QByteArray> &arguments)
{
    const QByteArray out = QFile::encodeName(m_dir.filePath("raw.out"));
    const QByteArray err = QFile::encodeName(m_dir.filePath("raw.err"));
    const QByteArray tool = QFile::encodeName(m_tool);
    std::vector<char *> argv{const_cast<char *>(tool.constData())};
    for (const QByteArray &argument : arguments)
        argv.push_back(const_cast<char *>(argument.constData()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    Result result;
    const int spawned =
        posix_spawn(&pid, tool.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return result;
    result.code = WEXITSTATUS(status);
    result.out = read("raw.out");
    result.err = read("raw.err");
    return result;
}

QString TestTool::write(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray TestTool::read(const QString &name)
{
    QFile file(m_dir.filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void TestTool::dumpWorkedExample()
{
    const Result result = run({"dump", write("worked.blsh", kWorkedExample)});
    QCOMPARE(result.code, 0);
    QVERIFY(result.err.isEmpty());
    const QJsonObject lesson = QJsonDocument::fromJson(result.out).object();
    QCOMPARE(lesson.value("texts").toArray(), QJsonArray{"ab"});
    QCOMPARE(lesson.value("kinds").toArray(), QJsonArray{1});
    QCOMPARE(lesson.value("arrowLines").toArray(), QJsonArray{3});
    QCOMPARE(lesson.value("arrowCounts").toArray(), QJsonArray{2});
    QCOMPARE(lesson.value("folder").toString(), QString("L1"));
    QCOMPARE(lesson.size(), 5);
    // File order, which a JSON object does not keep by itself.
    qsizetype last = -1;
    for (const char *key :
         {"\"texts\"", "\"kinds\"", "\"arrowLines\"", "\"arrowCounts\"", "\"folder\""}) {
        const qsizetype at = result.out.indexOf(key);
        QVERIFY2(at > last, key);
        last = at;
    }

    // A zero-byte file is the empty lesson.
    const Result empty = run({"dump", write("empty.blsh", QByteArray())});
    QCOMPARE(empty.code, 0);
    QCOMPARE(QJsonDocument::fromJson(empty.out).object(),
             (QJsonObject{{"texts", QJsonArray()},
                          {"kinds", QJsonArray()},
                          {"arrowLines", QJsonArray()},
                          {"arrowCounts", QJsonArray()},
                          {"folder", ""}}));
}

void TestTool::dumpPackRoundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("inDump");

    QTest::newRow("worked example") << kWorkedExample << QStringList{"\"ab\""};
    QTest::newRow("empty lesson") << QByteArray(17, '\0') << QStringList{"\"texts\": []"};
    QTest::newRow("Japanese, NUL, quotes and line ends")
        << LessonBytes()
               .count(2)
               .text("\x82\xa0\x82\xa2\r\n\"q\"\\\t")
               .text(QByteArray("a\0b", 3))
               .count(2)
               .integer(7)
               .integer(-1)
               .count(1)
               .integer(INT_MIN)
               .count(0)
               .folder("\x83\x5c\x81\x5b\x83\x58\\sub")
               .bytes()
        << QStringList{QString::fromUtf8("\"あい\\r\\n\\\"q\\\"\\\\\\t\""), "\"a\\u0000b\"",
                       QString::fromUtf8("\"ソース\\\\sub\""), "-2147483648"};
    QTest::newRow("bytes that are not code page 932 become hex")
        << LessonBytes()
               .count(3)
               .text("\x80\xff")
               .text("ok\x82")
               .text("\xed\x40") // decodes, but encodes back to other bytes
               .count(0)
               .count(0)
               .count(0)
               .folder("\xa0")
               .bytes()
        << QStringList{"{\"hex\":\"80ff\"}", "{\"hex\":\"6f6b82\"}", "{\"hex\":\"ed40\"}",
                       "\"folder\": {\"hex\":\"a0\"}"};
    QTest::newRow("long strings") << LessonBytes()
                                         .count(3)
                                         .text(QByteArray(254, 'a'))
                                         .text(QByteArray(255, 'b'))
                                         .text(QByteArray(65534, 'c'))
                                         .count(0)
                                         .count(0)
                                         .count(0)
                                         .folder(QByteArray(300, 'd'))
                                         .bytes()
                                  << QStringList{};
}

void TestTool::dumpPackRoundTrip()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, inDump);
    const Result dump = run({"dump", write("in.blsh", bytes)});
    QCOMPARE(dump.code, 0);
    QVERIFY(dump.err.isEmpty());
    const QString text = QString::fromUtf8(dump.out);
    for (const QString &fragment : inDump)
        QVERIFY2(text.contains(fragment), qPrintable(fragment + " not in\n" + text));

    write("dump.json", dump.out);
    const Result pack = run({"pack", "dump.json", "out.blsh"});
    QCOMPARE(pack.code, 0);
    QVERIFY(pack.err.isEmpty());
    QCOMPARE(read("out.blsh"), bytes);
}

void TestTool::loadFailures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("cut inside the arrow lines")
        << kWorkedExample.left(20) << QString::fromUtf8("offset 19: 予期しないファイル形式です。");
    QTest::newRow("20-byte file claiming a 2 GB string")
        << QByteArray::fromHex("01000000ffffffff0000ff7f") + QByteArray(8, 'x')
        << QString::fromUtf8("offset 4: 予期しないファイル形式です。");
    QTest::newRow("64-bit length above 2147483647")
        << QByteArray::fromHex("01000000ffffffffffffff000000800000000000")
        << QString::fromUtf8("offset 4: ドキュメントを開くことに失敗しました。");
    QTest::newRow("file not found")
        << QByteArray() << QString::fromUtf8(" が見つかりませんでした。");
}

void TestTool::loadFailures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const QString path =
        bytes.isEmpty() ? m_dir.filePath("nowhere/missing.blsh") : write("broken.blsh", bytes);
    for (const char *command : {"dump", "check"}) {
        const Result result = run({command, path});
        QCOMPARE(result.code, 1);
        QVERIFY(result.out.isEmpty());
        const QString err = QString::fromUtf8(result.err);
        QVERIFY2(err.startsWith(path) && err.contains(expected), qPrintable(err));
    }
}

void TestTool::helpAndVersion()
{
    Result result = run({"--help"});
    QCOMPARE(result.code, 0);
    QVERIFY(result.out.contains("dump") && result.out.contains("pack") &&
            result.out.contains("check"));
    result = run({"--version"});
    QCOMPARE(result.code, 0);
    QVERIFY(result.out.startsWith("bolto-lesson "));
    result = run({"check", "--help"});
    QCOMPARE(result.code, 0);
    QVERIFY(result.out.startsWith("Usage: bolto-lesson check [options] FILE"));
    QVERIFY(result.out.contains("--program-dir"));

    QCOMPARE(run({}).code, 1);
    QCOMPARE(run({"frob"}).code, 1);
    QCOMPARE(run({"dump"}).code, 1);
    QCOMPARE(run({"pack", "only-one"}).code, 1);
    QCOMPARE(run({"dump", "--bogus", "x"}).code, 1);
}

void TestTool::packErrors_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("expected");

    const QByteArray rest = R"("arrowLines": [], "arrowCounts": [], "folder": "f")";
    QTest::newRow("not JSON") << QByteArray("{\"texts\": [") << "offset";
    QTest::newRow("missing folder")
        << QByteArray(R"({"texts": [], "kinds": [], "arrowLines": [], "arrowCounts": []})")
        << "\"folder\" is missing";
    QTest::newRow("unknown key") << R"({"texts": [], "kinds": [], "pagez": 1, )" + rest + "}"
                                 << "unknown key \"pagez\"";
    QTest::newRow("fractional kind") << R"({"texts": [], "kinds": [1.5], )" + rest + "}"
                                     << "kinds[0]: must be an integer";
    QTest::newRow("kind out of range") << R"({"texts": [], "kinds": [0, 3000000000], )" + rest + "}"
                                       << "kinds[1]";
    QTest::newRow("character without a code page 932 form")
        << QString::fromUtf8(R"({"texts": ["ok", "café"], "kinds": [], )").toUtf8() + rest + "}"
        << "texts[1]: U+00E9";
    QTest::newRow("odd hex") << R"({"texts": [{"hex": "abc"}], "kinds": [], )" + rest + "}"
                             << "texts[0]: must be a string or {\"hex\"";
    QTest::newRow("hex with digits that are not ASCII")
        << QString::fromUtf8(R"({"texts": [{"hex": "٣٣"}], "kinds": [], )").toUtf8() + rest + "}"
        << "texts[0]: must be a string or {\"hex\"";
    QTest::newRow("source with an unknown kind")
        << QByteArray(R"({"folder": "f", "pages": [{"snippet": "", "kind": "insert", "line": 1,)"
                      R"( "count": 0}]})")
        << "pages[0]: kind: must be \"add\"";
    QTest::newRow("source page without a line")
        << QByteArray(R"({"folder": "f", "pages": [{"snippet": "", "kind": 0, "count": 0}]})")
        << "pages[0]: \"line\" is missing";
}

void TestTool::packErrors()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, expected);
    write("keep.blsh", kWorkedExample);
    const Result result = run({"pack", write("bad.json", input), "keep.blsh"});
    QCOMPARE(result.code, 1);
    QVERIFY(result.out.isEmpty());
    QVERIFY2(QString::fromUtf8(result.err).contains(expected), result.err.constData());
    QCOMPARE(read("keep.blsh"), kWorkedExample);
}

void TestTool::packSource()
{
    const QByteArray source = QString::fromUtf8(R"({"folder": "webgl\\les", "pages": [
        {"snippet": "a\nb\n", "kind": "add", "line": 1, "count": 2, "program": "a\nb\n"},
        {"snippet": "c\r\nあ", "kind": "replace", "line": 2, "count": 1},
        {"snippet": "", "kind": "delete", "line": 1, "count": 1, "program": "x"},
        {"snippet": "", "kind": 7, "line": 0, "count": -1}]})")
                                  .toUtf8();
    const Result result = run({"pack", write("source.json", source), "source.blsh"});
    QCOMPARE(result.code, 0);
    const QByteArray expected = LessonBytes()
                                    .count(4)
                                    .text("a\r\nb\r\n")
                                    .text("c\r\n\x82\xa0")
                                    .text("")
                                    .text("")
                                    .count(4)
                                    .integer(0)
                                    .integer(1)
                                    .integer(2)
                                    .integer(7)
                                    .count(4)
                                    .integer(1)
                                    .integer(2)
                                    .integer(1)
                                    .integer(0)
                                    .count(4)
                                    .integer(2)
                                    .integer(1)
                                    .integer(1)
                                    .integer(-1)
                                    .folder("webgl\\les")
                                    .bytes();
    QCOMPARE(read("source.blsh"), expected);
}

void TestTool::packOutputKinds_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("written");
    QTest::newRow("file: its permissions stay") << "file" << true;
    QTest::newRow("link: the file it names is replaced") << "link" << true;
    QTest::newRow("link to a file not there yet") << "dangling link" << true;
    QTest::newRow("folder") << "folder" << false;
    QTest::newRow("named pipe") << "pipe" << false;
}

void TestTool::packOutputKinds()
{
    QFETCH(QString, kind);
    QFETCH(bool, written);
    const QByteArray lesson = kWorkedExample;
    write("pack.json", run({"dump", write("worked.blsh", lesson)}).out);
    const QString out = m_dir.filePath("out-" + kind);
    const QString target = m_dir.filePath("target-" + kind);
    QFile::remove(target);
    if (kind == "file") {
        write("out-" + kind, "old");
        QVERIFY(
            QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    } else if (kind == "link") {
        write("target-" + kind, "old");
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(QFile::link("target-" + kind, out)); // relative to the link's folder
    } else if (kind == "dangling link") {
        QVERIFY(QFile::link(target, out));
    } else if (kind == "folder") {
        QVERIFY(QDir(m_dir.path()).mkdir("out-" + kind));
    } else {
        QCOMPARE(mkfifo(QFile::encodeName(out).constData(), 0600), 0);
    }
    struct stat before;
    QCOMPARE(lstat(QFile::encodeName(out).constData(), &before), 0);

    const Result result = run({"pack", "pack.json", out});
    QCOMPARE(result.code, written ? 0 : 1);
    QVERIFY(result.out.isEmpty());
    struct stat after;
    QCOMPARE(lstat(QFile::encodeName(out).constData(), &after), 0);
    QCOMPARE(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
    if (!written) {
        QVERIFY2(result.err.contains("not a regular file"), result.err.constData());
        QCOMPARE(after.st_ino, before.st_ino);
        return;
    }
    QVERIFY(result.err.isEmpty());
    const QString file = kind == "file" ? out : target;
    QCOMPARE(read(QFileInfo(file).fileName()), lesson);
    const QFile::Permissions expected =
        kind == "file"   ? QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther
        : kind == "link" ? QFile::ReadOwner | QFile::WriteOwner
                         : QFile::permissions(m_dir.filePath("pack.json"));
    QCOMPARE(QFile::permissions(file) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
             expected & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser));
    // Nothing is left behind beside it.
    QCOMPARE(QDir(m_dir.path()).entryList({QFileInfo(file).fileName() + ".*"}), QStringList());
}

void TestTool::unwritableOutputFails_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("dump") << "dump";
    QTest::newRow("check") << "check";
}

void TestTool::unwritableOutputFails()
{
    QFETCH(QString, command);
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.setStandardOutputFile("/dev/full");
    QStringList arguments{command, write("full.blsh", QByteArray(17, '\0'))};
    if (command == "check")
        arguments << "--program-dir" << m_dir.path();
    process.start(m_tool, arguments);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    const QByteArray err = process.readAllStandardError();
    QVERIFY2(err.contains("standard output"), err.constData());
}

void TestTool::namesThatAreNotUtf8()
{
    // "テスト" in Shift-JIS, as a Windows archive leaves it.
    const QByteArray folder = QFile::encodeName(m_dir.path()) + '/';
    const QByteArray name = folder + "\x83\x65\x83\x58\x83\x67.blsh";
    write("sjis.json", run({"dump", write("worked.blsh", kWorkedExample)}).out);

    Result result = runBytes({"pack", folder + "sjis.json", name});
    QVERIFY2(result.err.isEmpty(), result.err.constData());
    QCOMPARE(result.code, 0);
    QFile file;
    const int fd = ::open(name.constData(), O_RDONLY);
    QVERIFY(fd >= 0);
    QVERIFY(file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
    QCOMPARE(file.readAll(), kWorkedExample);

    result = runBytes({"dump", name});
    QCOMPARE(result.code, 0);
    QCOMPARE(QJsonDocument::fromJson(result.out).object().value("folder").toString(), "L1");
    // The lesson loads; its folder is not there, which check reports on standard output.
    result = runBytes({"check", name});
    QVERIFY2(result.err.isEmpty(), result.err.constData());
    QVERIFY(result.out.contains("L1"));

    // A message names the file by the bytes it was given.
    const QByteArray missing = folder + "\x83\x65.blsh";
    result = runBytes({"dump", missing});
    QCOMPARE(result.code, 1);
    QVERIFY2(result.err.startsWith(missing), result.err.constData());
}

void TestTool::check_data()
{
    QTest::addColumn<QByteArray>("lesson");    // what pack makes the .blsh from
    QTest::addColumn<int>("sourceLine");       // check against sourceWith(sourceLine), 0: none
    QTest::addColumn<QList<int>>("htmlPages"); // index<N>.html present in demo/html
    QTest::addColumn<QStringList>("report");   // fragments, one per expected output line

    const QList<int> allPages{0, 1, 2};
    QTest::newRow("valid lesson") << json(sourceWith(3)) << 3 << allPages
                                  << QStringList{"OK: 3 pages"};
    QTest::newRow("one wrong arrow line")
        << json(sourceWith(4)) << 3 << allPages
        << QStringList{"page 2: arrow line 4 in the lesson, 3 in the source",
                       QString::fromUtf8("step 2 (index2.html): the program differs from the "
                                         "source's at line 3: \"こんにちは\" after the step, "
                                         "\"</body>\" in the source")};
    QTest::newRow("wrong arrow line in the source itself")
        << json(sourceWith(4)) << 4 << allPages
        << QStringList{"step 2 (index2.html): the program differs from the source's at line 3"};
    QTest::newRow("lines past the program")
        << json(sourceWith(9)) << 3 << allPages
        << QStringList{"page 2: arrow line 9 in the lesson, 3 in the source",
                       "step 2 (index2.html): the program does not have the lines the page "
                       "names (delete, line 9, count 1, the program has 5 lines)"};
    QTest::newRow("missing tutorial page")
        << json(sourceWith(3)) << 3 << QList<int>{0, 2}
        << QStringList{"page 1: no tutorial page " + QString("%DIR%/demo/html/index1.html")};
    QTest::newRow("tutorial page beyond the lesson")
        << json(sourceWith(3)) << 0 << QList<int>{0, 1, 2, 5}
        << QStringList{"tutorial page %DIR%/demo/html/index5.html has no entry in the lesson"};
    QTest::newRow("folder outside the program directory")
        << QByteArray(R"({"texts": [], "kinds": [], "arrowLines": [], "arrowCounts": [],)"
                      R"( "folder": "demo\\..\\.."})")
        << 0 << allPages
        << QStringList{"folder \"demo\\..\\..\" is not below the program directory",
                       "no tutorial folder"};
    QTest::newRow("folder that is a link to the program directory")
        << QByteArray(R"({"texts": [], "kinds": [], "arrowLines": [], "arrowCounts": [],)"
                      R"( "folder": "self"})")
        << 0 << allPages
        << QStringList{"folder \"self\" leads out of the program directory through a link",
                       "no tutorial folder"};
    QTest::newRow("lists, kinds, lines and counts")
        << QByteArray(R"({"texts": ["a", "b"], "kinds": [0, 5], "arrowLines": [1, 0, 2],)"
                      R"( "arrowCounts": [1, -1], "folder": "demo"})")
        << 0 << allPages
        << QStringList{"lists of unequal length: 2 texts, 2 kinds, 3 arrow lines, 2 arrow counts",
                       "page 1: kind 5 is not 0 (add), 1 (replace) or 2 (delete)",
                       "page 1: arrow line 0 is below 1", "page 1: arrow count -1 is negative"};
}

void TestTool::check()
{
    QFETCH(QByteArray, lesson);
    QFETCH(int, sourceLine);
    QFETCH(QList<int>, htmlPages);
    QFETCH(QStringList, report);

    QTemporaryDir programDir;
    QVERIFY(QDir(programDir.path()).mkpath("demo/html"));
    QVERIFY(QFile::link(".", programDir.filePath("self")));
    for (int page : htmlPages) {
        QFile html(programDir.filePath(QString("demo/html/index%1.html").arg(page)));
        QVERIFY(html.open(QIODevice::WriteOnly));
    }
    QCOMPARE(run({"pack", write("check.json", lesson), "check.blsh"}).code, 0);
    QStringList arguments{"check", "check.blsh", "--program-dir", programDir.path()};
    if (sourceLine > 0)
        arguments << "--source" << write("source.json", json(sourceWith(sourceLine)));

    const Result result = run(arguments);
    const QStringList lines = QString::fromUtf8(result.out).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(result.code, report.first().startsWith("OK") ? 0 : 1);
    QVERIFY(result.err.isEmpty());
    QCOMPARE(lines.size(), report.size());
    for (qsizetype i = 0; i < report.size(); ++i) {
        const QString fragment = QString(report.at(i)).replace("%DIR%", programDir.path());
        QVERIFY2(lines.at(i).contains(fragment),
                 qPrintable(lines.at(i) + "\ndoes not contain\n" + fragment));
    }
}

void TestTool::checkDemoLesson_data()
{
    QTest::addColumn<QString>("kind"); // the first page of this kind gets a wrong arrow line
    QTest::newRow("as built") << QString();
    QTest::newRow("wrong arrow line on a delete page") << "delete";
    QTest::newRow("wrong arrow line on a replace page") << "replace";
}

// The demo lesson against its source, and a copy with one arrow line off by one.
void TestTool::checkDemoLesson()
{
    QFETCH(QString, kind);

    const QString bin = qEnvironmentVariable("BOLTO_BIN_DIR");
    const QString source =
        qEnvironmentVariable("BOLTO_TEST_SOURCE_DIR") + "/lessons/webgl/lesson.json";
    QFile sourceFile(source);
    QVERIFY(sourceFile.open(QIODevice::ReadOnly));
    QJsonObject lesson = QJsonDocument::fromJson(sourceFile.readAll()).object();
    QJsonArray pages = lesson.value("pages").toArray();
    QVERIFY(!pages.isEmpty());

    QString file = bin + "/webgl.blsh";
    QStringList report{QString("OK: %1 pages").arg(pages.size())};
    if (!kind.isEmpty()) {
        qsizetype page = 0;
        while (page < pages.size() && pages.at(page).toObject().value("kind").toString() != kind)
            ++page;
        QVERIFY(page < pages.size());
        QJsonObject wrong = pages.at(page).toObject();
        const int line = wrong.value("line").toInt();
        wrong.insert("line", line + 1);
        pages.replace(page, wrong);
        lesson.insert("pages", pages);
        QCOMPARE(run({"pack", write("wrong.json", json(lesson)), "wrong.blsh"}).code, 0);
        file = m_dir.filePath("wrong.blsh");
        report = QStringList{QString("page %1: arrow line %2 in the lesson, %3 in the source")
                                 .arg(page)
                                 .arg(line + 1)
                                 .arg(line),
                             QString("step %1 (index%1.html): ").arg(page)};
    }

    const Result result = run({"check", file, "--source", source, "--program-dir", bin});
    const QStringList lines = QString::fromUtf8(result.out).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(result.code, kind.isEmpty() ? 0 : 1);
    QVERIFY(result.err.isEmpty());
    QCOMPARE(lines.size(), report.size());
    for (qsizetype i = 0; i < report.size(); ++i)
        QVERIFY2(lines.at(i).startsWith(report.at(i)),
                 qPrintable(lines.at(i) + "\ndoes not start with\n" + report.at(i)));
}

QTEST_GUILESS_MAIN(TestTool)
#include "tst_tool.moc"
