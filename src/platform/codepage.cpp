#include "codepage.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <type_traits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace codepage {
namespace {

// One iconv descriptor per direction and call; iconv state is not shared.
class Converter
{
public:
    Converter(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as possible; returns the number of input bytes consumed and appends
    // the output. Stops at the first sequence iconv rejects.
    size_t convert(const char *in, size_t inLen, std::string &out)
    {
        char buffer[1024];
        char *src = const_cast<char *>(in);
        size_t left = inLen;
        while (left > 0) {
            char *dst = buffer;
            size_t room = sizeof buffer;
            const size_t rc = iconv(m_cd, &src, &left, &dst, &room);
            out.append(buffer, dst - buffer);
            if (rc == static_cast<size_t>(-1) && errno != E2BIG)
                break;
        }
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        return inLen - left;
    }

    // Converts the whole input; where iconv stops, `reject(input, position, output)` writes a
    // stand-in and answers how many input bytes to skip.
    template <typename Reject> std::string convertAll(std::string_view in, Reject reject)
    {
        std::string out;
        size_t pos = 0;
        while (pos < in.size()) {
            pos += ok() ? convert(in.data() + pos, in.size() - pos, out) : 0;
            if (pos < in.size())
                pos += reject(in, pos, out);
        }
        return out;
    }

private:
    iconv_t m_cd;
};

std::u16string fromUtf16Bytes(const std::string &bytes)
{
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        out.push_back(char16_t(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8)));
    return out;
}

std::string toUtf16Bytes(std::u16string_view text)
{
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
        bytes.push_back(char(c & 0xFF));
        bytes.push_back(char(c >> 8));
    }
    return bytes;
}

std::u16string decodeWith(Converter &cv, std::string_view bytes, bool *valid)
{
    if (valid)
        *valid = true;
    const std::string out = cv.convertAll(bytes, [valid](std::string_view, size_t, std::string &o) {
        // Skip one undecodable byte, keeping the rest of the text readable.
        if (valid)
            *valid = false;
        o.append("\xFD\xFF", 2);
        return size_t(1);
    });
    return fromUtf16Bytes(out);
}

std::string encodeWith(Converter &cv, std::u16string_view text)
{
    return cv.convertAll(toUtf16Bytes(text), [](std::string_view in, size_t pos, std::string &o) {
        // One unrepresentable character: a surrogate pair counts as one, a lone surrogate as
        // one, and the character after a lone high surrogate is kept.
        auto unit = [in](size_t at) {
            return char16_t(uint8_t(in[at]) | (uint8_t(in[at + 1]) << 8));
        };
        const bool pair = unit(pos) >= 0xD800 && unit(pos) <= 0xDBFF && pos + 4 <= in.size() &&
                          unit(pos + 2) >= 0xDC00 && unit(pos + 2) <= 0xDFFF;
        o.push_back('?');
        return size_t(pair ? 4 : 2);
    });
}

// Lookup tables filled once from the system converter, so the fast path gives exactly its
// results, including which bytes it rejects; glibc's converter costs a call per short run.
class Tables
{
public:
    Tables();
    bool usable() const { return m_usable; }

    enum ByteKind : uint8_t { invalid, single, lead };
    static constexpr char16_t kNoPair = 0xFFFF; // no code page 932 character decodes to it

    ByteKind m_kind[256];
    char16_t m_single[256];
    uint8_t m_leadIndex[256];
    char16_t m_pair[64][256];
    // Code page bytes of each BMP unit: below 0x100 one byte, else two (high byte first).
    uint16_t m_encode[65536];
    // Whether a character encodes back to the bytes it was decoded from.
    bool m_singleExact[256];
    bool m_pairExact[64][256];
    bool m_asciiExact = true;
    // Whether every unit below 0x80 encodes as that one byte, so runs of them are copied across.
    bool m_asciiIdentity = true;
    // Whether every byte below 0x80 decodes to that unit, so runs of them are widened in bulk.
    bool m_asciiWidens = true;
    // The pair's unit, with bit 16 set when it encodes back to the same two bytes; one load
    // per character on the path that Japanese text takes.
    uint32_t m_pairEntry[64][256];

private:
    bool m_usable = true;
};

