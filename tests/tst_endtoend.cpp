#include "authoring.h"
#include "bolto.h"
#include "clipboard.h"
#include "html5app.h"
#include "html5view.h"
#include "lessonfile.h"
#include "lessonreplay.h"
#include "lessonroots.h"
#include "lessonsource.h"
#include "linewnd.h"
#include "mainframe.h"
#include "messagebox.h"
#include "pagescript.h"
#include "paths.h"
#include "popupmenu.h"
#include "programmingview.h"
#include "progressstore.h"
#include "qtcodepage.h"
#include "resource.h"
#include "sound.h"
#include "sourcefolder.h"
#include "statusbar.h"
#include "texts.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>

#include <memory>
#include <utility>

// Each bundled lesson played from its first page to its last as a learner plays it, in the real
// window that the program opens for a lesson on its command line: click the page, paste or cut in
// the editor, follow the page's own link onward, and run the finished program.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void learnerPlaysLesson_data();
    void learnerPlaysLesson();
    void authorOpensStepAndReloads();
    void lessonInstalledForTheUser();

private:
    CMainFrame *frame() const { return m_app->m_mainFrame; }
    CProgrammingView *editor() const { return frame()->m_editorView; }
    CHTML5View *tutorial() const { return frame()->m_tutorialView; }
    QVariant evaluate(const QString &script);
    QPoint nextLinkWhenShown(int page);
    void verifyPageLines(int page, const std::string &program);
    void verifyGutter(int page);
    void readSource(const QString &lesson);

    QTemporaryDir m_dir;
    QString m_browserLog;
    CLessonSource m_source;
    std::unique_ptr<CHTML5App> m_app;
    QStringList m_messages;
    QList<int> m_menus;
};

namespace {
const int kTimeout = 60000;

// The clipboard and the editor show line breaks each their own way; compare them as LF.
QString lf(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

bool copyFile(const QString &from, const QString &to)
{
    return QDir().mkpath(QFileInfo(to).path()) && QFile::copy(from, to);
}
} // namespace

void TestEndToEnd::initTestCase()
{
    QVERIFY(m_dir.isValid());

    // The lesson material as the build lays it out next to the program, copied so that Run
    // writes into the copy and not into the build tree.
    const QDir bin(qEnvironmentVariable("BOLTO_BIN_DIR"));
    QStringList files{"index.html"};
    for (const char *lesson : {"firstpage", "game", "webgl"}) {
        files << QLatin1String(lesson) + ".blsh";
        QDirIterator it(bin.filePath(QLatin1String(lesson)), QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << bin.relativeFilePath(it.next());
    }
    for (const QString &file : files)
        QVERIFY2(copyFile(bin.filePath(file), m_dir.filePath(file)), qPrintable(file));
    SetProgramDirectoryOverride(m_dir.path().toStdString() + '/');

    // The browser the learner chose once: a script that notes its arguments.
    const QString browser = m_dir.filePath("browser.sh");
    m_browserLog = m_dir.filePath("browser.log");
    QFile script(browser);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nline=\"$#\"\nfor a in \"$@\"; do line=\"$line|$a\"; done\n"
                 "printf '%s\\n' \"$line\" >> '" +
                 m_browserLog.toUtf8() + "'\n");
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFile::ExeOwner));
    QSettings(qs(Str::SettingsOrganization), qs(Str::AppName))
        .setValue("Bolto/WebGLBrowser", browser);

    SetMessageBoxHook([this](const QString &text, unsigned) {
        m_messages << text;
        return IDOK;
    });
    SetPopupMenuHook([this](const PopupMenuResource &menu, const QPoint &) {
        m_menus << menu.id;
        return 0;
    });
}

void TestEndToEnd::readSource(const QString &lesson)
{
    CSourceFolder folder;
    QVERIFY2(folder.Read(qEnvironmentVariable("BOLTO_TEST_SOURCE_DIR") + "/lessons/" + lesson),
             qPrintable(folder.Faults().join('\n')));
    m_source = folder.ToSource();
    QVERIFY(m_source.m_pages.size() > 2);
}

void TestEndToEnd::cleanupTestCase()
{
    m_app.reset();
    SetMessageBoxHook({});
    SetPopupMenuHook({});
    SetProgramDirectoryOverride({});
}

