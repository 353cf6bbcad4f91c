// What the lab saw during a run, in time order: every report the wheel
// received, every status a scenario asked for, every result other than
// S_OK, and the scenario's commands (for the plot's marks; not printed).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace torvex::lab {

struct TimelineEvent {
    enum class Kind {
        Report,  // `bytes` reached the wheel
        Status,  // `name` is playing or not (`playing`)
        Result,  // `command` answered `result`, which is not S_OK
        Command, // the scenario ran `command` (its whole line in `text`)
    };
    Kind kind = Kind::Report;
    DWORD timeMs = 0; // scenario time: ms since the run began
    std::array<BYTE, 5> bytes{};
    std::string name;
    bool playing = false;
    std::string command;
    HRESULT result = S_OK;
    std::string text;
};

using Timeline = std::vector<TimelineEvent>;

// The line the lab prints for an event, without the newline:
// "<ms> report XX XX XX XX XX", "<ms> status <name> playing|stopped",
// "<ms> result <command> 0x<8 hex digits>". Empty for commands, which are
// not printed.
std::string FormatEvent(const TimelineEvent& event);

// What the lab prints of a whole timeline: a line for each event that has
// one, each ended by a newline.
std::string FormatTimeline(const Timeline& timeline);

} // namespace torvex::lab