Tables::Tables()
{
    std::memset(m_leadIndex, 0, sizeof m_leadIndex);
    Converter decoder("UTF-16LE", "CP932");
    Converter encoder("CP932", "UTF-16LE");
    m_usable = decoder.ok() && encoder.ok();
    int leads = 0;
    for (int b = 0; b < 256 && m_usable; ++b) {
        const char byte = char(b);
        bool valid = false;
        const std::u16string one = decodeWith(decoder, std::string_view(&byte, 1), &valid);
        m_single[b] = one.size() == 1 ? one[0] : u'\xFFFD';
        if (valid && one.size() == 1) {
            m_kind[b] = single;
            continue;
        }
        // A byte rejected alone may start a pair; it is a lead if some pair decodes.
        m_kind[b] = invalid;
        bool anyPair = false;
        char16_t pairs[256];
        for (int t = 0; t < 256; ++t) {
            const char two[2] = {byte, char(t)};
            const std::u16string text = decodeWith(decoder, std::string_view(two, 2), &valid);
            pairs[t] = kNoPair;
            if (valid && text.size() == 1) {
                if (text[0] == kNoPair)
                    m_usable = false;
                pairs[t] = text[0];
                anyPair = true;
            }
        }
        if (!anyPair)
            continue;
        if (leads == 64) {
            m_usable = false;
            break;
        }
        m_kind[b] = lead;
        m_leadIndex[b] = uint8_t(leads);
        std::memcpy(m_pair[leads++], pairs, sizeof pairs);
    }
    for (uint32_t u = 0; u < 65536 && m_usable; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF) {
            m_encode[u] = '?';
            continue;
        }
        const char16_t unit = char16_t(u);
        const std::string bytes = encodeWith(encoder, std::u16string_view(&unit, 1));
        if (bytes.size() == 1)
            m_encode[u] = uint8_t(bytes[0]);
        else if (bytes.size() == 2 && uint8_t(bytes[0]) != 0)
            m_encode[u] = uint16_t(uint8_t(bytes[0]) << 8 | uint8_t(bytes[1]));
        else
            m_usable = false;
    }
    for (uint32_t u = 0; u < 0x80 && m_usable; ++u) {
        m_asciiIdentity = m_asciiIdentity && m_encode[u] == u;
        m_asciiWidens = m_asciiWidens && m_kind[u] == single && m_single[u] == u;
    }
    for (int b = 0; b < 256 && m_usable; ++b) {
        m_singleExact[b] = m_kind[b] == single && m_encode[m_single[b]] == b;
        if (b < 0x80)
            m_asciiExact = m_asciiExact && m_singleExact[b];
        if (m_kind[b] != lead)
            continue;
        for (int t = 0; t < 256; ++t) {
            const char16_t c = m_pair[m_leadIndex[b]][t];
            m_pairExact[m_leadIndex[b]][t] = c != kNoPair && m_encode[c] == (b << 8 | t);
            m_pairEntry[m_leadIndex[b]][t] = c | uint32_t(m_pairExact[m_leadIndex[b]][t]) << 16;
        }
    }
}

// Set once the tables exist.
std::atomic<bool> g_tablesBuilt{false};

const Tables &tables()
{
    static const Tables instance;
    g_tablesBuilt.store(true, std::memory_order_relaxed);
    return instance;
}

// Whether the system converter reads every byte below 0x80 as that unit and writes every unit
// below 0x80 as that byte, asked in one call each way.
bool asciiIsIdentity()
{
    static const bool identity = [] {
        std::string bytes;
        for (int b = 0; b < 0x80; ++b)
            bytes.push_back(char(b));
        const std::u16string units(bytes.begin(), bytes.end());
        Converter decoder("UTF-16LE", "CP932");
        Converter encoder("CP932", "UTF-16LE");
        if (!decoder.ok() || !encoder.ok())
            return false;
        bool valid = false;
        return decodeWith(decoder, bytes, &valid) == units && valid &&
               encodeWith(encoder, units) == bytes;
    }();
    return identity;
}

// Building the tables costs milliseconds of the system converter's time, and the texts a program
// converts as it starts (folder and file names) are ASCII: until the tables are needed, text that
// is all ASCII is converted without them, when the converter keeps ASCII as it is.
template <typename From> bool isAsciiWithoutTables(const From *text, size_t n)
{
    if (g_tablesBuilt.load(std::memory_order_relaxed))
        return false;
    for (size_t i = 0; i < n; ++i) {
        if (std::make_unsigned_t<From>(text[i]) >= 0x80)
            return false;
    }
    return asciiIsIdentity();
}

} // namespace

namespace reference {

std::u16string Cp932ToUtf16(std::string_view bytes, bool *valid)
{
    Converter cv("UTF-16LE", "CP932");
    return decodeWith(cv, bytes, valid);
}

std::string Utf16ToCp932(std::u16string_view text)
{
    Converter cv("CP932", "UTF-16LE");
    return encodeWith(cv, text);
}

} // namespace reference

