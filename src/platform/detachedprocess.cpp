#include "detachedprocess.h"

#include "pathbytes.h"

#include <QByteArrayList>

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace {
std::vector<char *> pointers(QByteArrayList &strings)
{
    std::vector<char *> list;
    for (QByteArray &s : strings)
        list.push_back(s.data());
    list.push_back(nullptr);
    return list;
}
} // namespace

int StartDetachedProgram(const QString &program, const QStringList &arguments,
                         const QProcessEnvironment &environment)
{
    // Everything the child needs is made before it exists. Qt's own detached start runs no code
    // in the child on this Qt version, so the descriptors are dropped by the spawn itself.
    QByteArrayList argv{PathToBytes(program)};
    for (const QString &argument : arguments)
        argv << PathToBytes(argument);
    QByteArrayList envp;
    for (const QString &entry : environment.toStringList())
        envp << PathToBytes(entry);
    std::vector<char *> argvPointers = pointers(argv);
    std::vector<char *> envpPointers = pointers(envp);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int err = posix_spawnp(&pid, argvPointers.front(), &actions, &attributes,
                                 argvPointers.data(), envpPointers.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0)
        return err;
    // The program is this process's child: collect its exit, so that it leaves no zombie.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return 0;
}
