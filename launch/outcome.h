// How a step that can fail ended (an emulator's start, the opening of a
// folder): done, or failed, with the reason in plain words for the user.
#pragma once

#include <QString>

#include <utility>

namespace tavik {

struct [[nodiscard]] Outcome {
    bool ok = true;
    QString reason; // empty when ok

    static Outcome done() { return {}; }
    static Outcome failed(QString why) { return {false, std::move(why)}; }
};

} // namespace tavik
