// How long the launcher takes from exec to its splash on the screen, and how
// much memory it has taken by then, beside a bare Qt window of the splash's
// size that shows one line in the splash's face (see bare_window.cpp). Both programs run alternately with the first-frame probe preloaded;
// the probe reports the moment the first window has been painted and ends the
// program there, so the peak resident size is the peak up to that moment.
//
//   startup_benchmark [runs, default 20]
//
// Runs on whatever QT_QPA_PLATFORM and DISPLAY say (xcb under Xvfb, for
// example); with neither set, on the offscreen platform.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

struct Sample {
    double milliseconds = 0;
    long maxResidentKiB = 0;
};

std::int64_t monotonicNanoseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// One start of `program`, measured from just before the spawn to the
// probe's report of the first painted frame.
bool measure(const char *program, const std::string &probe, Sample &sample)
{
    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0)
        return false;
    // The write end stays open across exec, for the probe.
    const int writeEnd = ::fcntl(channel[1], F_DUPFD, 3);
    ::close(channel[1]);

    std::vector<std::string> variables;
    for (char **entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "LD_PRELOAD=", 11) != 0 && std::strncmp(*entry, "TAVIK_FIRST_FRAME_FD=", 21) != 0)
            variables.emplace_back(*entry);
    }
    const char *preloaded = std::getenv("LD_PRELOAD");
    variables.push_back("LD_PRELOAD=" + probe + (preloaded ? std::string(":") + preloaded : std::string()));
    variables.push_back("TAVIK_FIRST_FRAME_FD=" + std::to_string(writeEnd));
    std::vector<char *> environment;
    for (std::string &variable : variables)
        environment.push_back(variable.data());
    environment.push_back(nullptr);
    char *arguments[] = {const_cast<char *>(program), nullptr};

    const std::int64_t started = monotonicNanoseconds();
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, program, nullptr, nullptr, arguments, environment.data());
    ::close(writeEnd);
    if (spawned != 0) {
        std::printf("could not start %s: %s\n", program, std::strerror(spawned));
        ::close(channel[0]);
        return false;
    }
    std::int64_t shown = 0;
    pollfd ready{channel[0], POLLIN, 0};
    const bool reported = ::poll(&ready, 1, 20000) == 1 && ::read(channel[0], &shown, sizeof shown) == sizeof shown;
    ::close(channel[0]);
    if (!reported)
        ::kill(child, SIGKILL);
    int status = 0;
    rusage usage{};
    while (::wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    if (!reported) {
        std::printf("%s showed no window within 20 s\n", program);
        return false;
    }
    sample.milliseconds = double(shown - started) / 1e6;
    sample.maxResidentKiB = usage.ru_maxrss;
    return true;
}

template <typename T>
T median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    const char *display = std::getenv("DISPLAY");
    std::printf("platform: %s%s%s\n", platform ? platform : "default (xcb)", display ? ", DISPLAY=" : "",
                display ? display : "");

    const std::string probe = TAVIK_FIRST_FRAME_PROBE;
    const char *programs[] = {TAVIK_PROGRAM, TAVIK_BARE_WINDOW};
    const char *names[] = {"tavik (splash)", "bare window"};

    // One start of each first, so that both find their files in the page cache.
    Sample warmUp;
    for (const char *program : programs) {
        if (!measure(program, probe, warmUp))
            return 1;
    }

    std::vector<double> times[2];
    std::vector<long> peaks[2];
    for (int run = 0; run < runs; ++run) {
        // Alternating which goes first evens out any drift of the machine.
        for (int k = 0; k < 2; ++k) {
            const int which = run % 2 ? 1 - k : k;
            Sample sample;
            if (!measure(programs[which], probe, sample))
                return 1;
            times[which].push_back(sample.milliseconds);
            peaks[which].push_back(sample.maxResidentKiB);
        }
    }

    std::printf("%d runs each, alternating; exec to first frame on screen, and peak resident memory by then\n",
                runs);
    for (int which = 0; which < 2; ++which) {
        std::printf("%-15s median %7.1f ms (min %6.1f, max %6.1f)   peak RSS median %6ld KiB\n", names[which],
                    median(times[which]), *std::min_element(times[which].begin(), times[which].end()),
                    *std::max_element(times[which].begin(), times[which].end()), median(peaks[which]));
    }
    std::printf("time ratio %.2f (goal at most 1.10)   memory ratio %.2f (goal at most 1.10)\n",
                median(times[0]) / median(times[1]), double(median(peaks[0])) / double(median(peaks[1])));
    return 0;
}
