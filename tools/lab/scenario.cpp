#include "tools/lab/scenario.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <map>
#include <set>

#include "platform/wheel_input_report.h"

namespace torvex::lab {

namespace {

constexpr std::array<const char*, kEffectTypeCount> kTypeNames = {
    "constant", "ramp",   "square", "sine",    "triangle", "sawup",
    "sawdown",  "spring", "damper", "inertia", "friction", "custom",
};

// More than the driver takes (32), so that its refusal can be played too.
constexpr std::size_t kMaxListEntries = 64;
constexpr std::uint64_t kMaxDword = 0xFFFFFFFFu;
constexpr std::uint64_t kMaxInstance = 0xFFFF;
constexpr DWORD kMaxDeviceGain = 10000;

struct NamedCommand {
    const char* word;
    DWORD code;
};
constexpr std::array<NamedCommand, 6> kCommands = {{
    {"reset", DISFFC_RESET},
    {"stopall", DISFFC_STOPALL},
    {"pause", DISFFC_PAUSE},
    {"continue", DISFFC_CONTINUE},
    {"on", DISFFC_SETACTUATORSON},
    {"off", DISFFC_SETACTUATORSOFF},
}};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> SplitWords(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && IsBlank(text[at]))
            ++at;
        const std::size_t begin = at;
        while (at < text.size() && !IsBlank(text[at]))
            ++at;
        if (at > begin)
            words.push_back(text.substr(begin, at - begin));
    }
    return words;
}

std::vector<std::string_view> SplitList(std::string_view text)
{
    std::vector<std::string_view> items;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t comma = text.find(',', begin);
        items.push_back(
            text.substr(begin, comma == std::string_view::npos ? std::string_view::npos : comma - begin));
        if (comma == std::string_view::npos)
            return items;
        begin = comma + 1;
    }
}

bool IsIdentifier(std::string_view name)
{
    if (name.empty())
        return false;
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    if (!letter(name.front()))
        return false;
    for (const char c : name)
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '-')
            return false;
    return true;
}

// Decimal, or hexadecimal after 0x; no sign.
bool ReadUnsigned(std::string_view token, std::uint64_t* value)
{
    int base = 10;
    if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
        base = 16;
        token.remove_prefix(2);
    }
    if (token.empty())
        return false;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), *value, base);
    return error == std::errc() && end == token.data() + token.size();
}

// Reads one line's words and says what is wrong with them.
class LineReader {
public:
    explicit LineReader(std::string* problem) : problem_(*problem) {}

    bool Fail(std::string message)
    {
        problem_ = std::move(message);
        return false;
    }

    bool Unsigned(std::string_view what, std::string_view token, std::uint64_t low, std::uint64_t high,
                  std::uint64_t* value)
    {
        if (!ReadUnsigned(token, value))
            return Fail(std::string(what) + ": '" + std::string(token) + "' is not a number");
        if (*value < low || *value > high)
            return Fail(std::string(what) + ": " + std::string(token) + " is out of range " +
                        std::to_string(low) + ".." + std::to_string(high));
        return true;
    }

    bool Dword(std::string_view what, std::string_view token, DWORD* value)
    {
        std::uint64_t read = 0;
        if (!Unsigned(what, token, 0, kMaxDword, &read))
            return false;
        *value = static_cast<DWORD>(read);
        return true;
    }

    // A DWORD, or `inf` for INFINITE.
    bool DwordOrInfinite(std::string_view what, std::string_view token, DWORD* value)
    {
        if (token == "inf") {
            *value = INFINITE;
            return true;
        }
        return Dword(what, token, value);
    }

    bool Long(std::string_view what, std::string_view token, LONG* value)
    {
        const bool negative = !token.empty() && token.front() == '-';
        const std::string_view digits =
            negative || (!token.empty() && token.front() == '+') ? token.substr(1) : token;
        std::uint64_t magnitude = 0;
        if (!ReadUnsigned(digits, &magnitude))
            return Fail(std::string(what) + ": '" + std::string(token) + "' is not a number");
        const std::uint64_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
        if (magnitude > limit)
            return Fail(std::string(what) + ": " + std::string(token) +
                        " is out of range -2147483648..2147483647");
        *value = static_cast<LONG>(negative ? -static_cast<std::int64_t>(magnitude)
                                            : static_cast<std::int64_t>(magnitude));
        return true;
    }

