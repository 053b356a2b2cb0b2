// What loading one lesson file costs a process, for the memory bound test and the load rows of
// the benchmark: `bolto-loadcost load FILE` loads it as the program does, `bolto-loadcost read
// FILE` reads the same bytes into one fresh buffer (the baseline). Prints the outcome and the
// peak resident memory the work added, in bytes.

#include "bolto.h"
#include "lessonfile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
long long residentBytes()
{
    long long pages = 0, resident = 0;
    std::FILE *statm = std::fopen("/proc/self/statm", "r");
    if (statm) {
        if (std::fscanf(statm, "%lld %lld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

long long peakBytes()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss * 1024LL;
}

const char *readWhole(const char *path)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0)
        return "openFailed";
    char *buffer = static_cast<char *>(std::malloc(size_t(st.st_size) + 1));
    size_t done = 0;
    for (;;) {
        const ssize_t n = read(fd, buffer + done, size_t(st.st_size) + 1 - done);
        if (n <= 0)
            break;
        done += size_t(n);
    }
    close(fd);
    const bool whole = done == size_t(st.st_size);
    std::free(buffer);
    return whole ? "ok" : "short";
}

const char *load(const char *path)
{
    CBolto lesson;
    switch (LoadLessonFile(path, lesson).m_cause) {
    case LessonFileStatus::ok:
        return "ok";
    case LessonFileStatus::endOfFile:
        return "endOfFile";
    case LessonFileStatus::generic:
        return "generic";
    default:
        return "openFailed";
    }
}
} // namespace

int main(int argc, char **argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "load") != 0 && std::strcmp(argv[1], "read") != 0)) {
        std::fprintf(stderr, "usage: %s load|read FILE\n", argv[0]);
        return 2;
    }
    const long long before = residentBytes();
    const char *outcome = std::strcmp(argv[1], "load") == 0 ? load(argv[2]) : readWhole(argv[2]);
    std::printf("%s %lld\n", outcome, peakBytes() - before);
    return 0;
}
