#include "lessonbytes.h"
#include "toolrun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    void checkFindings_data();
    void checkFindings();
    void buildAndCheckSourceFolder();
    void newLessonBuilds();
    void installLesson();

private:
    using Result = ToolResult;
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
    return RunTool(m_tool, arguments, m_dir.path());
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
    // The dump writes its strings itself; they must read as Qt's own JSON writer puts them.
    QByteArray ascii;
    for (int c = 1; c < 128; ++c)
        ascii += char(c);
    const QByteArray asQt =
        QJsonDocument(QJsonArray{QString::fromLatin1(ascii), QString::fromUtf8("あ漢ｱ①")})
            .toJson(QJsonDocument::Compact);
    QTest::newRow("every ASCII character and Japanese, escaped as Qt does")
        << LessonBytes()
               .count(2)
               .text(ascii)
               .text("\x82\xa0\x8a\xbf\xb1\x87\x40")
               .count(0)
               .count(0)
               .count(0)
               .folder("")
               .bytes()
        << QStringList{
               QString::fromUtf8(asQt.mid(1, asQt.size() - 2).replace("\",\"", "\",\n        \""))};
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
    QTest::newRow("not JSON") << QByteArray("{\"texts\": [") << "line 1, column 11: expected";
    QTest::newRow("unescaped quote")
        << QByteArray("{\"folder\": \"x\",\n \"pages\": [{\"snippet\": \"say \"hi\"\"}]}")
        << "line 2, column 30: expected ',' or '}' after a value in an object; a '\"' inside a "
           "string is written \\\"";
    QTest::newRow("trailing comma")
        << QByteArray("{\"folder\": \"x\",\n\n  \"pages\": [],\n}")
        << "line 4, column 1: expected a key in quotes after ','; a trailing comma";
    QTest::newRow("missing comma between lines")
        << QByteArray("{\"folder\": \"x\"\n  \"pages\": []}")
        << "line 2, column 3: expected ',' or '}' after a value in an object";
    QTest::newRow("dash code page 932 spells otherwise")
        << QString::fromUtf8("{\"folder\": \"x\", \"pages\": [{\"snippet\": \"a\\nb—c\", "
                             "\"kind\": \"add\", \"line\": 1, \"count\": 2}]}")
               .toUtf8()
        << QString::fromUtf8("pages[0]: snippet: line 2, column 2: U+2014 (—) has no code page "
                             "932 form; the nearest it has is ― (U+2015)");
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
        << "texts[1]: line 1, column 4: U+00E9";
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
    const QString step3 = QString::fromUtf8("ステップ 3 / 3 (index2.html): ");
    QTest::newRow("one wrong arrow line")
        << json(sourceWith(4)) << 3 << allPages
        << QStringList{step3 + "arrow line 4 in the lesson, 3 in the source",
                       step3 + "the page shows lines the step does not delete:",
                       step3 + "the program after the step differs from the source's:"};
    QTest::newRow("wrong arrow line in the source itself")
        << json(sourceWith(4)) << 4 << allPages
        << QStringList{step3 + "the page shows lines the step does not delete:",
                       step3 + "the program after the step differs from the source's:"};
    QTest::newRow("lines past the program")
        << json(sourceWith(9)) << 3 << allPages
        << QStringList{step3 + "arrow line 9 in the lesson, 3 in the source",
                       step3 + "the program does not have the lines the page "
                               "names (delete, line 9, count 1, the program has 5 lines)"};
    QTest::newRow("missing tutorial page")
        << json(sourceWith(3)) << 3 << QList<int>{0, 2}
        << QStringList{QString::fromUtf8("ステップ 2 / 3 (index1.html): no tutorial page ") +
                           "%DIR%/demo/html/index1.html",
                       QString::fromUtf8("ステップ 1 / 3 (index0.html): links to index1.html, "
                                         "which does not exist")};
    QTest::newRow("tutorial page beyond the lesson")
        << json(sourceWith(3)) << 0 << QList<int>{0, 1, 2, 5}
        << QStringList{"extra tutorial page %DIR%/demo/html/index5.html: the lesson has no page"};
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
                       QString::fromUtf8("ステップ 2 / 2 (index1.html): kind 5 is not 0 (add)"),
                       QString::fromUtf8("ステップ 2 / 2 (index1.html): arrow line 0 is below 1"),
                       QString::fromUtf8("ステップ 2 / 2 (index1.html): arrow count -1 is "
                                         "negative"),
                       QString::fromUtf8("ステップ 1 / 2 (index0.html): the snippet does not end "
                                         "with a line break"),
                       QString::fromUtf8("ステップ 2 / 2 (index1.html): the snippet does not end "
                                         "with a line break"),
                       QString::fromUtf8("ステップ 2 / 2 (index1.html): the kind is not add")};
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
        // Each page links on, as built pages do.
        QFile html(programDir.filePath(QString("demo/html/index%1.html").arg(page)));
        QVERIFY(html.open(QIODevice::WriteOnly));
        if (page < 2)
            html.write(QString("<a href=\"index%1.html\">next</a>").arg(page + 1).toUtf8());
    }
    QCOMPARE(run({"pack", write("check.json", lesson), "check.blsh"}).code, 0);
    QStringList arguments{"check", "check.blsh", "--program-dir", programDir.path()};
    if (sourceLine > 0)
        arguments << "--source" << write("source.json", json(sourceWith(sourceLine)));

    const Result result = run(arguments);
    // One line per finding; a diff under a finding is indented or marked.
    QStringList lines;
    for (const QString &line : QString::fromUtf8(result.out).split('\n', Qt::SkipEmptyParts)) {
        if (!QString(" +-@\\").contains(line.at(0)))
            lines << line;
    }
    QCOMPARE(result.code, report.first().startsWith("OK") ? 0 : 1);
    QVERIFY(result.err.isEmpty());
    QVERIFY2(lines.size() == report.size(), qPrintable(lines.join('\n')));
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

