#include "lessoncompare.h"

#include "bolto.h"

#include <git2.h>

#include <algorithm>
#include <charconv>
#include <dlfcn.h>
#include <iterator>
#include <limits>
#include <optional>
#include <unordered_map>

namespace {
// The diff engine of git, opened on the first comparison that needs it rather than with the
// program: libgit2 brings its TLS and SSH libraries, whose loading would delay every start.
struct GitEngine
{
    decltype(&git_diff_options_init) diffOptionsInit = nullptr;
    decltype(&git_diff_buffers) diffBuffers = nullptr;
    decltype(&git_merge_file_input_init) mergeInputInit = nullptr;
    decltype(&git_merge_file_options_init) mergeOptionsInit = nullptr;
    decltype(&git_merge_file) mergeFile = nullptr;
    decltype(&git_merge_file_result_free) mergeResultFree = nullptr;
};

template <typename Function> bool bind(void *library, const char *name, Function &function)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

// Null when the library cannot be used; comparisons then do without it. Its global state is set
// up once and never torn down, as other threads may still compare at exit.
const GitEngine *git()
{
    static const std::optional<GitEngine> engine = []() -> std::optional<GitEngine> {
        void *library = dlopen(BOLTO_LIBGIT2_SONAME, RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return std::nullopt;
        GitEngine e;
        decltype(&git_libgit2_init) init = nullptr;
        const bool bound = bind(library, "git_libgit2_init", init) &&
                           bind(library, "git_diff_options_init", e.diffOptionsInit) &&
                           bind(library, "git_diff_buffers", e.diffBuffers) &&
                           bind(library, "git_merge_file_input_init", e.mergeInputInit) &&
                           bind(library, "git_merge_file_options_init", e.mergeOptionsInit) &&
                           bind(library, "git_merge_file", e.mergeFile) &&
                           bind(library, "git_merge_file_result_free", e.mergeResultFree);
        if (!bound || init() < 0)
            return std::nullopt;
        return e;
    }();
    return engine ? &*engine : nullptr;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view line)
{
    while (!line.empty() && isSpace(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && isSpace(line.back()))
        line.remove_suffix(1);
    return line;
}

// A program as the comparison sees it: its non-blank lines without the spaces at either end.
struct Normal
{
    std::vector<std::string_view> lines;
    std::vector<int> lineOf; // non-blank index -> 1-based line
    std::vector<int> index;  // 1-based line - 1 -> non-blank index, or -1
};

Normal normalize(std::string_view text)
{
    Normal normal;
    size_t pos = 0;
    for (int line = 1;; ++line) {
        const size_t lf = text.find('\n', pos);
        const std::string_view raw =
            text.substr(pos, lf == std::string_view::npos ? std::string_view::npos : lf - pos);
        const std::string_view content = trimmed(raw);
        if (content.empty()) {
            normal.index.push_back(-1);
        } else {
            normal.index.push_back(int(normal.lines.size()));
            normal.lines.push_back(content);
            normal.lineOf.push_back(line);
        }
        if (lf == std::string_view::npos)
            break;
        pos = lf + 1;
    }
    return normal;
}

// A block of non-blank lines that differs: [e0, e0 + eN) of the expected program stands where
// [m0, m0 + mN) of the learner's does.
struct Hunk
{
    int e0, eN, m0, mN;
};

int collectHunk(const git_diff_delta *, const git_diff_hunk *hunk, void *payload)
{
    // With no lines, a start names the line before the block.
    auto *hunks = static_cast<std::vector<Hunk> *>(payload);
    const int e0 = hunk->old_lines == 0 ? hunk->old_start : hunk->old_start - 1;
    const int m0 = hunk->new_lines == 0 ? hunk->new_start : hunk->new_start - 1;
    hunks->push_back({e0, hunk->old_lines, m0, hunk->new_lines});
    return 0;
}

// The engine reads whole texts and hashes them first: every distinct line is handed over as a
// short number instead, which keeps its input, and so its time, small for long lines.
void numberLines(const std::vector<std::string_view> &lines, size_t from, size_t to,
                 std::unordered_map<std::string_view, unsigned> &numbers, std::string &text)
{
    text.reserve((to - from) * 6);
    char digits[16];
    for (size_t i = from; i < to; ++i) {
        const unsigned number =
            numbers.try_emplace(lines[i], unsigned(numbers.size())).first->second;
        const auto [end, error] = std::to_chars(digits, digits + sizeof digits, number, 36);
        (void)error;
        text.append(digits, end);
        text += '\n';
    }
}

std::vector<Hunk> diffLines(const std::vector<std::string_view> &expected,
                            const std::vector<std::string_view> &mine)
{
    // Most edits are local: the common head and tail need no diff engine.
    size_t head = 0;
    while (head < expected.size() && head < mine.size() && expected[head] == mine[head])
        ++head;
    size_t tail = 0;
    while (tail < expected.size() - head && tail < mine.size() - head &&
           expected[expected.size() - 1 - tail] == mine[mine.size() - 1 - tail])
        ++tail;
    const int eN = int(expected.size() - head - tail);
    const int mN = int(mine.size() - head - tail);
    if (eN == 0 && mN == 0)
        return {};
    if (eN == 0 || mN == 0)
        return {{int(head), eN, int(head), mN}};

    const GitEngine *engine = git();
    // Without the engine the middle is one changed block: nothing in it is followed.
    if (!engine)
        return {{int(head), eN, int(head), mN}};
    std::unordered_map<std::string_view, unsigned> numbers;
    numbers.reserve(size_t(eN + mN));
    std::string a;
    std::string b;
    numberLines(expected, head, expected.size() - tail, numbers, a);
    numberLines(mine, head, mine.size() - tail, numbers, b);
    git_diff_options options;
    engine->diffOptionsInit(&options, GIT_DIFF_OPTIONS_VERSION);
    options.context_lines = 0;
    options.interhunk_lines = 0;
    options.flags |= GIT_DIFF_FORCE_TEXT;
    std::vector<Hunk> hunks;
    if (engine->diffBuffers(a.data(), a.size(), nullptr, b.data(), b.size(), nullptr, &options,
                            nullptr, nullptr, collectHunk, nullptr, &hunks) != 0) {
        return {{int(head), eN, int(head), mN}};
    }
    for (Hunk &hunk : hunks) {
        hunk.e0 += int(head);
        hunk.m0 += int(head);
    }
    return hunks;
}

// The line where a block that one side lacks would stand on that side.
int markLine(const std::vector<int> &lineOf, int at)
{
    if (at < int(lineOf.size()))
        return lineOf[size_t(at)];
    return lineOf.empty() ? 1 : lineOf.back();
}

void sortUnique(std::vector<int> &lines)
{
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
}
} // namespace

CExpectedPrograms::CExpectedPrograms(const CBolto &lesson)
{
    CLessonReplay replay;
    size_t kept = 0;
    for (int page = 0; page < lesson.GetPageCount(); ++page) {
        const CLessonReplay::Result result = replay.ApplyPage(lesson, page);
        if (result != CLessonReplay::applied) {
            m_stop = pageFailed;
            m_pageResult = result;
            return;
        }
        kept += replay.GetProgram().size();
        if (kept > kMemoryBudget) {
            m_stop = tooLarge;
            return;
        }
        m_programs.push_back(replay.GetProgram());
    }
}

const std::string &CExpectedPrograms::After(int steps) const
{
    static const std::string none;
    return steps >= 0 && size_t(steps) < m_programs.size() ? m_programs[size_t(steps)] : none;
}

CProgramComparison::CProgramComparison(std::string_view mine, std::string_view expected)
{
    Normal m = normalize(mine);
    Normal e = normalize(expected);
    const std::vector<Hunk> hunks = diffLines(e.lines, m.lines);

    const int eCount = int(e.lines.size());
    const int mCount = int(m.lines.size());
    m_match.assign(size_t(eCount), -1);
    m_ambiguous.assign(size_t(eCount), 0);
    std::vector<char> mineChanged(size_t(mCount), 0);
    std::vector<char> expectedChanged(size_t(eCount), 0);

    // Lines between blocks pair up in order; a block rewritten line for line pairs up too, so a
    // changed line inside a page's lines still leads to its neighbours.
    int ei = 0;
    int mi = 0;
    auto pairUntil = [&](int eEnd) {
        while (ei < eEnd && ei < eCount && mi < mCount)
            m_match[size_t(ei++)] = mi++;
    };
    for (const Hunk &hunk : hunks) {
        pairUntil(hunk.e0);
        ei = hunk.e0;
        mi = hunk.m0;
        for (int i = 0; i < hunk.eN; ++i)
            expectedChanged[size_t(hunk.e0 + i)] = 1;
        for (int i = 0; i < hunk.mN; ++i)
            mineChanged[size_t(hunk.m0 + i)] = 1;
        if (hunk.eN == hunk.mN) {
            for (int i = 0; i < hunk.eN; ++i)
                m_match[size_t(hunk.e0 + i)] = hunk.m0 + i;
        }
        ei = hunk.e0 + hunk.eN;
        mi = hunk.m0 + hunk.mN;

        m_differentCount += std::max(hunk.eN, hunk.mN);
        for (int i = 0; i < hunk.mN; ++i)
            m_mineMarks.push_back(m.lineOf[size_t(hunk.m0 + i)]);
        if (hunk.mN == 0)
            m_mineMarks.push_back(markLine(m.lineOf, hunk.m0));
        for (int i = 0; i < hunk.eN; ++i)
            m_expectedMarks.push_back(e.lineOf[size_t(hunk.e0 + i)]);
        if (hunk.eN == 0)
            m_expectedMarks.push_back(markLine(e.lineOf, hunk.e0));
    }
    pairUntil(eCount);

    // A block of added or removed lines can slide over equal neighbours that repeat its own
    // lines ("}" after "}"): which copy the learner kept is then open, so those are not followed.
    for (const Hunk &hunk : hunks) {
        if ((hunk.eN == 0) == (hunk.mN == 0))
            continue;
        const bool added = hunk.eN == 0;
        const std::vector<std::string_view> &lines = added ? m.lines : e.lines;
        const std::vector<char> &changed = added ? mineChanged : expectedChanged;
        const int start = added ? hunk.m0 : hunk.e0;
        const int size = added ? hunk.mN : hunk.eN;
        const int total = int(lines.size());
        // Offsets on this side, and the expected line each one stands for.
        auto expectedOf = [&](int offset) { return added ? hunk.e0 + (offset - hunk.m0) : offset; };
        for (int up = start - 1;
             up >= 0 && !changed[size_t(up)] && lines[size_t(up)] == lines[size_t(up + size)]; --up)
            m_ambiguous[size_t(expectedOf(up))] = 1;
        for (int down = start + size; down < total && !changed[size_t(down)] &&
                                      lines[size_t(down)] == lines[size_t(down - size)];
             ++down)
            m_ambiguous[size_t(expectedOf(down) - (added ? size : 0))] = 1;
    }

    sortUnique(m_mineMarks);
    sortUnique(m_expectedMarks);
    m_mineLineOf = std::move(m.lineOf);
    m_mineIndex = std::move(m.index);
    m_expectedLineOf = std::move(e.lineOf);
    m_expectedIndex = std::move(e.index);
}

int CProgramComparison::mapNonBlank(int expectedIndex) const
{
    const size_t i = size_t(expectedIndex);
    if (m_ambiguous[i] || m_match[i] < 0)
        return 0;
    return m_mineLineOf[size_t(m_match[i])];
}

bool CProgramComparison::IsBlankExpectedLine(int line) const
{
    return line >= 1 && line <= ExpectedLineCount() && m_expectedIndex[size_t(line - 1)] < 0;
}

CLineAlignment::CLineAlignment(const CProgramComparison &comparison)
    : m_mineLines(comparison.MineLineCount()), m_expectedLines(comparison.ExpectedLineCount())
{
    for (int expected = 1; expected <= m_expectedLines; ++expected) {
        const int mine = comparison.MapLine(expected);
        // A match that would run backwards is no anchor for scrolling.
        if (mine > 0 && (m_anchors.empty() || mine > m_anchors.back().mine))
            m_anchors.push_back({mine, expected});
    }
}

int CLineAlignment::follow(int Anchor::*from, int Anchor::*to, int line, int limit) const
{
    const auto after = std::upper_bound(m_anchors.begin(), m_anchors.end(), line,
                                        [from](int l, const Anchor &a) { return l < a.*from; });
    if (after == m_anchors.begin())
        return std::clamp(line, 1, std::max(limit, 1));
    const Anchor &anchor = *std::prev(after);
    return std::clamp(anchor.*to + (line - anchor.*from), 1, std::max(limit, 1));
}

int CLineAlignment::ExpectedFor(int mineLine) const
{
    return follow(&Anchor::mine, &Anchor::expected, mineLine, m_expectedLines);
}

int CLineAlignment::MineFor(int expectedLine) const
{
    return follow(&Anchor::expected, &Anchor::mine, expectedLine, m_mineLines);
}

int CProgramComparison::MapLine(int64_t line) const
{
    if (line < 1 || line > ExpectedLineCount())
        return 0;
    const int at = int(line) - 1;
    if (m_expectedIndex[size_t(at)] >= 0)
        return mapNonBlank(m_expectedIndex[size_t(at)]);

    // A blank line is found by its place after the nearest line with content, when the learner
    // kept the same run of blank lines there.
    int before = at - 1;
    while (before >= 0 && m_expectedIndex[size_t(before)] < 0)
        --before;
    int mineBase = 0;
    if (before >= 0) {
        mineBase = mapNonBlank(m_expectedIndex[size_t(before)]);
        if (mineBase == 0)
            return 0;
    }
    const int candidate = mineBase + (at - before);
    int after = at + 1;
    while (after < ExpectedLineCount() && m_expectedIndex[size_t(after)] < 0)
        ++after;
    int limit = MineLineCount() + 1;
    if (after < ExpectedLineCount()) {
        limit = mapNonBlank(m_expectedIndex[size_t(after)]);
        if (limit == 0)
            return 0;
    }
    if (candidate >= limit || candidate > MineLineCount())
        return 0;
    for (int l = mineBase + 1; l <= candidate; ++l) {
        if (m_mineIndex[size_t(l - 1)] >= 0)
            return 0;
    }
    return candidate;
}

CPageLines FollowPageLines(const CProgramComparison &comparison, std::string_view mine,
                           std::string_view expected, int32_t kind, int32_t line, int32_t count)
{
    const CPageLines stored{line, count, false};
    if (mine == expected || line < 1)
        return stored;
    const bool selects = (kind == Replace || kind == Delete) && count > 0;
    if (!selects) {
        // The caret: where the snippet goes, before the page's line.
        if (CLessonReplay::LineStart(expected, line) >= expected.size()) {
            // At the end of the program: at the end of the learner's, when the program's last
            // line is found there.
            int last = comparison.ExpectedLineCount();
            while (last > 0 && comparison.IsBlankExpectedLine(last))
                --last;
            if (last == 0 || comparison.MapLine(last) == 0)
                return stored;
            const bool endsWithBreak = !mine.empty() && mine.back() == '\n';
            return {comparison.MineLineCount() + (endsWithBreak ? 0 : 1), count, true};
        }
        if (const int at = comparison.MapLine(line))
            return {at, count, true};
        // The line after the snippet was changed or removed: after the line before it, then.
        if (const int previous = line > 1 ? comparison.MapLine(int64_t(line) - 1) : 0)
            return {previous + 1, count, true};
        return stored;
    }
    const int first = comparison.MapLine(line);
    const int last = comparison.MapLine(int64_t(line) + count - 1);
    if (first == 0 || last < first)
        return stored;
    return {first, int64_t(last) - first + 1, true};
}

CMergeResult MergePrograms(std::string_view base, std::string_view mine, std::string_view theirs)
{
    const GitEngine *engine = git();
    if (!engine) {
        CMergeResult failed;
        failed.failed = true;
        return failed;
    }
    git_merge_file_input ancestor;
    git_merge_file_input ours;
    git_merge_file_input other;
    engine->mergeInputInit(&ancestor, GIT_MERGE_FILE_INPUT_VERSION);
    engine->mergeInputInit(&ours, GIT_MERGE_FILE_INPUT_VERSION);
    engine->mergeInputInit(&other, GIT_MERGE_FILE_INPUT_VERSION);
    ancestor.ptr = base.data();
    ancestor.size = base.size();
    ours.ptr = mine.data();
    ours.size = mine.size();
    other.ptr = theirs.data();
    other.size = theirs.size();
    git_merge_file_options options;
    engine->mergeOptionsInit(&options, GIT_MERGE_FILE_OPTIONS_VERSION);
    // No whitespace options: with them the engine writes the lesson's form over lines the learner
    // re-indented. Without them a re-indented line right beside a lesson change conflicts, and
    // the learner chooses.

    CMergeResult merged;
    git_merge_file_result result;
    if (engine->mergeFile(&result, &ancestor, &ours, &other, &options) != 0) {
        merged.failed = true;
        return merged;
    }
    merged.clean = result.automergeable != 0;
    merged.program.assign(result.ptr ? result.ptr : "", result.len);
    engine->mergeResultFree(&result);
    if (!merged.clean) {
        size_t pos = 0;
        for (;;) {
            if (merged.program.compare(pos, 7, "<<<<<<<") == 0)
                ++merged.conflicts;
            pos = merged.program.find('\n', pos);
            if (pos == std::string::npos)
                break;
            ++pos;
        }
        merged.conflicts = std::max(merged.conflicts, 1);
    }
    return merged;
}
