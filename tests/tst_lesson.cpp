#include "archive.h"
#include "bolto.h"
#include "codepage.h"
#include "lessonbytes.h"
#include "lessonfile.h"
#include "lessonreplay.h"
#include "paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <random>

using IntList = QList<qint32>;
using TextList = QList<QByteArray>;

namespace {
TextList textsOf(const CBolto &lesson)
{
    TextList list;
    for (const std::string_view text : lesson.m_pageTexts)
        list.append(QByteArray(text.data(), qsizetype(text.size())));
    return list;
}

IntList intsOf(const std::vector<int32_t> &values)
{
    return IntList(values.begin(), values.end());
}

std::string bytesOf(const QByteArray &bytes)
{
    return std::string(bytes.constData(), size_t(bytes.size()));
}

QByteArray storeBytes(CBolto &lesson)
{
    std::string out;
    CArchive ar(&out);
    lesson.Serialize(ar);
    return QByteArray(out.data(), qsizetype(out.size()));
}

// "ok", "eof" or "generic", and the offset of a failure.
QString loadBytes(const QByteArray &bytes, CBolto &lesson, qint64 *offset)
{
    const std::string data = bytesOf(bytes);
    try {
        CArchive ar(data);
        lesson.Serialize(ar);
    } catch (const CArchiveException &e) {
        *offset = qint64(e.m_offset);
        return e.m_cause == CArchiveException::endOfFile ? "eof" : "generic";
    }
    return "ok";
}

QString loadFile(const QString &path, CBolto &lesson, qint64 *offset)
{
    const LessonFileStatus status = LoadLessonFile(path.toStdString(), lesson);
    *offset = qint64(status.m_offset);
    switch (status.m_cause) {
    case LessonFileStatus::ok:
        return "ok";
    case LessonFileStatus::endOfFile:
        return "eof";
    case LessonFileStatus::generic:
        return "generic";
    default:
        return "io";
    }
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

const QByteArray kWorkedExample = QByteArray::fromHex("01000000"
                                                      "026162"
                                                      "01000000"
                                                      "01000000"
                                                      "01000000"
                                                      "03000000"
                                                      "01000000"
                                                      "02000000"
                                                      "024c31");
} // namespace

class TestLesson : public QObject
{
    Q_OBJECT

private slots:
    // First: it needs a process that has converted nothing yet.
    void asciiBeforeTables();
    void load_data();
    void load();
    void zeroByteFile();
    void cutAtEveryLength();
    void cutWorkedExampleFile();
    void mutateEveryByte();
    void prefixBoundaries_data();
    void prefixBoundaries();
    void storeLoadRoundTrip();
    void loadCostIsBounded_data();
    void loadCostIsBounded();
    void accessors_data();
    void accessors();
    void reset();
    void pageTextsStayApart();
    void fileBaseName_data();
    void fileBaseName();
    void programDirectory();
    void programDirectoryDeepPath();
    void encode_data();
    void encode();
    void decode_data();
    void decode();
    void tablesMatchSystemConverter();
    void replay_data();
    void replay();
    void firstDifferentLine_data();
    void firstDifferentLine();
};

void TestLesson::load_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<TextList>("texts");
    QTest::addColumn<IntList>("kinds");
    QTest::addColumn<IntList>("lines");
    QTest::addColumn<IntList>("counts");
    QTest::addColumn<QByteArray>("folder");

