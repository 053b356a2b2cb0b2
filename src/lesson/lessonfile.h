#pragma once

// Reading and writing whole lesson files on disk, for callers that want a result instead of an
// archive exception: the lesson tool and the tests.

#include <cstdint>
#include <string>

class CBolto;

struct LessonFileStatus
{
    enum Cause {
        ok,
        openFailed,    // m_error holds errno
        endOfFile,     // the file ends before the lesson does
        generic,       // an impossible string length, or no memory for one
        writeFailed,   // m_error holds errno
        notRegularFile // the target exists and is no regular file; it was left alone
    };

    Cause m_cause = ok;
    int m_error = 0;
    uint64_t m_offset = 0; // where the count, integer or string that could not be read begins
};

// Appends the file's lesson to `lesson` (callers reset it first). A zero-byte file is not read
// at all and gives no entries. On failure what was read before it stays.
LessonFileStatus LoadLessonFile(const std::string &path, CBolto &lesson);

// Writes `lesson` with the shortest string prefixes, replacing the file and keeping its
// permissions. A symbolic link is followed and the file it names replaced; a target that exists
// and is no regular file (a folder, a pipe, a device) is refused.
LessonFileStatus StoreLessonFile(const std::string &path, CBolto &lesson);