// The demo lesson against its source folder, and a copy with one arrow line off by one.
void TestTool::checkDemoLesson()
{
    QFETCH(QString, kind);

    const QString bin = qEnvironmentVariable("BOLTO_BIN_DIR");
    const QString source = qEnvironmentVariable("BOLTO_TEST_SOURCE_DIR") + "/lessons/webgl";
    const Result dumped = run({"dump", bin + "/webgl.blsh"});
    QCOMPARE(dumped.code, 0);
    QJsonObject lesson = QJsonDocument::fromJson(dumped.out).object();
    const QJsonArray kinds = lesson.value("kinds").toArray();
    QVERIFY(!kinds.isEmpty());

    QString file = bin + "/webgl.blsh";
    QStringList report{QString("OK: %1 pages").arg(kinds.size())};
    if (!kind.isEmpty()) {
        const int wanted = kind == "delete" ? 2 : 1;
        qsizetype page = 0;
        while (page < kinds.size() && kinds.at(page).toInt() != wanted)
            ++page;
        QVERIFY(page < kinds.size());
        QJsonArray lines = lesson.value("arrowLines").toArray();
        const int line = lines.at(page).toInt();
        lines.replace(page, line + 1);
        lesson.insert("arrowLines", lines);
        QCOMPARE(run({"pack", write("wrong.json", json(lesson)), "wrong.blsh"}).code, 0);
        file = m_dir.filePath("wrong.blsh");
        const QString step = QString::fromUtf8("ステップ %1 / %2 (index%3.html): ")
                                 .arg(page + 1)
                                 .arg(kinds.size() - 1)
                                 .arg(page);
        report = QStringList{
            step + QString("arrow line %1 in the lesson, %2 in the source").arg(line + 1).arg(line),
            step};
    }

    const Result result = run({"check", file, "--source", source, "--program-dir", bin});
    const QStringList lines = QString::fromUtf8(result.out).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(result.code, kind.isEmpty() ? 0 : 1);
    QVERIFY(result.err.isEmpty());
    QVERIFY(lines.size() >= report.size());
    for (qsizetype i = 0; i < report.size(); ++i)
        QVERIFY2(lines.at(i).startsWith(report.at(i)),
                 qPrintable(lines.at(i) + "\ndoes not start with\n" + report.at(i)));
}

