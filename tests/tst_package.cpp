#include "bolto.h"
#include "lessonfile.h"
#include "mainframe.h"
#include "messagebox.h"
#include "paths.h"
#include "programmingview.h"
#include "texts.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

// The Debian package as a learner gets it: unpacked into a folder of its own, started from there,
// and Run where the installed lesson folder cannot be written.
class TestPackage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void layout();
    void lessonToolRuns();
    void programOpensInstalledLesson();
    void runFromReadOnlyInstall();

private:
    QString lib() const { return m_root + QStringLiteral("/usr/lib/bolto"); }
    void runAsLearner();
    void runAsUnprivilegedLearner();

    QTemporaryDir m_tmp;
    QString m_root;
};

namespace {
QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &bytes, QFile::Permissions extra = {})
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    return !extra || QFile::setPermissions(path, QFile::permissions(path) | extra);
}

// The environment of a program started from the package: the test's own, offscreen.
QProcessEnvironment programEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}
} // namespace

void TestPackage::initTestCase()
{
    QCoreApplication::setOrganizationName(qs(Str::SettingsOrganization));
    QCoreApplication::setApplicationName(qs(Str::AppName));
    // The unprivileged half of a test runs in a child that reuses the unpacked tree.
    m_root = qEnvironmentVariable("BOLTO_PACKAGE_ROOT");
    if (!m_root.isEmpty())
        return;

    QVERIFY(m_tmp.isValid());
    const QDir debs(qEnvironmentVariable("BOLTO_DEB_DIR"));
    const QStringList found = debs.entryList({QStringLiteral("bolto_*.deb")}, QDir::Files);
    QVERIFY2(found.size() == 1, qPrintable(debs.path() + ": " + found.join(' ')));
    m_root = m_tmp.filePath(QStringLiteral("root"));
    QProcess extract;
    extract.start(QStringLiteral("dpkg-deb"), {"-x", debs.filePath(found.first()), m_root});
    QVERIFY(extract.waitForFinished(120000));
    QVERIFY2(extract.exitCode() == 0, extract.readAllStandardError().constData());
    // Readable by the unprivileged learner of runFromReadOnlyInstall.
    QVERIFY(::chmod(QFile::encodeName(m_tmp.path()).constData(), 0755) == 0);
}

void TestPackage::cleanup()
{
    SetMessageBoxHook({});
    SetProgramDirectoryOverride({});
    AfxSetMainWnd(nullptr);
}

void TestPackage::layout()
{
    for (const char *command : {"bolto", "bolto-lesson"}) {
        const QFileInfo link(m_root + QStringLiteral("/usr/bin/") + QLatin1String(command));
        QVERIFY2(link.isSymLink(), command);
        // Relative, so the tree works wherever it is unpacked.
        char target[256] = {};
        QVERIFY(::readlink(QFile::encodeName(link.filePath()).constData(), target,
                           sizeof target - 1) > 0);
        QVERIFY2(target[0] != '/', target);
        QCOMPARE(link.canonicalFilePath(), QFileInfo(lib() + '/' + command).canonicalFilePath());
    }
    for (const char *file :
         {"/usr/lib/bolto/index.html", "/usr/lib/bolto/webgl.blsh",
          "/usr/lib/bolto/webgl/html/index0.html", "/usr/share/applications/bolto.desktop",
          "/usr/share/mime/packages/bolto.xml", "/usr/share/metainfo/org.bolto.Bolto.metainfo.xml",
          "/usr/share/icons/hicolor/64x64/apps/bolto.png", "/usr/share/man/man1/bolto.1.gz",
          "/usr/share/man/man1/bolto-lesson.1.gz", "/usr/share/doc/bolto/copyright"})
        QVERIFY2(QFileInfo(m_root + QLatin1String(file)).isFile(), file);
    // What Run writes beside a lesson is never shipped.
    QVERIFY(!QFileInfo::exists(lib() + QStringLiteral("/webgl/index.html")));
}

void TestPackage::lessonToolRuns()
{
    QProcess tool;
    tool.start(m_root + QStringLiteral("/usr/bin/bolto-lesson"), {QStringLiteral("--version")});
    QVERIFY(tool.waitForFinished(30000));
    QCOMPARE(tool.exitCode(), 0);
    QCOMPARE(tool.readAllStandardOutput().trimmed(), QByteArray("bolto-lesson " BOLTO_VERSION));
}