    bool Byte(std::string_view what, std::string_view token, std::optional<BYTE>* value)
    {
        std::uint64_t read = 0;
        if (!Unsigned(what, token, 0, 255, &read))
            return false;
        *value = static_cast<BYTE>(read);
        return true;
    }

    // A comma-separated list of exactly `count` entries (any number from
    // `count` up when `atLeast`).
    bool List(std::string_view what, std::string_view text, std::size_t count, bool atLeast,
              std::vector<std::string_view>* items)
    {
        *items = SplitList(text);
        for (const std::string_view item : *items)
            if (item.empty())
                return Fail(std::string(what) + ": an entry of the list is empty");
        if (atLeast ? items->size() < count : items->size() != count)
            return Fail(std::string(what) + " takes " + (atLeast ? "at least " : "") + std::to_string(count) +
                        " comma-separated values, not " + std::to_string(items->size()));
        return true;
    }

private:
    std::string& problem_;
};

// The fields of download and update lines.
class EffectFieldReader {
public:
    EffectFieldReader(LineReader& reader, EffectFields* fields) : reader_(reader), fields_(*fields) {}

    bool Read(std::string_view word)
    {
        const std::size_t equals = word.find('=');
        const std::string_view key = word.substr(0, equals);
        if (!seen_.insert(std::string(key)).second)
            return reader_.Fail("field '" + std::string(key) + "' is given twice");
        if (equals == std::string_view::npos)
            return Flag(key);
        const std::string_view value = word.substr(equals + 1);
        if (value.empty())
            return reader_.Fail("field '" + std::string(key) + "' has no value");
        return Field(key, value);
    }

    // Given together, the axes and the directions must agree on cAxes.
    bool Finish()
    {
        const DWORD both = DIEP_AXES | DIEP_DIRECTION;
        if ((fields_.flags & both) == both && fields_.axes.size() != fields_.directions.size())
            return reader_.Fail("axes has " + std::to_string(fields_.axes.size()) + " entries but dir has " +
                                std::to_string(fields_.directions.size()));
        return true;
    }

private:
    bool Flag(std::string_view key)
    {
        if (key == "start") {
            fields_.flags |= DIEP_START;
            return true;
        }
        if (key == "nodownload") {
            fields_.flags |= DIEP_NODOWNLOAD;
            return true;
        }
        return reader_.Fail("unknown field '" + std::string(key) + "'");
    }

    bool Field(std::string_view key, std::string_view value)
    {
        if (key == "duration")
            return Set(DIEP_DURATION, reader_.DwordOrInfinite(key, value, &fields_.duration));
        if (key == "gain")
            return Set(DIEP_GAIN, reader_.Dword(key, value, &fields_.gain));
        if (key == "trigger")
            return Set(DIEP_TRIGGERBUTTON, Trigger(value));
        if (key == "axes")
            return Set(DIEP_AXES, Axes(value));
        if (key == "dir")
            return Set(DIEP_DIRECTION, Directions(value));
        if (key == "envelope")
            return Set(DIEP_ENVELOPE, Envelope(value));
        if (key == "constant" || key == "ramp" || key == "periodic" || key == "custom" ||
            key == "condition") {
            if (!std::holds_alternative<std::monostate>(fields_.block))
                return reader_.Fail(
                    "only one of constant, ramp, periodic, custom and condition may be given");
            return Set(DIEP_TYPESPECIFICPARAMS, Block(key, value));
        }
        return reader_.Fail("unknown field '" + std::string(key) + "'");
    }

    bool Set(DWORD flag, bool read)
    {
        if (read)
            fields_.flags |= flag;
        return read;
    }

    bool Trigger(std::string_view value)
    {
        if (value == "none") {
            fields_.triggerButton = DIEB_NOTRIGGER;
            return true;
        }
        std::uint64_t button = 0;
        if (!reader_.Unsigned("trigger", value, 0, kMaxInstance, &button))
            return false;
        fields_.triggerButton = DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(button);
        return true;
    }

