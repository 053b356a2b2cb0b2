#pragma once

// What a step does to the learner's program, computed from the program before and after it, so
// an author writes programs and never counts lines. Texts are "\n"-separated; lines are 1-based.

#include <QString>
#include <QStringList>

#include <cstdint>

struct StepChange
{
    enum Outcome {
        changed,     // one contiguous change: kind, line, count and snippet are set
        unchanged,   // the programs are equal
        severalHunks // changes in more than one place: `hunks` shows them
    };
    Outcome outcome = unchanged;
    int32_t kind = 0; // Add, Replace or Delete
    int32_t line = 1;
    int32_t count = 0;
    QString snippet; // added or new lines; for Delete the lines that go
    QString hunks;   // a unified diff of the two programs when outcome is severalHunks
};

StepChange ComputeStep(const QString &before, const QString &after);

// Lines with their line breaks; the text after the last break is one more line.
QStringList SplitKeepingEnds(const QString &text);

// A unified diff ("--- a", "+++ b", "@@ ... @@" hunks with three lines of context) of two
// texts, line by line; empty when they are equal.
QString UnifiedDiff(const QString &a, const QString &b, const QString &nameA, const QString &nameB);

// The same step as a Replace of the whole lines first..last of `before`, for an author who wants
// the learner to rewrite a block rather than the few lines that changed in it. The range must
// cover the computed change; otherwise says why in `error` and returns false.
bool WidenStep(const QString &before, const QString &after, int first, int last, StepChange &change,
               QString *error);
