#include "progressschema.h"

#include <QTest>

// The Qt-free part of saved progress: how done steps are written and read back, how a
// snapshot's changed lines are counted, and the name a damaged database is moved to.
class TestProgressSchema : public QObject
{
    Q_OBJECT

private slots:
    void stepsRoundTrip_data();
    void stepsRoundTrip();
    void damagedStepsKeepTheRest_data();
    void damagedStepsKeepTheRest();
    void lineChanges_data();
    void lineChanges();
    void brokenFileName();
    void schemaHasVersionAndTables();
};

using Steps = std::set<int>;
Q_DECLARE_METATYPE(Steps)

void TestProgressSchema::stepsRoundTrip_data()
{
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << Steps{} << "";
    QTest::newRow("one") << Steps{0} << "0";
    QTest::newRow("sorted") << Steps{7, 1, 3} << "1,3,7";
    QTest::newRow("large") << Steps{2147483647} << "2147483647";
    QTest::newRow("negative dropped") << Steps{-1, 2} << "2";
}

void TestProgressSchema::stepsRoundTrip()
{
    QFETCH(Steps, steps);
    QFETCH(QString, text);
    const std::string written = ProgressSchema::FormatSteps(steps);
    QCOMPARE(QString::fromStdString(written), text);
    Steps expected;
    for (const int step : steps) {
        if (step >= 0)
            expected.insert(step);
    }
    QCOMPARE(ProgressSchema::ParseSteps(written), expected);
}

void TestProgressSchema::damagedStepsKeepTheRest_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Steps>("steps");
    QTest::newRow("garbage item") << "1,x,3" << Steps{1, 3};
    QTest::newRow("empty items") << ",,2," << Steps{2};
    QTest::newRow("negative") << "-4,5" << Steps{5};
    QTest::newRow("overflow") << "99999999999,6" << Steps{6};
    QTest::newRow("trailing junk") << "7a,8" << Steps{8};
    QTest::newRow("spaces") << " 1,2" << Steps{2};
    QTest::newRow("duplicates") << "3,3,3" << Steps{3};
}

void TestProgressSchema::damagedStepsKeepTheRest()
{
    QFETCH(QString, text);
    QFETCH(Steps, steps);
    QCOMPARE(ProgressSchema::ParseSteps(text.toStdString()), steps);
}

void TestProgressSchema::lineChanges_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("added");
    QTest::addColumn<int>("removed");
    QTest::newRow("same") << "a\r\nb\r\n"
                          << "a\r\nb\r\n"
                          << 0 << 0;
    QTest::newRow("from nothing") << ""
                                  << "a\r\nb\r\n"
                                  << 2 << 0;
    QTest::newRow("to nothing") << "a\r\nb\r\nc"
                                << "" << 0 << 3;
    QTest::newRow("insert in middle") << "a\r\nc\r\n"
                                      << "a\r\nb1\r\nb2\r\nc\r\n"
                                      << 2 << 0;
    QTest::newRow("replace one") << "a\r\nb\r\nc\r\n"
                                 << "a\r\nB\r\nc\r\n"
                                 << 1 << 1;
    QTest::newRow("delete two") << "a\r\nb\r\nc\r\nd\r\n"
                                << "a\r\nd\r\n"
                                << 0 << 2;
    QTest::newRow("line ends alone") << "a\r\nb\r\n"
                                     << "a\nb\n"
                                     << 0 << 0;
    QTest::newRow("moved line") << "a\r\nb\r\nc\r\n"
                                << "b\r\nc\r\na\r\n"
                                << 1 << 1;
    QTest::newRow("repeated lines") << "x\r\nx\r\n"
                                    << "x\r\nx\r\nx\r\n"
                                    << 1 << 0;
}

void TestProgressSchema::lineChanges()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(int, added);
    QFETCH(int, removed);
    const ProgressSchema::LineChanges changes =
        ProgressSchema::CountLineChanges(before.toStdString(), after.toStdString());
    QCOMPARE(changes.added, added);
    QCOMPARE(changes.removed, removed);
}

void TestProgressSchema::brokenFileName()
{
    QCOMPARE(ProgressSchema::BrokenFileName("/d/progress.sqlite", "20261210-134501"),
             std::string("/d/progress.sqlite.broken-20261210-134501"));
}

void TestProgressSchema::schemaHasVersionAndTables()
{
    QVERIFY(ProgressSchema::kVersion >= 1);
    QVERIFY(ProgressSchema::kSnapshotsKept >= 500);
    // A crash may lose at most two seconds of typing.
    QVERIFY(ProgressSchema::kSaveDelayMs <= 2000);
    std::string all;
    for (const std::string_view statement : ProgressSchema::CreateStatements())
        all += statement;
    for (const char *table : {"lessons", "snapshots"})
        QVERIFY(all.find(std::string("CREATE TABLE IF NOT EXISTS ") + table) != std::string::npos);
}

QTEST_APPLESS_MAIN(TestProgressSchema)
#include "tst_progressschema.moc"
