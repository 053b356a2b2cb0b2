#pragma once

// Finds what would trip a learner in a lesson: lists of unequal length, kinds and lines the
// editor cannot use, tutorial pages missing or without a lesson page, and, given the authoring
// source, steps that do not give the program the source expects. Each fault is one line.

#include <QString>
#include <QStringList>

class CBolto;
class CLessonSource;

class CLessonChecker
{
public:
    explicit CLessonChecker(const CBolto &lesson) : m_lesson(lesson) {}

    void CheckLists();
    // The tutorial pages <programDir>/<folder>/html/index<N>.html against the lesson's pages.
    void CheckTutorialPages(const QString &programDir);
    void CompareWithSource(const CLessonSource &source);
    // Carries out the lesson's pages from an empty program and compares each result with the
    // source's "program"; stops at the first step that goes wrong.
    void ReplaySteps(const CLessonSource &source);

    // Each page's snippet on its own: tabs, a missing last line break, characters code page 932
    // lacks, an Add whose count is not its snippet's lines, a Replace without a snippet.
    void CheckSnippets();
    // What the tutorial pages show: the snippet a click copies, a link on to the next page, and
    // links to pages that exist.
    void CheckPageContents(const QString &programDir);

    const QStringList &Faults() const { return m_faults; }
    // Why the check could not cover everything (no programs to compare with); empty when it did.
    const QString &Partial() const { return m_partial; }

    // "ステップ 3 / 13 (index2.html)" for page 2, as the learner sees it; "完成 (index13.html)" for
    // a closing page.
    QString PageLabel(int page) const;

private:
    int pageSlots() const;
    QString htmlDir(const QString &programDir) const;
    void fault(const QString &line) { m_faults.append(line); }

    const CBolto &m_lesson;
    QStringList m_faults;
    QString m_partial;
};
