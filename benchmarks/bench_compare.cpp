// Timings of the learner's program against the lesson's at 20,000 lines: the check that runs
// after every pause in typing must stay well under a frame (16 ms), and catching up runs a merge.
// Run by hand: build/benchmarks/bench_compare (QtTest benchmark options apply, e.g. -tickcounter).

#include "bolto.h"
#include "lessoncompare.h"

#include <QTest>

namespace {
constexpr int kLines = 20000;

// A program of `lines` lines of typical code, with CR LF line ends and a closing brace every 50.
std::string longProgram(int lines)
{
    std::string text;
    text.reserve(size_t(lines) * 44);
    for (int i = 0; i < lines; ++i) {
        text += "    gl.drawArrays(gl.TRIANGLES, 0, " + std::to_string(i) + ");\r\n";
        if (i % 50 == 49)
            text += "}\r\n";
    }
    return text;
}

// The program with a comment line put in before every `every`-th line.
std::string withComments(const std::string &program, int every)
{
    std::string text;
    size_t pos = 0;
    for (int line = 0; pos < program.size(); ++line) {
        const size_t end = program.find('\n', pos) + 1;
        if (line % every == every / 2)
            text += "// mine\r\n";
        text.append(program, pos, end - pos);
        pos = end;
    }
    return text;
}
} // namespace

class BenchCompare : public QObject
{
    Q_OBJECT

private slots:
    void compare_data();
    void compare();
    void followPageLines();
    void merge();
};

void BenchCompare::compare_data()
{
    const std::string program = longProgram(kLines);
    QTest::addColumn<QByteArray>("mine");
    QTest::newRow("same") << QByteArray::fromStdString(program);
    QTest::newRow("one extra line") << QByteArray::fromStdString(withComments(program, kLines));
    QTest::newRow("10 extra lines")
        << QByteArray::fromStdString(withComments(program, kLines / 10));
    QTest::newRow("every 20th line extra") << QByteArray::fromStdString(withComments(program, 20));
    QTest::newRow("empty") << QByteArray();
}

void BenchCompare::compare()
{
    QFETCH(QByteArray, mine);
    const std::string expected = longProgram(kLines);
    const std::string learner = mine.toStdString();
    int different = 0;
    QBENCHMARK
    {
        const CProgramComparison comparison(learner, expected);
        different = comparison.DifferentLineCount();
    }
    QVERIFY(learner == expected ? different == 0 : different > 0);
}

void BenchCompare::followPageLines()
{
    const std::string expected = longProgram(kLines);
    const std::string learner = withComments(expected, kLines / 10);
    CPageLines lines;
    QBENCHMARK
    {
        const CProgramComparison comparison(learner, expected);
        lines = FollowPageLines(comparison, learner, expected, Replace, 15000, 30);
    }
    QVERIFY(lines.followed);
}

void BenchCompare::merge()
{
    const std::string base = longProgram(kLines);
    const std::string mine = withComments(base, kLines / 10);
    std::string theirs = base;
    theirs.insert(theirs.find("\r\n", theirs.size() / 3) + 2, "    gl.flush();\r\n");
    CMergeResult merged;
    QBENCHMARK
    {
        merged = MergePrograms(base, mine, theirs);
    }
    QVERIFY(merged.clean);
}

QTEST_APPLESS_MAIN(BenchCompare)
#include "bench_compare.moc"
