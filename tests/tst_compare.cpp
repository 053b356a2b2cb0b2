#include "bolto.h"
#include "lessoncompare.h"

#include <QTest>

using LineList = QList<int>;

namespace {
// Programs are written with LF here for reading; the editor and lessons use CR LF.
std::string crlf(const char *text)
{
    std::string out;
    for (const char *c = text; *c; ++c) {
        if (*c == '\n')
            out += '\r';
        out += *c;
    }
    return out;
}

LineList listOf(const std::vector<int> &lines)
{
    return LineList(lines.begin(), lines.end());
}

CBolto lessonOf(std::initializer_list<std::tuple<int32_t, int32_t, int32_t, const char *>> pages)
{
    CBolto lesson;
    for (const auto &[kind, line, count, text] : pages) {
        lesson.m_pageKinds.push_back(kind);
        lesson.m_arrowLines.push_back(line);
        lesson.m_arrowCounts.push_back(count);
        lesson.m_pageTexts.push_back(crlf(text));
    }
    return lesson;
}
} // namespace

class TestCompare : public QObject
{
    Q_OBJECT

private slots:
    void expectedPrograms();
    void expectedProgramsStopAtFailedPage();
    void expectedProgramsStopWhenTooLarge();
    void compare_data();
    void compare();
    void alignLines_data();
    void alignLines();
    void followPageLines_data();
    void followPageLines();
    void merge_data();
    void merge();
};

void TestCompare::expectedPrograms()
{
    const CBolto lesson = lessonOf(
        {{Add, 1, 2, "a\nc\n"}, {Add, 2, 1, "b\n"}, {Replace, 3, 1, "C\n"}, {Delete, 1, 1, "a\n"}});
    const CExpectedPrograms programs(lesson);
    QCOMPARE(programs.GetStop(), CExpectedPrograms::complete);
    QCOMPARE(programs.ReplayedPages(), 4);
    QCOMPARE(programs.Before(0), std::string());
    QCOMPARE(programs.After(1), crlf("a\nc\n"));
    QCOMPARE(programs.Before(2), crlf("a\nb\nc\n"));
    QCOMPARE(programs.After(3), crlf("a\nb\nC\n"));
    QCOMPARE(programs.After(4), crlf("b\nC\n"));
    QVERIFY(programs.Knows(3));
    QVERIFY(!programs.Knows(4));
    QCOMPARE(programs.After(5), std::string());
}

void TestCompare::expectedProgramsStopAtFailedPage()
{
    // The second page replaces a line the program does not have: the first page is still known.
    const CBolto lesson =
        lessonOf({{Add, 1, 1, "a\n"}, {Replace, 9, 1, "x\n"}, {Add, 1, 1, "b\n"}});
    const CExpectedPrograms programs(lesson);
    QCOMPARE(programs.GetStop(), CExpectedPrograms::pageFailed);
    QCOMPARE(programs.PageResult(), CLessonReplay::linesMissing);
    QCOMPARE(programs.ReplayedPages(), 1);
    QVERIFY(programs.Knows(0));
    QVERIFY(!programs.Knows(1));
}

void TestCompare::expectedProgramsStopWhenTooLarge()
{
    // Each kept program holds the large first snippet: the second would pass the budget.
    CBolto lesson = lessonOf({{Add, 1, 1, ""}, {Add, 1, 1, "b\n"}, {Add, 1, 1, "c\n"}});
    lesson.m_pageTexts.set(0, std::string(CExpectedPrograms::kMemoryBudget / 2 + 1, 'a'));
    const CExpectedPrograms programs(lesson);
    QCOMPARE(programs.GetStop(), CExpectedPrograms::tooLarge);
    QCOMPARE(programs.ReplayedPages(), 1);
    QCOMPARE(programs.After(1).size(), CExpectedPrograms::kMemoryBudget / 2 + 1);
}

void TestCompare::compare_data()
{
    QTest::addColumn<QByteArray>("mine");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("different");
    QTest::addColumn<LineList>("mineLines");
    QTest::addColumn<LineList>("expectedLines");

    const QByteArray program = "function f() {\n    return 1;\n}\n";
    QTest::newRow("same") << program << program << 0 << LineList() << LineList();
    QTest::newRow("form does not count")
        << QByteArray("function f() {  \r\n\r\n\treturn 1;\r\n\r\n\r\n}") << program << 0
        << LineList() << LineList();
    QTest::newRow("changed line") << QByteArray("function f() {\n    return 2;\n}\n") << program
                                  << 1 << LineList{2} << LineList{2};
    QTest::newRow("extra line") << QByteArray("// mine\nfunction f() {\n    return 1;\n}\n")
                                << program << 1 << LineList{1} << LineList{1};
    QTest::newRow("missing line marks where it would be")
        << QByteArray("function f() {\n}\n") << program << 1 << LineList{2} << LineList{2};
    QTest::newRow("a block of another size counts its larger side")
        << QByteArray("function f() {\n    x();\n    y();\n    z();\n}\n") << program << 3
        << LineList{2, 3, 4} << LineList{2};
    QTest::newRow("empty program")
        << QByteArray() << program << 3 << LineList{1} << LineList{1, 2, 3};
    QTest::newRow("inner spaces count") << QByteArray("function f() {\n    return  1;\n}\n")
                                        << program << 1 << LineList{2} << LineList{2};
}

