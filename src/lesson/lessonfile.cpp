#include "lessonfile.h"

#include "archive.h"
#include "bolto.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>

namespace {
struct FileCloser
{
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;
} // namespace

LessonFileStatus LoadLessonFile(const std::string &path, CBolto &lesson)
{
    LessonFileStatus status;
    const File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        status.m_cause = LessonFileStatus::openFailed;
        status.m_error = errno;
        return status;
    }
    if (std::fgetc(file.get()) == EOF) {
        if (std::ferror(file.get())) {
            status.m_cause = LessonFileStatus::openFailed;
            status.m_error = errno;
        }
        return status;
    }
    std::rewind(file.get());
    try {
        CArchive ar(file.get());
        lesson.Serialize(ar);
    } catch (const CArchiveException &e) {
        status.m_cause = e.m_cause == CArchiveException::endOfFile ? LessonFileStatus::endOfFile
                                                                   : LessonFileStatus::generic;
        status.m_offset = e.m_offset;
    } catch (const std::bad_alloc &) {
        status.m_cause = LessonFileStatus::generic;
    }
    return status;
}

LessonFileStatus StoreLessonFile(const std::string &path, CBolto &lesson)
{
    std::string bytes;
    CArchive ar(&bytes);
    lesson.Serialize(ar);

    LessonFileStatus status;
    File file(std::fopen(path.c_str(), "wb"));
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() ||
        std::fclose(file.release()) != 0) {
        status.m_cause = LessonFileStatus::writeFailed;
        status.m_error = errno;
    }
    return status;
}
