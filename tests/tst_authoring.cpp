#include "bolto.h"
#include "jsontext.h"
#include "lessonstep.h"
#include "sourcefolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The step computation and the source folder's findings, on real files in a temporary folder.
class TestAuthoring : public QObject
{
    Q_OBJECT

private slots:
    void computeStep_data();
    void computeStep();
    void widenStep_data();
    void widenStep();
    void jsonErrors_data();
    void jsonErrors();
    void sourceFindings_data();
    void sourceFindings();
    void markdownPage();
};

void TestAuthoring::computeStep_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("snippet");

    const int changed = StepChange::changed;
    QTest::newRow("first program") << ""
                                   << "a\nb\n"
                                   << changed << int(Add) << 1 << 2 << "a\nb\n";
    QTest::newRow("add in the middle") << "a\nd\n"
                                       << "a\nb\nc\nd\n"
                                       << changed << int(Add) << 2 << 2 << "b\nc\n";
    QTest::newRow("add at the end") << "a\n"
                                    << "a\nb\n"
                                    << changed << int(Add) << 2 << 1 << "b\n";
    QTest::newRow("add a line equal to its neighbour goes after it")
        << "a\n}\n"
        << "a\n}\n}\n"
        << changed << int(Add) << 3 << 1 << "}\n";
    QTest::newRow("replace") << "a\nb\nc\n"
                             << "a\nx\ny\nc\n"
                             << changed << int(Replace) << 2 << 1 << "x\ny\n";
    QTest::newRow("replace keeping a line inside")
        << "a\nb\nc\nd\ne\n"
        << "a\nB\nc\nD\ne\n"
        << changed << int(Replace) << 2 << 3 << "B\nc\nD\n";
    QTest::newRow("delete the first line") << "a\nb\n"
                                           << "b\n"
                                           << changed << int(Delete) << 1 << 1 << "a\n";
    QTest::newRow("delete the last line") << "a\nb\n"
                                          << "a\n"
                                          << changed << int(Delete) << 2 << 1 << "b\n";
    QTest::newRow("delete everything") << "a\nb\n"
                                       << "" << changed << int(Delete) << 1 << 2 << "a\nb\n";
    QTest::newRow("no change") << "a\n"
                               << "a\n"
                               << int(StepChange::unchanged) << int(Add) << 2 << 0 << "";
    QTest::newRow("empty to empty") << ""
                                    << "" << int(StepChange::unchanged) << int(Add) << 1 << 0 << "";
    QTest::newRow("two places far apart")
        << "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n"
        << "0\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n"
        << int(StepChange::severalHunks) << int(Add) << 1 << 0 << "";
}

void TestAuthoring::computeStep()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(int, outcome);
    QFETCH(int, kind);
    QFETCH(int, line);
    QFETCH(int, count);
    QFETCH(QString, snippet);

    const StepChange change = ComputeStep(before, after);
    QCOMPARE(int(change.outcome), outcome);
    if (outcome == StepChange::severalHunks) {
        QVERIFY2(change.hunks.contains("@@ -1,3 +1,4 @@") && change.hunks.contains("+0") &&
                     change.hunks.contains("+11"),
                 qPrintable(change.hunks));
        return;
    }
    if (outcome != StepChange::changed)
        return;
    QCOMPARE(int(change.kind), kind);
    QCOMPARE(int(change.line), line);
    QCOMPARE(int(change.count), count);
    QCOMPARE(change.snippet, snippet);
}

void TestAuthoring::widenStep_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QString>("snippet"); // empty: refused
    QTest::newRow("the whole block") << 1 << 4 << "{\nx\nY\n}\n";
    QTest::newRow("just the change") << 3 << 3 << "Y\n";
    QTest::newRow("not covering the change") << 1 << 2 << "";
    QTest::newRow("beyond the program") << 3 << 9 << "";
}