QVariant TestEndToEnd::evaluate(const QString &script)
{
    return RunInPage(tutorial()->page(), script, kTimeout);
}

// Once page `page` has finished loading and its fonts are in: the middle of its link to the next
// page, scrolled into view, in the coordinates of the widget that takes the page's input; null
// without such a link. A late font moves the link, so the place is the same twice running.
QPoint TestEndToEnd::nextLinkWhenShown(int page)
{
    const QString script =
        QStringLiteral("(function () {"
                       " if (!location.pathname.endsWith('/index%1.html')"
                       "     || document.readyState !== 'complete'"
                       "     || document.fonts.status !== 'loaded') return 'loading';"
                       " var a = document.querySelector('a[href=\"index%2.html\"]');"
                       " if (!a) return 'none';"
                       " a.scrollIntoView({block: 'center', behavior: 'instant'});"
                       " var r = a.getBoundingClientRect();"
                       " return [r.left + r.width / 2, r.top + r.height / 2]; })()")
            .arg(page)
            .arg(page + 1);
    QVariant link;
    QVariant before;
    const bool shown = QTest::qWaitFor(
        [&] {
            before = std::exchange(link, evaluate(script));
            return link.toString() != QStringLiteral("loading") && link == before;
        },
        kTimeout);
    if (!shown || link.typeId() != QMetaType::QVariantList)
        return {};
    const QVariantList xy = link.toList();
    const qreal zoom = tutorial()->zoomFactor();
    return QPointF(xy.at(0).toDouble() * zoom, xy.at(1).toDouble() * zoom).toPoint();
}

// The page's lines are selected, or the caret waits where its snippet goes.
void TestEndToEnd::verifyPageLines(int page, const std::string &program)
{
    const CLessonSource::Page &step = m_source.m_pages[size_t(page)];
    // Control positions count UTF-16 units, with CR LF as two.
    const auto position = [&program](int line) {
        return int(FromCp932(program.substr(0, CLessonReplay::LineStart(program, line))).size());
    };
    const int start = position(step.line);
    const int end = step.kind == Add ? start : position(step.line + step.count);
    int selStart = -1;
    int selEnd = -1;
    editor()->GetSel(selStart, selEnd);
    QCOMPARE(selStart, start);
    QCOMPARE(selEnd, end);
}

// Arrows in the page's colour beside exactly the page's lines, as far as the gutter shows lines.
void TestEndToEnd::verifyGutter(int page)
{
    const CLessonSource::Page &step = m_source.m_pages[size_t(page)];
    CLineWnd *gutter = editor()->m_lineWnd;
    const QImage image = gutter->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    const QColor arrow = CLineWnd::ArrowColor(step.kind);
    const int h = gutter->m_lineHeight;
    const int lines = editor()->GetLineCount();
    int row = editor()->GetFirstVisibleLine();
    int arrows = 0;
    for (int y = gutter->m_topY; row < lines && y + h <= gutter->height(); y += h, ++row) {
        const bool marked = row >= step.line - 1 && row < step.line - 1 + step.count;
        const QPoint inside = QPoint(gutter->m_arrowX + 3, y + h / 2) * ratio;
        QVERIFY2((image.pixelColor(inside) == arrow) == marked,
                 qPrintable(QString("page %1, line %2").arg(page).arg(row + 1)));
        arrows += marked ? 1 : 0;
    }
    // The page's first line is scrolled into view, so its arrow at least shows.
    QCOMPARE(arrows > 0, step.count > 0);
}

void TestEndToEnd::learnerPlaysLesson_data()
{
    QTest::addColumn<QString>("lesson");
    QTest::newRow("first web page") << "firstpage";
    QTest::newRow("canvas game") << "game";
    QTest::newRow("WebGL") << "webgl";
}

