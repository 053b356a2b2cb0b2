#include "paths.h"

#include <climits>
#include <unistd.h>
#include <vector>

namespace {
std::string &programDirectoryOverride()
{
    static std::string directory;
    return directory;
}

std::string executablePath()
{
    // readlink gives no length up front: grow the buffer until the whole path fits, so a deep
    // install directory is never cut short.
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (size_t(n) < buffer.size())
            return std::string(buffer.data(), size_t(n));
        buffer.resize(buffer.size() * 2);
    }
}
} // namespace

std::string ProgramDirectory()
{
    if (!programDirectoryOverride().empty())
        return programDirectoryOverride();
    std::string path = executablePath();
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return "./";
    path.resize(slash + 1);
    return path;
}

void SetProgramDirectoryOverride(const std::string &directory)
{
    std::string dir = directory;
    if (!dir.empty() && dir.back() != '/')
        dir.push_back('/');
    programDirectoryOverride() = dir;
}

bool FileBaseName(std::string &title, std::string_view path)
{
    if (path.empty())
        return false;
    size_t end = path.size();
    size_t start = 0;
    bool dotFound = false;
    for (size_t i = path.size(); i-- > 0;) {
        const char c = path[i];
        if (c == '\\' || c == '/') {
            start = i + 1;
            break;
        }
        if (c == '.' && !dotFound) {
            dotFound = true;
            end = i;
        }
    }
    if (start >= end)
        return false;
    title.assign(path.substr(start, end - start));
    return true;
}
