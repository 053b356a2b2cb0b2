#pragma once

#include "cmdtarget.h"

#include <QObject>
#include <QStringList>

class CHTML5Doc;
class CMainFrame;

// Starts the program: settings, the document, the main window, the shell registration and the
// command line.
class CHTML5App : public QObject, public CCmdTarget
{
    Q_OBJECT

public:
    explicit CHTML5App(QObject *parent = nullptr);
    ~CHTML5App() override;

    // False when the program should end at once.
    bool InitInstance(const QStringList &arguments);

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI &ui) override;

    CHTML5Doc *m_document = nullptr;
    CMainFrame *m_mainFrame = nullptr;
};

CHTML5App *AfxGetApp();
