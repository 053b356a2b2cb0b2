#include "codepage.h"

#include <cerrno>
#include <iconv.h>

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

} // namespace

std::u16string Cp932ToUtf16(std::string_view bytes, bool *valid)
{
    if (valid)
        *valid = true;
    Converter cv("UTF-16LE", "CP932");
    std::string out;
    size_t pos = 0;
    while (pos < bytes.size()) {
        pos += cv.ok() ? cv.convert(bytes.data() + pos, bytes.size() - pos, out) : 0;
        if (pos < bytes.size()) {
            // Skip one undecodable byte, keeping the rest of the text readable.
            if (valid)
                *valid = false;
            out.append("\xFD\xFF", 2);
            ++pos;
        }
    }
    return fromUtf16Bytes(out);
}

std::string Utf16ToCp932(std::u16string_view text)
{
    Converter cv("CP932", "UTF-16LE");
    const std::string in = toUtf16Bytes(text);
    std::string out;
    size_t pos = 0;
    while (pos < in.size()) {
        pos += cv.ok() ? cv.convert(in.data() + pos, in.size() - pos, out) : 0;
        if (pos < in.size()) {
            // One unrepresentable character: a surrogate pair counts as one, a lone surrogate
            // as one, and the character after a lone high surrogate is kept.
            auto unit = [&in](size_t at) {
                return char16_t(uint8_t(in[at]) | (uint8_t(in[at + 1]) << 8));
            };
            const bool pair = unit(pos) >= 0xD800 && unit(pos) <= 0xDBFF && pos + 4 <= in.size() &&
                              unit(pos + 2) >= 0xDC00 && unit(pos + 2) <= 0xDFFF;
            out.push_back('?');
            pos += pair ? 4 : 2;
        }
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view bytes)
{
    Converter cv("UTF-16LE", "UTF-8");
    std::string out;
    size_t pos = 0;
    while (pos < bytes.size()) {
        pos += cv.ok() ? cv.convert(bytes.data() + pos, bytes.size() - pos, out) : 0;
        if (pos < bytes.size()) {
            out.append("\xFD\xFF", 2);
            ++pos;
        }
    }
    return fromUtf16Bytes(out);
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    Converter cv("UTF-8", "UTF-16LE");
    const std::string in = toUtf16Bytes(text);
    std::string out;
    size_t pos = 0;
    while (pos < in.size()) {
        pos += cv.ok() ? cv.convert(in.data() + pos, in.size() - pos, out) : 0;
        if (pos < in.size()) {
            out.append("\xEF\xBF\xBD");
            pos += 2;
        }
    }
    return out;
}

} // namespace codepage
