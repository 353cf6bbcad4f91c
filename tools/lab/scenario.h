// The lab's scenario language: what DirectInput would ask of the effect
// driver, and what happens to the wheel, line by line. A scenario is parsed
// whole before anything plays, so a typo on the last line never leaves a
// wheel half driven.
//
//   at <ms>                       advance the scenario time
//   say <text>                    commentary, printed to standard error
//   wheel [x=] [y=] [z=] [rz=] [buttons=] [hat=]
//   unplug | plug
//   gain <0..10000>               SetGain
//   amplify <thousandths>|none    the installation's "Amplify" value
//   download <name> <type> [fields]
//   update <name> [fields]
//   start <name> [count=<n>|inf] [solo]
//   stop <name> | destroy <name> | status <name>
//   command reset|stopall|pause|continue|on|off|0x<hex>
//   release
//
// One command a line; `#` starts a comment; blank lines are ignored.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/windows_api.h"

namespace torvex::lab {

// The twelve standard DirectInput effects, in the order of their GUIDs
// ({13541C20-...} to {13541C2B-...}), which is also the order of the
// installation's attribute records.
enum class EffectType {
    Constant,
    Ramp,
    Square,
    Sine,
    Triangle,
    SawUp,
    SawDown,
    Spring,
    Damper,
    Inertia,
    Friction,
    Custom,
};
constexpr DWORD kEffectTypeCount = 12;

// The scenario's word for the type.
const char* EffectTypeName(EffectType type);
// The effect id the installation gives the type: 0 to 10 in order, the
// custom force 0x100.
DWORD InstalledEffectId(EffectType type);

struct CustomForceFields {
    DWORD channels = 0;
    DWORD samplePeriod = 0;
    std::vector<LONG> samples;
};

// A condition's block: one DICONDITION per axis, in the order of the axes.
using ConditionFields = std::vector<DICONDITION>;

// The type-specific block of an effect, as the field that gave it.
using TypeSpecificBlock = std::variant<std::monostate, DICONSTANTFORCE, DIRAMPFORCE, DIPERIODIC,
                                       CustomForceFields, ConditionFields>;

// The fields of a download or update line. `flags` holds exactly the DIEP
// flags of the fields given; the values of the others stay zero.
struct EffectFields {
    DWORD flags = 0;
    DWORD duration = 0;
    DWORD gain = 0;
    DWORD triggerButton = 0; // an object id, or DIEB_NOTRIGGER
    std::vector<DWORD> axes; // object ids
    std::vector<LONG> directions;
    std::optional<DIENVELOPE> envelope; // empty with DIEP_ENVELOPE: the null envelope
    TypeSpecificBlock block;
};

// Fields of a `wheel` line; those not given keep their value.
struct WheelFields {
    std::optional<BYTE> x;  // the wheel
    std::optional<BYTE> y;  // accelerator pedal
    std::optional<BYTE> z;  // the reserved byte the wheel sends as 0
    std::optional<BYTE> rz; // brake pedal
    std::optional<WORD> buttons;
    std::optional<BYTE> hat; // 0 to 7, or kHatCentred for none
};

enum class StepKind {
    At,
    Say,
    Wheel,
    Unplug,
    Plug,
    Gain,
    Amplify,
    Download,
    Update,
    Start,
    Stop,
    Destroy,
    Command,
    Status,
    Release,
};

// One scenario line.
struct ScenarioStep {
    StepKind kind = StepKind::At;
    int line = 0;
    std::string word;                       // the command word
    std::string text;                       // the whole line, without its comment and outer blanks
    DWORD timeMs = 0;                       // when it happens; for `at`, the time it advances to
    std::string name;                       // the effect; for `say`, the text
    EffectType type = EffectType::Constant; // download
    EffectFields fields;                    // download and update
    WheelFields wheel;
    // gain's value, amplify's thousandths, start's count, command's code
    DWORD value = 0;
    bool none = false; // amplify none
    bool solo = false; // start ... solo
};

struct Scenario {
    std::vector<ScenarioStep> steps;
    DWORD endMs = 0;       // the last `at`
    bool releases = false; // the scenario says `release` itself
};

struct ScenarioError {
    int line = 0;
    std::string message;
};

// Parses a whole scenario. On the first malformed line returns false with
// its number and what is wrong; `scenario` then holds only part of it.
bool ParseScenario(std::string_view text, Scenario* scenario, ScenarioError* error);

} // namespace torvex::lab
