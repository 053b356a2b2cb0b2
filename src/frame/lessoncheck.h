#pragma once

// The learner's program measured against the lesson's expected program: the check after every
// finished step and every pause in typing, the page's lines followed into the learner's program,
// comparing and catching up. The frame owns it and hands it to the editor and the gutter.

#include "lessoncompare.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <array>
#include <memory>
#include <set>
#include <string>
#include <vector>

class CBolto;
class CProgrammingView;

// What the check needs of the learner's progress. Until a progress object is connected, the
// check keeps the steps done in this session itself and the editor's undo keeps what it replaced.
class CLessonProgressLink
{
public:
    virtual ~CLessonProgressLink() = default;
    virtual bool IsStepDone(int page) const = 0;
    virtual void MarkStepDone(int page) = 0;
    // Called before the program is replaced, so the learner can go back to it.
    virtual void TakeSnapshot(const QString &reason) = 0;
    // False while the progress follows no lesson: the check keeps the done steps itself then.
    virtual bool KeepsSteps() const { return true; }
};

class CLessonCheck : public QObject
{
    Q_OBJECT

public:
    enum State {
        noLesson,   // no lesson with pages, or no lesson page shown
        matches,    // the learner's program is the expected one
        differs,    // it is not
        notReplayed // the lesson cannot be replayed up to this page
    };

    explicit CLessonCheck(QObject *parent = nullptr);
    ~CLessonCheck() override;

    // The editor whose program is checked; its changes start the checks.
    void SetEditor(CProgrammingView *editor);
    // nullptr: the check's own record of done steps.
    void SetProgressLink(std::unique_ptr<CLessonProgressLink> link);
    CLessonProgressLink *GetProgressLink() const { return m_link.get(); }

    // Compares now instead of after the pause.
    void CheckNow();
    // Another lesson was opened, or the same one again with an empty program: the steps done
    // that the check kept itself no longer hold.
    void ForgetDoneSteps();

    State GetState() const { return m_state; }
    int DifferentLineCount() const { return m_comparison.DifferentLineCount(); }
    // 1-based lines of the learner's program that the last check found different.
    bool IsDifferentLine(int line) const;
    const std::vector<int> &DifferentLines() const;
    // The status pane's text: "手本どおり", "手本と違う行: N", or a note.
    QString StatusText() const;

    // The current page's lines in the learner's program, found afresh against the program before
    // the page's step; the stored numbers where that fails. For the editor's selection.
    CPageLines FollowPage(int page);
    // The same as the last check found them, for painting the arrows.
    CPageLines GutterLines(int page) const;

    // Whether the current page has an expected program to compare with; otherwise a note says
    // why not.
    bool CanCompare(QString *note = nullptr);
    // The expected program the check compares with now (before or after the page's step), and
    // the learner's program, in code page 932 with CR LF.
    std::string ExpectedProgram() const;
    std::string LearnerProgram() const;

    // Replaces the learner's program with `program` after a snapshot, as one undo step.
    void ReplaceProgram(const std::string &program, const QString &reason);
    // Brings the program up to the one expected before the current page by a three-way merge.
    // Returns what the status bar should say. On a conflict nothing is applied, `conflict` is
    // set and `theirs` is the program expected before the page, for the compare window.
    QString CatchUp(bool *conflict, std::string *theirs);

signals:
    // A check finished: the status pane and the gutter follow.
    void Checked();
    // The learner typed the page's step: the program now is the one after it.
    void StepCompletedByHand(int page);
    // A short note for the status bar's message pane.
    void Note(const QString &text);

private:
    void onTextChanged();
    void afterEdit();
    void refreshLesson();
    void compareWith(int page, bool done);
    bool pageDoneInEditor() const;
    QString cannotReplayNote() const;
    bool isDone(int page) const;
    void markDone(int page);
    void noteDoneInEditor(int page);

    QPointer<CProgrammingView> m_editor;
    std::unique_ptr<CLessonProgressLink> m_link;
    std::set<int> m_doneSteps; // without a progress link
    QTimer m_pause;            // the pause after the last edit
    QTimer m_afterEdit;        // right after an edit, once the editor has set its step flag

    // The lesson the programs were replayed from, to notice another lesson.
    static size_t lessonFingerprint();
    size_t m_fingerprint = 0;
    CExpectedPrograms m_programs;

    State m_state = noLesson;
    int m_page = -1;          // the page of the last check
    bool m_pageDone = false;  // whether it compared after the page's step
    bool m_sawDone = false;   // the editor's step flag at the last edit
    std::string m_mine;       // the program the last check saw
    bool m_mineKnown = false; // and the editor's text has not changed since
    CProgramComparison m_comparison;
    CPageLines m_pageLines;
    std::array<int64_t, 4> m_pageKey{}; // what the lesson said of the page's lines then
};
