// Loaded into a program under measurement (LD_PRELOAD): once the program's
// first window has been exposed and its expose handled (the window painted
// and flushed to the screen), writes the CLOCK_MONOTONIC time in nanoseconds
// to the file descriptor named by TAVIK_FIRST_FRAME_FD and ends the program
// at once, so that its peak memory is the peak up to that moment.
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace {

std::int64_t monotonicNanoseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

class FirstFrame : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = qobject_cast<QWindow *>(watched);
        if (!m_seen && event->type() == QEvent::Expose && window && window->isExposed()) {
            m_seen = true;
            // Queued, so it runs once the expose (paint and flush) is done.
            QTimer::singleShot(0, this, [] {
                const std::int64_t at = monotonicNanoseconds();
                const char *fd = std::getenv("TAVIK_FIRST_FRAME_FD");
                if (fd) {
                    [[maybe_unused]] const ssize_t written = ::write(std::atoi(fd), &at, sizeof at);
                }
                ::_exit(0);
            });
        }
        return false;
    }

private:
    bool m_seen = false;
};

void installProbe()
{
    QCoreApplication::instance()->installEventFilter(new FirstFrame(QCoreApplication::instance()));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)