    QTest::newRow("worked example") << kWorkedExample << "ok" << 0LL << TextList{"ab"} << IntList{1}
                                    << IntList{3} << IntList{2} << QByteArray("L1");
    QTest::newRow("17 zero bytes: empty lesson")
        << QByteArray(17, '\0') << "ok" << 0LL << TextList{} << IntList{} << IntList{} << IntList{}
        << QByteArray();
    QTest::newRow("negative count reads nothing")
        << LessonBytes().count(-1).count(1).integer(7).count(0).count(0).folder("f").bytes() << "ok"
        << 0LL << TextList{} << IntList{7} << IntList{} << IntList{} << QByteArray("f");
    QTest::newRow("three texts, one kind") << LessonBytes()
                                                  .count(3)
                                                  .text("a")
                                                  .text("")
                                                  .text("c")
                                                  .count(1)
                                                  .integer(2)
                                                  .count(0)
                                                  .count(0)
                                                  .folder("")
                                                  .bytes()
                                           << "ok" << 0LL << TextList{"a", "", "c"} << IntList{2}
                                           << IntList{} << IntList{} << QByteArray();
    QTest::newRow("non-shortest 16-bit prefix")
        << QByteArray::fromHex("01000000ff05006162636465") + QByteArray(13, '\0') << "ok" << 0LL
        << TextList{"abcde"} << IntList{} << IntList{} << IntList{} << QByteArray();
    QTest::newRow("non-shortest 32-bit and 64-bit prefixes")
        << QByteArray::fromHex("01000000ffffff0200000068690000000000000000000000"
                               "00ffffffffffffff010000000000000046")
        << "ok" << 0LL << TextList{"hi"} << IntList{} << IntList{} << IntList{} << QByteArray("F");
    QTest::newRow("NUL inside a string")
        << LessonBytes()
               .count(1)
               .text(QByteArray("a\0b\0", 4))
               .count(0)
               .count(0)
               .count(0)
               .folder(QByteArray("\0", 1))
               .bytes()
        << "ok" << 0LL << TextList{QByteArray("a\0b\0", 4)} << IntList{} << IntList{} << IntList{}
        << QByteArray("\0", 1);
    QTest::newRow("UTF-16 string becomes code page 932")
        << LessonBytes()
               .count(2)
               .utf16Text(QString::fromUtf8("あA"))
               .utf16Text(QString::fromUtf8("é😀"))
               .count(0)
               .count(0)
               .count(0)
               .folder("")
               .bytes()
        << "ok" << 0LL
        << TextList{"\x82\xa0"
                    "A",
                    "??"}
        << IntList{} << IntList{} << IntList{} << QByteArray();
    QTest::newRow("UTF-16 string with a 16-bit length")
        << QByteArray::fromHex("01000000fffeffff010041") + QByteArray(14, '\0') << "ok" << 0LL
        << TextList{"A"} << IntList{} << IntList{} << IntList{} << QByteArray();
    QTest::newRow("UTF-16 string where a second 0xFFFE is a length")
        << QByteArray::fromHex("01000000fffefffffeff") + QByteArray("A\0", 2).repeated(65534) +
               QByteArray(13, '\0')
        << "ok" << 0LL << TextList{QByteArray(65534, 'A')} << IntList{} << IntList{} << IntList{}
        << QByteArray();
    // Long texts are converted in slices of 32,768 units: a pair across the cut is still one
    // character, and a lone high surrogate there still keeps the unit after it.
    auto longUtf16 = [](const QString &text) {
        QByteArray bytes = QByteArray::fromHex("fffeffff");
        for (const qsizetype value : {text.size(), text.size() >> 8})
            bytes += char(value & 0xFF);
        for (QChar c : text)
            bytes += char(c.unicode() & 0xFF) + QByteArray(1, char(c.unicode() >> 8));
        return bytes;
    };
    const QByteArray pairAtCut = longUtf16(QString(32767, 'a') + QString::fromUtf8("😀") + "b");
    const QByteArray loneHighAtCut = longUtf16(QString(32767, 'a') + QChar(0xD83D) + "c");
    const QByteArray pairAtCutLoaded = QByteArray(32767, 'a') + "?b";
    const QByteArray loneHighAtCutLoaded = QByteArray(32767, 'a') + "?c";
    QTest::newRow("UTF-16 surrogates across the slice boundary")
        << LessonBytes()
               .count(2)
               .raw(pairAtCut)
               .raw(loneHighAtCut)
               .count(0)
               .count(0)
               .count(0)
               .folder("")
               .bytes()
        << "ok" << 0LL << TextList{pairAtCutLoaded, loneHighAtCutLoaded} << IntList{} << IntList{}
        << IntList{} << QByteArray();
    // From a file, a lesson that starts with a plain text is read whole and its UTF-16 texts are
    // converted where they lie.
    QTest::newRow("UTF-16 texts after a plain one")
        << LessonBytes()
               .count(4)
               .text("x")
               .raw(pairAtCut)
               .utf16Text(QString::fromUtf8("あA"))
               .raw(loneHighAtCut)
               .count(0)
               .count(0)
               .count(0)
               .folder("")
               .bytes()
        << "ok" << 0LL
        << TextList{"x", pairAtCutLoaded,
                    "\x82\xa0"
                    "A",
                    loneHighAtCutLoaded}
        << IntList{} << IntList{} << IntList{} << QByteArray();
    QTest::newRow("kinds outside the enumeration are kept")
        << LessonBytes()
               .count(0)
               .count(3)
               .integer(7)
               .integer(-1)
               .integer(INT_MIN)
               .count(0)
               .count(0)
               .folder("")
               .bytes()
        << "ok" << 0LL << TextList{} << IntList{7, -1, INT_MIN} << IntList{} << IntList{}
        << QByteArray();
    QTest::newRow("bytes after the folder are ignored")
        << kWorkedExample + QByteArray("\xff\xff junk", 7) << "ok" << 0LL << TextList{"ab"}
        << IntList{1} << IntList{3} << IntList{2} << QByteArray("L1");
    QTest::newRow("cut inside the arrow lines keeps what came before")
        << LessonBytes()
               .count(1)
               .text("ab")
               .count(2)
               .integer(0)
               .integer(2)
               .count(2)
               .integer(3)
               .raw(QByteArray("\x04\x00", 2))
               .bytes()
        << "eof" << 27LL << TextList{"ab"} << IntList{0, 2} << IntList{3} << IntList{}
        << QByteArray();
    QTest::newRow("64-bit length above 2147483647")
        << QByteArray::fromHex("01000000ffffffffffffff0000008000000000") + QByteArray(20, 'x')
        << "generic" << 4LL << TextList{} << IntList{} << IntList{} << IntList{} << QByteArray();
    QTest::newRow("64-bit length of 2147483647 in a short file")
        << QByteArray::fromHex("01000000ffffffffffffffffffff7f00000000") + QByteArray(20, 'x')
        << "eof" << 4LL << TextList{} << IntList{} << IntList{} << IntList{} << QByteArray();
    QTest::newRow("20-byte file claiming a 2 GB string")
        << QByteArray::fromHex("01000000ffffffff0000ff7f") + QByteArray(8, 'x') << "eof" << 4LL
        << TextList{} << IntList{} << IntList{} << IntList{} << QByteArray();
    QTest::newRow("UTF-16 string claiming 4 GB")
        << QByteArray::fromHex("01000000fffeffffffffffffff") + QByteArray(8, 'x') << "eof" << 4LL
        << TextList{} << IntList{} << IntList{} << IntList{} << QByteArray();
    QTest::newRow("odd byte left for a UTF-16 unit")
        << QByteArray::fromHex("01000000fffeff02410042") << "eof" << 4LL << TextList{} << IntList{}
        << IntList{} << IntList{} << QByteArray();
    QTest::newRow("empty memory fails at the first count")
        << QByteArray() << "eof" << 0LL << TextList{} << IntList{} << IntList{} << IntList{}
        << QByteArray();
}

