#pragma once

// What the learner's saved progress looks like on disk and the limits it keeps, without Qt: the
// database's tables, its schema version, how done steps are written, how many lines a snapshot
// changed and which snapshots may go. The store that runs these statements lives beside it.

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace ProgressSchema {

// Kept in the database's user_version. A later release that finds a smaller number migrates; one
// that finds a larger number leaves the file alone rather than guess.
inline constexpr int kVersion = 1;

// A history keeps at least this many snapshots per lesson; older ones go once it grows past it.
inline constexpr int kSnapshotsKept = 500;
// The longest an edit waits before it is saved, in milliseconds: a crash loses at most this.
inline constexpr int kSaveDelayMs = 1000;
// How long a save waits for another window's transaction before it gives up, in milliseconds.
inline constexpr int kBusyTimeoutMs = 1500;
// After a failed save, the next attempt waits this long, so a locked disk does not stall typing.
inline constexpr int kRetryDelayMs = 5000;
// Failures in a row stretch the wait up to this.
inline constexpr int kRetryMaxMs = 60000;

// The statements that create an empty database of version kVersion, in order.
const std::vector<std::string_view> &CreateStatements();

// Done steps as stored: page numbers in ascending order, separated by commas ("0,1,4").
std::string FormatSteps(const std::set<int> &steps);
// Reads FormatSteps' text back. Anything that is not a non-negative number is skipped, so a
// damaged field costs the steps it garbles and nothing else.
std::set<int> ParseSteps(std::string_view text);

struct LineChanges
{
    int added = 0;
    int removed = 0;
    bool operator==(const LineChanges &) const = default;
};
// How many lines `after` added and removed against `before`, lines split at LF (a CR before it
// belongs to the line end). Exact for the usual step; for two very different long texts it
// gives the count of lines that differ between the common start and end instead.
LineChanges CountLineChanges(std::string_view before, std::string_view after);

// The name a damaged database is moved to: "<path>.broken-<stamp>", stamp as YYYYMMDD-HHMMSS.
std::string BrokenFileName(std::string_view path, std::string_view stamp);

} // namespace ProgressSchema
