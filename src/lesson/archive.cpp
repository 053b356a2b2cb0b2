#include "archive.h"

#include "codepage.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <iterator>
#include <new>
#include <sys/stat.h>

const char *CArchiveException::what() const noexcept
{
    return m_cause == endOfFile ? "unexpected end of archive" : "invalid archive";
}

CArchive::CArchive(std::string_view bytes) : m_memory(bytes) {}

CArchive::CArchive(std::FILE *file) : m_file(file)
{
    struct stat st;
    const long start = std::ftell(file);
    if (fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode) && start >= 0 && st.st_size >= start)
        m_fileSize = uint64_t(st.st_size - start);
    if (m_fileSize == 0 || m_fileSize > kWholeFile)
        return;
    try {
        // Not zero-filled: only the bytes the file delivers are ever looked at.
        m_block.reset(new char[size_t(m_fileSize)]);
    } catch (const std::bad_alloc &) {
        return; // the buffered reads may still do, a string at a time
    }
    // A lesson whose first text is UTF-16 was written that way throughout: its texts shrink to
    // half on loading, so reading them through the buffer leaves half the memory untouched.
    constexpr size_t kPeek = 7; // the text count and the first text's marker
    size_t got = std::fread(m_block.get(), 1, std::min<size_t>(kPeek, size_t(m_fileSize)), file);
    if (got == kPeek && std::memcmp(m_block.get() + 4, "\xff\xfe\xff", 3) == 0 &&
        std::fseek(file, start, SEEK_SET) == 0) {
        m_block.reset();
        return;
    }
    // A file that shrank meanwhile ends early, as it would have in the buffered reads.
    got += std::fread(m_block.get() + got, 1, size_t(m_fileSize) - got, file);
    m_memory = std::string_view(m_block.get(), got);
    m_file = nullptr;
}

CArchive::CArchive(std::string *out) : m_out(out) {}

uint64_t CArchive::remaining() const
{
    if (!m_file)
        return m_memory.size() - m_position;
    if (m_fileSize == UINT64_MAX)
        return UINT64_MAX;
    return m_fileSize > m_position ? m_fileSize - m_position : 0;
}

void CArchive::read(void *dest, size_t size)
{
    const uint64_t start = m_position;
    char *out = static_cast<char *>(dest);
    if (!m_file) {
        if (m_memory.size() - m_position < size)
            throw CArchiveException(CArchiveException::endOfFile, start);
        std::memcpy(out, m_memory.data() + m_position, size);
        m_position += size;
        return;
    }
    if (!m_buffer)
        m_buffer.reset(new char[kBufferSize]); // not zero-filled: every byte is read before use
    while (size > 0) {
        if (m_bufferPos == m_bufferLen && size >= kBufferSize / 2) {
            // A big string goes straight into place, not through the buffer.
            const size_t n = std::fread(out, 1, size, m_file);
            m_position += n;
            if (n < size)
                throw CArchiveException(CArchiveException::endOfFile, start);
            return;
        }
        if (m_bufferPos == m_bufferLen) {
            m_bufferLen = std::fread(m_buffer.get(), 1, kBufferSize, m_file);
            m_bufferPos = 0;
            if (m_bufferLen == 0)
                throw CArchiveException(CArchiveException::endOfFile, start);
        }
        const size_t n = std::min(size, m_bufferLen - m_bufferPos);
        std::memcpy(out, m_buffer.get() + m_bufferPos, n);
        m_bufferPos += n;
        m_position += n;
        out += n;
        size -= n;
    }
}

uint64_t CArchive::readUnsigned(size_t size)
{
    unsigned char bytes[8] = {};
    const unsigned char *in = bytes;
    if (!m_file && m_memory.size() - m_position >= size) {
        // Straight from memory: a lesson of small pages has a prefix and three integers a page.
        in = reinterpret_cast<const unsigned char *>(m_memory.data() + m_position);
        m_position += size;
    } else {
        read(bytes, size);
    }
    uint64_t value = 0;
    for (size_t i = size; i-- > 0;)
        value = (value << 8) | in[i];
    return value;
}

int32_t CArchive::ReadInt32()
{
    return int32_t(uint32_t(readUnsigned(4)));
}

void CArchive::ReadInt32s(int32_t *out, size_t count)
{
    read(out, count * sizeof(int32_t));
    if constexpr (std::endian::native == std::endian::big) {
        for (size_t i = 0; i < count; ++i) {
            const uint32_t v = uint32_t(out[i]);
            out[i] = int32_t(v >> 24 | (v >> 8 & 0xFF00) | (v << 8 & 0xFF0000) | v << 24);
        }
    }
}

std::string CArchive::readBytes(uint64_t size)
{
    std::string bytes;
    if (remaining() != UINT64_MAX) {
#ifdef __cpp_lib_string_resize_and_overwrite
        // Read straight into the new string, with no fill of bytes about to be overwritten.
        // The length is the one asked for: GCC 12 hands the operation the grown capacity.
        const size_t length = size_t(size);
        std::exception_ptr failure;
        bytes.resize_and_overwrite(length, [&](char *out, size_t) noexcept {
            try {
                read(out, length);
                return length;
            } catch (...) {
                failure = std::current_exception();
                return size_t(0);
            }
        });
        if (failure)
            std::rethrow_exception(failure);
#else
        bytes.resize(size_t(size));
        read(bytes.data(), bytes.size());
#endif
        return bytes;
    }
    // A pipe or device: grow with what actually arrives.
    char chunk[65536];
    while (size > 0) {
        const size_t n = size_t(std::min<uint64_t>(size, sizeof chunk));
        read(chunk, n);
        bytes.append(chunk, n);
        size -= n;
    }
    return bytes;
}