void TestLesson::load()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, outcome);
    QFETCH(qint64, offset);
    QFETCH(TextList, texts);
    QFETCH(IntList, kinds);
    QFETCH(IntList, lines);
    QFETCH(IntList, counts);
    QFETCH(QByteArray, folder);

    auto verify = [&](const QString &got, qint64 failedAt, const CBolto &lesson) {
        QCOMPARE(got, outcome);
        if (outcome != "ok")
            QCOMPARE(failedAt, offset);
        QCOMPARE(textsOf(lesson), texts);
        QCOMPARE(intsOf(lesson.m_pageKinds), kinds);
        QCOMPARE(intsOf(lesson.m_arrowLines), lines);
        QCOMPARE(intsOf(lesson.m_arrowCounts), counts);
        QCOMPARE(QByteArray::fromStdString(lesson.m_folderName), folder);
        QCOMPARE(lesson.m_currentPage, -1);
    };

    CBolto lesson;
    qint64 gotOffset = -1;
    QString got = loadBytes(bytes, lesson, &gotOffset);
    verify(got, gotOffset, lesson);
    if (QTest::currentTestFailed() || bytes.isEmpty())
        return;

    // The same bytes through a file and its buffered reader.
    QTemporaryDir dir;
    const QString path = dir.filePath("lesson.blsh");
    QVERIFY(writeFile(path, bytes));
    CBolto fromFile;
    got = loadFile(path, fromFile, &gotOffset);
    verify(got, gotOffset, fromFile);
}

void TestLesson::zeroByteFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("empty.blsh");
    QVERIFY(writeFile(path, QByteArray()));
    CBolto lesson;
    lesson.m_folderName = "old";
    qint64 offset = -1;
    QCOMPARE(loadFile(path, lesson, &offset), QString("ok"));
    QCOMPARE(lesson.GetPageCount(), 0);
    QCOMPARE(lesson.m_folderName, std::string("old")); // not read at all

    QCOMPARE(loadFile(dir.filePath("missing.blsh"), lesson, &offset), QString("io"));
    QCOMPARE(loadFile(dir.path(), lesson, &offset), QString("io"));
}

// Every prefix of a valid file fails with end-of-file at the value the cut falls into and keeps
// the entries completed before it, until the lesson is complete; junk after it changes nothing.
void TestLesson::cutAtEveryLength()
{
    LessonBytes file;
    file.count(3)
        .text(QByteArray(300, 'x'))
        .utf16Text(QString::fromUtf8("あい"))
        .text(QByteArray("a\0b", 3))
        .count(2)
        .integer(1)
        .integer(2)
        .count(1)
        .integer(12)
        .count(-5)
        .folder("webgl")
        .raw("tail");
    const QByteArray &bytes = file.bytes();
    const qsizetype complete = bytes.size() - 4;

    CBolto full;
    qint64 offset = -1;
    QCOMPARE(loadBytes(bytes, full, &offset), QString("ok"));

    for (qsizetype n = 0; n <= bytes.size(); ++n) {
        CBolto lesson;
        const QString outcome = loadBytes(bytes.left(n), lesson, &offset);
        if (n >= complete) {
            QCOMPARE(outcome, QString("ok"));
            QCOMPARE(storeBytes(lesson), storeBytes(full));
            continue;
        }
        QVERIFY2(outcome == "eof", qPrintable(QString("cut at %1: %2").arg(n).arg(outcome)));
        qsizetype failing = -1;
        int entries = 0;
        for (const LessonBytes::Item &item : file.items()) {
            if (item.end <= n &&
                (item.part == LessonBytes::Text || item.part == LessonBytes::Integer))
                ++entries;
            if (item.start <= n && n < item.end && failing < 0)
                failing = item.start;
        }
        QCOMPARE(offset, qint64(failing));
        const size_t loaded = lesson.m_pageTexts.size() + lesson.m_pageKinds.size() +
                              lesson.m_arrowLines.size() + lesson.m_arrowCounts.size();
        QCOMPARE(int(loaded), entries);
        QVERIFY(lesson.m_folderName.empty());
    }
}

