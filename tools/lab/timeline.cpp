#include "tools/lab/timeline.h"

#include <cstdio>

namespace torvex::lab {

std::string FormatEvent(const TimelineEvent& event)
{
    const std::string time = std::to_string(event.timeMs);
    switch (event.kind) {
    case TimelineEvent::Kind::Report: {
        char bytes[3 * 5];
        std::snprintf(bytes, sizeof bytes, "%02X %02X %02X %02X %02X", event.bytes[0], event.bytes[1],
                      event.bytes[2], event.bytes[3], event.bytes[4]);
        return time + " report " + bytes;
    }
    case TimelineEvent::Kind::Status:
        return time + " status " + event.name + (event.playing ? " playing" : " stopped");
    case TimelineEvent::Kind::Result: {
        char code[11];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(event.result));
        return time + " result " + event.command + " " + code;
    }
    case TimelineEvent::Kind::Command:
        break;
    }
    return {};
}

std::string FormatTimeline(const Timeline& timeline)
{
    std::string out;
    for (const TimelineEvent& event : timeline) {
        const std::string line = FormatEvent(event);
        if (!line.empty())
            out += line + "\n";
    }
    return out;
}

} // namespace torvex::lab