void TestTool::checkFindings_data()
{
    QTest::addColumn<QByteArray>("source"); // a JSON source checked on its own
    QTest::addColumn<QString>("finding");

    auto source = [](const char *pages) {
        return QByteArray(R"({"folder": "demo", "pages": [)") + pages + "]}";
    };
    const QString one = QString::fromUtf8("ステップ 1 / 2 (index0.html): ");
    const QString two = QString::fromUtf8("ステップ 2 / 2 (index1.html): ");
    QTest::newRow("add count against the snippet")
        << source(R"({"snippet": "a\nb\n", "kind": "add", "line": 1, "count": 1},
                     {"snippet": "c\n", "kind": "add", "line": 1, "count": 1})")
        << one + "the arrow count is 1, but the snippet adds 2 lines";
    QTest::newRow("delete snippet against the deleted lines")
        << source(R"({"snippet": "a\nb\n", "kind": "add", "line": 1, "count": 2},
                     {"snippet": "b\n", "kind": "delete", "line": 1, "count": 1})")
        << two + "the page shows lines the step does not delete:\n--- deleted lines\n"
                 "+++ the page's snippet\n@@ -1,1 +1,1 @@\n-a\n+b";
    QTest::newRow("tab") << source(R"({"snippet": "\tx\n", "kind": "add", "line": 1, "count": 1},
                                    {"snippet": "y\n", "kind": "add", "line": 1, "count": 1})")
                         << one + "the snippet has a tab at its line 1";
    QTest::newRow("missing last line break")
        << source(R"({"snippet": "a\nb", "kind": "add", "line": 1, "count": 2},
                     {"snippet": "y\n", "kind": "add", "line": 1, "count": 1})")
        << one + "the snippet does not end with a line break";
    QTest::newRow("lines beyond the end")
        << source(R"({"snippet": "a\n", "kind": "add", "line": 1, "count": 1},
                     {"snippet": "x\n", "kind": "replace", "line": 2, "count": 1})")
        << two + "the program does not have the lines the page names (replace, line 2, count "
                 "1, the program has 1 lines)";
    QTest::newRow("step that changes nothing")
        << source(R"({"snippet": "a\n", "kind": "add", "line": 1, "count": 1},
                     {"snippet": "a\n", "kind": "replace", "line": 1, "count": 1})")
        << two + "the step does not change the program";
    QTest::newRow("program differs, with a diff")
        << source(R"({"snippet": "a\n", "kind": "add", "line": 1, "count": 1, "program": "a\n"},
                     {"snippet": "b\n", "kind": "add", "line": 1, "count": 1,
                      "program": "a\nb\n"})")
        << two + "the program after the step differs from the source's:\n--- the source's "
                 "program\n+++ after the step\n@@ -1,2 +1,2 @@\n-a\n b\n+a";
    QTest::newRow("no programs: partial")
        << source(R"({"snippet": "a\n", "kind": "add", "line": 1, "count": 1},
                     {"snippet": "b\n", "kind": "add", "line": 2, "count": 1})")
        << "checked partially: 2 pages; the source has no programs";
}

void TestTool::checkFindings()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, finding);
    // Pages that link on, so only the row's fault shows.
    QVERIFY(QDir(m_dir.path()).mkpath("demo/html"));
    write("demo/html/index0.html", "<a href=\"index1.html\">next</a>");
    write("demo/html/index1.html", "");
    const Result result = run({"check", write("findings.json", source)});
    const QString out = QString::fromUtf8(result.out);
    QVERIFY2(out.contains(finding), qPrintable(out));
    QCOMPARE(result.code, finding.startsWith("checked partially") ? 0 : 1);
}

