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

    const QStringList &Faults() const { return m_faults; }

private:
    int pageSlots() const;
    void fault(const QString &line) { m_faults.append(line); }

    const CBolto &m_lesson;
    QStringList m_faults;
};
