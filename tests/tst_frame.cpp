#include "framefixture.h"
#include "html5view.h"
#include "mainframe.h"
#include "programmingview.h"
#include "resource.h"
#include "smartsplitter.h"
#include "statusbar.h"
#include "texts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

// The main window as the pane tests build it: no application, no document.
class TestFrame : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void menuBar_data();
    void menuBar();
    void accelerators_data();
    void accelerators();
    void keysReachCommands();
    void toolBar();
    void statusBar();
    void viewTogglesHandBackSpace();
    void browserSettingCheckMark();

    void splitterStartsAtHalfTheWindow();
    void maximiseBalancesColumns();
    void narrowMaximisedColumnIsHidden();
    void columnDraggedBelowMinimumHides();
    void setActivePaneMakesEditorActive();
    void commandsGoToActiveView();
    void commandStateFollowsSelection();
    void titleWithoutDocument();

private:
    CMainFrame *m_frame = nullptr;
};

void TestFrame::init()
{
    m_frame = new CMainFrame;
    QVERIFY(ShowMainFrame(m_frame));
}

void TestFrame::cleanup()
{
    delete m_frame;
    m_frame = nullptr;
}

void TestFrame::menuBar_data()
{
    QTest::addColumn<QString>("menu");
    // One entry per item: text, then after '|' the status-bar prompt; "-" is a separator.
    QTest::addColumn<QStringList>("items");

    QTest::newRow("file") << "ファイル(&F)"
                          << QStringList{
                                 "開く(&O)...\tCtrl+O|既存のファイルを開く", "-",
                                 "最近使ったファイル|指定のファイルを開く", "-",
                                 "アプリケーションの終了(&X)|アプリケーションを終了し、ファイ"
                                 "ルの保存を指示"};
    QTest::newRow("edit") << "編集(&E)"
                          << QStringList{
                                 "元に戻す(&U)\tCtrl+Z|直前に行った動作を元に戻す",
                                 "やり直し(&R)\tCtrl+Y|取り消した動作をやり直す",
                                 "-",
                                 "切り取り(&T)\tCtrl+X|選択範囲を切り取ってクリップボードに保存",
                                 "コピー(&C)\tCtrl+C|選択範囲をコピーしてクリップボードに保存",
                                 "貼り付け(&P)\tCtrl+V|クリップボードの内容を貼り付け", "-",
                                 "このステップのコードをコピー(&S)|このステップのコードをクリップ"
                                 "ボードにコピー",
                                 "このステップの行を選択(&L)|このステップの行をエディタで選択"};
    QTest::newRow("control") << "制御(&C)"
                             << QStringList{"実行(&X)|プログラムを実行する", "-",
                                            "次のページへ(&N)|ページの「次へ」のリンクをたどる",
                                            "前のページへ(&V)|ページの「戻る」のリンクをたどる", "-",
                                            "実行するブラウザの設定(&B)|Firefox等のブラウザのディ"
                                            "レクトリを設定",
                                            "-",
                                            "このステップをやり直す(&R)\tCtrl+Shift+R|現在のステ"
                                            "ップを未完了に戻し、もう一度行う",
                                            "履歴(&I)...\tCtrl+H|このレッスンのプログラムの履歴を"
                                            "表示し、過去の時点に戻す",
                                            "最初からやり直す(&A)...\tCtrl+Shift+N|プログラムを空"
                                            "にしてレッスンの最初のページからやり直す",
                                            "-",
                                            "手本と比べる\tCtrl+D|自分のプログラムを手本と並べて比べる",
                                            "このステップまで進める\tCtrl+Shift+J|このページの前まで"
                                            "のステップを手本から取り込む"};
    QTest::newRow("view") << "表示(&V)"
                          << QStringList{"ツール バー(&T)|ツール バーの 表示/非表示",
                                         "ステータス バー(&S)|ステータス バーの表示/非表示", "-",
                                         "プレビュー(&P)|プログラムの結果をプレビューに表示/非表示",
                                         "プレビューを下に表示(&B)|プレビューをエディタの右ではなく"
                                         "下に表示",
                                         "構文の色分け(&L)|HTML・CSS・JavaScript・GLSL を色分けし"
                                         "て表示",
                                         "-", "拡大(&I)|フォーカスのあるペインを拡大",
                                         "縮小(&O)|フォーカスのあるペインを縮小",
                                         "元のサイズ(&R)|フォーカスのあるペインを元のサイズに戻す"};
    QTest::newRow("help") << "ヘルプ(&H)"
                          << QStringList{"使い方(&G)\tF1|使い方のページを開く", "-",
                                         "レジストリを削除(&U)|レジストリを削除", "-",
                                         "バージョン情報 Bolto(&A)...|プログラム情報、バージョン、"
                                         "著作権を表示します。"};
}

