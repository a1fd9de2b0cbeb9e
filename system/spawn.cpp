#include "system/spawn.h"

#include "system/filenames.h"

#include <QScopeGuard>

#include <csignal>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

extern char **environ;

namespace tavik {
namespace {

// The file action that gives the child `given` in `slot`.
int addStream(posix_spawn_file_actions_t &actions, int slot, int given)
{
    if (given >= 0)
        return ::posix_spawn_file_actions_adddup2(&actions, given, slot);
    if (given == ChildStreams::none || (given == ChildStreams::launchers && passesOn(slot)))
        return 0;
    return ::posix_spawn_file_actions_addopen(&actions, slot, "/dev/null", slot == STDIN_FILENO ? O_RDONLY : O_WRONLY,
                                              0);
}

} // namespace

bool passesOn(int descriptor)
{
    const int flags = ::fcntl(descriptor, F_GETFD);
    return flags >= 0 && !(flags & FD_CLOEXEC);
}

int spawnDetached(const QString &program, const QStringList &arguments, const QString &folder,
                  const ChildStreams &streams, pid_t &child)
{
    // Byte for byte: a name that is not UTF-8 reaches the program unchanged,
    // and a text that stands for no bytes starts nothing.
    bool whole = true;
    const QByteArray path = fileNameToBytes(program, &whole);
    const QByteArray runFolder = fileNameToBytes(folder, &whole);
    std::vector<QByteArray> encoded;
    encoded.reserve(std::size_t(arguments.size()));
    for (const QString &argument : arguments)
        encoded.push_back(fileNameToBytes(argument, &whole));
    if (!whole)
        return EILSEQ;
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(path.constData()));
    for (QByteArray &argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (const int error = ::posix_spawn_file_actions_init(&actions))
        return error;
    const auto dropActions = qScopeGuard([&] { ::posix_spawn_file_actions_destroy(&actions); });
    posix_spawnattr_t attributes;
    if (const int error = ::posix_spawnattr_init(&attributes))
        return error;
    const auto dropAttributes = qScopeGuard([&] { ::posix_spawnattr_destroy(&attributes); });
    sigset_t none, all;
    if (::sigemptyset(&none) != 0 || ::sigfillset(&all) != 0)
        return errno;
    const int steps[] = {
        addStream(actions, STDIN_FILENO, streams.input),
        addStream(actions, STDOUT_FILENO, streams.output),
        addStream(actions, STDERR_FILENO, streams.errors),
        addStream(actions, 3, streams.third),
        ::posix_spawn_file_actions_addchdir_np(&actions, runFolder.constData()),
        ::posix_spawnattr_setsigmask(&attributes, &none),
        ::posix_spawnattr_setsigdefault(&attributes, &all),
        ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF),
    };
    for (const int error : steps) {
        if (error != 0)
            return error;
    }
    return ::posix_spawn(&child, path.constData(), &actions, &attributes, argv.data(), environ);
}

void fillStandardDescriptors()
{
    for (int slot = STDIN_FILENO; slot <= STDERR_FILENO; ++slot) {
        if (::fcntl(slot, F_GETFD) >= 0)
            continue;
        // The lowest free descriptor is this slot.
        const int opened = ::open("/dev/null", slot == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != slot)
            ::close(opened);
    }
}

} // namespace tavik