void TestLesson::cutWorkedExampleFile()
{
    QTemporaryDir dir;
    for (qsizetype n = 1; n < kWorkedExample.size(); ++n) {
        const QString path = dir.filePath(QString("cut%1.blsh").arg(n));
        QVERIFY(writeFile(path, kWorkedExample.left(n)));
        CBolto lesson;
        qint64 offset = -1;
        QCOMPARE(loadFile(path, lesson, &offset), QString("eof"));
        QVERIFY(offset <= n && offset >= n - 3);
    }
}

// Hostile bytes at every position: loading ends normally or with an archive error, never with a
// crash or a runaway allocation, and memory and the buffered file reader agree on the outcome.
void TestLesson::mutateEveryByte()
{
    const QByteArray valid = LessonBytes()
                                 .count(2)
                                 .text(QByteArray(260, 'x'))
                                 .utf16Text(QString::fromUtf8("あ"))
                                 .count(1)
                                 .integer(2)
                                 .count(1)
                                 .integer(3)
                                 .count(1)
                                 .integer(4)
                                 .folder("webgl")
                                 .bytes();
    QTemporaryDir dir;
    const QString path = dir.filePath("mutated.blsh");
    for (qsizetype at = 0; at < valid.size(); ++at) {
        for (const char value : {'\x00', '\x01', '\x7f', '\x80', '\xfe', '\xff'}) {
            QByteArray bytes = valid;
            bytes[at] = value;
            CBolto inMemory;
            qint64 memoryOffset = -1;
            const QString outcome = loadBytes(bytes, inMemory, &memoryOffset);
            QVERIFY(writeFile(path, bytes));
            CBolto fromFile;
            qint64 fileOffset = -1;
            const QString where = QString("byte %1 set to %2").arg(at).arg(uint8_t(value));
            QVERIFY2(loadFile(path, fromFile, &fileOffset) == outcome, qPrintable(where));
            if (outcome != "ok")
                QVERIFY2(fileOffset == memoryOffset, qPrintable(where));
            QVERIFY2(storeBytes(fromFile) == storeBytes(inMemory), qPrintable(where));
        }
    }
}

void TestLesson::prefixBoundaries_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("prefix");
    QTest::newRow("0") << 0 << QByteArray::fromHex("00");
    QTest::newRow("254") << 254 << QByteArray::fromHex("fe");
    QTest::newRow("255") << 255 << QByteArray::fromHex("ffff00");
    QTest::newRow("65533") << 65533 << QByteArray::fromHex("fffdff");
    QTest::newRow("65534") << 65534 << QByteArray::fromHex("fffffffeff0000");
    QTest::newRow("65535") << 65535 << QByteArray::fromHex("ffffffffff0000");
}

void TestLesson::prefixBoundaries()
{
    QFETCH(int, length);
    QFETCH(QByteArray, prefix);
    CBolto lesson;
    lesson.m_pageTexts.push_back(std::string(size_t(length), '\xff'));
    const QByteArray bytes = storeBytes(lesson);
    QCOMPARE(bytes.mid(4, prefix.size()), prefix);
    QCOMPARE(bytes.size(), 4 + prefix.size() + length + 13);

    CBolto loaded;
    qint64 offset = -1;
    QCOMPARE(loadBytes(bytes, loaded, &offset), QString("ok"));
    QCOMPARE(loaded.m_pageTexts, lesson.m_pageTexts);
}

void TestLesson::storeLoadRoundTrip()
{
    std::mt19937 random(20260101);
    auto pick = [&random](int below) { return int(random() % unsigned(below)); };
    auto randomBytes = [&]() {
        static const int lengths[] = {0, 1, 2, 13, 254, 255, 256, 4097, 65533, 65534, 70000};
        std::string bytes(size_t(pick(3) == 0 ? lengths[pick(11)] : pick(40)), '\0');
        for (char &c : bytes)
            c = char(pick(256));
        return bytes;
    };
    auto randomInts = [&]() {
        std::vector<int32_t> values(size_t(pick(6)));
        for (int32_t &v : values)
            v = pick(2) ? int32_t(random()) : pick(50) - 5;
        return values;
    };

    QTemporaryDir dir;
    for (int round = 0; round < 40; ++round) {
        CBolto lesson;
        for (int i = pick(6); i > 0; --i)
            lesson.m_pageTexts.push_back(randomBytes());
        lesson.m_pageKinds = randomInts();
        lesson.m_arrowLines = randomInts();
        lesson.m_arrowCounts = randomInts();
        lesson.m_folderName = randomBytes();
        const QByteArray bytes = storeBytes(lesson);

        const QString path = dir.filePath(QString("round%1.blsh").arg(round));
        QCOMPARE(StoreLessonFile(path.toStdString(), lesson).m_cause, LessonFileStatus::ok);
        CBolto loaded;
        qint64 offset = -1;
        QCOMPARE(loadFile(path, loaded, &offset), QString("ok"));
        QVERIFY(loaded.m_pageTexts == lesson.m_pageTexts);
        QVERIFY(loaded.m_pageKinds == lesson.m_pageKinds);
        QVERIFY(loaded.m_arrowLines == lesson.m_arrowLines);
        QVERIFY(loaded.m_arrowCounts == lesson.m_arrowCounts);
        QVERIFY(loaded.m_folderName == lesson.m_folderName);
        QCOMPARE(storeBytes(loaded), bytes);
    }
}

