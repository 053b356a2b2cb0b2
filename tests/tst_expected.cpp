// bolto-lesson expected: the program after step N, for authors and tests.

#include "toolrun.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestExpected : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void demoLessonEveryStep();
    void errors_data();
    void errors();

private:
    using Result = ToolResult;
    Result run(const QStringList &arguments);
    QString write(const QString &name, const QByteArray &bytes);

    QTemporaryDir m_dir;
    QString m_tool;
    QString m_bin;
};

void TestExpected::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_bin = qEnvironmentVariable("BOLTO_BIN_DIR");
    m_tool = m_bin + "/bolto-lesson";
    QVERIFY2(QFile::exists(m_tool), qPrintable(m_tool));
}

TestExpected::Result TestExpected::run(const QStringList &arguments)
{
    return RunTool(m_tool, arguments, m_dir.path());
}

QString TestExpected::write(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestExpected::demoLessonEveryStep()
{
    // The demo lesson's source keeps the program after every step that changes it as
    // steps/NN.html; the closing page changes nothing. The packed lesson uses CR LF.
    const QDir steps(qEnvironmentVariable("BOLTO_TEST_SOURCE_DIR") + "/lessons/webgl/steps");
    const QStringList files = steps.entryList({"*.html"}, QDir::Files, QDir::Name);
    QVERIFY(files.size() > 5);
    const QString lesson = m_bin + "/webgl.blsh";
    const Result dump = run({"dump", lesson});
    QCOMPARE(dump.code, 0);
    const int pages = int(QJsonDocument::fromJson(dump.out)["texts"].toArray().size());
    QVERIFY(pages >= files.size());

    const Result before = run({"expected", lesson, "0"});
    QCOMPARE(before.code, 0);
    QCOMPARE(before.out, QByteArray());
    for (int step = 1; step <= pages; ++step) {
        const Result result = run({"expected", lesson, QString::number(step)});
        QCOMPARE(result.code, 0);
        QVERIFY(result.err.isEmpty());
        QFile file(steps.filePath(files.at(std::min<qsizetype>(step, files.size()) - 1)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString program = QString::fromUtf8(file.readAll());
        program.replace("\r\n", "\n").replace("\n", "\r\n");
        QCOMPARE(QString::fromUtf8(result.out), program);
    }
}

void TestExpected::errors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const QString demo = qEnvironmentVariable("BOLTO_BIN_DIR") + "/webgl.blsh";
    QTest::newRow("negative") << QStringList{"--", demo, "-1"} << "N must be a number";
    QTest::newRow("not a number") << QStringList{demo, "two"} << "N must be a number";
    QTest::newRow("past the last page") << QStringList{demo, "999"} << "the lesson has 14 pages";
    QTest::newRow("missing file") << QStringList{"missing.blsh", "1"} << "missing.blsh";
    QTest::newRow("step that cannot be replayed")
        << QStringList{"broken.blsh", "2"}
        << "step 2 (page 1) cannot be replayed: the program does not have the lines";
}

void TestExpected::errors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    // Two pages; the second replaces line 9 of a one-line program.
    auto page = [](const char *snippet, const char *kind, int line) {
        return QJsonObject{{"snippet", snippet}, {"kind", kind}, {"line", line}, {"count", 1}};
    };
    write("broken.json",
          QJsonDocument(
              QJsonObject{{"folder", "demo"},
                          {"pages", QJsonArray{page("a\n", "add", 1), page("b\n", "replace", 9)}}})
              .toJson());
    QCOMPARE(run({"pack", "broken.json", "broken.blsh"}).code, 0);
    // The step before the broken one is still there.
    const Result first = run({"expected", "broken.blsh", "1"});
    QCOMPARE(first.code, 0);
    QCOMPARE(first.out, QByteArray("a\r\n"));

    const Result result = run(QStringList{"expected"} + arguments);
    QCOMPARE(result.code, 1);
    QVERIFY(result.out.isEmpty());
    QVERIFY2(QString::fromUtf8(result.err).contains(message), result.err.constData());
}

QTEST_GUILESS_MAIN(TestExpected)
#include "tst_expected.moc"
