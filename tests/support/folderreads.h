// A folder reader for tests: a real read of a real folder, whose entries and
// stop questions go through a watch the test holds. So a test fails a read,
// raises a stop or holds the reading thread at the entry it chooses, makes
// the entries' types unknown (as some file systems give them), and counts
// what was asked.
#pragma once

#include "system/folderreading.h"

#include <atomic>
#include <functional>
#include <memory>

#include <dirent.h>

namespace tavik::testing {

// Shared by the readers made with it, each of which keeps it alive: a
// reading thread may outlive the test that made its reader.
struct ReadWatch {
    // Given what the system gave (null at the end of the folder) and how many
    // entries have been taken so far, this one included; returns what the
    // reader gets.
    using Change = std::function<dirent *(dirent *entry, int taken)>;
    // Set before any read begins; the counts start again from it.
    void changeEntries(Change how)
    {
        taken = asked = stops = 0;
        change = std::move(how);
    }
    Change change;
    // From the `stopFrom`-th stop question on, the answer is "stop" whatever
    // the reader was told; before it, or always when it is 0, the reader answers.
    int stopFrom = 0;
    std::atomic<int> taken{0}, asked{0}, stops{0};
};

class WatchedReader final : public FolderReader {
public:
    WatchedReader(const QString &folder, std::shared_ptr<ReadWatch> watch)
        : FolderReader(folder), m_watch(std::move(watch))
    {
    }

protected:
    dirent *nextEntry(DIR *folder) override
    {
        dirent *entry = FolderReader::nextEntry(folder);
        const int taken = ++m_watch->taken;
        return m_watch->change ? m_watch->change(entry, taken) : entry;
    }
    bool stopped() const override
    {
        const int from = m_watch->stopFrom;
        const bool answer = (++m_watch->asked >= from && from > 0) || FolderReader::stopped();
        m_watch->stops += answer;
        return answer;
    }

private:
    std::shared_ptr<ReadWatch> m_watch;
};

// All the entries of `folder` through `watch`, unsorted.
inline FolderContents readFolder(const QString &folder, qsizetype limit = -1,
                                 std::shared_ptr<ReadWatch> watch = std::make_shared<ReadWatch>())
{
    FolderContents contents;
    WatchedReader(folder, std::move(watch)).read(contents, limit);
    return contents;
}

// Reads that fail with `error` once `entries` entries (dot entries included)
// have been taken, as on a failing disk.
inline ReadWatch::Change failingAfter(int entries, int error)
{
    return [entries, error](dirent *entry, int taken) { return taken > entries ? (errno = error, nullptr) : entry; };
}

} // namespace tavik::testing
