// The learner's keyboard in the real window: the demo lesson played from its first page to Run
// with keys alone, zoom per pane that outlives the window, and the names screen readers hear.

#include "bolto.h"
#include "clipboard.h"
#include "framefixture.h"
#include "html5app.h"
#include "html5view.h"
#include "learnercommands.h"
#include "lessonreplay.h"
#include "lessonsource.h"
#include "linewnd.h"
#include "mainframe.h"
#include "messagebox.h"
#include "pagescript.h"
#include "paths.h"
#include "popupmenu.h"
#include "previewpane.h"
#include "programmingview.h"
#include "qtcodepage.h"
#include "sourcefolder.h"
#include "statusbar.h"
#include "texts.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>

#include <memory>

class TestKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void learnerPlaysDemoLessonByKeys();
    void zoomFollowsFocusAndPersists();
    void accessibleNames();

private:
    CMainFrame *frame() const { return m_app->m_mainFrame; }
    CProgrammingView *editor() const { return frame()->m_editorView; }
    CHTML5View *tutorial() const { return frame()->m_tutorialView; }
    QVariant evaluate(const QString &script);
    void press(QKeyCombination key);

    QTemporaryDir m_dir;
    QString m_browserLog;
    CLessonSource m_source;
    std::unique_ptr<CHTML5App> m_app;
    QStringList m_messages;
};

namespace {
const int kTimeout = 60000;

QString lf(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

bool copyFile(const QString &from, const QString &to)
{
    return QDir().mkpath(QFileInfo(to).path()) && QFile::copy(from, to);
}

QSettings settings()
{
    return QSettings(qs(Str::SettingsOrganization), qs(Str::AppName));
}
} // namespace

void TestKeyboard::initTestCase()
{
    QVERIFY(m_dir.isValid());
    CSourceFolder folder;
    QVERIFY2(folder.Read(qEnvironmentVariable("BOLTO_TEST_SOURCE_DIR") + "/lessons/webgl"),
             qPrintable(folder.Faults().join('\n')));
    m_source = folder.ToSource();
    QVERIFY(m_source.m_pages.size() > 2);

    const QDir bin(qEnvironmentVariable("BOLTO_BIN_DIR"));
    QStringList files{"webgl.blsh", "index.html"};
    for (const QString &page : QDir(bin.filePath("webgl/html")).entryList(QDir::Files))
        files << "webgl/html/" + page;
    for (const QString &file : files)
        QVERIFY2(copyFile(bin.filePath(file), m_dir.filePath(file)), qPrintable(file));
    SetProgramDirectoryOverride(m_dir.path().toStdString() + '/');

    const QString browser = m_dir.filePath("browser.sh");
    m_browserLog = m_dir.filePath("browser.log");
    QFile script(browser);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + m_browserLog.toUtf8() + "'\n");
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFile::ExeOwner));
    settings().setValue("Bolto/WebGLBrowser", browser);

    SetMessageBoxHook([this](const QString &text, unsigned) {
        m_messages << text;
        return IDOK;
    });
    SetPopupMenuHook([](const PopupMenuResource &, const QPoint &) { return 0; });
}

void TestKeyboard::cleanupTestCase()
{
    m_app.reset();
    SetMessageBoxHook({});
    SetPopupMenuHook({});
    SetProgramDirectoryOverride({});
}

QVariant TestKeyboard::evaluate(const QString &script)
{
    return RunInPage(tutorial()->page(), script, kTimeout);
}

// A key pressed wherever the focus is, as the learner presses it.
void TestKeyboard::press(QKeyCombination key)
{
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : frame();
    QTest::keyClick(target, key.key(), key.keyboardModifiers());
}

void TestKeyboard::learnerPlaysDemoLessonByKeys()
{
    m_app = std::make_unique<CHTML5App>();
    QVERIFY(m_app->InitInstance({m_dir.filePath("webgl.blsh")}));
    frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame()));

    const int pages = int(m_source.m_pages.size());
    std::string program;
    for (int page = 0; page < pages; ++page) {
        const CLessonSource::Page &step = m_source.m_pages[size_t(page)];
        QTRY_COMPARE_WITH_TIMEOUT(theLesson.m_currentPage, page, kTimeout);
        const QString loaded = QStringLiteral("location.pathname.endsWith('/index%1.html') && "
                                              "document.readyState === 'complete'")
                                   .arg(page);
        QTRY_VERIFY_WITH_TIMEOUT(evaluate(loaded).toBool(), kTimeout);
        const bool hasStep = !step.snippet.empty();

        // Before the step, the way on stays shut, as it does for clicks.
        if (hasStep && page + 1 < pages) {
            press(Qt::CTRL | Qt::Key_PageDown);
            QCOMPARE(frame()->m_statusBar->GetPaneText(0), qs(Str::StepNotDone));
            QTest::qWait(200);
            QCOMPARE(theLesson.m_currentPage, page);
        }

        press(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
        QCOMPARE(lf(ClipboardText()), lf(FromCp932(step.snippet)));
        press(Qt::CTRL | Qt::Key_L);
        QVERIFY(editor()->hasFocus());
        if (hasStep) {
            press(step.kind == Delete ? QKeyCombination(Qt::Key_Delete)
                                      : QKeyCombination(Qt::CTRL | Qt::Key_V));
            QCOMPARE(editor()->m_pageDone, true);
        }
        program = *step.program;
        QCOMPARE(editor()->GetWindowText(), FromCp932(program));
        if (page + 1 < pages)
            press(Qt::CTRL | Qt::Key_PageDown);
    }
    QCOMPARE(theLesson.m_currentPage, pages - 1);

    // Back one page by its own link, and forward again.
    press(Qt::CTRL | Qt::Key_PageUp);
    QTRY_COMPARE_WITH_TIMEOUT(theLesson.m_currentPage, pages - 2, kTimeout);

    press(Qt::Key_F5);
    const QString exported = m_dir.filePath("webgl/index.html");
    QFile log(m_browserLog);
    QTRY_VERIFY_WITH_TIMEOUT(log.exists() && log.size() > 0, kTimeout);
    QFile written(exported);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), FromCp932(program).toUtf8());
    QCOMPARE(m_messages, QStringList());
    m_app.reset();
}

