#pragma once

#include "cmdtarget.h"

#include <QObject>
#include <QStringList>

#include <memory>

class CDocManager;
class CHTML5Doc;
class CMainFrame;
class CRecentFileList;

// What the command line asks for.
struct CCommandLineInfo
{
    QString m_strFileName; // the lesson to open; empty: a new document
    bool m_unregister = false;
    int m_step = 0; // --step N: open the lesson at step N (1-based); 0: at its start
};

// Starts the program: settings, the document, the main window, the shell registration and the
// command line. Commands reach it last, after the active view, the document and the frame.
class CHTML5App : public QObject, public CCmdTarget
{
    Q_OBJECT

public:
    explicit CHTML5App(QObject *parent = nullptr);
    ~CHTML5App() override;

    // False when the program should end at once.
    bool InitInstance(const QStringList &arguments);

    static CCommandLineInfo ParseCommandLine(const QStringList &arguments);

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI &ui) override;

    // Opens a lesson through the document manager (save prompt, same-path check, recent list).
    CHTML5Doc *OpenDocumentFile(const QString &path);
    void AddToRecentFileList(const QString &path);

    void OnFileNew();
    void OnFileOpen();
    void OnAppAbout();
    void OnAppExit();
    void OnDeleteRegistry();
    bool OnOpenRecentFile(int id);

    CHTML5Doc *m_document = nullptr;
    CMainFrame *m_mainFrame = nullptr;
    CDocManager *m_pDocManager = nullptr;
    std::unique_ptr<CRecentFileList> m_pRecentFileList;

private:
    void LoadStdProfileSettings(int maxMru);
};

CHTML5App *AfxGetApp();
