#include "lessonfile.h"

#include "archive.h"
#include "bolto.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
struct FileCloser
{
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Follows symbolic links from `path` to the name they end at, which need not exist yet.
// Returns 0 or the errno.
int followLinks(std::string &path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return 0;
        std::vector<char> buffer(256);
        ssize_t n = 0;
        while ((n = readlink(path.c_str(), buffer.data(), buffer.size())) >= 0 &&
               size_t(n) == buffer.size())
            buffer.resize(buffer.size() * 2);
        if (n < 0)
            return errno;
        std::string target(buffer.data(), size_t(n));
        const size_t slash = path.find_last_of('/');
        if (!target.empty() && target.front() != '/' && slash != std::string::npos)
            target.insert(0, path, 0, slash + 1);
        path = std::move(target);
    }
    return ELOOP;
}
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
    // A zero-byte lesson is not read at all. Peek rather than seek, so pipes work too.
    const int first = std::fgetc(file.get());
    if (first == EOF) {
        if (std::ferror(file.get())) {
            status.m_cause = LessonFileStatus::openFailed;
            status.m_error = errno;
        }
        return status;
    }
    std::ungetc(first, file.get());
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

LessonFileStatus StoreLessonFile(const std::string &outPath, CBolto &lesson)
{
    std::string bytes;
    CArchive ar(&bytes);
    lesson.Serialize(ar);

    // The rename below would turn a link, a pipe or a device into a plain file: a link is
    // followed, the rest is refused.
    LessonFileStatus status;
    std::string path = outPath;
    if (const int err = followLinks(path); err != 0) {
        status.m_cause = LessonFileStatus::writeFailed;
        status.m_error = err;
        return status;
    }
    struct stat old;
    const bool replacing = stat(path.c_str(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode)) {
        status.m_cause = LessonFileStatus::notRegularFile;
        return status;
    }

    // Write beside the target and rename over it, so a failed write never leaves a lesson cut
    // short where a good one was.
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        status.m_cause = LessonFileStatus::writeFailed;
        status.m_error = errno;
        return status;
    }
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, replacing ? old.st_mode & 07777 : 0666 & ~mask);
    int writeError = 0;
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            writeError = n < 0 ? errno : EIO;
            break;
        }
        written += size_t(n);
    }
    // Some file systems report a full disk only when the data reaches it; the old lesson must
    // not be replaced by a short one. EINVAL and EROFS: a file that cannot be synchronised.
    if (writeError == 0 && fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
        writeError = errno;
    if (close(fd) != 0 || writeError != 0 || std::rename(temporary.c_str(), path.c_str()) != 0) {
        status.m_cause = LessonFileStatus::writeFailed;
        status.m_error = writeError != 0 ? writeError : errno;
        unlink(temporary.c_str());
    }
    return status;
}
