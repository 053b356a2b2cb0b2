#include "archive.h"
#include "bolto.h"

#include <QTest>

class TestLesson : public QObject
{
    Q_OBJECT

private slots:
    void workedExample();
};

void TestLesson::workedExample()
{
    const std::string bytes("\x01\x00\x00\x00\x02"
                            "ab"
                            "\x01\x00\x00\x00\x01\x00\x00\x00\x01\x00\x00\x00\x03\x00\x00\x00"
                            "\x01\x00\x00\x00\x02\x00\x00\x00\x02L1",
                            34);
    CBolto lesson;
    CArchive ar(bytes);
    lesson.Serialize(ar);
    QCOMPARE(lesson.m_pageTexts, std::vector<std::string>{"ab"});
    QCOMPARE(lesson.m_pageKinds, std::vector<int32_t>{1});
    QCOMPARE(lesson.m_arrowLines, std::vector<int32_t>{3});
    QCOMPARE(lesson.m_arrowCounts, std::vector<int32_t>{2});
    QCOMPARE(lesson.m_folderName, std::string("L1"));

    std::string stored;
    CArchive out(&stored);
    lesson.Serialize(out);
    QCOMPARE(stored, bytes);
}

QTEST_APPLESS_MAIN(TestLesson)
#include "tst_lesson.moc"
