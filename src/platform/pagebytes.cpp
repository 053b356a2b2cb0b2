#include "pagebytes.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace pagebytes {
namespace {
constexpr char16_t kParagraphSeparator = 0x2029;

bool isHigh(char16_t c)
{
    return c >= 0xD800 && c < 0xDC00;
}

bool isLow(char16_t c)
{
    return c >= 0xDC00 && c < 0xE000;
}

// A program is mostly ASCII, and copying it is most of an export's work: units that are ASCII
// and neither CR nor LF are copied several at a time. Answers how many were copied.
#ifdef __SSE2__
size_t copyPlain(const char16_t *in, const char16_t *end, char *out)
{
    const char16_t *const start = in;
    const __m128i notAscii = _mm_set1_epi16(short(0xFF80));
    const __m128i cr = _mm_set1_epi16('\r');
    const __m128i lf = _mm_set1_epi16('\n');
    while (end - in >= 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in));
        const __m128i other =
            _mm_or_si128(_mm_and_si128(units, notAscii),
                         _mm_or_si128(_mm_cmpeq_epi16(units, cr), _mm_cmpeq_epi16(units, lf)));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(other, _mm_setzero_si128())) != 0xFFFF)
            break;
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out), _mm_packus_epi16(units, units));
        in += 8;
        out += 8;
    }
    return size_t(in - start);
}
#else
// Four units in a word: a lane is zero where the word has a zero lane.
constexpr uint64_t kLanes = 0x0001000100010001;

bool hasZeroLane(uint64_t word)
{
    return ((word - kLanes) & ~word & (0x8000 * kLanes)) != 0;
}

size_t copyPlain(const char16_t *in, const char16_t *end, char *out)
{
    if constexpr (std::endian::native != std::endian::little)
        return 0;
    const char16_t *const start = in;
    while (end - in >= 4) {
        uint64_t units;
        std::memcpy(&units, in, sizeof units);
        if ((units & 0xFF80 * kLanes) != 0 || hasZeroLane(units ^ ('\r' * kLanes)) ||
            hasZeroLane(units ^ ('\n' * kLanes)))
            break;
        const uint32_t bytes = uint32_t((units & 0xFF) | ((units >> 8) & 0xFF00) |
                                        ((units >> 16) & 0xFF0000) | ((units >> 24) & 0xFF000000));
        std::memcpy(out, &bytes, sizeof bytes);
        in += 4;
        out += 4;
    }
    return size_t(in - start);
}
#endif
} // namespace

size_t Encode(std::u16string_view text, char *out)
{
    char *const start = out;
    const char16_t *in = text.data();
    const char16_t *const end = in + text.size();
    while (in != end) {
        const size_t plain = copyPlain(in, end, out);
        in += plain;
        out += plain;
        if (in == end)
            break;
        const char16_t c = *in++;
        if (c < 0x80) {
            if (c == '\r')
                continue;
            if (c == '\n')
                *out++ = '\r';
            *out++ = char(c);
        } else if (c == kParagraphSeparator) {
            *out++ = '\r';
            *out++ = '\n';
        } else if (c < 0x800) {
            *out++ = char(0xC0 | (c >> 6));
            *out++ = char(0x80 | (c & 0x3F));
        } else if (isHigh(c) && in != end && isLow(*in)) {
            const char32_t code = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (*in++ - 0xDC00);
            *out++ = char(0xF0 | (code >> 18));
            *out++ = char(0x80 | ((code >> 12) & 0x3F));
            *out++ = char(0x80 | ((code >> 6) & 0x3F));
            *out++ = char(0x80 | (code & 0x3F));
        } else if (isHigh(c) || isLow(c)) {
            *out++ = '?';
        } else {
            *out++ = char(0xE0 | (c >> 12));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
        }
    }
    return size_t(out - start);
}

namespace {
constexpr size_t kPieceUnits = 32 * 1024;

// Where the first piece of `text` of at most `limit` units (at least 2) ends, so that it keeps a
// surrogate pair whole.
size_t pieceEnd(std::u16string_view text, size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    return isHigh(text[limit - 1]) && isLow(text[limit]) ? limit - 1 : limit;
}
} // namespace

Writer::Writer(std::function<int(const char *, size_t)> flush)
    : m_flush(std::move(flush)), m_buffer(2 * kPieceUnits * kMaxBytesPerUnit)
{
}

int Writer::Add(std::u16string_view piece)
{
    if (m_high != 0 && !piece.empty()) {
        const char16_t units[2] = {m_high, piece.front()};
        const bool pair = isLow(units[1]);
        m_high = 0;
        put({units, pair ? 2u : 1u});
        if (pair)
            piece.remove_prefix(1);
    }
    if (!piece.empty() && isHigh(piece.back())) {
        m_high = piece.back();
        piece.remove_suffix(1);
    }
    while (!piece.empty()) {
        const size_t end = pieceEnd(piece, kPieceUnits);
        put(piece.substr(0, end));
        piece.remove_prefix(end);
    }
    return m_error;
}

int Writer::Finish()
{
    if (m_high != 0) {
        put({&m_high, 1});
        m_high = 0;
    }
    flush();
    return m_error;
}

int Writer::put(std::u16string_view units)
{
    if (m_used + units.size() * kMaxBytesPerUnit > m_buffer.size())
        flush();
    if (m_error == 0)
        m_used += Encode(units, m_buffer.data() + m_used);
    return m_error;
}

int Writer::flush()
{
    if (m_error == 0 && m_used > 0)
        m_error = m_flush(m_buffer.data(), m_used);
    m_used = 0;
    return m_error;
}

} // namespace pagebytes