void TestLesson::loadCostIsBounded_data()
{
    // Ten megabytes each: the count, then the pages (a prefix byte and the text), no other lists.
    QTest::addColumn<QByteArray>("pages");
    QTest::addColumn<QByteArray>("outcome");
    auto repeated = [](const QByteArray &page) {
        const int count = int((10 << 20) / page.size());
        QByteArray bytes;
        bytes.reserve(count * page.size() + 32);
        const int32_t n = count;
        bytes.append(reinterpret_cast<const char *>(&n), 4);
        for (int i = 0; i < count; ++i)
            bytes += page;
        return bytes + QByteArray(13, '\0');
    };
    QTest::newRow("empty pages") << repeated(QByteArray(1, '\0')) << QByteArray("generic");
    // Four times their size in memory, but within the fixed allowance at this size.
    QTest::newRow("pages just past the inline size")
        << repeated('\x10' + QByteArray(16, 'a')) << QByteArray("ok");
    QTest::newRow("ordinary pages load")
        << repeated(QByteArray("\xff\x00\x04", 3) + QByteArray(1024, 'a')) << QByteArray("ok");
    QByteArray utf16("\x01\x00\x00\x00\xff\xfe\xff\xff\xff\xff\x00\x00\x50\x00", 14);
    for (int i = 0; i < (5 << 20); ++i)
        utf16.append("\x42\x30", 2); // あ
    QTest::newRow("one long UTF-16 text loads") << utf16 + QByteArray(13, '\0') << QByteArray("ok");
}

// Loading costs at most twice the file and 64 MB, measured as the peak resident memory a child
// process adds while it loads: a lesson that would need more is refused, not loaded.
void TestLesson::loadCostIsBounded()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("AddressSanitizer's shadow memory is part of every peak; the plain build measures it");
#endif
    QFETCH(QByteArray, pages);
    QFETCH(QByteArray, outcome);
    QTemporaryDir dir;
    QFile file(dir.filePath("big.blsh"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(pages), pages.size());
    file.close();
    QProcess child;
    child.start(BOLTO_LOADCOST, {"load", file.fileName()});
    QVERIFY(child.waitForFinished(120000));
    const QList<QByteArray> result = child.readAllStandardOutput().trimmed().split(' ');
    QCOMPARE(result.size(), 2);
    QCOMPARE(result[0], outcome);
    const qint64 bound = 2 * pages.size() + (qint64(64) << 20);
    QVERIFY2(result[1].toLongLong() <= bound,
             qPrintable(QString("%1 bytes for a file of %2").arg(result[1]).arg(pages.size())));
}

void TestLesson::accessors_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("count");
    // 3 texts, 2 kinds, 1 line, no counts.
    QTest::newRow("first page") << 0 << QByteArray("t0") << 7 << 12 << 0;
    QTest::newRow("beyond the lines") << 1 << QByteArray("t1") << 2 << 0 << 0;
    QTest::newRow("only a text") << 2 << QByteArray("t2") << 0 << 0 << 0;
    QTest::newRow("beyond every list") << 3 << QByteArray() << 0 << 0 << 0;
    QTest::newRow("far beyond") << 1000 << QByteArray() << 0 << 0 << 0;
    QTest::newRow("no page") << -1 << QByteArray() << 0 << 0 << 0;
    QTest::newRow("most negative") << INT_MIN << QByteArray() << 0 << 0 << 0;
}

void TestLesson::accessors()
{
    QFETCH(int, page);
    QFETCH(QByteArray, text);
    QFETCH(int, kind);
    QFETCH(int, line);
    QFETCH(int, count);
    CBolto lesson;
    lesson.m_pageTexts = {"t0", "t1", "t2"};
    lesson.m_pageKinds = {7, 2};
    lesson.m_arrowLines = {12};
    QCOMPARE(lesson.GetPageCount(), 3);
    QCOMPARE(QByteArray::fromStdString(lesson.GetPageText(page)), text);
    QCOMPARE(lesson.GetPageKind(page), kind);
    QCOMPARE(lesson.GetArrowLine(page), line);
    QCOMPARE(lesson.GetArrowCount(page), count);
}

void TestLesson::reset()
{
    CBolto lesson;
    QCOMPARE(lesson.m_currentPage, -1);
    QCOMPARE(lesson.GetPageCount(), 0);
    lesson.m_pageTexts = {"a"};
    lesson.m_pageKinds = {1};
    lesson.m_arrowLines = {2};
    lesson.m_arrowCounts = {3};
    lesson.m_folderName = "f";
    lesson.m_currentPage = 4;
    lesson.Reset();
    QCOMPARE(lesson.m_currentPage, -1);
    QCOMPARE(storeBytes(lesson), QByteArray(17, '\0'));

    // Loading appends; only Reset empties.
    CBolto twice;
    qint64 offset = -1;
    QCOMPARE(loadBytes(kWorkedExample, twice, &offset), QString("ok"));
    QCOMPARE(loadBytes(kWorkedExample, twice, &offset), QString("ok"));
    QCOMPARE(textsOf(twice), (TextList{"ab", "ab"}));
    QCOMPARE(twice.m_folderName, std::string("L1"));
}