void TestAuthoring::widenStep()
{
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QString, snippet);
    const QString before = "{\nx\ny\n}\n";
    const QString after = "{\nx\nY\n}\n";
    StepChange change = ComputeStep(before, after);
    QString error;
    const bool widened = WidenStep(before, after, first, last, change, &error);
    QCOMPARE(widened, !snippet.isEmpty());
    if (!widened) {
        QVERIFY(error.contains("cover the change (lines 3-3)"));
        return;
    }
    QCOMPARE(int(change.kind), int(Replace));
    QCOMPARE(int(change.line), first);
    QCOMPARE(int(change.count), last - first + 1);
    QCOMPARE(change.snippet, snippet);
}

void TestAuthoring::jsonErrors_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("missing colon")
        << QByteArray("{\n  \"title\" \"x\"\n}") << "line 2, column 11: expected ':' after a key";
    QTest::newRow("unterminated string")
        << QByteArray("{\"title\":\n \"x") << "line 2, column 4: expected '\"' to end the string";
    QTest::newRow("counted in characters, not bytes")
        << QString::fromUtf8("{\"title\": \"日本語\" x}").toUtf8()
        << "line 1, column 17: expected ',' or '}' after a value in an object; a '\"' inside";
    QTest::newRow("not an object") << QByteArray("[1]") << "line 1, column 1: expected '{'";
}

void TestAuthoring::jsonErrors()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    QJsonObject object;
    QString message;
    QVERIFY(!ParseJsonObject(text, object, &message));
    QVERIFY2(message.startsWith(error), qPrintable(message));
}

namespace {
using Files = QList<QPair<QString, QString>>;

// A good two-step lesson; a row replaces or removes (empty text) some of its files.
Files goodLesson()
{
    return {{"lesson.json", "{\"title\": \"T\", \"folder\": \"t\"}"},
            {"steps/01.html", "<p>\n</p>\n"},
            {"steps/02.html", "<p>\nhi\n</p>\n"},
            {"pages/01.md", "# One\n\ntext\n"},
            {"pages/02.md", "# Two\n\ntext\n"},
            {"template.html", "{{step}} {{title}} {{body}} {{task}} {{links}}"}};
}

void writeFiles(const QString &dir, const Files &files)
{
    for (const auto &[name, text] : files) {
        const QString path = QDir(dir).filePath(name);
        QFile::remove(path);
        if (text.isNull())
            continue;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        file.write(text.toUtf8());
    }
}
} // namespace

void TestAuthoring::sourceFindings_data()
{
    QTest::addColumn<Files>("changes");
    QTest::addColumn<QString>("finding"); // empty: none

    const QString two = QString::fromUtf8("ステップ 2 / 2 (steps/02.html): ");
    QTest::newRow("good") << Files{} << QString();
    QTest::newRow("step that changes nothing")
        << Files{{"steps/02.html", "<p>\n</p>\n"}} << two + "the step does not change the program";
    QTest::newRow("changes in two places")
        << Files{{"steps/01.html", "a\n1\n2\n3\n4\n5\n6\n7\nb\n"},
                 {"steps/02.html", "A\n1\n2\n3\n4\n5\n6\n7\nB\n"}}
        << two + "the step changes the program in more than one place; split it into one step "
                 "per place:\n--- before\n+++ after\n@@ -1,4 +1,4 @@\n-a\n+A";
    QTest::newRow("tab") << Files{{"steps/02.html", "<p>\n\thi\n</p>\n"}}
                         << two + "the snippet has a tab at line 1 (program line 2)";
    QTest::newRow("no last line break") << Files{{"steps/02.html", "<p>\nhi\n</p>"}}
                                        << two + "the program does not end with a line break";
    QTest::newRow("character code page 932 lacks")
        << Files{{"steps/02.html", QString::fromUtf8("<p>\nA—B\n</p>\n")}}
        << two + QString::fromUtf8("line 2, column 2: U+2014 (—) has no code page 932 form; the "
                                   "nearest it has is ― (U+2015)");
    QTest::newRow("wave dash")
        << Files{{"pages/02.md", "# Two\n"},
                 {"steps/02.html", QString::fromUtf8("<p>\n〜\n</p>\n")}}
        << two + QString::fromUtf8("line 2, column 1: U+301C (〜) has no code page 932 form; the "
                                   "nearest it has is ～ (U+FF5E)");
    QTest::newRow("folder outside the program directory")
        << Files{{"lesson.json", "{\"title\": \"T\", \"folder\": \"../t\"}"}}
        << "lesson.json: folder \"../t\" is not below the program directory";
    QTest::newRow("extra page") << Files{{"pages/03.md", "# Three\n"}}
                                << "pages/03.md: an extra page: there is no steps/03 program";
    QTest::newRow("missing page") << Files{{"pages/02.md", QString()}}
                                  << two + "no page; write pages/02.md";
    QTest::newRow("page without a title")
        << Files{{"pages/02.md", "Two\n"}}
        << "pages/02.md: line 1: expected the page title as \"# title\"";
    QTest::newRow("gap in the steps")
        << Files{{"steps/02.html", QString()}, {"steps/03.html", "x\n"}}
        << "steps/03.html: step 2 is missing before it";
    QTest::newRow("no programs") << Files{{"steps/01.html", QString()},
                                          {"steps/02.html", QString()}}
                                 << "steps/: no programs";
    QTest::newRow("template without the code box")
        << Files{{"template.html", "{{body}} {{links}}"}}
        << "template.html: it has no {{task}}, so the pages would lack it";
    QTest::newRow("lesson.json with a syntax error")
        << Files{{"lesson.json", "{\"title\": \"T\",\n \"folder\": \"t\",\n}"}}
        << "lesson.json: line 3, column 1: expected a key in quotes after ','";
    QTest::newRow("replace range that misses the change")
        << Files{{"lesson.json",
                  "{\"title\": \"T\", \"folder\": \"t\", \"replace\": {\"2\": \"3-3\"}}"}}
        << "lesson.json: replace: " + two.chopped(2) + ": lines 3-3 must lie within";
}

