#pragma once

// What a lesson author needs from the player: opening a lesson at any step with the program as
// the earlier steps leave it, and reloading the lesson when its file changes on disk, on the
// same page with the learner's text kept.

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

class CHTML5Doc;
class CHTML5View;
class CProgrammingView;

class CAuthoring : public QObject
{
    Q_OBJECT

public:
    CAuthoring(CHTML5View *tutorial, CProgrammingView *editor, QObject *parent = nullptr);

    // Follows the document's lesson file: watches the file it has open.
    void SetDocument(CHTML5Doc *document);

    // Shows step `step` (1-based, as the page's 「ステップ n / N」 counts) with the program the
    // steps before it give. False, with the reason in `error`, when the lesson has no such step
    // or an earlier step cannot be carried out.
    bool ShowStep(int step, QString *error);

    // The page the lesson's pages are numbered by, as a path the tutorial pane can load.
    static QString PagePath(int page);

signals:
    // After a reload from disk; `ok` is false when the changed file could not be read, and the
    // lesson as it was stays.
    void lessonReloaded(bool ok);

private:
    void watchDocument();
    void reload();

    CHTML5View *m_tutorial;
    CProgrammingView *m_editor;
    CHTML5Doc *m_document = nullptr;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QString m_path;
};