void TestLesson::pageTextsStayApart()
{
    // Texts kept every way: empty, in a shared chunk, in blocks of their own, moved in, copied
    // from the list itself.
    const std::string big(20000, 'b'), huge(70000, 'h'), moved(30000, 'm');
    CPageTexts a{"", "x", big, huge};
    a.push_back(std::string(moved));
    a.push_back(a[1]);
    // A copy shares the blocks, but neither list may then write where the other's texts are.
    CPageTexts b = a;
    a.push_back("after the copy");
    b.push_back("only in b");
    a.set(1, "y");
    QCOMPARE(a.size(), size_t(7));
    QVERIFY(a[0].empty() && a[1] == "y" && a[2] == big && a[3] == huge && a[4] == moved);
    QVERIFY(a[5] == "x" && a[6] == "after the copy");
    QVERIFY(b[1] == "x" && b[5] == "x" && b[6] == "only in b");
    CPageTexts c = std::move(a);
    a.push_back("again");
    QVERIFY(a.size() == 1 && a[0] == "again" && c[6] == "after the copy");
    c.assign(2, "z");
    QVERIFY(c == CPageTexts({"z", "z"}) && !(c == CPageTexts({"z"})));

    // Texts loaded from files stay where the files were read, after the files are closed and
    // after the lesson they were loaded into is gone.
    QTemporaryDir dir;
    const QString path = dir.filePath("lesson.blsh");
    QVERIFY(writeFile(path, kWorkedExample));
    CBolto lesson;
    qint64 offset = -1;
    QCOMPARE(loadFile(path, lesson, &offset), QString("ok"));
    QCOMPARE(loadFile(path, lesson, &offset), QString("ok"));
    CBolto copy = lesson;
    lesson.Reset();
    QCOMPARE(textsOf(copy), (TextList{"ab", "ab"}));
}

void TestLesson::fileBaseName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("title");
    QTest::newRow("file URL") << "file:///C:/T/les/html/index12.html" << true << "index12";
    QTest::newRow("backslashes") << "C:\\T\\les\\html\\index.html" << true << "index";
    QTest::newRow("dot in a folder") << "a.b/c" << true << "c";
    QTest::newRow("last dot only") << "x/index3.tar.gz" << true << "index3.tar";
    QTest::newRow("fragment") << "x/index2.html#top" << true << "index2";
    QTest::newRow("trailing separator") << "x/y/" << false << "";
    QTest::newRow("only an extension") << "x/.html" << false << "";
    QTest::newRow("empty") << "" << false << "";
    QTest::newRow("bare file") << "lesson1.blsh" << true << "lesson1";
    QTest::newRow("dot in a backslash folder") << "C:\\a.b\\lesson" << true << "lesson";
    QTest::newRow("Japanese name") << "/les/ソース表.html" << true << "ソース表";
    QTest::newRow("long URL") << "http://x/" + QString(5000, 'a') + ".html" << true
                              << QString(5000, 'a');
}

void TestLesson::fileBaseName()
{
    QFETCH(QString, path);
    QFETCH(bool, found);
    QFETCH(QString, title);
    std::string out = "untouched";
    QCOMPARE(FileBaseName(out, path.toStdString()), found);
    QCOMPARE(QString::fromStdString(out), found ? title : QString("untouched"));
}

void TestLesson::programDirectory()
{
    QCOMPARE(QString::fromStdString(ProgramDirectory()),
             QCoreApplication::applicationDirPath() + '/');
    SetProgramDirectoryOverride("/tmp/lessons");
    QCOMPARE(ProgramDirectory(), std::string("/tmp/lessons/"));
    SetProgramDirectoryOverride("");
    QCOMPARE(QString::fromStdString(ProgramDirectory()),
             QCoreApplication::applicationDirPath() + '/');
}

// A copy of this program far below a long path still finds its whole directory.
void TestLesson::programDirectoryDeepPath()
{
    QTemporaryDir dir;
    QString deep = dir.path();
    for (int i = 0; i < 6; ++i)
        deep += "/" + QString(60, QChar('a' + i)) + QString::fromUtf8("ソ");
    QVERIFY(QDir().mkpath(deep));
    QVERIFY(deep.toUtf8().size() > 400);
    const QString copy = deep + "/tst_lesson";
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy));
    QProcess child;
    child.start(copy, {"programDirectory"});
    QVERIFY(child.waitForFinished(60000));
    QVERIFY2(child.exitCode() == 0, child.readAllStandardOutput().constData());
}

void TestLesson::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ASCII with NUL") << QString::fromUtf16(u"a\0b", 3) << QByteArray("a\0b", 3);
    QTest::newRow("Japanese") << QString::fromUtf8("あア漢")
                              << QByteArray("\x82\xa0\x83\x41\x8a\xbf");
    QTest::newRow("character the code page lacks") << QString::fromUtf8("aéb") << QByteArray("a?b");
    QTest::newRow("surrogate pair is one character")
        << QString::fromUtf8("x😀y") << QByteArray("x?y");
    QTest::newRow("lone high surrogate keeps the next character") << QString::fromUtf16(u"\xd83d"
                                                                                        u"A",
                                                                                        2)
                                                                  << QByteArray("?A");
    QTest::newRow("lone low surrogate") << QString::fromUtf16(u"\xde00", 1) << QByteArray("?");
}