template <typename Read> auto CArchive::readAtStart(Read &&read)
{
    // A failure anywhere in the prefix or the bytes is reported at the string's start, so the
    // offset names the value that could not be read.
    const uint64_t start = m_position;
    try {
        return read();
    } catch (CArchiveException &e) {
        e.m_offset = start;
        throw;
    }
}

std::string CArchive::ReadString()
{
    return readAtStart([this] { return readStringBody(); });
}

uint64_t CArchive::readPrefix(bool &unicode)
{
    unicode = false;
    uint64_t length = readUnsigned(1);
    if (length == 0xFF) {
        length = readUnsigned(2);
        if (length == 0xFFFE) {
            // UTF-16 marker: a second prefix follows, and there a 0xFFFE is an ordinary length.
            unicode = true;
            length = readUnsigned(1);
            if (length == 0xFF)
                length = readUnsigned(2);
        }
        if (length == 0xFFFF) {
            length = readUnsigned(4);
            if (length == 0xFFFFFFFF) {
                length = readUnsigned(8);
                if (length > 2147483647)
                    throw CArchiveException(CArchiveException::genericException, m_position);
            }
        }
    }
    // The length comes from the file: never allocate or read more than the file can still
    // deliver.
    if (length > remaining() >> (unicode ? 1 : 0)) // two bytes a UTF-16 unit
        throw CArchiveException(CArchiveException::endOfFile, m_position);
    return length;
}

std::string CArchive::readStringBody()
{
    bool unicode = false;
    const uint64_t length = readPrefix(unicode);
    return unicode ? readUtf16(length) : readBytes(length);
}

template <typename Sink> void CArchive::readUtf16Slices(uint64_t units, Sink &&sink)
{
    // A slice at a time, so a long text never exists twice over in UTF-16.
    char16_t slice[kSliceUnits];
    size_t held = 0; // a high surrogate at the end of the last slice waits for its partner
    while (units > 0) {
        const size_t n = size_t(std::min<uint64_t>(units, std::size(slice) - held));
        read(slice + held, 2 * n);
        if constexpr (std::endian::native == std::endian::big) {
            for (size_t i = held; i < held + n; ++i)
                slice[i] = char16_t(slice[i] << 8 | slice[i] >> 8);
        }
        units -= n;
        const size_t count = held + n;
        held = units > 0 && slice[count - 1] >= 0xD800 && slice[count - 1] <= 0xDBFF ? 1 : 0;
        sink(std::u16string_view(slice, count - held));
        if (held)
            slice[0] = slice[count - 1];
    }
}

std::string CArchive::readUtf16(uint64_t units)
{
    // A text of one slice goes through the scratch string, so its own string is allocated once
    // at its size.
    const bool oneSlice = units <= kSliceUnits;
    std::string text;
    std::string &out = oneSlice ? m_scratch : text;
    out.clear();
    if (!oneSlice && remaining() != UINT64_MAX)
        text.reserve(size_t(units)); // one byte per unit for ASCII; grows for the rest
    readUtf16Slices(units,
                    [&out](std::u16string_view part) { codepage::AppendUtf16AsCp932(part, out); });
    if (oneSlice)
        return m_scratch;
    return text;
}

std::string_view CArchive::ReadStringInBlock()
{
    return readAtStart([this] {
        bool unicode = false;
        const uint64_t length = readPrefix(unicode);
        if (unicode)
            return readUtf16InBlock(length);
        const std::string_view text = m_memory.substr(size_t(m_position), size_t(length));
        m_position += length;
        return text;
    });
}

std::string_view CArchive::readUtf16InBlock(uint64_t units)
{
    // A code unit becomes at most two bytes (a character the code page lacks, one '?'), so the
    // converted text is written behind what was read and never over what is still to come.
    char *const begin = m_block.get() + m_position;
    char *end = begin;
    uint64_t converted = 0;
    readUtf16Slices(units, [&](std::u16string_view part) {
        converted += part.size();
        m_scratch.clear();
        codepage::AppendUtf16AsCp932(part, m_scratch);
        if (uint64_t(end - begin) + m_scratch.size() > 2 * converted)
            throw CArchiveException(CArchiveException::genericException, m_position);
        std::memcpy(end, m_scratch.data(), m_scratch.size());
        end += m_scratch.size();
    });
    return std::string_view(begin, size_t(end - begin));
}

void CArchive::WriteInt32(int32_t value)
{
    const uint32_t v = uint32_t(value);
    for (int i = 0; i < 4; ++i)
        m_out->push_back(char((v >> (8 * i)) & 0xFF));
    m_position += 4;
}

void CArchive::WriteString(std::string_view bytes)
{
    auto put = [this](uint64_t value, int size) {
        for (int i = 0; i < size; ++i)
            m_out->push_back(char((value >> (8 * i)) & 0xFF));
    };
    const uint64_t n = bytes.size();
    const size_t before = m_out->size();
    if (n < 0xFF) {
        put(n, 1);
    } else if (n < 0xFFFE) {
        put(0xFF, 1);
        put(n, 2);
    } else if (n < 0xFFFFFFFF) {
        put(0xFF, 1);
        put(0xFFFF, 2);
        put(n, 4);
    } else {
        put(0xFF, 1);
        put(0xFFFF, 2);
        put(0xFFFFFFFF, 4);
        put(n, 8);
    }
    m_out->append(bytes);
    m_position += m_out->size() - before;
}
