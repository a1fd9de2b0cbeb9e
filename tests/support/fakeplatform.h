// A recording platform: answers message boxes from a queue of canned answers
// and records every message, start and sound, in the order they happened; the
// folders the windows open are read through a watch the test holds.
#pragma once

#include "platform/platform.h"
#include "support/folderreads.h"

#include <QList>
#include <QQueue>
#include <QStringList>

namespace tavik::testing {

class FakePlatform final : public Platform {
public:
    // A start the platform was asked for and reported as made.
    struct Start {
        EmulatorCommand command;
        QString runFolder; // the folder it was asked to run in
    };

    QStringList events;          // "notice: ...", "ask: ...", "start: ...", "early end: ...", "sound: ..."
    QStringList notices;
    QList<Start> starts;
    QQueue<bool> yesNoAnswers;   // an empty queue answers No
    Outcome startOutcome;        // what the next starts report
    std::function<void()> duringSound;
    const std::shared_ptr<ReadWatch> folderReads = std::make_shared<ReadWatch>();

    void showNotice(const QString &message) override
    {
        notices.append(message);
        events.append(QStringLiteral("notice: ") + message);
    }
    bool askYesNo(const QString &question) override
    {
        events.append(QStringLiteral("ask: ") + question);
        return !yesNoAnswers.isEmpty() && yesNoAnswers.dequeue();
    }
    Outcome startEmulator(const EmulatorCommand &command, const QString &runFolder) override
    {
        events.append(QStringLiteral("start: ") + command.commandLine());
        if (startOutcome.ok)
            starts.append({command, runFolder});
        return startOutcome;
    }
    void showEarlyEnd(const QString &report) override
    {
        notices.append(report);
        events.append(QStringLiteral("early end: ") + report);
    }
    void playSound(const QString &wavFile) override
    {
        events.append(QStringLiteral("sound: ") + wavFile);
        if (duringSound)
            duringSound();
    }
    std::unique_ptr<FolderReader> openFolder(const QString &folder) override
    {
        return std::make_unique<WatchedReader>(folder, folderReads);
    }
};

} // namespace tavik::testing