size_t Cp932ToUtf16(std::string_view bytes, char16_t *out, bool *valid, bool *exact)
{
    if (isAsciiWithoutTables(bytes.data(), bytes.size())) {
        for (size_t i = 0; i < bytes.size(); ++i)
            out[i] = char16_t(bytes[i]);
        if (valid)
            *valid = true;
        if (exact)
            *exact = true;
        return bytes.size();
    }
    const Tables &t = tables();
    if (!t.usable()) {
        bool ok = false;
        const std::u16string text = reference::Cp932ToUtf16(bytes, &ok);
        std::memcpy(out, text.data(), text.size() * sizeof(char16_t));
        if (valid)
            *valid = ok;
        if (exact)
            *exact = ok && reference::Utf16ToCp932(text) == bytes;
        return text.size();
    }
    const auto *in = reinterpret_cast<const uint8_t *>(bytes.data());
    const size_t n = bytes.size();
    char16_t *const begin = out;
    bool ok = true;
    bool same = true;
    size_t i = 0;
    const bool widen = t.m_asciiExact && t.m_asciiWidens;
    while (i < n) {
        // Runs of ASCII, sixteen bytes at a time: most of a program is ASCII. The sixteen units
        // are written whole (the output has room for one unit per byte); those past the run are
        // written again after it.
        while (widen && i + 16 <= n) {
#ifdef __SSE2__
            const __m128i bytes16 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_unpacklo_epi8(bytes16, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 8),
                             _mm_unpackhi_epi8(bytes16, zero));
            const int high = _mm_movemask_epi8(bytes16);
            const size_t run = high ? size_t(__builtin_ctz(unsigned(high))) : 16;
#else
            size_t run = 0;
            while (run < 16 && in[i + run] < 0x80) {
                out[run] = in[i + run];
                ++run;
            }
#endif
            out += run;
            i += run;
            if (run < 16)
                break;
        }
        if (i >= n)
            break;
        const uint8_t b = in[i];
        switch (t.m_kind[b]) {
        case Tables::single:
            *out++ = t.m_single[b];
            same &= t.m_singleExact[b];
            ++i;
            break;
        case Tables::lead: {
            const uint32_t entry =
                i + 1 < n ? t.m_pairEntry[t.m_leadIndex[b]][in[i + 1]] : Tables::kNoPair;
            if (char16_t(entry) != Tables::kNoPair) {
                *out++ = char16_t(entry);
                same &= bool(entry >> 16);
                i += 2;
                break;
            }
            [[fallthrough]];
        }
        case Tables::invalid:
            *out++ = u'\xFFFD';
            ok = false;
            ++i;
            break;
        }
    }
    if (valid)
        *valid = ok;
    if (exact)
        *exact = ok && same;
    return size_t(out - begin);
}

std::u16string Cp932ToUtf16(std::string_view bytes, bool *valid)
{
    std::u16string text(bytes.size(), u'\0');
    text.resize(Cp932ToUtf16(bytes, text.data(), valid));
    return text;
}

void AppendUtf16AsCp932(std::u16string_view text, std::string &out)
{
    if (isAsciiWithoutTables(text.data(), text.size())) {
        out.append(text.begin(), text.end());
        return;
    }
    const Tables &t = tables();
    if (!t.usable()) {
        out += reference::Utf16ToCp932(text);
        return;
    }
    // Through a small buffer: the output grows by what it needs, never by the worst case of two
    // bytes a unit, which would reallocate a long text that its reader had reserved.
    char buffer[8192];
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        char *o = buffer;
        for (const char *end = buffer + sizeof buffer - 8; i < n && o < end; ++i) {
            // Eight units at a time while they are all below 0x80: most program text is.
            uint64_t units[2];
            while (t.m_asciiIdentity && i + 8 <= n && o < end) {
                std::memcpy(units, text.data() + i, sizeof units);
                if ((units[0] | units[1]) & 0xFF80FF80FF80FF80u)
                    break;
                for (int k = 0; k < 8; ++k)
                    o[k] = char(text[i + size_t(k)]);
                o += 8;
                i += 8;
            }
            if (i == n || o >= end)
                break;
            const char16_t u = text[i];
            if (u >= 0xD800 && u <= 0xDFFF) {
                // A pair is one character the code page lacks; a lone surrogate is one too.
                if (u <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
                    ++i;
                *o++ = '?';
                continue;
            }
            const uint16_t code = t.m_encode[u];
            if (code >= 0x100)
                *o++ = char(code >> 8);
            *o++ = char(code & 0xFF);
        }
        out.append(buffer, size_t(o - buffer));
    }
}

std::string Utf16ToCp932(std::u16string_view text)
{
    std::string out;
    AppendUtf16AsCp932(text, out);
    return out;
}

} // namespace codepage
