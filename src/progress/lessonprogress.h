#pragma once

#include "progressstore.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

// The learner's progress in the open lesson: their program, the page they are on, the steps they
// have finished and the history of snapshots, kept in a CProgressStore so that nothing is lost.
//
// The frame owns one and hands it to the panes. The editor reports edits (NoteEdited) and
// finished steps (MarkStepDone) and lends its text and caret (SetEditorProbe); the tutorial pane
// reports the page it shows (NotePageShown) and asks IsStepDone. The progress answers by signals:
// programReplaced (set the editor's text), pageRequested (show that page), caretRestored,
// stepStateChanged and statusMessage.
//
// For other features:
//  - DoneSteps(), IsStepDone(page): the steps finished in the open lesson.
//  - TakeSnapshot(reason): keeps the current program in the history, e.g. before a change the
//    learner did not type. ReplaceProgram(text, reason) snapshots, then puts `text` in the editor
//    and saves; nothing is lost, the old program is one RestoreSnapshot away.
//  - ReadSummary(lessonPath): what is saved for any lesson (page, done steps) without opening it.
//  - Snapshots(), RestoreSnapshot(id), StartOver(), ReopenStep(page): the history and its commands.
// A store that fails (corrupt, locked, read-only, full disk) is reported once in a message box;
// the program goes on working and saving is tried again later.
class CLessonProgress final : public QObject
{
    Q_OBJECT

public:
    // What the editor lends for a save.
    struct EditorState
    {
        QString program;
        int caretAnchor = 0;
        int caretPosition = 0;
        int firstLine = 0;
    };
    using EditorProbe = std::function<EditorState()>;

    struct Summary
    {
        int page = -1;
        int doneCount = 0;
        QSet<int> doneSteps;
        QDateTime savedAt;
    };

    // Reasons a snapshot is taken, as the history lists them.
    static const QString ReasonStep;      // a step was finished
    static const QString ReasonRestore;   // the program before an older one was brought back
    static const QString ReasonStartOver; // the program before starting over
    static const QString ReasonKept;      // a saved program found when saving again after a fault

    explicit CLessonProgress(std::unique_ptr<CProgressStore> store, QObject *parent = nullptr);
    ~CLessonProgress() override;
    Q_DISABLE_COPY_MOVE(CLessonProgress)

    // Uses another store from now on (tests put theirs in a folder of their own).
    void SetStore(std::unique_ptr<CProgressStore> store);
    CProgressStore *Store() const { return m_store.get(); }

    void SetEditorProbe(EditorProbe probe) { m_probe = std::move(probe); }

    // Saves the lesson now open, then follows `lessonPath` (empty: no lesson, nothing is kept).
    // What was saved for it comes back with the next turn of the event loop: the program, the
    // done steps, the page and, once that page shows, the caret and scroll position.
    void OpenLesson(const QString &lessonPath);
    QString LessonPath() const { return m_path; }
    // false: lessons opened from now on are neither resumed nor saved, as when an author opens
    // a lesson at a step; the lesson open now is let go without saving.
    void SetKeeping(bool keep);
    bool HasLesson() const { return !m_path.isEmpty(); }
    // True from OpenLesson until the saved state is back in the panes.
    bool IsResuming() const { return m_pending.has_value(); }

    int Page() const { return m_page; }
    QSet<int> DoneSteps() const { return m_done; }
    bool IsStepDone(int page) const { return m_done.contains(page); }

    // From the panes.
    void NoteEdited();
    void NotePageShown(int page);
    void NotePageLoaded(int page);
    // `snapshot`: keep the program in the history as the step's (not for steps caught up).
    void MarkStepDone(int page, bool snapshot = true);

    // Commands. Each keeps a snapshot first where it changes the program.
    void ReopenStep(int page);
    void StartOver();
    bool TakeSnapshot(const QString &reason);
    void ReplaceProgram(const QString &text, const QString &reason);
    QList<CSnapshot> Snapshots();
    bool RestoreSnapshot(qint64 id);

    // Writes the open lesson's state now; false when the store failed (already reported).
    bool SaveNow();

    std::optional<Summary> ReadSummary(const QString &lessonPath);

    // The key a lesson is known by: its resolved absolute path.
    static QString LessonKey(const QString &lessonPath);
    // A hash of the lesson file's bytes; empty when it cannot be read.
    static QString LessonHash(const QString &lessonPath);

signals:
    void programReplaced(const QString &text);
    void pageRequested(int page);
    void caretRestored(int anchor, int position, int firstLine);
    void stepStateChanged(int page, bool done);
    void statusMessage(const QString &text);
    void pageChanged(int page);
    void historyChanged();

private:
    bool ensureOpen();
    void reportFailure(const QString &error);
    void resume();
    EditorState editorState() const;
    bool keepUnloadedRecord(QString *error);

    std::unique_ptr<CProgressStore> m_store;
    EditorProbe m_probe;
    QString m_path;
    QString m_hash;
    bool m_keeping = true;
    int m_page = -1;
    QSet<int> m_done;
    bool m_hasRecord = false;
    bool m_loadFailed = false;
    std::optional<CLessonRecord> m_pending;
    std::optional<CLessonRecord> m_caretPending;
    bool m_failureReported = false;
    QTimer m_saveTimer;
    QTimer m_retryTimer;
};