void TestLesson::encode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const std::u16string utf16(reinterpret_cast<const char16_t *>(text.utf16()),
                               size_t(text.size()));
    QCOMPARE(QByteArray::fromStdString(codepage::Utf16ToCp932(utf16)), bytes);
}

void TestLesson::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("Japanese") << QByteArray("\x82\xa0\x83\x41") << QString::fromUtf8("あア")
                              << true;
    QTest::newRow("NUL inside") << QByteArray("a\0b", 3) << QString::fromUtf16(u"a\0b", 3) << true;
    QTest::newRow("undefined single byte")
        << QByteArray("a\x80z") << QString::fromUtf8("a\xef\xbf\xbdz") << false;
    QTest::newRow("0xFF") << QByteArray("\xff") << QString::fromUtf8("\xef\xbf\xbd") << false;
    QTest::newRow("lead byte at the end")
        << QByteArray("a\x82") << QString::fromUtf8("a\xef\xbf\xbd") << false;
    QTest::newRow("bad trail byte keeps the rest readable")
        << QByteArray("\x83\x41\x82\x20\x83\x43") << QString::fromUtf8("ア\xef\xbf\xbd イ")
        << false;
}

void TestLesson::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, valid);
    bool isValid = !valid;
    const std::u16string decoded = codepage::Cp932ToUtf16(bytesOf(bytes), &isValid);
    QCOMPARE(QString::fromUtf16(decoded.data(), qsizetype(decoded.size())), text);
    QCOMPARE(isValid, valid);
}

void TestLesson::asciiBeforeTables()
{
    // Until other text needs the tables, ASCII is converted without them: exactly as the system
    // converter does, flags included, and it leaves the tables to the first text that needs them.
    std::string bytes;
    for (int b = 0; b < 0x80; ++b)
        bytes.push_back(char(b));
    bool valid = false, exact = false;
    std::u16string units(bytes.size(), u'\0');
    units.resize(codepage::Cp932ToUtf16(bytes, units.data(), &valid, &exact));
    QVERIFY(units == codepage::reference::Cp932ToUtf16(bytes));
    QVERIFY(valid && exact);
    QVERIFY(codepage::Utf16ToCp932(units) == bytes);
    QVERIFY(codepage::Cp932ToUtf16("a\x82\xa0", &valid) == u"aあ" && valid);
    QVERIFY(codepage::Utf16ToCp932(u"aあ") == "a\x82\xa0");
}

void TestLesson::tablesMatchSystemConverter()
{
    // The fast converter is built from the system's; every short input and random longer ones
    // (valid text, stray bytes, cut pairs, surrogates) must give the same units, bytes and flag.
    auto sameDecode = [](std::string_view bytes) {
        bool fastValid = false, systemValid = true, fastExact = false;
        std::u16string fast(bytes.size(), u'\0');
        fast.resize(codepage::Cp932ToUtf16(bytes, fast.data(), &fastValid, &fastExact));
        const std::u16string system = codepage::reference::Cp932ToUtf16(bytes, &systemValid);
        const bool systemExact = systemValid && codepage::reference::Utf16ToCp932(system) == bytes;
        return fast == system && fastValid == systemValid && fastExact == systemExact;
    };
    for (int a = 0; a < 256; ++a) {
        const char one[1] = {char(a)};
        QVERIFY2(sameDecode(std::string_view(one, 1)), qPrintable(QString::number(a, 16)));
        for (int b = 0; b < 256; ++b) {
            const char two[2] = {char(a), char(b)};
            QVERIFY2(sameDecode(std::string_view(two, 2)),
                     qPrintable(QString::number(a << 8 | b, 16)));
        }
    }
    for (uint32_t u = 0; u < 0x10000; ++u) {
        const char16_t unit = char16_t(u);
        QVERIFY2(codepage::Utf16ToCp932(std::u16string_view(&unit, 1)) ==
                     codepage::reference::Utf16ToCp932(std::u16string_view(&unit, 1)),
                 qPrintable(QString::number(u, 16)));
    }
    std::mt19937 random(932);
    const std::string sample = codepage::Utf16ToCp932(u"あア漢字 abc\r\n①ｱ髙");
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        std::u16string units;
        // Some texts longer than a conversion buffer, some mostly ASCII, which is copied by runs.
        const int length = int(random() % (round % 50 == 0 ? 20000 : 40));
        const bool ascii = round % 2 == 1;
        for (int i = 0; i < length; ++i) {
            bytes.push_back(ascii && random() % 8 ? char(random() % 0x80)
                            : random() % 3        ? sample[random() % sample.size()]
                                                  : char(random()));
            const char16_t picks[] = {u'a', u'あ', 0xD83D, 0xDE00, u'é', char16_t(random())};
            units.push_back(ascii && random() % 8 ? char16_t(random() % 0x80)
                                                  : picks[random() % 6]);
        }
        QVERIFY(sameDecode(bytes));
        QVERIFY(codepage::Utf16ToCp932(units) == codepage::reference::Utf16ToCp932(units));
    }
}

