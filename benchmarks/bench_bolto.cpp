// The in-process rows of `make bench`: each prints one JSON object of series, seconds per sample,
// the subject and its baseline measured alternately in the same run. benchmarks/run_bench.py
// turns them into ratios against their goals.
//
//   bench_bolto decode LESSON      load, then decode every text (fast tables, iconv, ICU, a plain
//                                  widening loop as the floor)
//   bench_bolto editor LINES       gutter, page change and typing on a LINES-line program
//                                  against a 60- or 10-line one, and typing on a long line
//   bench_bolto export LINES PAIRS Run's export of a LINES-line program against a plain write
//                                  and fsync of the same bytes, PAIRS times each
//
// BENCH_RUNS samples per series (default 5); BENCH_LONG_LINE the long line's length in bytes.

#include "bolto.h"
#include "codepage.h"
#include "framefixture.h"
#include "html5view.h"
#include "lessonfile.h"
#include "linewnd.h"
#include "mainframe.h"
#include "programmingview.h"
#include "qtcodepage.h"
#include "run.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <unicode/ucnv.h>

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <malloc.h>
#include <unistd.h>

namespace {
int envInt(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

int runs()
{
    return envInt("BENCH_RUNS", 5);
}

// CPU time of this thread: on a shared machine wall time mostly measures the neighbours.
double cpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double seconds(const std::function<void()> &work)
{
    const double start = cpuSeconds();
    work();
    return cpuSeconds() - start;
}

// Wall time, for work that waits for the disk.
double wallSeconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e9;
}

// Seconds this thread has waited for a CPU while it could run (the scheduler's statistics), or 0
// where the kernel keeps none.
double runQueueSeconds()
{
    QFile stat(QStringLiteral("/proc/thread-self/schedstat"));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = stat.readAll().split(' ');
    return fields.size() >= 2 ? fields[1].toDouble() / 1e9 : 0;
}

// Wall time less the time spent waiting for a CPU: what the work takes, waits for the disk
// included, on a machine whose other processes leave it a core.
double ownWallSeconds(const std::function<void()> &work)
{
    const double queued = runQueueSeconds();
    const double wall = wallSeconds(work);
    return wall - (runQueueSeconds() - queued);
}

using Series = QMap<QString, QJsonArray>;

void print(const Series &series, const QJsonObject &extra = {})
{
    QJsonObject out = extra;
    QJsonObject all;
    for (auto it = series.begin(); it != series.end(); ++it)
        all[it.key()] = it.value();
    out["series"] = all;
    std::printf("%s\n", QJsonDocument(out).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

// A program of `lines` lines of typical code, with CR LF line ends.
QString program(int lines)
{
    QString text;
    text.reserve(qsizetype(lines) * 50);
    for (int i = 0; i < lines; ++i)
        text += QStringLiteral("  gl.drawArrays(gl.TRIANGLES, 0, %1); // あ\r\n").arg(i);
    return text;
}

int decode(const QString &path)
{
    CBolto lesson;
    Series s;
    UErrorCode status = U_ZERO_ERROR;
    UConverter *icu = ucnv_open("ibm-943_P15A-2003", &status);
    qint64 bytes = 0, icuDiffers = 0, iconvDiffers = 0;
    std::u16string scratch;
    for (int run = 0; run < runs(); ++run) {
        // Every load as a fresh process's: memory it freed goes back, so pages fault in again.
        lesson = CBolto();
        malloc_trim(0);
        s["load"].append(seconds([&] {
            if (LoadLessonFile(path.toStdString(), lesson).m_cause != LessonFileStatus::ok)
                qFatal("cannot load %s", qPrintable(path));
        }));
        s["decode"].append(seconds([&] {
            for (const std::string_view text : lesson.m_pageTexts)
                bytes += FromCp932(text).size();
        }));
        s["plain"].append(seconds([&] {
            // The floor: every byte widened to a unit, into the same kind of fresh string.
            for (const std::string_view text : lesson.m_pageTexts) {
                QString out(qsizetype(text.size()), Qt::Uninitialized);
                char16_t *o = reinterpret_cast<char16_t *>(out.data());
                for (unsigned char c : text)
                    *o++ = c;
                bytes += out.size();
            }
        }));
        s["iconv"].append(seconds([&] {
            for (const std::string_view text : lesson.m_pageTexts) {
                const std::u16string out = codepage::reference::Cp932ToUtf16(text);
                bytes += qint64(out.size());
                if (run == 0 && out != codepage::Cp932ToUtf16(text))
                    ++iconvDiffers;
            }
        }));
        if (icu) {
            s["icu"].append(seconds([&] {
                for (const std::string_view text : lesson.m_pageTexts) {
                    scratch.resize(text.size() + 1);
                    UErrorCode e = U_ZERO_ERROR;
                    const int32_t n = ucnv_toUChars(icu, scratch.data(), int32_t(scratch.size()),
                                                    text.data(), int32_t(text.size()), &e);
                    bytes += n;
                    if (run == 0 && std::u16string_view(scratch.data(), size_t(n)) !=
                                        codepage::Cp932ToUtf16(text))
                        ++icuDiffers;
                }
            }));
        }
    }
    if (icu)
        ucnv_close(icu);
    print(s, {{"textsDifferingFromTables_icu", icuDiffers},
              {"textsDifferingFromTables_iconv", iconvDiffers},
              {"units", bytes}});
    return 0;
}

// Keys typed in the editor, each painted before the next: the editor paints what the key
// changed, as it does for the learner.
double typeKeys(QPlainTextEdit *view, int keys)
{
    QCoreApplication::processEvents();
    return seconds([&] {
               for (int i = 0; i < keys; ++i) {
                   QTest::keyClick(view, Qt::Key_A);
                   QCoreApplication::processEvents();
               }
           }) /
           keys;
}

// A key typed and erased again, `pairs` times, each painted: the line keeps its length, so no key
// scrolls the view sideways, and a sample is long enough that one scheduling delay does not
// decide it. Seconds per key.
double typeAndErase(QPlainTextEdit *view, int pairs)
{
    QCoreApplication::processEvents();
    return seconds([&] {
               for (int i = 0; i < pairs; ++i) {
                   QTest::keyClick(view, Qt::Key_A);
                   QCoreApplication::processEvents();
                   QTest::keyClick(view, Qt::Key_Backspace);
                   QCoreApplication::processEvents();
               }
           }) /
           (2 * pairs);
}

// The caret 20 characters into the middle line, in view.
void placeCaretMid(QPlainTextEdit *view)
{
    QTextCursor caret(view->document()->findBlockByNumber(view->document()->blockCount() / 2));
    caret.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 20);
    view->setTextCursor(caret);
    view->ensureCursorVisible();
}

int editor(int lines)
{
    CMainFrame frame;
    if (!ShowMainFrame(&frame))
        qFatal("no main frame");
    CProgrammingView *big = frame.m_editorView;
    big->SetWindowText(program(lines));
    // The baselines: the same editor at the same size, with a short program.
    CProgrammingView small;
    small.resize(big->size());
    small.SetWindowText(program(60));
    small.show();
    const int longBytes = envInt("BENCH_LONG_LINE", 1 << 20);
    QString line;
    while (line.size() < longBytes)
        line += QStringLiteral("gl.drawArrays(gl.TRIANGLES, 0, 3); ");
    const QString longText = QStringLiteral("// one long line\r\n") + line.left(longBytes) +
                             QStringLiteral("\r\n// end\r\n");
    if (!QTest::qWaitForWindowExposed(&small))
        qFatal("not exposed");

    theLesson.Reset();
    // Pages far apart: two of one kind, one of another.
    theLesson.m_pageTexts = {"x\r\n", "y\r\n", "z\r\n"};
    theLesson.m_pageKinds = {Replace, Replace, Add};
    theLesson.m_arrowLines = {lines / 4, 3 * lines / 4, lines / 4};
    theLesson.m_arrowCounts = {30, 30, 30};
    theLesson.m_currentPage = 0;
    big->verticalScrollBar()->setValue(lines / 2);
    QCoreApplication::processEvents();

    Series s;
    Series paints;
    constexpr int kRepaints = 20;
    // Both gutters with the page's arrows in the same visible rows.
    const std::vector<int32_t> pageLines = theLesson.m_arrowLines;
    auto arrowsIn = [](CProgrammingView *view) {
        for (int32_t &arrow : theLesson.m_arrowLines)
            arrow = view->GetFirstVisibleLine() + 5;
    };
    for (int run = 0; run < runs(); ++run) {
        arrowsIn(&small);
        s["gutter_small"].append(seconds([&] {
                                     for (int i = 0; i < kRepaints; ++i)
                                         small.m_lineWnd->repaint();
                                 }) /
                                 kRepaints);
        arrowsIn(big);
        s["gutter_big"].append(seconds([&] {
                                   for (int i = 0; i < kRepaints; ++i)
                                       big->m_lineWnd->repaint();
                               }) /
                               kRepaints);
        theLesson.m_arrowLines = pageLines;

        // Page changes as the tutorial pane makes them, until the events they caused are
        // handled, paints among them: to a page of the same kind, then to one of another kind;
        // the way back to the first page is not timed. What came before is painted first.
        const auto showPage = [&](int page) {
            frame.m_tutorialView->OnBeforeNavigate2(
                QStringLiteral("file:///lesson/html/index%1.html").arg(page));
            QCoreApplication::processEvents();
        };
        for (const auto &[page, name] :
             {std::pair{1, QStringLiteral("page_change")}, {2, QStringLiteral("page_kind")}}) {
            big->viewport()->repaint();
            QCoreApplication::processEvents();
            QSignalSpy painted(big->m_lineWnd, &CLineWnd::Painted);
            s[name].append(seconds([&] { showPage(page); }));
            paints[name].append(painted.count());
        }
        showPage(0);
    }

    // Typing as the learner has it: in the window's editor, with its colouring, gutter, lesson
    // check, progress and guidance listening, the short program and the long ones in turn.
    // Beside it Qt's own editor, same size and font, no margin (as ours: Qt's default margin
    // alone makes every key cost in proportion to the program), with nothing of the program's:
    // how much of the growth is Qt's.
    const QString bigText = big->GetWindowText();
    const QString tinyText = program(10);
    QPlainTextEdit qtOnly;
    qtOnly.setLineWrapMode(QPlainTextEdit::NoWrap);
    qtOnly.setFont(big->font());
    qtOnly.document()->setDocumentMargin(0);
    qtOnly.resize(big->size());
    qtOnly.show();
    if (!QTest::qWaitForWindowExposed(&qtOnly))
        qFatal("not exposed");
    constexpr int kPairs = 100;
    for (int run = 0; run < runs(); ++run) {
        big->SetWindowText(tinyText);
        placeCaretMid(big);
        s["type_small"].append(typeAndErase(big, kPairs));
        big->SetWindowText(bigText);
        placeCaretMid(big);
        s["type_big"].append(typeAndErase(big, kPairs));
        qtOnly.setPlainText(tinyText);
        placeCaretMid(&qtOnly);
        s["qt_type_small"].append(typeAndErase(&qtOnly, kPairs));
        qtOnly.setPlainText(bigText);
        placeCaretMid(&qtOnly);
        s["qt_type_big"].append(typeAndErase(&qtOnly, kPairs));
        big->SetWindowText(longText);
        big->SetSel(18 + longBytes / 2, 18 + longBytes / 2);
        big->ensureCursorVisible();
        s["type_long_line"].append(typeKeys(big, 2));
        // The same line as minified code in a script, where every word has a colour.
        big->SetWindowText(QStringLiteral("<script>\r\n") + longText);
        big->SetSel(28 + longBytes / 2, 28 + longBytes / 2);
        big->ensureCursorVisible();
        s["type_long_script_line"].append(typeKeys(big, 2));
    }
    QJsonObject paintCounts;
    for (auto it = paints.cbegin(); it != paints.cend(); ++it)
        paintCounts[it.key()] = it.value();
    print(s, {{"gutter_paints", paintCounts}, {"long_line_bytes", longBytes}});
    theLesson.Reset();
    AfxSetMainWnd(nullptr);
    return 0;
}

// Wall time, as the learner waits for it: both sides wait for the disk. Time taken by other
// processes is left out. The two take turns, each first as often as second, after one untimed
// pair in which both pay for their first touches.
int exportPage(int lines, int pairs)
{
    CMainFrame frame;
    if (!ShowMainFrame(&frame))
        qFatal("no main frame");
    frame.m_editorView->SetWindowText(program(lines));
    QTemporaryDir dir;
    const QString path = dir.filePath("index.html");
    const QByteArray bytes = HtmlFileBytes(frame.m_editorView->GetWindowText());

    const std::function<void()> writeFsync = [&] {
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n <= 0)
                qFatal("write failed");
            done += n;
        }
        ::fsync(fd);
        ::close(fd);
    };
    const std::function<void()> exportPage = [&] {
        if (!frame.WriteHtmlFile(path))
            qFatal("export failed");
    };
    Series s;
    for (int pair = -1; pair < pairs; ++pair) {
        const double first = ownWallSeconds(pair % 2 ? writeFsync : exportPage);
        const double second = ownWallSeconds(pair % 2 ? exportPage : writeFsync);
        if (pair < 0)
            continue;
        s["write_fsync"].append(pair % 2 ? first : second);
        s["export"].append(pair % 2 ? second : first);
    }
    QFile written(path);
    if (!written.open(QIODevice::ReadOnly) || written.readAll() != bytes)
        qFatal("the export wrote other bytes");
    print(s, {{"bytes", bytes.size()}, {"runQueueKnown", runQueueSeconds() > 0}});
    AfxSetMainWnd(nullptr);
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == "decode")
        return decode(args[2]);
    if (args.size() == 3 && args[1] == "editor")
        return editor(args[2].toInt());
    if (args.size() == 4 && args[1] == "export")
        return exportPage(args[2].toInt(), args[3].toInt());
    std::fprintf(stderr, "usage: bench_bolto decode LESSON | editor LINES | export LINES PAIRS\n");
    return 2;
}