void TestKeyboard::zoomFollowsFocusAndPersists()
{
    settings().clear();
    auto first = std::make_unique<CMainFrame>();
    QVERIFY(ShowMainFrame(first.get()));
    CLearnerCommands *commands = first->m_learnerCommands;
    const qreal baseSize = first->m_editorView->font().pointSizeF();
    const int baseRow = first->m_editorView->m_lineWnd->m_lineHeight;

    first->m_editorView->setFocus();
    QCOMPARE(commands->FocusedPane(), CLearnerCommands::EditorPane);
    QTest::keyClick(first->m_editorView, Qt::Key_Plus, Qt::ControlModifier);
    QTest::keyClick(first->m_editorView, Qt::Key_Equal, Qt::ControlModifier);
    QCOMPARE(commands->ZoomLevel(CLearnerCommands::EditorPane), 2);
    const qreal zoomedSize = first->m_editorView->font().pointSizeF();
    QVERIFY(zoomedSize > baseSize);
    // The gutter's rows follow the text's.
    QVERIFY(first->m_editorView->m_lineWnd->m_lineHeight > baseRow);
    QCOMPARE(first->m_editorView->m_lineWnd->m_lineHeight, first->m_editorView->GetLineHeight());

    first->m_tutorialView->setFocus();
    QCOMPARE(commands->FocusedPane(), CLearnerCommands::TutorialPane);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(first->m_tutorialView->zoomFactor(), 0.9);
    QCOMPARE(commands->ZoomLevel(CLearnerCommands::EditorPane), 2);
    first.reset();

    // A new window, as after a restart, reads each pane's size back.
    auto second = std::make_unique<CMainFrame>();
    QVERIFY(ShowMainFrame(second.get()));
    QCOMPARE(second->m_learnerCommands->ZoomLevel(CLearnerCommands::EditorPane), 2);
    QCOMPARE(second->m_editorView->font().pointSizeF(), zoomedSize);
    QCOMPARE(second->m_tutorialView->zoomFactor(), 0.9);
    QCOMPARE(second->m_learnerCommands->ZoomLevel(CLearnerCommands::PreviewPane), 0);

    second->m_editorView->setFocus();
    QTest::keyClick(second->m_editorView, Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(second->m_editorView->font().pointSizeF(), baseSize);
    // Zoom stops at its ends.
    for (int i = 0; i < 30; ++i)
        QTest::keyClick(second->m_editorView, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(second->m_learnerCommands->ZoomLevel(CLearnerCommands::EditorPane),
             -CLearnerCommands::kZoomOrigin);
    QVERIFY(second->m_editorView->font().pointSizeF() > 0);
    second.reset();
    settings().clear();
}

void TestKeyboard::accessibleNames()
{
    auto frame = std::make_unique<CMainFrame>();
    QVERIFY(ShowMainFrame(frame.get()));
    const QList<QWidget *> named{frame->m_tutorialView, frame->m_editorView,
                                 frame->m_editorView->m_lineWnd,
                                 frame->m_learnerCommands->Preview()};
    for (QWidget *widget : named) {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(face);
        QVERIFY2(!face->text(QAccessible::Name).isEmpty(), widget->metaObject()->className());
    }
    for (QLabel *pane : frame->m_statusBar->findChildren<QLabel *>())
        QVERIFY(!pane->accessibleName().isEmpty());

    // The gutter tells the step it marks.
    theLesson.Reset();
    theLesson.m_pageTexts.assign(3, "x");
    theLesson.m_pageKinds = {Add, Add, Replace};
    theLesson.m_arrowLines = {1, 1, 10};
    theLesson.m_arrowCounts = {0, 0, 4};
    theLesson.m_currentPage = 2;
    frame->m_editorView->SetWindowText(QString(20, QLatin1Char('\n')));
    frame->m_editorView->ShowPageLines();
    QAccessibleInterface *gutter =
        QAccessible::queryAccessibleInterface(frame->m_editorView->m_lineWnd);
    QCOMPARE(gutter->text(QAccessible::Description), qs("ステップ 3: 10〜13行目を置き換え"));
    theLesson.Reset();
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