void TestAuthoring::sourceFindings()
{
    QFETCH(Files, changes);
    QFETCH(QString, finding);
    QTemporaryDir dir;
    writeFiles(dir.path(), goodLesson());
    writeFiles(dir.path(), changes);

    CSourceFolder source;
    const bool clean = source.Read(dir.path());
    QCOMPARE(clean, finding.isEmpty());
    if (!finding.isEmpty()) {
        // The first finding is the cause; later ones may follow from it.
        QVERIFY2(source.Faults().first().startsWith(finding),
                 qPrintable(source.Faults().join("\n---\n")));
    }
}

void TestAuthoring::markdownPage()
{
    QTemporaryDir dir;
    writeFiles(dir.path(), goodLesson());
    writeFiles(dir.path(), {{"pages/end.md", "# Done\n\nWell *done* & <b>bye</b>\n"}});
    CSourceFolder source;
    QVERIFY2(source.Read(dir.path()), qPrintable(source.Faults().join('\n')));
    const std::vector<QByteArray> pages = source.RenderPages();
    QCOMPARE(pages.size(), size_t(3));
    const QString second = QString::fromUtf8(pages[1]);
    QVERIFY2(second.startsWith(
                 QString::fromUtf8("ステップ 2 / 2 Two <p>text</p> <section class=\"task add\">")),
             qPrintable(second));
    QVERIFY(second.contains("<pre class=\"snippet add\">\nhi\n</pre>"));
    QVERIFY(second.contains("href=\"index0.html\"") && second.contains("href=\"index2.html\""));
    const QString last = QString::fromUtf8(pages[2]);
    QVERIFY2(
        last.startsWith(QString::fromUtf8("完成 Done <p>Well <em>done</em> &amp; <b>bye</b></p>")),
        qPrintable(last));
    QVERIFY(!last.contains("index3.html"));
    // The closing page is an empty Add that leaves the program as the last step made it.
    const CLessonSource lesson = source.ToSource();
    QCOMPARE(lesson.m_pages.size(), size_t(3));
    QCOMPARE(lesson.m_pages[2].snippet, std::string());
    QCOMPARE(*lesson.m_pages[2].program, std::string("<p>\r\nhi\r\n</p>\r\n"));
}

QTEST_GUILESS_MAIN(TestAuthoring)
#include "tst_authoring.moc"
