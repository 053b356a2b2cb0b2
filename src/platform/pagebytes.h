#pragma once

// The bytes Run writes for the learner's program: UTF-8 without a byte-order mark, every line
// break written as CR LF. The text is the editor's own, in UTF-16 code units: its lines end in
// U+2029 (the editor's line separator), CR LF or LF; a carriage return alone is dropped. A lone
// surrogate becomes '?', as Qt's UTF-8 encoder writes it.

#include <cstddef>
#include <string_view>

namespace pagebytes {

// At most this many bytes for each unit of text.
constexpr size_t kMaxBytesPerUnit = 3;

// Encodes `text` into `out`, which has room for kMaxBytesPerUnit bytes per unit; answers how
// many bytes were written. Pieces of a text give the bytes of the whole when no piece ends
// between the two halves of a surrogate pair (see PieceEnd).
size_t Encode(std::u16string_view text, char *out);

// Where a piece of `text` that starts at `start` and takes at most `limit` units (at least 2)
// ends, so that it keeps a surrogate pair whole.
size_t PieceEnd(std::u16string_view text, size_t start, size_t limit);

} // namespace pagebytes