    bool Axes(std::string_view value)
    {
        std::vector<std::string_view> items;
        if (!ListOfUpTo("axes", value, &items))
            return false;
        for (const std::string_view item : items) {
            std::uint64_t instance = 0;
            if (!reader_.Unsigned("axes", item, 0, kMaxInstance, &instance))
                return false;
            fields_.axes.push_back(DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(instance));
        }
        return true;
    }

    bool Directions(std::string_view value)
    {
        std::vector<std::string_view> items;
        if (!ListOfUpTo("dir", value, &items))
            return false;
        for (const std::string_view item : items) {
            LONG direction = 0;
            if (!reader_.Long("dir", item, &direction))
                return false;
            fields_.directions.push_back(direction);
        }
        return true;
    }

    bool ListOfUpTo(std::string_view what, std::string_view value, std::vector<std::string_view>* items)
    {
        if (!reader_.List(what, value, 1, true, items))
            return false;
        if (items->size() > kMaxListEntries)
            return reader_.Fail(std::string(what) + ": at most " + std::to_string(kMaxListEntries) +
                                " entries");
        return true;
    }

    bool Envelope(std::string_view value)
    {
        if (value == "none") {
            fields_.envelope.reset();
            return true;
        }
        std::vector<std::string_view> items;
        DIENVELOPE envelope{};
        envelope.dwSize = sizeof(DIENVELOPE);
        if (!reader_.List("envelope", value, 4, false, &items) ||
            !reader_.Dword("envelope attack level", items[0], &envelope.dwAttackLevel) ||
            !reader_.Dword("envelope attack time", items[1], &envelope.dwAttackTime) ||
            !reader_.Dword("envelope fade level", items[2], &envelope.dwFadeLevel) ||
            !reader_.Dword("envelope fade time", items[3], &envelope.dwFadeTime))
            return false;
        fields_.envelope = envelope;
        return true;
    }

    bool Block(std::string_view key, std::string_view value)
    {
        std::vector<std::string_view> items;
        if (key == "constant") {
            DICONSTANTFORCE constant{};
            if (!reader_.List(key, value, 1, false, &items) ||
                !reader_.Long(key, items[0], &constant.lMagnitude))
                return false;
            fields_.block = constant;
            return true;
        }
        if (key == "ramp") {
            DIRAMPFORCE ramp{};
            if (!reader_.List(key, value, 2, false, &items) ||
                !reader_.Long("ramp start", items[0], &ramp.lStart) ||
                !reader_.Long("ramp end", items[1], &ramp.lEnd))
                return false;
            fields_.block = ramp;
            return true;
        }
        if (key == "periodic") {
            DIPERIODIC periodic{};
            if (!reader_.List(key, value, 4, false, &items) ||
                !reader_.Dword("periodic magnitude", items[0], &periodic.dwMagnitude) ||
                !reader_.Long("periodic offset", items[1], &periodic.lOffset) ||
                !reader_.Dword("periodic phase", items[2], &periodic.dwPhase) ||
                !reader_.Dword("periodic period", items[3], &periodic.dwPeriod))
                return false;
            fields_.block = periodic;
            return true;
        }
        if (key == "condition")
            return Condition(value);
        return Custom(value);
    }

    // Six values per axis: offset, positive and negative coefficient,
    // positive and negative saturation, dead band.
    bool Condition(std::string_view value)
    {
        constexpr std::size_t kPerAxis = 6;
        std::vector<std::string_view> items;
        if (!reader_.List("condition", value, kPerAxis, true, &items))
            return false;
        if (items.size() % kPerAxis != 0 || items.size() > kPerAxis * kMaxListEntries)
            return reader_.Fail("condition takes 6 values per axis, at most " +
                                std::to_string(kMaxListEntries) + " axes; not " +
                                std::to_string(items.size()) + " values");
        ConditionFields conditions(items.size() / kPerAxis);
        for (std::size_t axis = 0; axis < conditions.size(); ++axis) {
            const std::string_view* at = &items[axis * kPerAxis];
            DICONDITION& condition = conditions[axis];
            if (!reader_.Long("condition offset", at[0], &condition.lOffset) ||
                !reader_.Long("condition positive coefficient", at[1], &condition.lPositiveCoefficient) ||
                !reader_.Long("condition negative coefficient", at[2], &condition.lNegativeCoefficient) ||
                !reader_.Dword("condition positive saturation", at[3], &condition.dwPositiveSaturation) ||
                !reader_.Dword("condition negative saturation", at[4], &condition.dwNegativeSaturation) ||
                !reader_.Long("condition dead band", at[5], &condition.lDeadBand))
                return false;
        }
        fields_.block = std::move(conditions);
        return true;
    }