void TestEndToEnd::learnerPlaysLesson()
{
    QFETCH(QString, lesson);
    readSource(lesson);
    QFile::remove(m_browserLog);
    const QString lessonPath = m_dir.filePath(lesson + ".blsh");
    m_app.reset();
    m_app = std::make_unique<CHTML5App>();
    QVERIFY(m_app->InitInstance({lessonPath}));
    QVERIFY(frame() && frame()->isVisible());
    frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame()));

    // The packed lesson is its source's.
    const int pages = int(m_source.m_pages.size());
    QCOMPARE(theLesson.GetPageCount(), pages);
    for (int page = 0; page < pages; ++page) {
        const CLessonSource::Page &step = m_source.m_pages[size_t(page)];
        QCOMPARE(theLesson.GetPageText(page), step.snippet);
        QCOMPARE(theLesson.GetPageKind(page), step.kind);
        QCOMPARE(theLesson.GetArrowLine(page), step.line);
        QCOMPARE(theLesson.GetArrowCount(page), step.count);
    }
    QCOMPARE(theLesson.m_folderName, m_source.m_folder);

    std::string program; // what the editor holds before the page's step
    for (int page = 0; page < pages; ++page) {
        const CLessonSource::Page &step = m_source.m_pages[size_t(page)];
        const bool last = page == pages - 1;
        QTRY_COMPARE_WITH_TIMEOUT(theLesson.m_currentPage, page, kTimeout);
        const QPoint next = nextLinkWhenShown(page);
        QCOMPARE(next.isNull(), last);

        // A fresh page: nothing copied yet, the step open, the page's lines shown.
        QCOMPARE(editor()->GetWindowText(), FromCp932(program));
        QCOMPARE(ClipboardText(), QString());
        QCOMPARE(editor()->m_pageDone, false);
        QCOMPARE(tutorial()->m_copyDisabled, false);
        verifyPageLines(page, program);
        verifyGutter(page);

        // A click anywhere in the page copies its snippet.
        frame()->m_statusBar->SetPaneText(0, qs(Str::Ready));
        const int sounds = CopySoundRequests();
        QTest::mouseClick(tutorial()->focusProxy(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
        const bool copies = !step.snippet.empty();
        QCOMPARE(lf(ClipboardText()), lf(FromCp932(step.snippet)));
        QCOMPARE(CopySoundRequests() - sounds, copies ? 1 : 0);
        QCOMPARE(frame()->m_statusBar->GetPaneText(0),
                 qs(copies ? Str::SnippetCopied : Str::Ready));

        // The step in the editor: paste the snippet, or delete the marked lines.
        if (copies) {
            QTest::mouseClick(editor()->viewport(), Qt::LeftButton, Qt::NoModifier,
                              QPoint(editor()->viewport()->width() / 2, 5));
            QTRY_VERIFY_WITH_TIMEOUT(editor()->hasFocus(), kTimeout);
            // The click brought the page's lines back rather than moving the caret.
            verifyPageLines(page, program);
            if (step.kind == Delete)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
            else
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(editor()->m_pageDone, true);
            // Done: a click in the page now reaches its links instead of copying.
            QCOMPARE(tutorial()->m_copyDisabled, true);
        }
        QVERIFY(step.program.has_value());
        program = *step.program;
        QCOMPARE(editor()->GetWindowText(), FromCp932(program));
        QCOMPARE(m_messages, QStringList());
        QCOMPARE(m_menus, QList<int>());

        // Where the learner sees the link now: the page may have settled since it was shown.
        if (!last)
            QTest::mouseClick(tutorial()->focusProxy(), Qt::LeftButton, Qt::NoModifier,
                              nextLinkWhenShown(page));
    }
    QCOMPARE(theLesson.m_currentPage, pages - 1);

    // Run writes the finished program beside the lesson's pages and shows it in the browser.
    QVERIFY(frame()->RouteCommand(ID_RUN));
    const QString exported = m_dir.filePath(lesson + "/index.html");
    QFile page(exported);
    QVERIFY(page.open(QIODevice::ReadOnly));
    QCOMPARE(page.readAll(), FromCp932(program).toUtf8());
    QVERIFY(FromCp932(program).contains(QStringLiteral("\r\n")));
    QFile log(m_browserLog);
    QTRY_VERIFY_WITH_TIMEOUT(log.exists() && log.size() > 0, kTimeout);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(log.readAll()), "1|" + exported + '\n');
    QCOMPARE(m_messages, QStringList());
}