void TestLesson::replay_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("snippet");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("after");

    const int ok = CLessonReplay::applied;
    QTest::newRow("add to an empty program")
        << QByteArray() << 0 << 1 << 2 << QByteArray("a\r\nb\r\n") << ok
        << QByteArray("a\r\nb\r\n");
    QTest::newRow("add between lines")
        << QByteArray("a\r\nc\r\n") << 0 << 2 << 1 << QByteArray("b\r\n") << ok
        << QByteArray("a\r\nb\r\nc\r\n");
    QTest::newRow("add past the end goes to the end")
        << QByteArray("a\r\nb") << 0 << 9 << 1 << QByteArray("c\r\n") << ok
        << QByteArray("a\r\nbc\r\n");
    QTest::newRow("add at the empty line after the last break")
        << QByteArray("a\r\n") << 0 << 2 << 1 << QByteArray("b\r\n") << ok
        << QByteArray("a\r\nb\r\n");
    QTest::newRow("replace two lines with their breaks")
        << QByteArray("a\r\nb\r\nc\r\nd\r\n") << 1 << 2 << 2 << QByteArray("X\r\n") << ok
        << QByteArray("a\r\nX\r\nd\r\n");
    QTest::newRow("replace a last line without a break")
        << QByteArray("a\r\nb") << 1 << 2 << 1 << QByteArray("B") << ok << QByteArray("a\r\nB");
    QTest::newRow("replace no lines inserts")
        << QByteArray("a\r\nb\r\n") << 1 << 2 << 0 << QByteArray("x\r\n") << ok
        << QByteArray("a\r\nx\r\nb\r\n");
    QTest::newRow("delete ignores its snippet")
        << QByteArray("a\r\nb\r\nc\r\n") << 2 << 1 << 2 << QByteArray("anything") << ok
        << QByteArray("c\r\n");
    QTest::newRow("delete lines that are not there")
        << QByteArray("a\r\nb\r\n") << 2 << 2 << 2 << QByteArray()
        << int(CLessonReplay::linesMissing) << QByteArray("a\r\nb\r\n");
    QTest::newRow("delete a huge count") << QByteArray("a\r\n") << 2 << 1 << INT_MAX << QByteArray()
                                         << int(CLessonReplay::linesMissing) << QByteArray("a\r\n");
    QTest::newRow("delete nothing") << QByteArray("a\r\n") << 2 << 1 << 0 << QByteArray()
                                    << int(CLessonReplay::nothingToCut) << QByteArray("a\r\n");
    QTest::newRow("replace a negative count")
        << QByteArray("a\r\n") << 1 << 1 << -1 << QByteArray("x")
        << int(CLessonReplay::countNegative) << QByteArray("a\r\n");
    QTest::newRow("line 0") << QByteArray("a\r\n") << 0 << 0 << 1 << QByteArray("x")
                            << int(CLessonReplay::lineBelowOne) << QByteArray("a\r\n");
    QTest::newRow("unknown kind") << QByteArray("a\r\n") << 7 << 1 << 1 << QByteArray("x")
                                  << int(CLessonReplay::unknownKind) << QByteArray("a\r\n");
    QTest::newRow("a 0x5C trail byte is no line break")
        << QByteArray("\x83\x5c\r\nb\r\n") << 2 << 2 << 1 << QByteArray() << ok
        << QByteArray("\x83\x5c\r\n");
}

void TestLesson::replay()
{
    QFETCH(QByteArray, program);
    QFETCH(int, kind);
    QFETCH(int, line);
    QFETCH(int, count);
    QFETCH(QByteArray, snippet);
    QFETCH(int, result);
    QFETCH(QByteArray, after);
    CLessonReplay replay(bytesOf(program));
    QCOMPARE(int(replay.Apply(kind, line, count, bytesOf(snippet))), result);
    QCOMPARE(QByteArray::fromStdString(replay.GetProgram()), after);
}

void TestLesson::firstDifferentLine_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<int>("line");
    QTest::newRow("both empty") << QByteArray() << QByteArray() << 0;
    QTest::newRow("CR LF and LF are the same")
        << QByteArray("a\r\nb\r\n") << QByteArray("a\nb\n") << 0;
    QTest::newRow("second line") << QByteArray("a\nb\nc") << QByteArray("a\nB\nc") << 2;
    QTest::newRow("missing final break") << QByteArray("a\r\n") << QByteArray("a") << 2;
    QTest::newRow("one more line") << QByteArray("a\nb\n") << QByteArray("a\nb\nc\n") << 3;
    QTest::newRow("empty against text") << QByteArray() << QByteArray("x") << 1;
    QTest::newRow("a lone CR is text") << QByteArray("a\r") << QByteArray("a") << 1;
}

void TestLesson::firstDifferentLine()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(int, line);
    QCOMPARE(CLessonReplay::FirstDifferentLine(bytesOf(a), bytesOf(b)), line);
    QCOMPARE(CLessonReplay::FirstDifferentLine(bytesOf(b), bytesOf(a)), line);
    if (line > 0)
        QCOMPARE(CLessonReplay::Line("x\r\ny\nz", line),
                 std::string_view("xyz").substr(size_t(line - 1), 1));
}

QTEST_GUILESS_MAIN(TestLesson)
#include "tst_lesson.moc"
