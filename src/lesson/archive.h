#pragma once

// The binary archive that lesson files are written in. A lesson file has no header: it is four
// counted lists and one string, back to back, all integers little-endian:
//
//   int32 T, T strings          the page snippets
//   int32 K, K int32            the page kinds
//   int32 L, L int32            the first arrow line of each page (1-based)
//   int32 C, C int32            the arrow line count of each page
//   string                      the lesson folder name
//
// A count of zero or below means no elements. A string is a length prefix and that many bytes,
// no terminator. The prefix is one byte n < 0xFF; or 0xFF and a uint16 n < 0xFFFF; or 0xFF,
// 0xFFFF and a uint32 n < 0xFFFFFFFF; or 0xFF, 0xFFFF, 0xFFFFFFFF and a uint64 n that must not
// exceed 2147483647. A uint16 0xFFFE right after the first 0xFF marks a UTF-16 string: a second
// prefix follows, counting 16-bit code units; the text is turned into code page 932 on loading.
// Writing always uses the shortest prefix. Bytes after the folder name are never read.

#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

class CArchiveException : public std::exception
{
public:
    enum Cause {
        endOfFile,        // the file ends before the lesson does
        genericException, // an impossible string length
    };

    CArchiveException(Cause cause, uint64_t offset) : m_cause(cause), m_offset(offset) {}
    const char *what() const noexcept override;

    Cause m_cause;
    uint64_t m_offset; // where the count, integer or string that could not be read begins
};

class CArchive
{
public:
    // Loads from bytes in memory.
    explicit CArchive(std::string_view bytes);
    // Loads from an open file, from its current position. A regular file of up to kWholeFile
    // bytes is read whole into one block first, in as few reads as the system allows, so its
    // strings can stay where they were read (ReadStringInBlock); anything else goes through a
    // large buffer.
    explicit CArchive(std::FILE *file);
    // Stores into `out`, appending.
    explicit CArchive(std::string *out);

    CArchive(const CArchive &) = delete;
    CArchive &operator=(const CArchive &) = delete;

    bool IsStoring() const { return m_out != nullptr; }
    bool IsLoading() const { return m_out == nullptr; }
    uint64_t GetPosition() const { return m_position; }
    // How many bytes may still come when loading; a file whose size cannot be known answers
    // UINT64_MAX.
    uint64_t GetRemaining() const { return remaining(); }

    int32_t ReadInt32();
    // `count` integers in one read; the caller knows the file still holds them.
    void ReadInt32s(int32_t *out, size_t count);
    std::string ReadString();
    // While Block() is set: the next string as it lies in the block, valid as long as the block
    // is. A UTF-16 text is first turned into code page 932 where it lies, which it never outgrows.
    std::string_view ReadStringInBlock();
    const std::shared_ptr<char[]> &Block() const { return m_block; }

    void WriteInt32(int32_t value);
    void WriteString(std::string_view bytes);

private:
    void read(void *dest, size_t size);
    uint64_t readUnsigned(size_t size);
    // How many bytes may still come; a file whose size cannot be known answers UINT64_MAX.
    uint64_t remaining() const;
    // `size` bytes, which readPrefix checked against what may still come.
    std::string readBytes(uint64_t size);
    // Runs `read` for one string; a failure names the string's start.
    template <typename Read> auto readAtStart(Read &&read);
    // Reads a string's length prefix; `unicode` tells whether it counts UTF-16 units. A length
    // longer than the rest of the file fails here.
    uint64_t readPrefix(bool &unicode);
    std::string readStringBody();
    // Reads `units` UTF-16 units and hands them to `sink` a slice at a time, never splitting a
    // surrogate pair.
    template <typename Sink> void readUtf16Slices(uint64_t units, Sink &&sink);
    static constexpr size_t kSliceUnits = 32768;
    std::string readUtf16(uint64_t units);
    std::string_view readUtf16InBlock(uint64_t units);

    std::string_view m_memory;
    // The whole file, when it was read at once; m_memory then views it.
    std::shared_ptr<char[]> m_block;
    // Above this a file is read through the buffer: whatever follows the lesson is never read.
    static constexpr uint64_t kWholeFile = uint64_t(1) << 30;
    std::FILE *m_file = nullptr;
    uint64_t m_fileSize = UINT64_MAX;
    // Big enough that a lesson costs a few hundred read calls, not one per 4 KiB.
    static constexpr size_t kBufferSize = 1 << 20;
    std::unique_ptr<char[]> m_buffer;
    size_t m_bufferPos = 0;
    size_t m_bufferLen = 0;
    // A short UTF-16 text is converted here first, so its string is allocated once at its size.
    std::string m_scratch;
    std::string *m_out = nullptr;
    uint64_t m_position = 0;
};
