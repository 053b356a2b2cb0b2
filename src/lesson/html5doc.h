#pragma once

#include "cmdtarget.h"

#include <QObject>
#include <QString>

class CArchive;

// The one document: decides which files are lessons, loads them into theLesson and makes the
// panes start over. Lessons are never written.
class CHTML5Doc : public QObject, public CCmdTarget
{
    Q_OBJECT

public:
    explicit CHTML5Doc(QObject *parent = nullptr);

    virtual void Serialize(CArchive &ar);
    virtual bool OnNewDocument();
    virtual bool OnOpenDocument(const QString &path);
    virtual bool OnSaveDocument(const QString &path);

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI &ui) override;

    QString GetTitle() const { return m_strTitle; }
    void SetTitle(const QString &title);
    QString GetPathName() const { return m_strPathName; }
    void SetPathName(const QString &path, bool addToMru = true);
    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

signals:
    void titleChanged(const QString &title);

private:
    QString m_strTitle;
    QString m_strPathName;
    bool m_bModified = false;
};
