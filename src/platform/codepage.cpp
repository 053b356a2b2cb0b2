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

} // namespace

std::u16string Cp932ToUtf16(std::string_view bytes, bool *valid)
{
    if (valid)
        *valid = true;
    Converter cv("UTF-16LE", "CP932");
    const std::string out = cv.convertAll(bytes, [valid](std::string_view, size_t, std::string &o) {
        // Skip one undecodable byte, keeping the rest of the text readable.
        if (valid)
            *valid = false;
        o.append("\xFD\xFF", 2);
        return size_t(1);
    });
    return fromUtf16Bytes(out);
}

std::string Utf16ToCp932(std::u16string_view text)
{
    Converter cv("CP932", "UTF-16LE");
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

} // namespace codepage