void TestPackage::programOpensInstalledLesson()
{
    // The engine's own debugging service tells which page the started program shows.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();

    QProcessEnvironment env = programEnvironment();
    env.insert(QStringLiteral("QTWEBENGINE_REMOTE_DEBUGGING"),
               QStringLiteral("127.0.0.1:") + QString::number(port));
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(m_root + QStringLiteral("/usr/bin/bolto"),
                  {lib() + QStringLiteral("/webgl.blsh")});
    QVERIFY(program.waitForStarted());
    const auto stop = qScopeGuard([&] {
        program.kill();
        program.waitForFinished();
    });

    const QString firstPage =
        QUrl::fromLocalFile(QFileInfo(lib()).canonicalFilePath() + "/webgl/html/index0.html")
            .toString();
    QNetworkAccessManager network;
    QStringList shown;
    const bool loaded = QTest::qWaitFor(
        [&] {
            if (program.state() != QProcess::Running)
                return true;
            std::unique_ptr<QNetworkReply> reply(network.get(
                QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/json/list").arg(port)))));
            if (!QTest::qWaitFor([&] { return reply->isFinished(); }, 5000))
                return false;
            shown.clear();
            for (const QJsonValue page : QJsonDocument::fromJson(reply->readAll()).array())
                shown.append(page.toObject().value(QStringLiteral("url")).toString());
            return shown.contains(firstPage);
        },
        90000);
    QVERIFY2(loaded && program.state() == QProcess::Running, qPrintable(shown.join(' ')));
}

void TestPackage::runFromReadOnlyInstall()
{
    // Permission bits do not stop root: the learner's road is walked by an ordinary user.
    if (::geteuid() == 0)
        runAsUnprivilegedLearner();
    else
        runAsLearner();
}

void TestPackage::runAsUnprivilegedLearner()
{
    const passwd *nobody = ::getpwnam("nobody");
    const QString runuser = QStandardPaths::findExecutable(
        QStringLiteral("runuser"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    QVERIFY2(nobody && !runuser.isEmpty(), "runuser and the user nobody are needed");

    // A home of the learner's own, and a copy of this test where the learner can run it.
    const QString home = m_tmp.filePath(QStringLiteral("learner"));
    for (const QString &dir :
         {home, home + "/config", home + "/data", home + "/cache", home + "/runtime"}) {
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(::chown(QFile::encodeName(dir).constData(), nobody->pw_uid, nobody->pw_gid) == 0);
    }
    QVERIFY(::chmod(QFile::encodeName(home + "/runtime").constData(), 0700) == 0);
    const QString self = home + QStringLiteral("/tst_package");
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), self));

    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    QStringList arguments = {"-u",
                             "nobody",
                             "--",
                             "env",
                             "HOME=" + home,
                             "XDG_CONFIG_HOME=" + home + "/config",
                             "XDG_DATA_HOME=" + home + "/data",
                             "XDG_CACHE_HOME=" + home + "/cache",
                             "XDG_RUNTIME_DIR=" + home + "/runtime",
                             "BOLTO_PACKAGE_ROOT=" + m_root};
    for (const char *name :
         {"QT_QPA_PLATFORM", "QTWEBENGINE_DISABLE_SANDBOX", "QTWEBENGINE_CHROMIUM_FLAGS", "PATH",
          "ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
        arguments.append(QLatin1String(name) + '=' + qEnvironmentVariable(name));
    arguments << self << QStringLiteral("runFromReadOnlyInstall");
    child.start(runuser, arguments);
    QVERIFY(child.waitForFinished(180000));
    const QByteArray output = child.readAll();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
             output.constData());
    QVERIFY2(output.contains("PASS   : TestPackage::runFromReadOnlyInstall()"), output.constData());
    QVERIFY(!QFileInfo::exists(lib() + QStringLiteral("/webgl/index.html")));
}

void TestPackage::runAsLearner()
{
    // A developer who unpacked the package owns its files: take the write bits away for the run.
    const bool owned = QFileInfo(lib()).ownerId() == ::geteuid();
    QStringList madeReadOnly;
    if (owned) {
        QDirIterator it(lib(), QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        madeReadOnly.append(lib());
        while (it.hasNext())
            madeReadOnly.append(it.next());
        for (const QString &dir : madeReadOnly)
            QVERIFY(::chmod(QFile::encodeName(dir).constData(), 0555) == 0);
    }
    const auto restore = qScopeGuard([&] {
        for (const QString &dir : madeReadOnly)
            ::chmod(QFile::encodeName(dir).constData(), 0755);
    });

    QStringList messages;
    SetMessageBoxHook([&](const QString &text, unsigned) {
        messages.append(text);
        return IDOK;
    });
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QVERIFY(QDir().mkpath(data));
    const QString log = data + QStringLiteral("/browser.log");
    const QString browser = data + QStringLiteral("/browser.sh");
    QVERIFY(writeFile(browser, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + log.toUtf8() + "'\n",
                      QFile::ExeOwner));
    QSettings(qs(Str::SettingsOrganization), qs(Str::AppName))
        .setValue(QStringLiteral("Bolto/WebGLBrowser"), browser);

    SetProgramDirectoryOverride(lib().toStdString() + '/');
    theLesson.Reset();
    QCOMPARE(
        LoadLessonFile((lib() + QStringLiteral("/webgl.blsh")).toStdString(), theLesson).m_cause,
        LessonFileStatus::ok);
    auto frame = std::make_unique<CMainFrame>();
    AfxSetMainWnd(frame.get());
    frame->LoadBrowserSetting();
    frame->m_editorView->SetWindowText(QStringLiteral("<p>mine</p>"));

    frame->OnRun();

    QCOMPARE(messages, QStringList());
    const QString mirror = data + QStringLiteral("/run/webgl");
    QCOMPARE(frame->m_exportPath, mirror + QStringLiteral("/index.html"));
    QCOMPARE(readFile(frame->m_exportPath), QByteArray("<p>mine</p>"));
    QVERIFY(!QFileInfo::exists(lib() + QStringLiteral("/webgl/index.html")));
    // The lesson's own files are found beside the page, under the same names.
    QCOMPARE(readFile(mirror + QStringLiteral("/html/style.css")),
             readFile(lib() + QStringLiteral("/webgl/html/style.css")));
    QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(log); }, 30000));
    QCOMPARE(readFile(log), frame->m_exportPath.toUtf8() + '\n');
}

QTEST_MAIN(TestPackage)
#include "tst_package.moc"
