#pragma once

#include "cmdtarget.h"

#include <QObject>
#include <QString>

class CArchive;

// The one document: decides which files are lessons, loads them into theLesson and makes the
// panes start over. Lessons are never written: saving succeeds without touching any file.
class CHTML5Doc : public QObject, public CCmdTarget
{
    Q_OBJECT

public:
    explicit CHTML5Doc(QObject *parent = nullptr);

    virtual void Serialize(CArchive &ar);
    virtual bool OnNewDocument();
    virtual bool OnOpenDocument(const QString &path);
    virtual bool OnSaveDocument(const QString &path);
    // The lesson outlives a failed load on purpose: what was read stays until the next reset.
    virtual void DeleteContents() {}

    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(CCmdUI &ui) override;

    // The Open command: its own dialog, no save prompt, straight into OnOpenDocument.
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();

    // Asks whether to save a modified document; false when the user cancels.
    bool SaveModified();
    // Saves under the document's path, or asks for one (Save As) where the file is missing or
    // read-only; false when the user cancels.
    bool DoFileSave();
    // Saves under `path`, or asks for a path when it is empty; with `replace` the saved path
    // becomes the document's.
    bool DoSave(const QString &path, bool replace = true);

    QString GetTitle() const { return m_strTitle; }
    void SetTitle(const QString &title);
    QString GetPathName() const { return m_strPathName; }
    // Stores the absolute path, shows the file name as the title and, with addToMru, puts the
    // path at the top of the recent-file list.
    void SetPathName(const QString &path, bool addToMru = true);
    void ClearPathName() { m_strPathName.clear(); }
    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

    // The title shown for a path: the file name with its extension.
    static QString DisplayTitle(const QString &path);
    // True when the path's last component ends in ".blsh", in any ASCII letter case.
    static bool HasLessonExtension(const QString &path);

signals:
    void titleChanged(const QString &title);
    // A lesson was read (`path`), or the document became a new one (empty path): the panes are
    // about to start over, and whatever belongs to the lesson before must be kept now.
    void lessonOpened(const QString &path);

private:
    // Opens, reads and closes the file, reporting any failure to the user.
    bool ReadLessonFile(const QString &path);

    QString m_strTitle;
    QString m_strPathName;
    bool m_bModified = false;
};
