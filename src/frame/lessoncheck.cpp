#include "lessoncheck.h"

#include "bolto.h"
#include "programmingview.h"
#include "qtcodepage.h"
#include "texts.h"

#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <functional>
#include <string_view>

namespace {
constexpr int kPauseMs = 1000;

CPageLines storedLines(int page)
{
    return {theLesson.GetArrowLine(page), theLesson.GetArrowCount(page), false};
}

std::array<int64_t, 4> pageKey(int page)
{
    return {theLesson.GetPageKind(page), theLesson.GetArrowLine(page),
            theLesson.GetArrowCount(page), theLesson.GetPageCount()};
}
} // namespace

CLessonCheck::CLessonCheck(QObject *parent) : QObject(parent)
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(kPauseMs);
    connect(&m_pause, &QTimer::timeout, this, &CLessonCheck::CheckNow);
    m_afterEdit.setSingleShot(true);
    m_afterEdit.setInterval(0);
    connect(&m_afterEdit, &QTimer::timeout, this, &CLessonCheck::afterEdit);
}

CLessonCheck::~CLessonCheck() = default;

void CLessonCheck::SetEditor(CProgrammingView *editor)
{
    if (m_editor) {
        disconnect(m_editor, nullptr, this, nullptr);
        disconnect(m_editor->document(), nullptr, this, nullptr);
    }
    m_editor = editor;
    m_mineKnown = false;
    if (m_editor) {
        connect(m_editor, &CEditView::EnChange, this, &CLessonCheck::onTextChanged);
        // Heard before the editor's own listeners, which may change the page at once: the
        // program the last check took is kept until the text changes (a copy of a long program
        // costs more than a page change may).
        connect(m_editor->document(), &QTextDocument::contentsChange, this,
                [this] { m_mineKnown = false; });
    }
}

void CLessonCheck::SetProgressLink(std::unique_ptr<CLessonProgressLink> link)
{
    m_link = std::move(link);
}

bool CLessonCheck::pageDoneInEditor() const
{
    return m_editor && m_editor->m_pageDone;
}

std::string CLessonCheck::LearnerProgram() const
{
    return m_editor ? ToCp932(m_editor->GetWindowText()) : std::string();
}

bool CLessonCheck::isDone(int page) const
{
    return m_link && m_link->KeepsSteps() ? m_link->IsStepDone(page) : m_doneSteps.count(page) > 0;
}

void CLessonCheck::markDone(int page)
{
    if (m_link && m_link->KeepsSteps())
        m_link->MarkStepDone(page);
    else
        m_doneSteps.insert(page);
}

void CLessonCheck::noteDoneInEditor(int page)
{
    // The progress hears of the editor's steps from the editor, as they happen; the check only
    // sees them later, when a restore or start over may already have opened them again.
    if (!(m_link && m_link->KeepsSteps()))
        m_doneSteps.insert(page);
}

void CLessonCheck::onTextChanged()
{
    m_pause.start();
    // The editor sets its step flag after the edit that completes a step.
    m_afterEdit.start();
}

void CLessonCheck::afterEdit()
{
    const bool done = pageDoneInEditor();
    const bool finished = done && !m_sawDone && theLesson.m_currentPage == m_page;
    m_sawDone = done;
    if (finished)
        CheckNow();
}

void CLessonCheck::ForgetDoneSteps()
{
    m_doneSteps.clear();
    m_fingerprint = 0; // and replay the lesson again
}

size_t CLessonCheck::lessonFingerprint()
{
    // Cheap enough for every check and every page change even for a very large lesson, without a
    // copy of it: the numbers whole, each text by its size and its two ends.
    size_t hash = 0x9e3779b97f4a7c15;
    auto mix = [&hash](size_t value) {
        hash ^= value + 0x9e3779b97f4a7c15 + (hash << 6) + (hash >> 2);
    };
    const std::hash<std::string_view> text;
    for (const std::vector<int32_t> *list :
         {&theLesson.m_pageKinds, &theLesson.m_arrowLines, &theLesson.m_arrowCounts}) {
        mix(list->size());
        for (const int32_t value : *list)
            mix(size_t(uint32_t(value)));
    }
    mix(theLesson.m_pageTexts.size());
    for (const std::string_view view : theLesson.m_pageTexts) {
        mix(view.size());
        mix(text(view.substr(0, 64)));
        mix(text(view.substr(view.size() > 64 ? view.size() - 64 : 0)));
    }
    return hash | 1; // never 0, which means "replay"
}

void CLessonCheck::refreshLesson()
{
    // Another lesson, or the same one read again: replay it once.
    const size_t fingerprint = lessonFingerprint();
    if (fingerprint == m_fingerprint)
        return;
    m_fingerprint = fingerprint;
    m_programs = CExpectedPrograms(theLesson);
    m_doneSteps.clear();
}

QString CLessonCheck::cannotReplayNote() const
{
    return qs(Str::CheckCannotReplay).arg(m_programs.ReplayedPages() + 1);
}

