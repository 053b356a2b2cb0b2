#pragma once

#include <QObject>
#include <QString>

class CHTML5Doc;
class CMainFrame;

// The road that opens lessons from the command line, the recent-file list and dropped files,
// and makes new documents: the one document and the one main window it binds together.
//
// An open first asks to save a modified document, then reads the file; a path equal to the
// open document's is not read again, the window is only brought forward. After an open or New
// every view gets its initial update. The first successful open or New creates the window and
// makes it the main window.
class CDocManager : public QObject
{
    Q_OBJECT

public:
    explicit CDocManager(QObject *parent = nullptr);
    ~CDocManager() override;

    // Opens the lesson at `path`, or makes a new document when `path` is empty. Returns the
    // document, or nullptr when the open failed or the user cancelled the save prompt
    // (`cancelled` then tells which).
    CHTML5Doc *OpenDocumentFile(const QString &path, bool makeVisible = true,
                                bool *cancelled = nullptr);
    CHTML5Doc *OnFileNew() { return OpenDocumentFile(QString()); }

    CHTML5Doc *GetDocument() const { return m_pOnlyDoc; }
    CMainFrame *GetFrame() const { return m_pFrame; }

private:
    void destroyFrame();

    CHTML5Doc *m_pOnlyDoc = nullptr;
    CMainFrame *m_pFrame = nullptr;
};
