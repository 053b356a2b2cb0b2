#include "html5app.h"

#include "aboutdlg.h"
#include "authoring.h"
#include "boltoresources.h"
#include "docmanager.h"
#include "filedialog.h"
#include "guidewindow.h"
#include "html5doc.h"
#include "lessonprogress.h"
#include "mainframe.h"
#include "messagebox.h"
#include "recentfilelist.h"
#include "resource.h"
#include "shellfiletypes.h"
#include "texts.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QPointer>
#include <QSettings>
#include <QTranslator>

#include <cstdio>

namespace {
CHTML5App *g_app = nullptr;

// Qt's own texts (standard buttons, the file dialog's labels and messages) speak Japanese like the
// rest of the program. Without Qt's translations installed they stay English.
void installQtTranslations()
{
    static QPointer<QTranslator> translator;
    if (translator)
        return;
    auto *loaded = new QTranslator(QCoreApplication::instance());
    if (!loaded->load(QStringLiteral("qtbase_ja"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete loaded;
        return;
    }
    QCoreApplication::installTranslator(loaded);
    translator = loaded;
}
} // namespace

CHTML5App *AfxGetApp()
{
    return g_app;
}

CHTML5App::CHTML5App(QObject *parent) : QObject(parent)
{
    g_app = this;
}

CHTML5App::~CHTML5App()
{
    // The window goes before the application object that its commands reach.
    delete m_pDocManager;
    m_pDocManager = nullptr;
    if (g_app == this)
        g_app = nullptr;
}

CCommandLineInfo CHTML5App::ParseCommandLine(const QStringList &arguments)
{
    CCommandLineInfo info;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        const QString flag = arg.toLower();
        // For lesson authors: --step N or --step=N.
        if (flag == QLatin1String("--step") && i + 1 < arguments.size()) {
            info.m_step = arguments.at(++i).toInt();
            continue;
        }
        if (flag.startsWith(QLatin1String("--step="))) {
            info.m_step = arg.mid(7).toInt();
            continue;
        }
        if (flag == QLatin1String("/unregister") || flag == QLatin1String("/unregserver") ||
            flag == QLatin1String("--unregister") || flag == QLatin1String("-unregister")) {
            info.m_unregister = true;
        } else if (arg.startsWith(QLatin1Char('-'))) {
            // Other switches mean nothing here and are passed over.
        } else if (info.m_strFileName.isEmpty()) {
            info.m_strFileName = arg;
        }
    }
    return info;
}

void CHTML5App::LoadStdProfileSettings(int maxMru)
{
    m_pRecentFileList = std::make_unique<CRecentFileList>(QStringLiteral("Recent File List"),
                                                          QStringLiteral("File%1"), maxMru);
    m_pRecentFileList->ReadList();
    // Read for compatibility; nothing here prints.
    (void)QSettings().value(QStringLiteral("Settings/PreviewPages"), 0).toInt();
}

bool CHTML5App::InitInstance(const QStringList &arguments)
{
    QCoreApplication::setOrganizationName(qs(Str::SettingsOrganization));
    QCoreApplication::setApplicationName(qs(Str::AppName));
    InitBoltoResources();
    installQtTranslations();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/bolto.png")));
    LoadStdProfileSettings(4);

    delete m_pDocManager;
    m_pDocManager = new CDocManager(this);
    m_document = m_pDocManager->GetDocument();

    const CCommandLineInfo info = ParseCommandLine(arguments);
    if (info.m_unregister) {
        UnregisterShellFileTypes();
        return false;
    }
    RegisterShellFileTypes(QCoreApplication::applicationFilePath());

    const bool ok = info.m_strFileName.isEmpty()
                        ? m_pDocManager->OnFileNew() != nullptr
                        : m_pDocManager->OpenDocumentFile(info.m_strFileName) != nullptr;
    m_mainFrame = m_pDocManager->GetFrame();
    if (!ok || !m_mainFrame)
        return false;

    m_mainFrame->show();
    m_mainFrame->DragAcceptFiles(true);
    if (info.m_step > 0 && m_mainFrame->m_authoring) {
        // The step asked for is shown, not the learner's saved place, and it is not saved over.
        if (m_mainFrame->m_progress)
            m_mainFrame->m_progress->SetKeeping(false);
        QString error;
        if (!m_mainFrame->m_authoring->ShowStep(info.m_step, &error))
            std::fprintf(stderr, "bolto: --step %d: %s\n", info.m_step, qPrintable(error));
    }
    return true;
}

CHTML5Doc *CHTML5App::OpenDocumentFile(const QString &path)
{
    return m_pDocManager ? m_pDocManager->OpenDocumentFile(path) : nullptr;
}

void CHTML5App::AddToRecentFileList(const QString &path)
{
    if (m_pRecentFileList)
        m_pRecentFileList->Add(path);
}

void CHTML5App::OnFileNew()
{
    if (m_pDocManager)
        m_pDocManager->OnFileNew();
}

void CHTML5App::OnFileOpen()
{
    FileDialogRequest request;
    request.kind = FileDialogRequest::Open;
    request.filter = qs(Str::FilterName);
    request.defaultSuffix = qs(Str::LessonExtension);
    if (const std::optional<QString> path = RunFileDialog(m_mainFrame, request))
        OpenDocumentFile(*path);
}

void CHTML5App::OnAppAbout()
{
    CAboutDlg about(m_mainFrame);
    connect(&about, &CAboutDlg::GuideRequested, this, [this] { ShowLearnerGuide(m_mainFrame); });
    about.DoModal();
}

void CHTML5App::OnAppExit()
{
    if (m_mainFrame)
        m_mainFrame->close();
}

void CHTML5App::OnDeleteRegistry()
{
    UnregisterShellFileTypes();
    AfxMessageBox(qs(Str::RegistryDeleted), MB_OK | MB_ICONEXCLAMATION);
}

bool CHTML5App::OnOpenRecentFile(int id)
{
    const int index = id - ID_FILE_MRU_FILE1;
    if (!m_pRecentFileList || index < 0 || index >= m_pRecentFileList->GetCount())
        return false;
    const QString path = (*m_pRecentFileList)[index];
    bool cancelled = false;
    if (!m_pDocManager->OpenDocumentFile(path, true, &cancelled) && !cancelled) {
        // The open failed: an entry that does not open has no place in the list. The list may
        // have changed meanwhile, so the path is looked up again.
        for (int i = 0; i < m_pRecentFileList->GetCount(); ++i) {
            if ((*m_pRecentFileList)[i] == path) {
                m_pRecentFileList->Remove(i);
                break;
            }
        }
    }
    return true;
}

bool CHTML5App::OnCmdMsg(int id)
{
    switch (id) {
    case ID_APP_ABOUT:
        OnAppAbout();
        return true;
    case ID_FILE_NEW:
        OnFileNew();
        return true;
    case ID_FILE_OPEN:
        OnFileOpen();
        return true;
    case ID_APP_EXIT:
        OnAppExit();
        return true;
    case ID_DELETE_REGISTRY:
        OnDeleteRegistry();
        return true;
    default:
        if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_LAST)
            return OnOpenRecentFile(id);
        return false;
    }
}

bool CHTML5App::OnUpdateCmdUI(CCmdUI &ui)
{
    switch (ui.m_nID) {
    case ID_APP_ABOUT:
    case ID_FILE_NEW:
    case ID_FILE_OPEN:
    case ID_APP_EXIT:
    case ID_DELETE_REGISTRY:
        return true;
    default:
        if (ui.m_nID >= ID_FILE_MRU_FILE1 && ui.m_nID <= ID_FILE_MRU_LAST) {
            ui.Enable(m_pRecentFileList &&
                      ui.m_nID - ID_FILE_MRU_FILE1 < m_pRecentFileList->GetCount());
            return true;
        }
        return false;
    }
}