void CLessonCheck::compareWith(int page, bool done)
{
    const bool newPage = page != m_page;
    if (newPage) {
        // Leaving a page whose step the editor saw done before the check did.
        if (m_page >= 0 && m_page < theLesson.GetPageCount() && pageDoneInEditor())
            noteDoneInEditor(m_page);
        m_page = page;
        m_sawDone = done;
    }
    m_pageDone = done;
    m_pageKey = pageKey(page);
    if (!m_mineKnown || !m_editor) {
        m_mine = LearnerProgram();
        m_mineKnown = m_editor != nullptr;
    }
    m_comparison = CProgramComparison();
    m_pageLines = storedLines(page);
    if (page < 0 || page >= theLesson.GetPageCount()) {
        m_state = noLesson;
        return;
    }
    if (!m_programs.Knows(page)) {
        if (newPage || m_state != notReplayed)
            emit Note(cannotReplayNote());
        m_state = notReplayed;
        return;
    }
    const std::string &expected = done ? m_programs.After(page + 1) : m_programs.Before(page);
    m_comparison = CProgramComparison(m_mine, expected);
    m_state = m_comparison.Same() ? matches : differs;
    m_pageLines = FollowPageLines(m_comparison, m_mine, expected, theLesson.GetPageKind(page),
                                  theLesson.GetArrowLine(page), theLesson.GetArrowCount(page));
}

void CLessonCheck::CheckNow()
{
    m_pause.stop();
    refreshLesson();
    const int page = theLesson.m_currentPage;
    bool done = pageDoneInEditor();
    compareWith(page, done);
    if (done && m_state != noLesson) {
        noteDoneInEditor(page);
    } else if (m_state == differs) {
        // Typed instead of pasted: the program after the step counts as the step done, unless
        // the step changes nothing, which would make any visit count.
        const std::string &after = m_programs.After(page + 1);
        if (CProgramComparison(m_mine, after).Same() &&
            !CProgramComparison(m_programs.Before(page), after).Same()) {
            markDone(page);
            emit StepCompletedByHand(page);
            done = pageDoneInEditor();
            m_sawDone = done;
            compareWith(page, true);
        }
    }
    emit Checked();
}

bool CLessonCheck::IsDifferentLine(int line) const
{
    const std::vector<int> &lines = DifferentLines();
    return std::binary_search(lines.begin(), lines.end(), line);
}

const std::vector<int> &CLessonCheck::DifferentLines() const
{
    static const std::vector<int> none;
    return m_state == differs ? m_comparison.DifferentLines() : none;
}

QString CLessonCheck::StatusText() const
{
    switch (m_state) {
    case matches:
        return qs(Str::CheckMatches);
    case differs:
        return qs(Str::CheckDiffers).arg(m_comparison.DifferentLineCount());
    case notReplayed:
        return qs(Str::CheckNotReplayed);
    case noLesson:
        break;
    }
    return QString();
}

CPageLines CLessonCheck::FollowPage(int page)
{
    refreshLesson();
    // The page's numbers name lines of the program before its step.
    compareWith(page, false);
    emit Checked();
    return m_pageLines;
}

CPageLines CLessonCheck::GutterLines(int page) const
{
    // Only while the lesson still names the lines the last check followed.
    const bool same = page == m_page && m_pageKey == pageKey(page);
    return same ? m_pageLines : storedLines(page);
}

bool CLessonCheck::CanCompare(QString *note)
{
    refreshLesson();
    const int page = theLesson.m_currentPage;
    QString why;
    if (page < 0 || page >= theLesson.GetPageCount())
        why = qs(Str::CheckNoPage);
    else if (!m_programs.Knows(page))
        why = cannotReplayNote();
    if (note)
        *note = why;
    return why.isEmpty();
}

std::string CLessonCheck::ExpectedProgram() const
{
    const int page = theLesson.m_currentPage;
    if (!m_programs.Knows(page))
        return std::string();
    return pageDoneInEditor() ? m_programs.After(page + 1) : m_programs.Before(page);
}

void CLessonCheck::ReplaceProgram(const std::string &program, const QString &reason)
{
    if (!m_editor)
        return;
    if (m_link)
        m_link->TakeSnapshot(reason);
    // One edit block: the editor's undo brings the learner's program back in one step.
    QString text = FromCp932(program);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QTextCursor cursor(m_editor->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(text);
    cursor.endEditBlock();
    CheckNow();
}

QString CLessonCheck::CatchUp(bool *conflict, std::string *theirs)
{
    *conflict = false;
    QString note;
    if (!CanCompare(&note))
        return note;
    const int page = theLesson.m_currentPage;
    int last = page - 1;
    while (last >= 0 && !isDone(last))
        --last;
    const int steps = page - (last + 1);
    if (steps == 0)
        return qs(Str::CatchUpNothing);

    const std::string mine = LearnerProgram();
    const std::string &base = m_programs.After(last + 1);
    const std::string &target = m_programs.Before(page);
    auto markSteps = [&] {
        for (int step = last + 1; step < page; ++step)
            markDone(step);
    };
    if (CProgramComparison(mine, target).Same()) {
        markSteps();
        CheckNow();
        return qs(Str::CatchUpAlready);
    }
    const CMergeResult merged = MergePrograms(base, mine, target);
    if (merged.failed)
        return qs(Str::CatchUpFailed);
    if (!merged.clean) {
        *conflict = true;
        *theirs = target;
        return qs(Str::CompareConflict);
    }
    ReplaceProgram(merged.program, qs(Str::SnapshotCatchUp));
    markSteps();
    return qs(Str::CatchUpApplied).arg(steps);
}
