#include "html5doc.h"

#include "bolto.h"

CHTML5Doc::CHTML5Doc(QObject *parent) : QObject(parent) {}

void CHTML5Doc::Serialize(CArchive &ar)
{
    theLesson.Serialize(ar);
}

bool CHTML5Doc::OnNewDocument()
{
    theLesson.Reset();
    return true;
}

bool CHTML5Doc::OnOpenDocument(const QString &path)
{
    (void)path;
    return false;
}

bool CHTML5Doc::OnSaveDocument(const QString &path)
{
    (void)path;
    return true;
}

bool CHTML5Doc::OnCmdMsg(int id)
{
    (void)id;
    return false;
}

bool CHTML5Doc::OnUpdateCmdUI(CCmdUI &ui)
{
    (void)ui;
    return false;
}

void CHTML5Doc::SetTitle(const QString &title)
{
    m_strTitle = title;
    emit titleChanged(title);
}

void CHTML5Doc::SetPathName(const QString &path, bool addToMru)
{
    (void)addToMru;
    m_strPathName = path;
}