void TestFrame::menuBar()
{
    QFETCH(QString, menu);
    QFETCH(QStringList, items);
    QMenu *popup = nullptr;
    for (QAction *action : m_frame->menuBar()->actions()) {
        if (action->text() == menu)
            popup = action->menu();
    }
    QVERIFY2(popup, qPrintable(menu));
    QStringList shown;
    for (QAction *action : popup->actions()) {
        if (!action->isVisible())
            continue;
        shown.append(action->isSeparator()
                         ? QStringLiteral("-")
                         : action->text() + QLatin1Char('|') + action->statusTip());
    }
    QCOMPARE(shown, items);
}

void TestFrame::accelerators_data()
{
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<int>("command");

    QTest::newRow("F9") << QKeySequence(Qt::Key_F9) << int(ID_PAGE_SETTING);
    QTest::newRow("Ctrl+C") << QKeySequence(Qt::CTRL | Qt::Key_C) << int(ID_EDIT_COPY);
    QTest::newRow("Ctrl+Insert") << QKeySequence(Qt::CTRL | Qt::Key_Insert) << int(ID_EDIT_COPY);
    QTest::newRow("Shift+Delete") << QKeySequence(Qt::SHIFT | Qt::Key_Delete) << int(ID_EDIT_CUT);
    QTest::newRow("Ctrl+X") << QKeySequence(Qt::CTRL | Qt::Key_X) << int(ID_EDIT_CUT);
    QTest::newRow("Ctrl+V") << QKeySequence(Qt::CTRL | Qt::Key_V) << int(ID_EDIT_PASTE);
    QTest::newRow("Shift+Insert") << QKeySequence(Qt::SHIFT | Qt::Key_Insert) << int(ID_EDIT_PASTE);
    QTest::newRow("Alt+Backspace")
        << QKeySequence(Qt::ALT | Qt::Key_Backspace) << int(ID_EDIT_UNDO);
    QTest::newRow("Ctrl+Z") << QKeySequence(Qt::CTRL | Qt::Key_Z) << int(ID_EDIT_UNDO);
    QTest::newRow("Ctrl+N") << QKeySequence(Qt::CTRL | Qt::Key_N) << int(ID_FILE_NEW);
    QTest::newRow("Ctrl+O") << QKeySequence(Qt::CTRL | Qt::Key_O) << int(ID_FILE_OPEN);
    QTest::newRow("Ctrl+S") << QKeySequence(Qt::CTRL | Qt::Key_S) << int(ID_FILE_SAVE);
    QTest::newRow("F6") << QKeySequence(Qt::Key_F6) << int(ID_NEXT_PANE);
    QTest::newRow("Shift+F6") << QKeySequence(Qt::SHIFT | Qt::Key_F6) << int(ID_PREV_PANE);
    QTest::newRow("Ctrl+Shift+R") << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)
                                  << int(ID_PROGRESS_REDO_STEP);
    QTest::newRow("Ctrl+H") << QKeySequence(Qt::CTRL | Qt::Key_H) << int(ID_PROGRESS_HISTORY);
    QTest::newRow("Ctrl+Shift+N") << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)
                                  << int(ID_PROGRESS_START_OVER);
    QTest::newRow("Ctrl+Y") << QKeySequence(Qt::CTRL | Qt::Key_Y) << int(ID_EDIT_REDO_STEP);
    QTest::newRow("Ctrl+Shift+Z") << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)
                                  << int(ID_EDIT_REDO_STEP);
    QTest::newRow("F1") << QKeySequence(Qt::Key_F1) << int(ID_HELP_GUIDE);
}

void TestFrame::accelerators()
{
    QFETCH(QKeySequence, key);
    QFETCH(int, command);
    // Exactly one of the window's actions carries the key, and it is the command's.
    QList<QAction *> owners;
    for (QAction *action : m_frame->actions()) {
        if (action->shortcuts().contains(key))
            owners.append(action);
    }
    QCOMPARE(owners.size(), 1);
    QCOMPARE(owners.first(), m_frame->GetCommandAction(command));
    QCOMPARE(owners.first()->shortcutContext(), Qt::WindowShortcut);
}

