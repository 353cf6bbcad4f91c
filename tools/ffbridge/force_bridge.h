// The bridge between a uinput force-feedback device and the wheel's effect
// driver: every request the kernel passes on from a game becomes the
// DirectInput call the table says, and every upload and erase is answered,
// refused ones with an error code, so that no game waits out the kernel's
// time-out. Plays, gains and auto-centre values reach a uinput device
// without the kernel's checks on the way: the bridge checks them itself and
// passes on nothing it would have to guess at.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>

#include "platform/posix/uinput_port.h"
#include "tools/ffbridge/bridge_trace.h"
#include "tools/ffbridge/ff_effect_table.h"

namespace torvex::ffbridge {

// The wheel as its own event node shows it when it has none to mirror:
// its name and USB ids, its 12 buttons.
UinputDeviceSetup WheelWithoutEventNode();
// The device games see: the wheel as its event node shows it (name, ids,
// axes, buttons) with force feedback.
UinputDeviceSetup BridgeDeviceSetup(UinputDeviceSetup wheel);

struct BridgeDriver {
    IDirectInputEffectDriver* driver = nullptr;
    // The effect id the installation gives each type, as DirectInput passes it.
    std::function<DWORD(lab::EffectType)> effectId;
    // Milliseconds since the driver was bound.
    std::function<DWORD()> now;
};

class ForceBridge {
public:
    // `trace` may be null; what the bridge refuses or ignores goes to `log`.
    ForceBridge(UinputPort& uinput, BridgeDriver driver, BridgeTrace* trace, std::ostream& log);

    // One event from the kernel.
    void Handle(const input_event& event);
    // Starts the plays whose delay has run out; returns the milliseconds
    // until the next one is due, or -1 when none waits.
    int StartDuePlays();
    // Stops and destroys every effect still held: the device is going away.
    void DestroyAll();

    std::size_t EffectCount() const { return effects_.size(); }

private:
    struct HeldEffect {
        std::string name; // in the trace
        lab::EffectType type = lab::EffectType::Constant;
        lab::EffectFields fields;
        DWORD handle = 0;
        DWORD startDelayMs = 0;
        std::optional<DWORD> dueMs; // a delayed play not yet started
        DWORD dueCount = 0;
    };

    void Upload(const input_event& event);
    void Erase(const input_event& event);
    int TakeUpload(const ff_effect& effect);
    int CreateEffect(int id, const TranslatedEffect& translated);
    int UpdateEffect(HeldEffect& known, const TranslatedEffect& translated);
    int TakeErase(int id);
    void Play(std::uint16_t id, int count);
    void Gain(int value);
    void Autocenter(int value);
    // True also when the driver cannot tell.
    bool Playing(const HeldEffect& effect);
    void Start(HeldEffect& effect, DWORD count);
    void Destroy(const HeldEffect& effect);
    void Report(HRESULT result, const std::string& what);
    std::ostream& Log();

    UinputPort& uinput_;
    BridgeDriver driver_;
    BridgeTrace* trace_;
    std::ostream& log_;
    std::map<int, HeldEffect> effects_; // by the kernel's effect id
    unsigned downloads_ = 0;
};

} // namespace torvex::ffbridge
