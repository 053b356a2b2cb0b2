// A second baseline for the start-up row of `make bench`: the Qt parts the program's window is
// made of, with nothing of the program's. A menu bar, a toolbar of pictures with Japanese names
// under them, a status bar, a web view beside a plain text editor in the editor's font, the
// settings read, an SQLite database opened through Qt SQL, and the same libraries linked (Qt
// Multimedia for the copy sound among them). It loads one page into the web view and prints, as
// the bare web view does,
//   firstpage <CLOCK_MONOTONIC ns>
// once the load finished, and quits. What the program takes beyond this is its own.
//
//   bolto-bare-window URL WIDTH HEIGHT DATABASE

#include "firstpage.h"

#include <QApplication>
#include <QIcon>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSoundEffect>
#include <QSplitter>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>
#include <QWebEngineView>

#include <cstdio>

namespace {
void fillMenus(QMenuBar *bar)
{
    const char *const menus[][4] = {
        {"ファイル(&F)", "開く(&O)...", "最近使ったファイル", "アプリケーションの終了(&X)"},
        {"編集(&E)", "元に戻す(&U)", "切り取り(&T)", "貼り付け(&P)"},
        {"制御(&C)", "実行(&R)", "ブラウザの設定(&B)...", nullptr},
        {"表示(&V)", "ツール バー(&T)", "ステータス バー(&S)", nullptr},
        {"ヘルプ(&H)", "登録情報の削除(&D)", "バージョン情報(&A)...", nullptr},
    };
    for (const auto &menu : menus) {
        QMenu *popup = bar->addMenu(QString::fromUtf8(menu[0]));
        for (int i = 1; i < 4 && menu[i]; ++i)
            popup->addAction(QString::fromUtf8(menu[i]));
    }
}

void fillToolBar(QToolBar *toolBar)
{
    const char *const buttons[][2] = {{"open", "開く"},  {"cut", "切取"}, {"copy", "ｺﾋﾟｰ"},
                                      {"paste", "貼付"}, {"run", "実行"}, {"help", "ﾍﾙﾌﾟ"}};
    toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolBar->setIconSize(QSize(16, 16));
    for (const auto &button : buttons) {
        QAction *action = toolBar->addAction(
            QIcon(QStringLiteral(BOLTO_ICON_DIR "/%1.png").arg(QLatin1String(button[0]))),
            QString::fromUtf8(button[1]));
        action->setToolTip(action->text());
    }
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: bolto-bare-window URL WIDTH HEIGHT DATABASE\n");
        return 2;
    }
    QCoreApplication::setOrganizationName(QStringLiteral("bolto-bare-window"));
    (void)QSettings().value(QStringLiteral("Recent File List/File1"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(BOLTO_ICON_DIR "/bolto.png")));

    QMainWindow window;
    auto *splitter = new QSplitter(&window);
    auto *view = new QWebEngineView(splitter);
    auto *editor = new QPlainTextEdit(splitter);
    QFont font = editor->font();
    font.setFamilies({QStringLiteral("Noto Sans Mono CJK JP"), font.family()});
    font.setStyleStrategy(QFont::PreferNoShaping);
    editor->setFont(font);
    editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    editor->document()->setDocumentMargin(0);
    window.setCentralWidget(splitter);
    fillMenus(window.menuBar());
    auto *toolBar = new QToolBar(&window);
    fillToolBar(toolBar);
    window.addToolBar(toolBar);
    window.statusBar()->showMessage(QString::fromUtf8("レディ"));

    // Linked as the copy sound's player is, which is made at the first copy.
    (void)QSoundEffect::staticMetaObject.className();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(args[4]);
        if (!db.open())
            qFatal("no database");
        QSqlQuery query(db);
        query.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        query.exec(
            QStringLiteral("CREATE TABLE IF NOT EXISTS lesson (path BLOB PRIMARY KEY, page INT)"));
        query.exec(QStringLiteral("SELECT page FROM lesson WHERE path = x'00'"));
    }

    QObject::connect(view, &QWebEngineView::loadFinished, &app, [&](bool ok) {
        PrintFirstPage(ok ? "" : " failed");
        QCoreApplication::quit();
    });
    window.resize(args[2].toInt(), args[3].toInt());
    view->load(QUrl(args[1]));
    window.show();
    return QApplication::exec();
}
