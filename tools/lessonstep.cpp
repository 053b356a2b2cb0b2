#include "lessonstep.h"

#include "bolto.h"

#include <dtl/dtl.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace {
std::vector<std::string> utf8Lines(const QString &text)
{
    std::vector<std::string> lines;
    for (const QString &line : SplitKeepingEnds(text))
        lines.push_back(line.toStdString());
    return lines;
}

// How many places the change touches, as a unified diff groups them: changes at most six
// unchanged lines apart are one place, which the learner's Replace covers in one go (a Replace
// that keeps a line or two in the middle is a normal step).
int changedPlaces(const std::vector<std::string> &a, const std::vector<std::string> &b)
{
    dtl::Diff<std::string> diff(a, b);
    diff.onHuge();
    diff.compose();
    diff.composeUnifiedHunks();
    return int(diff.getUniHunks().size());
}
} // namespace

QStringList SplitKeepingEnds(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype end = text.indexOf('\n', start);
        if (end < 0) {
            lines.append(text.mid(start));
            break;
        }
        lines.append(text.mid(start, end + 1 - start));
        start = end + 1;
    }
    return lines;
}

StepChange ComputeStep(const QString &before, const QString &after)
{
    const QStringList a = SplitKeepingEnds(before);
    const QStringList b = SplitKeepingEnds(after);
    qsizetype prefix = 0;
    while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix])
        ++prefix;
    // The prefix wins where the change could sit in several places (an added line equal to its
    // neighbour): the change goes as late as it can, after the lines the learner already has.
    qsizetype suffix = 0;
    while (suffix < a.size() - prefix && suffix < b.size() - prefix &&
           a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix])
        ++suffix;
    const QStringList removed = a.mid(prefix, a.size() - prefix - suffix);
    const QStringList added = b.mid(prefix, b.size() - prefix - suffix);

    StepChange change;
    change.line = int32_t(prefix + 1);
    if (removed.isEmpty() && added.isEmpty())
        return change;
    if (!removed.isEmpty() && !added.isEmpty() &&
        changedPlaces(utf8Lines(before), utf8Lines(after)) > 1) {
        change.outcome = StepChange::severalHunks;
        change.hunks = UnifiedDiff(before, after, "before", "after");
        return change;
    }
    change.outcome = StepChange::changed;
    if (removed.isEmpty()) {
        change.kind = Add;
        change.count = int32_t(added.size());
        change.snippet = added.join(QString());
    } else if (added.isEmpty()) {
        change.kind = Delete;
        change.count = int32_t(removed.size());
        change.snippet = removed.join(QString());
    } else {
        change.kind = Replace;
        change.count = int32_t(removed.size());
        change.snippet = added.join(QString());
    }
    return change;
}

QString UnifiedDiff(const QString &a, const QString &b, const QString &nameA, const QString &nameB)
{
    // Compared without line breaks, so a missing last one shows as its own note.
    auto bare = [](const QString &text) {
        std::vector<std::string> lines;
        for (QString line : SplitKeepingEnds(text)) {
            const bool ended = line.endsWith('\n');
            if (ended)
                line.chop(1);
            lines.push_back(line.toStdString() + (ended ? "" : "\n\\ No newline at end of file"));
        }
        return lines;
    };
    const std::vector<std::string> la = bare(a);
    const std::vector<std::string> lb = bare(b);
    if (la == lb)
        return {};
    dtl::Diff<std::string> diff(la, lb);
    diff.onHuge();
    diff.compose();
    diff.composeUnifiedHunks();
    std::ostringstream out;
    out << "--- " << nameA.toStdString() << "\n+++ " << nameB.toStdString() << "\n";
    diff.printUnifiedFormat(out);
    return QString::fromStdString(out.str());
}

bool WidenStep(const QString &before, const QString &after, int first, int last, StepChange &change,
               QString *error)
{
    const QStringList a = SplitKeepingEnds(before);
    const QStringList b = SplitKeepingEnds(after);
    if (change.outcome != StepChange::changed) {
        *error = "the step has no single change to widen";
        return false;
    }
    // The lines the computed change removes (for Add, none: it sits before `line`).
    const int changeFirst = change.line;
    const int changeLast = change.kind == Add ? change.line - 1 : change.line + change.count - 1;
    if (first < 1 || last < first || last > a.size() || first > changeFirst || last < changeLast) {
        *error = QString("lines %1-%2 must lie within the program's %3 lines before the step and "
                         "cover the change (lines %4-%5)")
                     .arg(first)
                     .arg(last)
                     .arg(a.size())
                     .arg(changeFirst)
                     .arg(std::max(changeFirst, changeLast));
        return false;
    }
    const qsizetype growth = b.size() - a.size();
    change.kind = Replace;
    change.line = first;
    change.count = last - first + 1;
    change.snippet = b.mid(first - 1, change.count + growth).join(QString());
    return true;
}
