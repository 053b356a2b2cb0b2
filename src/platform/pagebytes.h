#pragma once

// The bytes Run writes for the learner's program: UTF-8 without a byte-order mark, every line
// break written as CR LF. The text is the editor's own, in UTF-16 code units: its lines end in
// U+2029 (the editor's line separator), CR LF or LF; a carriage return alone is dropped. A lone
// surrogate becomes '?', as Qt's UTF-8 encoder writes it.

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace pagebytes {

// At most this many bytes for each unit of text.
constexpr size_t kMaxBytesPerUnit = 3;

// Encodes `text` into `out`, which has room for kMaxBytesPerUnit bytes per unit; answers how
// many bytes were written. Pieces of a text give the bytes of the whole when no piece ends
// between the two halves of a surrogate pair.
size_t Encode(std::u16string_view text, char *out);

// Encodes a text handed over in pieces of any length, cut anywhere, into one small buffer that
// `flush` empties (it answers 0 or an errno). The bytes are those of the whole text.
class Writer
{
public:
    explicit Writer(std::function<int(const char *, size_t)> flush);
    // Answers 0 or the first error of `flush`; after an error nothing more is written.
    int Add(std::u16string_view piece);
    int Finish();

private:
    int put(std::u16string_view units);
    int flush();

    std::function<int(const char *, size_t)> m_flush;
    std::vector<char> m_buffer;
    size_t m_used = 0;
    char16_t m_high = 0; // the first half of a pair that the last piece ended with
    int m_error = 0;
};

} // namespace pagebytes