void TestFrame::keysReachCommands()
{
    // F6 and Shift+F6 switch panes, whichever pane has the focus.
    m_frame->m_splitter->SetActivePane(0, 0);
    QCOMPARE(m_frame->GetActiveView(), static_cast<CView *>(m_frame->m_tutorialView));
    QTest::keyClick(m_frame->m_toolBar, Qt::Key_F6);
    QCOMPARE(m_frame->GetActiveView(), static_cast<CView *>(m_frame->m_editorView));
    QVERIFY(m_frame->m_editorView->hasFocus());
    QTest::keyClick(m_frame->m_editorView, Qt::Key_F6, Qt::ShiftModifier);
    QCOMPARE(m_frame->GetActiveView(), static_cast<CView *>(m_frame->m_tutorialView));

    // Ctrl+Z reaches the editor's undo through the window.
    m_frame->m_splitter->SetActivePane(0, 1);
    m_frame->m_editorView->SetWindowText(QString());
    QTest::keyClicks(m_frame->m_editorView, QStringLiteral("ab"));
    QCOMPARE(m_frame->m_editorView->GetWindowText(), QStringLiteral("ab"));
    QVERIFY(m_frame->GetCommandAction(ID_EDIT_UNDO)->isEnabled());
    QTest::keyClick(m_frame->m_toolBar, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(m_frame->m_editorView->GetWindowText().isEmpty());
}

void TestFrame::toolBar()
{
    QToolBar *bar = m_frame->m_toolBar;
    QVERIFY(bar->isVisible());
    QVERIFY(!bar->isMovable());
    QCOMPARE(bar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QCOMPARE(bar->iconSize(), QSize(16, 16));

    const struct
    {
        int id;
        const char *text;
        const char *tooltip;
    } expected[] = {
        {ID_FILE_OPEN, "開く", "開く"},
        {0, nullptr, nullptr},
        {ID_EDIT_CUT, "切取", "切り取り"},
        {ID_EDIT_COPY, "ｺﾋﾟｰ", "コピー"},
        {ID_EDIT_PASTE, "貼付", "貼り付け"},
        {0, nullptr, nullptr},
        {ID_RUN, "実行", "実行"},
        {0, nullptr, nullptr},
        {ID_APP_ABOUT, "ﾍﾙﾌﾟ", "バージョン情報"},
    };
    const QList<QAction *> actions = bar->actions();
    QCOMPARE(actions.size(), int(std::size(expected)));
    QSize buttonSize;
    for (int i = 0; i < actions.size(); ++i) {
        QAction *action = actions.at(i);
        if (expected[i].id == 0) {
            QVERIFY(action->isSeparator());
            continue;
        }
        QCOMPARE(action, m_frame->GetCommandAction(expected[i].id));
        auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(action));
        QVERIFY(button);
        QCOMPARE(button->text(), qs(expected[i].text));
        QCOMPARE(button->toolTip(), qs(expected[i].tooltip));
        QCOMPARE(button->statusTip(), action->statusTip());
        const QImage image = action->icon().pixmap(16, 16).toImage();
        QCOMPARE(image.size(), QSize(16, 16));
        if (buttonSize.isEmpty())
            buttonSize = button->size();
        QCOMPARE(button->size(), buttonSize);
    }
    QVERIFY(buttonSize.height() > 16 + bar->fontMetrics().height() - 2);
}

void TestFrame::statusBar()
{
    CStatusBar *bar = m_frame->m_statusBar;
    QCOMPARE(bar->GetPaneText(0), qs("レディ"));

    // Pointing at a button shows its prompt; leaving brings the idle text back.
    QWidget *button = m_frame->m_toolBar->widgetForAction(m_frame->GetCommandAction(ID_RUN));
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(button, &enter);
    QCOMPARE(bar->GetPaneText(0), qs("プログラムを実行する"));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(button, &leave);
    QCOMPARE(bar->GetPaneText(0), qs("レディ"));

    // A menu item's prompt while it is highlighted, the idle text once the menu closes.
    QAction *about = m_frame->GetCommandAction(ID_APP_ABOUT);
    about->showStatusText(m_frame->menuBar());
    QCOMPARE(bar->GetPaneText(0), qs("プログラム情報、バージョン、著作権を表示します。"));
    QMenu *help = m_frame->menuBar()->actions().last()->menu();
    emit help->aboutToHide();
    QCOMPARE(bar->GetPaneText(0), qs("レディ"));

    bar->SetIndicators(true, false, true);
    QCOMPARE(bar->GetPaneText(1), qs("CAP"));
    QCOMPARE(bar->GetPaneText(2), QString());
    QCOMPARE(bar->GetPaneText(3), qs("SCRL"));
    bar->SetIndicators(false, true, false);
    QCOMPARE(bar->GetPaneText(1), QString());
    QCOMPARE(bar->GetPaneText(2), qs("NUM"));
}

void TestFrame::viewTogglesHandBackSpace()
{
    QAction *toolbar = m_frame->GetCommandAction(ID_VIEW_TOOLBAR);
    QAction *statusbar = m_frame->GetCommandAction(ID_VIEW_STATUS_BAR);
    QVERIFY(toolbar->isChecked());
    QVERIFY(statusbar->isChecked());
    const int height = m_frame->m_splitter->height();

    toolbar->trigger();
    statusbar->trigger();
    QVERIFY(m_frame->m_toolBar->isHidden());
    QVERIFY(m_frame->m_statusBar->isHidden());
    QVERIFY(!toolbar->isChecked());
    QVERIFY(!statusbar->isChecked());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QVERIFY(m_frame->m_splitter->height() > height);

    toolbar->trigger();
    statusbar->trigger();
    QVERIFY(!m_frame->m_toolBar->isHidden());
    QVERIFY(toolbar->isChecked());
    QVERIFY(statusbar->isChecked());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCOMPARE(m_frame->m_splitter->height(), height);
}

void TestFrame::browserSettingCheckMark()
{
    // The Control menu shows the item checked exactly while a browser is chosen.
    QAction *setting = m_frame->GetCommandAction(ID_BROWSER_SETTING);
    QMenu *control = nullptr;
    for (QObject *owner : setting->associatedObjects()) {
        if (auto *menu = qobject_cast<QMenu *>(owner))
            control = menu;
    }
    QVERIFY(control);
    m_frame->m_browserPath.clear();
    emit control->aboutToShow();
    QVERIFY(!setting->isChecked());
    m_frame->m_browserPath = QStringLiteral("/usr/bin/firefox");
    emit control->aboutToShow();
    QVERIFY(setting->isChecked());
    QVERIFY(setting->isEnabled());
}

void TestFrame::splitterStartsAtHalfTheWindow()
{
    CSmartSplitterWnd *splitter = m_frame->m_splitter;
    QCOMPARE(splitter->handleWidth(), 5);
    QCOMPARE(splitter->GetPane(0, 0), static_cast<QWidget *>(m_frame->m_tutorialView));
    QCOMPARE(splitter->GetPane(0, 1), static_cast<QWidget *>(m_frame->m_editorView));
    QCOMPARE(splitter->GetColumnIdeal(0), m_frame->frameGeometry().width() / 2);
    int left = 0, leftMin = -1, right = 0, rightMin = -1;
    splitter->GetColumnInfo(0, left, leftMin);
    splitter->GetColumnInfo(1, right, rightMin);
    QCOMPARE(left, m_frame->frameGeometry().width() / 2);
    QCOMPARE(leftMin, 0);
    QCOMPARE(left + 5 + right, splitter->width());
    QVERIFY(left >= right);

    // A wider window gives its width to the right column.
    const int before = left;
    m_frame->resize(1200, 700);
    splitter->GetColumnInfo(0, left, leftMin);
    QCOMPARE(left, before);
}

void TestFrame::maximiseBalancesColumns()
{
    CSmartSplitterWnd *splitter = m_frame->m_splitter;
    m_frame->OnSize(SIZE_MAXIMIZED, 1601, 900);
    int left = 0, minimum = 0;
    splitter->GetColumnInfo(0, left, minimum);
    QCOMPARE(splitter->GetColumnIdeal(0), 800);
    QCOMPARE(minimum, 100);

    // Other size types leave the columns alone.
    m_frame->OnSize(SIZE_RESTORED, 700, 500);
    QCOMPARE(splitter->GetColumnIdeal(0), 800);

    // The real window: maximised, then restored with the maximised ideal kept.
    m_frame->showMaximized();
    QTRY_VERIFY(m_frame->isMaximized());
    QTRY_COMPARE(splitter->GetColumnIdeal(0), m_frame->width() / 2);
    const int ideal = splitter->GetColumnIdeal(0);
    splitter->GetColumnInfo(0, left, minimum);
    QCOMPARE(left, ideal);
    m_frame->showNormal();
    QTRY_VERIFY(!m_frame->isMaximized());
    QCOMPARE(splitter->GetColumnIdeal(0), ideal);
}

void TestFrame::narrowMaximisedColumnIsHidden()
{
    CSmartSplitterWnd *splitter = m_frame->m_splitter;
    m_frame->OnSize(SIZE_MAXIMIZED, 150, 400);
    int left = -1, minimum = 0;
    splitter->GetColumnInfo(0, left, minimum);
    QCOMPARE(splitter->GetColumnIdeal(0), 75);
    QCOMPARE(left, 0);
    int right = 0;
    splitter->GetColumnInfo(1, right, minimum);
    QCOMPARE(right, splitter->width() - 5);
}

void TestFrame::columnDraggedBelowMinimumHides()
{
    CSmartSplitterWnd *splitter = m_frame->m_splitter;
    m_frame->showMaximized();
    QTRY_VERIFY(m_frame->isMaximized());
    m_frame->showNormal();
    QTRY_VERIFY(!m_frame->isMaximized());
    int left = 0, minimum = 0;
    splitter->GetColumnInfo(0, left, minimum);
    QCOMPARE(minimum, 100);
    QVERIFY(left > 100);

    // The bar dragged with the mouse to 50 pixels from the left edge, and let go.
    QWidget *bar = splitter->handle(1);
    const auto send = [bar, splitter](QEvent::Type type, int x, Qt::MouseButtons buttons) {
        const QPoint global = splitter->mapToGlobal(QPoint(x, 10));
        QMouseEvent event(type, bar->mapFromGlobal(global), bar->mapFromGlobal(global), global,
                          Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(bar, &event);
    };
    send(QEvent::MouseButtonPress, left + 2, Qt::LeftButton);
    send(QEvent::MouseMove, 52, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, 52, Qt::NoButton);

    QCOMPARE(splitter->GetColumnIdeal(0), 50);
    splitter->GetColumnInfo(0, left, minimum);
    QCOMPARE(left, 0);
    int right = 0;
    splitter->GetColumnInfo(1, right, minimum);
    QCOMPARE(right, splitter->width() - 5);
}

void TestFrame::setActivePaneMakesEditorActive()
{
    m_frame->m_tutorialView->setFocus();
    m_frame->SetActiveView(m_frame->m_tutorialView, false);
    m_frame->m_splitter->SetActivePane(0, 1);
    QCOMPARE(m_frame->GetActiveView(), static_cast<CView *>(m_frame->m_editorView));
    QVERIFY(m_frame->m_editorView->hasFocus());

    // Focus moving into the tutorial pane makes it the active view again.
    m_frame->m_tutorialView->setFocus();
    QCOMPARE(m_frame->GetActiveView(), static_cast<CView *>(m_frame->m_tutorialView));
}

void TestFrame::commandsGoToActiveView()
{
    CProgrammingView *editor = m_frame->m_editorView;
    editor->SetWindowText(QStringLiteral("copied text"));
    editor->selectAll();
    m_frame->m_splitter->SetActivePane(0, 1);
    QApplication::clipboard()->clear();
    QVERIFY(m_frame->RouteCommand(ID_EDIT_COPY));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("copied text"));

    // With the tutorial active, the editor's selection is not what Copy takes.
    m_frame->m_splitter->SetActivePane(0, 0);
    QVERIFY(!m_frame->QueryCommandUI(ID_EDIT_COPY).m_enabled);

    // Nobody handles a command of the application without one: it is disabled.
    QVERIFY(!m_frame->QueryCommandUI(ID_APP_ABOUT).m_enabled);
    QVERIFY(!m_frame->RouteCommand(ID_APP_ABOUT));
}

void TestFrame::commandStateFollowsSelection()
{
    CProgrammingView *editor = m_frame->m_editorView;
    QAction *copy = m_frame->GetCommandAction(ID_EDIT_COPY);
    m_frame->m_splitter->SetActivePane(0, 1);
    editor->SetWindowText(QStringLiteral("abc"));
    editor->moveCursor(QTextCursor::End);
    QVERIFY(!copy->isEnabled());
    editor->selectAll();
    QVERIFY(copy->isEnabled());
    QVERIFY(m_frame->m_toolBar->widgetForAction(copy)->isEnabled());
    editor->moveCursor(QTextCursor::Start);
    QVERIFY(!copy->isEnabled());
}

void TestFrame::titleWithoutDocument()
{
    QCOMPARE(m_frame->windowTitle(), qs("Bolto x64 Version 1.7"));
    QVERIFY(!m_frame->windowIcon().isNull());
}

QTEST_MAIN(TestFrame)
#include "tst_frame.moc"
