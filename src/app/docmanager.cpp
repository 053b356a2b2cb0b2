#include "docmanager.h"

#include "html5doc.h"
#include "mainframe.h"
#include "texts.h"

#include <QDir>
#include <QFileInfo>

CDocManager::CDocManager(QObject *parent) : QObject(parent), m_pOnlyDoc(new CHTML5Doc(this)) {}

CDocManager::~CDocManager()
{
    destroyFrame();
}

void CDocManager::destroyFrame()
{
    if (AfxGetMainWnd() == m_pFrame)
        AfxSetMainWnd(nullptr);
    delete m_pFrame;
    m_pFrame = nullptr;
}

CHTML5Doc *CDocManager::OpenDocumentFile(const QString &path, bool makeVisible, bool *cancelled)
{
    if (cancelled)
        *cancelled = false;
    CHTML5Doc *doc = m_pOnlyDoc;
    const QString fullPath =
        path.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(path).absoluteFilePath());

    if (!fullPath.isEmpty() && m_pFrame && doc->GetPathName() == fullPath) {
        m_pFrame->ActivateFrame();
        return doc;
    }
    if (m_pFrame && !doc->SaveModified()) {
        if (cancelled)
            *cancelled = true;
        return nullptr;
    }

    bool created = false;
    if (!m_pFrame) {
        m_pFrame = new CMainFrame;
        m_pFrame->SetDocument(doc);
        created = true;
    }

    if (fullPath.isEmpty()) {
        doc->SetTitle(qs(Str::Untitled));
        if (!doc->OnNewDocument()) {
            if (created)
                destroyFrame();
            return nullptr;
        }
    } else {
        const bool wasModified = doc->IsModified();
        doc->SetModifiedFlag(false);
        if (!doc->OnOpenDocument(fullPath)) {
            if (created) {
                destroyFrame();
            } else if (!doc->IsModified()) {
                // Nothing was read: the document is as it was.
                doc->SetModifiedFlag(wasModified);
            } else {
                // A partial read spoilt the lesson: start over with an empty one.
                doc->SetTitle(qs(Str::Untitled));
                doc->OnNewDocument();
            }
            return nullptr;
        }
        doc->SetPathName(fullPath, true);
    }

    if (created && !AfxGetMainWnd())
        AfxSetMainWnd(m_pFrame);
    m_pFrame->InitialUpdateFrame(makeVisible);
    return doc;
}