// A source folder builds, checks clean, and check then finds what was done to its pages.
void TestTool::buildAndCheckSourceFolder()
{
    const QString dir = m_dir.filePath("smiley");
    QVERIFY(QDir().mkpath(dir + "/steps") && QDir().mkpath(dir + "/pages"));
    write("smiley/lesson.json", R"({"title": "Smiley", "folder": "smiley"})");
    write("smiley/steps/01.html", "<canvas></canvas>\n");
    write("smiley/steps/02.html", "<canvas></canvas>\n<script>\n</script>\n");
    write("smiley/steps/03.html", "<canvas></canvas>\n<script>\nctx();\n</script>\n");
    write("smiley/pages/01.md", "# Canvas\n\nA canvas.\n");
    write("smiley/pages/02.md", "# Script\n\nA script.\n");
    write("smiley/pages/03.md", "# Draw\n\nDraw.\n");
    write("smiley/template.html", "<h1>{{step}}</h1>{{body}}{{task}}<nav>{{links}}</nav>");
    const Result built = run({"build", dir, "--out", m_dir.filePath("out")});
    QVERIFY2(built.code == 0, built.err.constData());
    QCOMPARE(run({"check", "out/smiley.blsh", "--source", dir}).out, QByteArray("OK: 3 pages\n"));
    QCOMPARE(run({"check", dir, "--program-dir", "out"}).out, QByteArray("OK: 3 pages\n"));

    // A page whose code went stale, a page that does not link on, a link to nowhere.
    const QString page1 = "out/smiley/html/index1.html";
    write(page1, read(page1)
                     .replace("&lt;script&gt;", "&lt;script type=module&gt;")
                     .replace("href=\"index2.html\"", "href=\"index9.html\""));
    const Result result = run({"check", "out/smiley.blsh", "--source", dir});
    QCOMPARE(result.code, 1);
    const QString out = QString::fromUtf8(result.out);
    const QString step = QString::fromUtf8("ステップ 2 / 3 (index1.html): ");
    QVERIFY2(out.contains(step + "the page shows other code than its snippet, which a click "
                                 "copies; build the pages again:\n--- the snippet\n"
                                 "+++ index1.html\n@@ -1,2 +1,2 @@\n-<script>\n"
                                 "+<script type=module>"),
             qPrintable(out));
    QVERIFY2(out.contains(step + "links to index9.html, which does not exist"), qPrintable(out));
    QVERIFY2(out.contains(step + "no link to the next page index2.html, so the learner is stuck"),
             qPrintable(out));
}

// What 'new' writes builds and checks clean at once, and 'new' never overwrites.
void TestTool::newLessonBuilds()
{
    QCOMPARE(run({"new", "fresh", "--title", "Canvas 2D"}).code, 0);
    QCOMPARE(run({"build", "fresh"}).code, 0);
    QCOMPARE(run({"check", "fresh"}).out, QByteArray("OK: 2 pages\n"));
    QVERIFY(read("fresh/build/fresh/html/index0.html").contains("Canvas 2D"));
    const Result again = run({"new", "fresh"});
    QCOMPARE(again.code, 1);
    QVERIFY(again.err.contains("already holds a lesson source"));
}

// Next to the program when it can be written, else in the user's lesson folder.
void TestTool::installLesson()
{
    QCOMPARE(run({"new", "inst"}).code, 0);
    QCOMPARE(run({"build", "inst"}).code, 0);
    QVERIFY(QDir(m_dir.path()).mkpath("program"));
    const Result result = run({"install", "inst/build/inst.blsh", "--program-dir", "program"});
    QVERIFY2(result.code == 0, result.err.constData());
    QCOMPARE(read("program/inst.blsh"), read("inst/build/inst.blsh"));
    QCOMPARE(read("program/inst/html/index1.html"), read("inst/build/inst/html/index1.html"));

    // An unwritable program folder (seen only without root's rights) or --user.
    QVERIFY(QDir(m_dir.path()).mkpath("readonly"));
    QVERIFY(QFile::setPermissions(m_dir.filePath("readonly"), QFile::ReadOwner | QFile::ExeOwner));
    QStringList arguments{"install", "inst/build/inst.blsh", "--program-dir", "readonly"};
    if (::geteuid() == 0)
        arguments << "--user";
    const Result fallback = run(arguments);
    QFile::setPermissions(m_dir.filePath("readonly"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY2(fallback.code == 0, fallback.err.constData());
    QVERIFY(QDir(m_dir.filePath("readonly")).isEmpty());
    const QString user = qEnvironmentVariable("XDG_DATA_HOME") +
                         QString::fromUtf8("/Bolto アプリケーション/HTML5/lessons");
    QVERIFY(QFileInfo(user + "/inst.blsh").isFile());
    QVERIFY(QFileInfo(user + "/inst/html/index0.html").isFile());
    QVERIFY(fallback.out.contains("installed in " + user.toUtf8()));
}

QTEST_GUILESS_MAIN(TestTool)
#include "tst_tool.moc"