void TestCompare::compare()
{
    QFETCH(QByteArray, mine);
    QFETCH(QByteArray, expected);
    QFETCH(int, different);
    QFETCH(LineList, mineLines);
    QFETCH(LineList, expectedLines);

    const CProgramComparison comparison(mine.toStdString(), expected.toStdString());
    QCOMPARE(comparison.DifferentLineCount(), different);
    QCOMPARE(comparison.Same(), different == 0);
    QCOMPARE(listOf(comparison.DifferentLines()), mineLines);
    QCOMPARE(listOf(comparison.DifferentExpectedLines()), expectedLines);
}

void TestCompare::alignLines_data()
{
    QTest::addColumn<QByteArray>("mine");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<bool>("fromMine");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("beside");

    const QByteArray program = "x();\ny();\nz();\n";
    const QByteArray extra = "// a\n// b\n// c\nx();\ny();\nz();\n";
    QTest::newRow("same") << program << program << true << 2 << 2;
    QTest::newRow("lines added above: mine") << extra << program << true << 6 << 3;
    QTest::newRow("lines added above: expected") << extra << program << false << 1 << 4;
    QTest::newRow("before the first match") << extra << program << true << 2 << 2;
    QTest::newRow("line missing: mine") << QByteArray("x();\nz();\n") << program << true << 2 << 3;
    QTest::newRow("line missing: expected")
        << QByteArray("x();\nz();\n") << program << false << 2 << 2;
    // The line after the last line break is a line too, as in the editor.
    QTest::newRow("past the end") << program << QByteArray("x();\n") << true << 3 << 2;
    QTest::newRow("empty program") << QByteArray() << program << false << 3 << 1;
}

void TestCompare::alignLines()
{
    QFETCH(QByteArray, mine);
    QFETCH(QByteArray, expected);
    QFETCH(bool, fromMine);
    QFETCH(int, line);
    QFETCH(int, beside);

    const CProgramComparison comparison(mine.toStdString(), expected.toStdString());
    const CLineAlignment alignment(comparison);
    QCOMPARE(fromMine ? alignment.ExpectedFor(line) : alignment.MineFor(line), beside);
}

void TestCompare::followPageLines_data()
{
    QTest::addColumn<QByteArray>("mine");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("resultLine");
    QTest::addColumn<int>("resultCount");
    QTest::addColumn<bool>("followed");

    const QByteArray expected = "a();\nb();\nc();\nd();\ne();\n";
    QTest::newRow("same program keeps the numbers")
        << expected << expected << int(Replace) << 2 << 2 << 2 << 2 << false;
    QTest::newRow("extra comment line above")
        << QByteArray("// mine\na();\nb();\nc();\nd();\ne();\n") << expected << int(Replace) << 2
        << 2 << 3 << 2 << true;
    QTest::newRow("extra blank line above") << QByteArray("a();\n\nb();\nc();\nd();\ne();\n")
                                            << expected << int(Delete) << 2 << 2 << 3 << 2 << true;
    QTest::newRow("form alone still follows")
        << QByteArray("  a();\r\n  b();\r\n  c();\r\n  d();\r\n  e();\r\n") << expected
        << int(Replace) << 3 << 1 << 3 << 1 << true;
    QTest::newRow("changed line inside") << QByteArray("// mine\na();\nb();\nX();\nd();\ne();\n")
                                         << expected << int(Replace) << 2 << 3 << 3 << 3 << true;
    QTest::newRow("changed first line, same size")
        << QByteArray("// mine\na();\nB();\nc();\nd();\ne();\n") << expected << int(Replace) << 2
        << 2 << 3 << 2 << true;
    QTest::newRow("extra lines inside widen the selection")
        << QByteArray("a();\nb();\n// 1\n// 2\nc();\nd();\ne();\n") << expected << int(Delete) << 2
        << 2 << 2 << 4 << true;
    QTest::newRow("deleted first line: stored numbers")
        << QByteArray("// mine\na();\nc();\nd();\ne();\n") << expected << int(Replace) << 2 << 2
        << 2 << 2 << false;
    QTest::newRow("deleted lines inside narrow the selection")
        << QByteArray("// mine\na();\nb();\ne();\n") << expected << int(Replace) << 2 << 4 << 3 << 2
        << true;
    QTest::newRow("ambiguous repeats: stored numbers")
        << QByteArray("// mine\nf() {\n}\n") << QByteArray("f() {\n}\n}\n") << int(Delete) << 3 << 1
        << 3 << 1 << false;
    QTest::newRow("repeat that cannot slide is followed")
        << QByteArray("// mine\nf() {\n}\ng() {\n}\n") << QByteArray("f() {\n}\ng() {\n}\n")
        << int(Replace) << 4 << 1 << 5 << 1 << true;
    QTest::newRow("add: caret moves with the line after it")
        << QByteArray("// mine\na();\nb();\nc();\nd();\ne();\n") << expected << int(Add) << 3 << 2
        << 4 << 2 << true;
    QTest::newRow("add: line after it changed, the line before leads")
        << QByteArray("// mine\na();\nb();\nX();\nY();\nd();\ne();\n") << expected << int(Add) << 3
        << 1 << 4 << 1 << true;
    QTest::newRow("add at the end goes to the learner's end")
        << QByteArray("a();\nb();\nc();\nd();\ne();\n// mine\n") << expected << int(Add) << 6 << 1
        << 7 << 1 << true;
    QTest::newRow("add at the end of a program without a final line break")
        << QByteArray("a();\nb();\nc();\nd();\ne();\n// mine") << expected << int(Add) << 6 << 1
        << 7 << 1 << true;
    QTest::newRow("unrelated program: stored numbers")
        << QByteArray("x\ny\nz\n") << expected << int(Replace) << 2 << 2 << 2 << 2 << false;
    QTest::newRow("lines past the end: stored numbers")
        << QByteArray("// mine\n") << expected << int(Delete) << 40 << 3 << 40 << 3 << false;
}