    bool Custom(std::string_view value)
    {
        std::vector<std::string_view> items;
        CustomForceFields custom;
        if (!reader_.List("custom", value, 2, true, &items) ||
            !reader_.Dword("custom channels", items[0], &custom.channels) ||
            !reader_.Dword("custom sample period", items[1], &custom.samplePeriod))
            return false;
        for (std::size_t index = 2; index < items.size(); ++index) {
            LONG sample = 0;
            if (!reader_.Long("custom sample", items[index], &sample))
                return false;
            custom.samples.push_back(sample);
        }
        fields_.block = std::move(custom);
        return true;
    }

    LineReader& reader_;
    EffectFields& fields_;
    std::set<std::string> seen_;
};

// The whole scenario: the time so far and the effects named so far.
class ScenarioParser {
public:
    explicit ScenarioParser(Scenario* scenario) : scenario_(*scenario) {}

    bool ParseLine(int line, std::string_view raw, std::string* problem)
    {
        const std::string_view text = Trim(raw.substr(0, raw.find('#')));
        if (text.empty())
            return true;
        const std::vector<std::string_view> words = SplitWords(text);
        ScenarioStep step;
        step.line = line;
        step.word = std::string(words[0]);
        step.text = std::string(text);
        step.timeMs = now_;
        LineReader reader(problem);
        if (!Parse(reader, text, words, &step))
            return false;
        scenario_.steps.push_back(std::move(step));
        return true;
    }

private:
    bool Parse(LineReader& reader, std::string_view text, const std::vector<std::string_view>& words,
               ScenarioStep* step)
    {
        const std::string_view word = words[0];
        const std::vector<std::string_view> args(words.begin() + 1, words.end());
        if (word == "say") {
            step->kind = StepKind::Say;
            step->name = std::string(Trim(text.substr(word.size())));
            return true;
        }
        if (word == "at")
            return At(reader, args, step);
        if (word == "wheel")
            return Wheel(reader, args, step);
        if (word == "unplug" || word == "plug") {
            step->kind = word == "plug" ? StepKind::Plug : StepKind::Unplug;
            return NoArguments(reader, word, args);
        }
        if (word == "amplify")
            return Amplify(reader, args, step);
        if (IsDriverCommand(word) && released_ != 0)
            return reader.Fail(std::string(word) + ": the driver was released on line " +
                               std::to_string(released_));
        if (word == "gain")
            return Gain(reader, args, step);
        if (word == "download")
            return Download(reader, args, step);
        if (word == "update")
            return Update(reader, args, step);
        if (word == "start")
            return Start(reader, args, step);
        if (word == "stop" || word == "destroy" || word == "status")
            return NamedEffect(reader, word, args, step);
        if (word == "command")
            return Command(reader, args, step);
        if (word == "release")
            return Release(reader, args, step);
        return reader.Fail("unknown command '" + std::string(word) + "'");
    }

    static bool IsDriverCommand(std::string_view word)
    {
        return word == "gain" || word == "download" || word == "update" || word == "start" ||
               word == "stop" || word == "destroy" || word == "status" || word == "command" ||
               word == "release";
    }

    static bool NoArguments(LineReader& reader, std::string_view word,
                            const std::vector<std::string_view>& args)
    {
        if (!args.empty())
            return reader.Fail(std::string(word) + " takes no arguments");
        return true;
    }

    static bool OneArgument(LineReader& reader, std::string_view usage,
                            const std::vector<std::string_view>& args)
    {
        if (args.size() != 1)
            return reader.Fail("usage: " + std::string(usage));
        return true;
    }

    bool At(LineReader& reader, const std::vector<std::string_view>& args, ScenarioStep* step)
    {
        step->kind = StepKind::At;
        if (!OneArgument(reader, "at <ms>", args) || !reader.Dword("at", args[0], &step->timeMs))
            return false;
        if (step->timeMs < now_)
            return reader.Fail("at " + std::to_string(step->timeMs) +
                               " goes back in time (the scenario is at " + std::to_string(now_) + " ms)");
        now_ = step->timeMs;
        scenario_.endMs = now_;
        return true;
    }

