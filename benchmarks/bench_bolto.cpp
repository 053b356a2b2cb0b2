// Timings of the work that grows with a lesson or a learner's program: loading a large lesson,
// showing a page's lines in a long program, painting the gutter and exporting for Run.
// Run by hand: build/benchmarks/bench_bolto (QtTest benchmark options apply, e.g. -iterations 20).

#include "archive.h"
#include "bolto.h"
#include "framefixture.h"
#include "linewnd.h"
#include "mainframe.h"
#include "programmingview.h"
#include "run.h"

#include <QTest>

namespace {
// A program of `lines` lines of typical code, with CR LF line ends.
QString longProgram(int lines)
{
    QString text;
    text.reserve(lines * 40);
    for (int i = 0; i < lines; ++i)
        text += QStringLiteral("  gl.drawArrays(gl.TRIANGLES, 0, %1); // あ\r\n").arg(i);
    return text;
}
} // namespace

class BenchBolto : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void loadLargeLesson();
    void showPageLinesInLongProgram();
    void paintGutter();
    void exportForRun();

private:
    CMainFrame *m_frame = nullptr;
};

void BenchBolto::initTestCase()
{
    m_frame = new CMainFrame;
    QVERIFY(ShowMainFrame(m_frame));
    m_frame->m_editorView->SetWindowText(longProgram(20000));
    theLesson.Reset();
    theLesson.m_pageTexts = {"x\r\n"};
    theLesson.m_pageKinds = {Replace};
    theLesson.m_arrowLines = {15000};
    theLesson.m_arrowCounts = {30};
    theLesson.m_currentPage = 0;
}

void BenchBolto::cleanupTestCase()
{
    delete m_frame;
    theLesson.Reset();
}

void BenchBolto::loadLargeLesson()
{
    // 2,000 pages of 1 KB snippets.
    CBolto lesson;
    for (int i = 0; i < 2000; ++i) {
        lesson.m_pageTexts.push_back(std::string(1024, 'a'));
        lesson.m_pageKinds.push_back(i % 3);
        lesson.m_arrowLines.push_back(i + 1);
        lesson.m_arrowCounts.push_back(3);
    }
    lesson.m_folderName = "bench";
    std::string bytes;
    CArchive out(&bytes);
    lesson.Serialize(out);

    QBENCHMARK {
        CBolto loaded;
        CArchive in(bytes);
        loaded.Serialize(in);
    }
}

void BenchBolto::showPageLinesInLongProgram()
{
    QBENCHMARK {
        m_frame->m_editorView->ShowPageLines();
    }
}

void BenchBolto::paintGutter()
{
    CLineWnd *gutter = m_frame->m_editorView->m_lineWnd;
    QVERIFY(gutter);
    QBENCHMARK {
        gutter->repaint();
    }
}

void BenchBolto::exportForRun()
{
    const QString text = longProgram(20000);
    QBENCHMARK {
        const QByteArray bytes = HtmlFileBytes(text);
        QVERIFY(!bytes.isEmpty());
    }
}

QTEST_MAIN(BenchBolto)
#include "bench_bolto.moc"