void TestCompare::followPageLines()
{
    QFETCH(QByteArray, mine);
    QFETCH(QByteArray, expected);
    QFETCH(int, kind);
    QFETCH(int, line);
    QFETCH(int, count);
    QFETCH(int, resultLine);
    QFETCH(int, resultCount);
    QFETCH(bool, followed);

    // The lesson's programs use CR LF, and so does the editor unless a row says otherwise.
    const std::string expectedText = crlf(expected.constData());
    const std::string mineText = mine.contains('\r') ? mine.toStdString() : crlf(mine.constData());
    const CProgramComparison comparison(mineText, expectedText);
    const CPageLines lines = FollowPageLines(comparison, mineText, expectedText, kind, line, count);
    QCOMPARE(lines.line, int64_t(resultLine));
    QCOMPARE(lines.count, int64_t(resultCount));
    QCOMPARE(lines.followed, followed);
}

void TestCompare::merge_data()
{
    QTest::addColumn<QByteArray>("base");
    QTest::addColumn<QByteArray>("mine");
    QTest::addColumn<QByteArray>("theirs");
    QTest::addColumn<bool>("clean");
    QTest::addColumn<QByteArray>("result");

    const QByteArray base = "a();\nb();\nc();\nd();\ne();\n";
    QTest::newRow("nothing of mine: the lesson's program")
        << base << base << QByteArray("a();\nb();\nB2();\nc();\nd();\ne();\n") << true
        << QByteArray("a();\nb();\nB2();\nc();\nd();\ne();\n");
    QTest::newRow("learner's extra lines kept")
        << base << QByteArray("// mine\na();\nb();\nc();\nd();\ne();\n// end\n")
        << QByteArray("a();\nb();\nc();\nd();\nD2();\ne();\n") << true
        << QByteArray("// mine\na();\nb();\nc();\nd();\nD2();\ne();\n// end\n");
    QTest::newRow("learner's indentation kept")
        << base << QByteArray("a();\nb();\nc();\n  d();\ne();\n")
        << QByteArray("a();\nb();\nB2();\nc();\nd();\ne();\n") << true
        << QByteArray("a();\nb();\nB2();\nc();\n  d();\ne();\n");
    QTest::newRow("both add at the start: a conflict")
        << QByteArray() << QByteArray("// mine\n") << base << false << QByteArray();
    QTest::newRow("conflicting change of the same line")
        << base << QByteArray("a();\nb();\nmine();\nd();\ne();\n")
        << QByteArray("a();\nb();\ntheirs();\nd();\ne();\n") << false << QByteArray();
    QTest::newRow("the lesson deletes a line the learner changed")
        << base << QByteArray("a();\nb();\nmine();\nd();\ne();\n")
        << QByteArray("a();\nb();\nd();\ne();\n") << false << QByteArray();
}

void TestCompare::merge()
{
    QFETCH(QByteArray, base);
    QFETCH(QByteArray, mine);
    QFETCH(QByteArray, theirs);
    QFETCH(bool, clean);
    QFETCH(QByteArray, result);

    const CMergeResult merged =
        MergePrograms(crlf(base.constData()), crlf(mine.constData()), crlf(theirs.constData()));
    QVERIFY(!merged.failed);
    QCOMPARE(merged.clean, clean);
    if (clean) {
        QCOMPARE(merged.program, crlf(result.constData()));
        QCOMPARE(merged.conflicts, 0);
    } else {
        QVERIFY(merged.conflicts >= 1);
    }
}

QTEST_APPLESS_MAIN(TestCompare)
#include "tst_compare.moc"