    static bool Wheel(LineReader& reader, const std::vector<std::string_view>& args, ScenarioStep* step)
    {
        step->kind = StepKind::Wheel;
        if (args.empty())
            return reader.Fail("wheel takes at least one of x=, y=, z=, rz=, buttons=, hat=");
        std::set<std::string_view> seen;
        for (const std::string_view arg : args) {
            const std::size_t equals = arg.find('=');
            const std::string_view key = arg.substr(0, equals);
            if (equals == std::string_view::npos || equals + 1 == arg.size())
                return reader.Fail("wheel field '" + std::string(arg) + "' has no value");
            if (!seen.insert(key).second)
                return reader.Fail("field '" + std::string(key) + "' is given twice");
            if (!WheelField(reader, key, arg.substr(equals + 1), &step->wheel))
                return false;
        }
        return true;
    }

    static bool WheelField(LineReader& reader, std::string_view key, std::string_view value,
                           WheelFields* wheel)
    {
        if (key == "x")
            return reader.Byte(key, value, &wheel->x);
        if (key == "y")
            return reader.Byte(key, value, &wheel->y);
        if (key == "z")
            return reader.Byte(key, value, &wheel->z);
        if (key == "rz")
            return reader.Byte(key, value, &wheel->rz);
        if (key == "buttons") {
            std::uint64_t buttons = 0;
            if (!reader.Unsigned(key, value, 0, (1u << kWheelButtonCount) - 1, &buttons))
                return false;
            wheel->buttons = static_cast<WORD>(buttons);
            return true;
        }
        if (key == "hat") {
            if (value == "none") {
                wheel->hat = kHatCentred;
                return true;
            }
            std::uint64_t hat = 0;
            if (!reader.Unsigned(key, value, 0, kHatDirections - 1, &hat))
                return false;
            wheel->hat = static_cast<BYTE>(hat);
            return true;
        }
        return reader.Fail("unknown wheel field '" + std::string(key) + "'");
    }

    static bool Amplify(LineReader& reader, const std::vector<std::string_view>& args, ScenarioStep* step)
    {
        step->kind = StepKind::Amplify;
        if (!OneArgument(reader, "amplify <thousandths>|none", args))
            return false;
        step->none = args[0] == "none";
        return step->none || reader.Dword("amplify", args[0], &step->value);
    }

    static bool Gain(LineReader& reader, const std::vector<std::string_view>& args, ScenarioStep* step)
    {
        step->kind = StepKind::Gain;
        std::uint64_t gain = 0;
        if (!OneArgument(reader, "gain <0..10000>", args) ||
            !reader.Unsigned("gain", args[0], 0, kMaxDeviceGain, &gain))
            return false;
        step->value = static_cast<DWORD>(gain);
        return true;
    }

    bool Download(LineReader& reader, const std::vector<std::string_view>& args, ScenarioStep* step)
    {
        step->kind = StepKind::Download;
        if (args.size() < 2)
            return reader.Fail("usage: download <name> <type> [fields]");
        if (!IsIdentifier(args[0]))
            return reader.Fail("'" + std::string(args[0]) +
                               "' is no effect name (a letter, then letters, digits, _ or -)");
        step->name = std::string(args[0]);
        if (const auto earlier = effects_.find(step->name); earlier != effects_.end())
            return reader.Fail("effect '" + step->name + "' is downloaded twice (first on line " +
                               std::to_string(earlier->second) + ")");
        if (!Type(reader, args[1], &step->type) ||
            !Fields(reader, std::vector<std::string_view>(args.begin() + 2, args.end()), &step->fields))
            return false;
        effects_[step->name] = step->line;
        return true;
    }

    static bool Type(LineReader& reader, std::string_view word, EffectType* type)
    {
        for (DWORD index = 0; index < kEffectTypeCount; ++index) {
            if (word == kTypeNames[index]) {
                *type = static_cast<EffectType>(index);
                return true;
            }
        }
        return reader.Fail(
            "unknown effect type '" + std::string(word) +
            "' (constant, ramp, square, sine, triangle, sawup, sawdown, custom, spring, damper, "
            "inertia or friction)");
    }

