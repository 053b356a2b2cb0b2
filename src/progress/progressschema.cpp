#include "progressschema.h"

#include <algorithm>
#include <charconv>

namespace ProgressSchema {

const std::vector<std::string_view> &CreateStatements()
{
    // A lesson is known by its resolved absolute path; its hash tells a changed lesson file.
    // Times are milliseconds since 1970 in UTC. Caret positions count the editor's characters.
    static const std::vector<std::string_view> statements = {
        "CREATE TABLE IF NOT EXISTS lessons ("
        " id INTEGER PRIMARY KEY,"
        " path TEXT NOT NULL UNIQUE,"
        " lesson_hash TEXT NOT NULL DEFAULT '',"
        " program TEXT NOT NULL DEFAULT '',"
        " page INTEGER NOT NULL DEFAULT -1,"
        " done_steps TEXT NOT NULL DEFAULT '',"
        " caret_anchor INTEGER NOT NULL DEFAULT 0,"
        " caret_position INTEGER NOT NULL DEFAULT 0,"
        " first_line INTEGER NOT NULL DEFAULT 0,"
        " saved_at INTEGER NOT NULL DEFAULT 0)",
        "CREATE TABLE IF NOT EXISTS snapshots ("
        " id INTEGER PRIMARY KEY AUTOINCREMENT,"
        " lesson_id INTEGER NOT NULL REFERENCES lessons(id),"
        " taken_at INTEGER NOT NULL,"
        " reason TEXT NOT NULL,"
        " page INTEGER NOT NULL,"
        " done_steps TEXT NOT NULL,"
        " program TEXT NOT NULL,"
        " lines_added INTEGER NOT NULL DEFAULT 0,"
        " lines_removed INTEGER NOT NULL DEFAULT 0)",
        "CREATE INDEX IF NOT EXISTS snapshots_by_lesson ON snapshots(lesson_id, id)",
    };
    return statements;
}

std::string FormatSteps(const std::set<int> &steps)
{
    std::string text;
    for (const int step : steps) {
        if (step < 0)
            continue;
        if (!text.empty())
            text += ',';
        text += std::to_string(step);
    }
    return text;
}

std::set<int> ParseSteps(std::string_view text)
{
    std::set<int> steps;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view item = text.substr(start, end - start);
        int value = -1;
        const auto [ptr, ec] = std::from_chars(item.data(), item.data() + item.size(), value);
        if (!item.empty() && ec == std::errc() && ptr == item.data() + item.size() && value >= 0)
            steps.insert(value);
        start = end + 1;
    }
    return steps;
}

namespace {
std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// Above this many cells the exact count would cost more than a history row is worth.
constexpr size_t kMaxCells = size_t(4) << 20;
} // namespace

LineChanges CountLineChanges(std::string_view before, std::string_view after)
{
    const std::vector<std::string_view> a = splitLines(before);
    const std::vector<std::string_view> b = splitLines(after);
    size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    const size_t n = a.size() - head - tail;
    const size_t m = b.size() - head - tail;
    if (n == 0 || m == 0 || n * m > kMaxCells)
        return {int(m), int(n)};

    // The longest common subsequence of the middle lines; what it leaves out changed.
    std::vector<int> row(m + 1, 0);
    for (size_t i = 0; i < n; ++i) {
        int diagonal = 0;
        for (size_t j = 0; j < m; ++j) {
            const int above = row[j + 1];
            row[j + 1] = a[head + i] == b[head + j] ? diagonal + 1 : std::max(above, row[j]);
            diagonal = above;
        }
    }
    const int common = row[m];
    return {int(m) - common, int(n) - common};
}

std::string BrokenFileName(std::string_view path, std::string_view stamp)
{
    std::string name(path);
    name += ".broken-";
    name += stamp;
    return name;
}

} // namespace ProgressSchema
