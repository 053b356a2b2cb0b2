#pragma once

// What the harnesses share: loading one input through each road the program and the tool use,
// and comparing lessons. A harness that finds two roads disagreeing, or a round trip that changes
// a lesson, aborts, which is what libFuzzer and the corpus replay both report.

#include "archive.h"
#include "bolto.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

struct LoadOutcome
{
    CBolto lesson;
    bool ok = true;
    int cause = -1;
    uint64_t offset = 0;
};

inline void Require(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz: %s\n", what);
        std::abort();
    }
}

inline LoadOutcome LoadThrough(CArchive &ar)
{
    LoadOutcome outcome;
    try {
        outcome.lesson.Serialize(ar);
    } catch (const CArchiveException &e) {
        outcome.ok = false;
        outcome.cause = e.m_cause;
        outcome.offset = e.m_offset;
    }
    return outcome;
}

inline LoadOutcome LoadFromMemory(std::string_view bytes)
{
    CArchive ar(bytes);
    return LoadThrough(ar);
}

// Through a FILE: a regular file (its size known) or a stream in memory (its size unknown, as a
// pipe's). Returns false when the system gives no such FILE.
inline bool LoadFromFile(std::string_view bytes, bool stream, LoadOutcome &outcome)
{
    std::FILE *file = nullptr;
    if (stream) {
        // fmemopen refuses a zero-length buffer on some systems; one spare byte is never read.
        static char empty = 0;
        file = bytes.empty() ? fmemopen(&empty, 1, "r")
                             : fmemopen(const_cast<char *>(bytes.data()), bytes.size(), "r");
        if (file && bytes.empty())
            std::fseek(file, 1, SEEK_SET);
    } else {
        file = std::tmpfile();
        if (file && (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
                     std::fseek(file, 0, SEEK_SET) != 0)) {
            std::fclose(file);
            file = nullptr;
        }
    }
    if (!file)
        return false;
    {
        CArchive ar(file);
        outcome = LoadThrough(ar);
    }
    std::fclose(file);
    return true;
}

inline bool SameLesson(const CBolto &a, const CBolto &b)
{
    return a.m_pageTexts == b.m_pageTexts && a.m_pageKinds == b.m_pageKinds &&
           a.m_arrowLines == b.m_arrowLines && a.m_arrowCounts == b.m_arrowCounts &&
           a.m_folderName == b.m_folderName;
}

inline bool SameOutcome(const LoadOutcome &a, const LoadOutcome &b)
{
    return a.ok == b.ok && a.cause == b.cause && a.offset == b.offset &&
           SameLesson(a.lesson, b.lesson);
}

inline std::string Store(CBolto &lesson)
{
    std::string out;
    CArchive ar(&out);
    lesson.Serialize(ar);
    return out;
}