    static bool Fields(LineReader& reader, const std::vector<std::string_view>& words, EffectFields* fields)
    {
        EffectFieldReader fieldReader(reader, fields);
        for (const std::string_view word : words)
            if (!fieldReader.Read(word))
                return false;
        return fieldReader.Finish();
    }

    bool Update(LineReader& reader, const std::vector<std::string_view>& args, ScenarioStep* step)
    {
        step->kind = StepKind::Update;
        if (args.empty())
            return reader.Fail("usage: update <name> [fields]");
        return KnownEffect(reader, args[0], step) &&
               Fields(reader, std::vector<std::string_view>(args.begin() + 1, args.end()), &step->fields);
    }

    bool KnownEffect(LineReader& reader, std::string_view name, ScenarioStep* step)
    {
        step->name = std::string(name);
        if (effects_.find(step->name) == effects_.end())
            return reader.Fail("unknown effect '" + step->name + "' (not downloaded before this line)");
        return true;
    }

    bool Start(LineReader& reader, const std::vector<std::string_view>& args, ScenarioStep* step)
    {
        step->kind = StepKind::Start;
        step->value = 1;
        if (args.empty())
            return reader.Fail("usage: start <name> [count=<n>|inf] [solo]");
        if (!KnownEffect(reader, args[0], step))
            return false;
        bool counted = false;
        for (std::size_t index = 1; index < args.size(); ++index) {
            const std::string_view arg = args[index];
            if (arg == "solo" && !step->solo) {
                step->solo = true;
            } else if (arg.starts_with("count=") && !counted) {
                counted = true;
                if (!reader.DwordOrInfinite("count", arg.substr(6), &step->value))
                    return false;
            } else {
                return reader.Fail("start takes count=<n>|inf and solo, each once; not '" + std::string(arg) +
                                   "'");
            }
        }
        return true;
    }

    bool NamedEffect(LineReader& reader, std::string_view word, const std::vector<std::string_view>& args,
                     ScenarioStep* step)
    {
        step->kind = word == "stop"      ? StepKind::Stop
                     : word == "destroy" ? StepKind::Destroy
                                         : StepKind::Status;
        return OneArgument(reader, std::string(word) + " <name>", args) && KnownEffect(reader, args[0], step);
    }

    static bool Command(LineReader& reader, const std::vector<std::string_view>& args, ScenarioStep* step)
    {
        step->kind = StepKind::Command;
        if (!OneArgument(reader, "command reset|stopall|pause|continue|on|off|0x<hex>", args))
            return false;
        for (const NamedCommand& command : kCommands) {
            if (args[0] == command.word) {
                step->value = command.code;
                return true;
            }
        }
        if (!args[0].starts_with("0x"))
            return reader.Fail("command: '" + std::string(args[0]) +
                               "' is none of reset, stopall, pause, continue, on, off or 0x<hex>");
        return reader.Dword("command", args[0], &step->value);
    }

    bool Release(LineReader& reader, const std::vector<std::string_view>& args, ScenarioStep* step)
    {
        step->kind = StepKind::Release;
        if (!NoArguments(reader, "release", args))
            return false;
        released_ = step->line;
        scenario_.releases = true;
        return true;
    }

    Scenario& scenario_;
    DWORD now_ = 0;
    int released_ = 0;
    std::map<std::string, int> effects_; // name -> line of its download
};

} // namespace

const char* EffectTypeName(EffectType type)
{
    const auto index = static_cast<std::size_t>(type);
    return index < kTypeNames.size() ? kTypeNames[index] : "?";
}

DWORD InstalledEffectId(EffectType type)
{
    return type == EffectType::Custom ? 0x100 : static_cast<DWORD>(type);
}

bool ParseScenario(std::string_view text, Scenario* scenario, ScenarioError* error)
{
    *scenario = Scenario{};
    ScenarioParser parser(scenario);
    int line = 0;
    while (!text.empty()) {
        ++line;
        const std::size_t end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        std::string problem;
        if (!parser.ParseLine(line, raw, &problem)) {
            *error = {line, problem};
            return false;
        }
    }
    return true;
}

} // namespace torvex::lab
