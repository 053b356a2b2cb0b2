#pragma once

// The lesson's expected program at every step, and the learner's program measured against it:
// a comparison that ignores form, the page's lines looked up in the learner's program, and a
// three-way merge that brings a program up to a later step. Programs are code page 932 bytes;
// lines are the editor's (LF ends a line, a CR before it is dropped), 1-based.

#include "lessonreplay.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CBolto;

// Replays a lesson from an empty program: the program before page P is the one after P steps.
class CExpectedPrograms
{
public:
    enum Stop {
        complete,   // every page replayed
        pageFailed, // a page could not be carried out; PageResult says why
        tooLarge,   // the programs outgrew the memory a lesson may take
    };

    CExpectedPrograms() = default;
    explicit CExpectedPrograms(const CBolto &lesson);

    // Pages [0, ReplayedPages()) have a known program before and after them.
    int ReplayedPages() const { return int(m_programs.size()) - 1; }
    bool Knows(int page) const { return page >= 0 && page < ReplayedPages(); }
    // The program after `steps` steps, 0 <= steps <= ReplayedPages(); empty otherwise.
    const std::string &After(int steps) const;
    const std::string &Before(int page) const { return After(page); }

    Stop GetStop() const { return m_stop; }
    CLessonReplay::Result PageResult() const { return m_pageResult; }

    // Everything the replay keeps together: 64 steps of a 20,000-line program. A lesson that needs
    // more stops here instead of filling memory.
    static constexpr size_t kMemoryBudget = size_t(64) << 20;

private:
    std::vector<std::string> m_programs{std::string()};
    Stop m_stop = complete;
    CLessonReplay::Result m_pageResult = CLessonReplay::applied;
};

// The learner's program ("mine") against an expected program. Line breaks, spaces at either end
// of a line and blank lines do not count.
class CProgramComparison
{
public:
    CProgramComparison() = default;
    CProgramComparison(std::string_view mine, std::string_view expected);

    bool Same() const { return m_differentCount == 0; }
    // Lines that differ: the larger side of every changed block.
    int DifferentLineCount() const { return m_differentCount; }
    // The learner's lines that differ, ascending. Where the learner lacks lines, the line where
    // they would be is marked.
    const std::vector<int> &DifferentLines() const { return m_mineMarks; }
    // The expected program's lines that differ, likewise.
    const std::vector<int> &DifferentExpectedLines() const { return m_expectedMarks; }

    // The learner's line that stands for the expected program's `line`, or 0 where it cannot be
    // told unambiguously: the line was removed, rewritten into a block of another size, or a
    // repeated line leaves open which copy is meant.
    int MapLine(int64_t line) const;

    bool IsBlankExpectedLine(int line) const;
    int MineLineCount() const { return int(m_mineIndex.size()); }
    int ExpectedLineCount() const { return int(m_expectedIndex.size()); }

private:
    int mapNonBlank(int expectedIndex) const;

    // Per side: the 1-based line of every non-blank line, and every line's non-blank index or -1.
    std::vector<int> m_mineLineOf;
    std::vector<int> m_mineIndex;
    std::vector<int> m_expectedLineOf;
    std::vector<int> m_expectedIndex;
    std::vector<int> m_match;      // expected non-blank index -> mine non-blank index, or -1
    std::vector<char> m_ambiguous; // expected non-blank index -> 1 when a repeat leaves it open
    std::vector<int> m_mineMarks;
    std::vector<int> m_expectedMarks;
    int m_differentCount = 0;
};

// The two programs' lines side by side, for showing them together: each side's line maps to the
// line of the other that stands beside it, counted on from the nearest lines known to match.
class CLineAlignment
{
public:
    explicit CLineAlignment(const CProgramComparison &comparison);

    // 1-based lines; a line before the first match keeps its own number.
    int ExpectedFor(int mineLine) const;
    int MineFor(int expectedLine) const;

private:
    static int follow(const std::vector<std::pair<int, int>> &anchors, int line, int limit);

    std::vector<std::pair<int, int>> m_mineToExpected; // matched lines, ascending on both sides
    std::vector<std::pair<int, int>> m_expectedToMine;
    int m_mineLines = 0;
    int m_expectedLines = 0;
};

// A page's lines in the learner's program.
struct CPageLines
{
    int64_t line = 0;
    int64_t count = 0;
    bool followed = false; // false: the stored numbers, as the lookup failed
};

// Looks the page's lines (kind, stored first line and count) up in the learner's program `mine`
// through its comparison with `expected`, the program the page was written for. A program equal
// to the expected one byte for byte keeps the stored numbers, and so does a line that cannot be
// found.
CPageLines FollowPageLines(const CProgramComparison &comparison, std::string_view mine,
                           std::string_view expected, int32_t kind, int32_t line, int32_t count);

struct CMergeResult
{
    bool clean = false;
    std::string program; // the merged program when clean; with conflict markers otherwise
    int conflicts = 0;   // conflicting blocks
    bool failed = false; // the merge itself could not run
};

// Applies the change from `base` to `theirs` onto `mine`, keeping the learner's own changes.
// Changes of spaces within a line alone do not conflict; the learner's form is kept.
CMergeResult MergePrograms(std::string_view base, std::string_view mine, std::string_view theirs);
