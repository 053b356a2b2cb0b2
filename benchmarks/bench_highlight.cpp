// Typing in a long program with syntax colours on: one character typed inside a script of a
// 20,000-line page, coloured and laid out, should take well under a frame (16 ms).
// Run by hand: build/benchmarks/bench_highlight

#include "framefixture.h"
#include "highlighter.h"
#include "learnercommands.h"
#include "mainframe.h"
#include "programmingview.h"

#include <QTest>
#include <QTextBlock>

class BenchHighlight : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void typeInLongProgram_data();
    void typeInLongProgram();
    void colourLongProgram();

private:
    CMainFrame *m_frame = nullptr;
};

namespace {
QString longPage(int lines)
{
    QString text = QStringLiteral("<!DOCTYPE html>\n<script>\n");
    text.reserve(lines * 50);
    for (int i = 0; i < lines; ++i)
        text += QStringLiteral("  gl.drawArrays(gl.TRIANGLES, 0, %1); // \"%1\"\n").arg(i);
    return text + QStringLiteral("</script>\n");
}
} // namespace

void BenchHighlight::initTestCase()
{
    m_frame = new CMainFrame;
    QVERIFY(ShowMainFrame(m_frame));
    m_frame->m_editorView->SetWindowText(longPage(20000));
    QTextCursor cursor(m_frame->m_editorView->document()->findBlockByNumber(15000));
    m_frame->m_editorView->setTextCursor(cursor);
    m_frame->m_editorView->setFocus();
}

void BenchHighlight::cleanupTestCase()
{
    delete m_frame;
}

void BenchHighlight::typeInLongProgram_data()
{
    // Without colours first: the ratio between the rows is the cost of colouring.
    QTest::addColumn<bool>("colours");
    QTest::newRow("plain") << false;
    QTest::newRow("coloured") << true;
}

void BenchHighlight::typeInLongProgram()
{
    QFETCH(bool, colours);
    m_frame->m_learnerCommands->SetSyntaxColors(colours);
    QBENCHMARK
    {
        QTest::keyClick(m_frame->m_editorView, Qt::Key_A);
        m_frame->m_editorView->viewport()->repaint();
    }
}

void BenchHighlight::colourLongProgram()
{
    m_frame->m_learnerCommands->SetSyntaxColors(true);
    QBENCHMARK_ONCE
    {
        m_frame->m_learnerCommands->Highlighter()->rehighlight();
    }
}

QTEST_MAIN(BenchHighlight)
#include "bench_highlight.moc"
