// A stand-in emulator for the launch benchmark: the first thing it does is
// read the CLOCK_MONOTONIC time and write it, in nanoseconds, to the file
// named by its last argument (a FIFO the benchmark reads). Linked statically,
// so that as little as possible runs before that.
#include <cstdint>
#include <ctime>

#include <fcntl.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const std::int64_t at = std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
    if (argc < 2)
        return 2;
    const int fd = ::open(argv[argc - 1], O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return 1;
    const bool written = ::write(fd, &at, sizeof at) == sizeof at;
    ::close(fd);
    return written ? 0 : 1;
}