// An author opens the lesson at step 5 and sees page 5 with the program the first four steps
// give; a rebuilt lesson file is read again on the same page, and a broken one leaves it be.
void TestEndToEnd::authorOpensStepAndReloads()
{
    m_app.reset();
    readSource("webgl");
    const QString lessonPath = m_dir.filePath("webgl.blsh");
    m_app = std::make_unique<CHTML5App>();
    QVERIFY(m_app->InitInstance({"--step", "5", lessonPath}));
    QTRY_COMPARE_WITH_TIMEOUT(theLesson.m_currentPage, 4, kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(
        evaluate("document.readyState === 'complete' && document.querySelector('.step')"
                 " ? document.querySelector('.step').textContent : ''")
            .toString(),
        QString::fromUtf8("WebGL入門 — ステップ 5 / 13"), kTimeout);
    QCOMPARE(editor()->GetWindowText(), FromCp932(*m_source.m_pages[3].program));
    // The editor shows page 5's place, as on arrival by the page's link.
    verifyPageLines(4, *m_source.m_pages[3].program);

    // The author adds a line to step 5's snippet and builds again.
    editor()->SetWindowText(QStringLiteral("learner's text"));
    CBolto changed = theLesson;
    changed.m_pageTexts.set(4, std::string(changed.m_pageTexts[4]) + "// more\r\n");
    changed.m_arrowCounts[4] += 1;
    QSignalSpy reloaded(frame()->m_authoring, &CAuthoring::lessonReloaded);
    const QString written = m_dir.filePath("rebuilt.blsh");
    QCOMPARE(StoreLessonFile(written.toStdString(), changed).m_cause, LessonFileStatus::ok);
    QVERIFY(QFile::remove(lessonPath) && QFile::rename(written, lessonPath));
    QVERIFY(reloaded.wait(kTimeout));
    QCOMPARE(reloaded.last().at(0).toBool(), true);
    QCOMPARE(theLesson.GetPageText(4), changed.m_pageTexts[4]);
    QTRY_COMPARE_WITH_TIMEOUT(theLesson.m_currentPage, 4, kTimeout);
    QCOMPARE(editor()->GetWindowText(), QStringLiteral("learner's text"));

    // A half-written file is not taken: the lesson stays as it was.
    QFile broken(lessonPath);
    QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("\x01\x00");
    broken.close();
    QVERIFY(reloaded.wait(kTimeout));
    QCOMPARE(reloaded.last().at(0).toBool(), false);
    QCOMPARE(theLesson.GetPageText(4), changed.m_pageTexts[4]);
    QCOMPARE(m_messages.filter("rebuilt").size(), 0);
}

// A lesson whose folder lies in the user's lesson folder, not next to the program, plays from
// there (install puts it there when the program's folder cannot be written).
void TestEndToEnd::lessonInstalledForTheUser()
{
    m_app.reset();
    // A learner new to the lesson: the first test's saved place in it is gone.
    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(CSqliteProgressStore::DefaultFilePath() + suffix);
    const QString user = UserLessonRoot();
    QDir(user + "/webgl").removeRecursively();
    // The lesson file as built: the test before left a broken one.
    QVERIFY(QFile::remove(m_dir.filePath("webgl.blsh")));
    QVERIFY(copyFile(qEnvironmentVariable("BOLTO_BIN_DIR") + "/webgl.blsh",
                     m_dir.filePath("webgl.blsh")));
    const QDir from(m_dir.filePath("webgl/html"));
    for (const QString &page : from.entryList(QDir::Files))
        QVERIFY(copyFile(from.filePath(page), user + "/webgl/html/" + page));
    QVERIFY(QDir(m_dir.filePath("webgl")).removeRecursively());
    m_app = std::make_unique<CHTML5App>();
    QVERIFY(m_app->InitInstance({m_dir.filePath("webgl.blsh")}));
    QTRY_COMPARE_WITH_TIMEOUT(tutorial()->url().toLocalFile(),
                              QFileInfo(user + "/webgl/html/index0.html").absoluteFilePath(),
                              kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(theLesson.m_currentPage, 0, kTimeout);
    m_app.reset();
    QVERIFY(QDir(user + "/webgl").removeRecursively());
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
