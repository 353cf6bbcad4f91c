#include "tools/ffbridge/force_bridge.h"

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/wheel_input_report.h"
#include "tools/lab/driver_session.h"
#include "tools/lab/effect_record.h"

namespace torvex::ffbridge {

namespace {

// The device version when there is no event node to copy the wheel's from.
constexpr std::uint16_t kBridgeVersion = 1;

// The driver lets a stopped or destroyed effect settle for 25 ms holding its
// lock, and its tick, woken when the lock is freed, loses it again to the
// bridge's next call: through a burst of stops, or a game closing with many
// effects loaded, the wheel kept its last force until the end. This pause
// after each such call lets the waiting tick in.
constexpr auto kTickTurn = std::chrono::milliseconds(2);

// What a refused DirectInput call tells the game's ioctl.
int ErrnoOf(HRESULT result)
{
    return result == E_OUTOFMEMORY ? -ENOMEM : -EIO;
}

} // namespace

UinputDeviceSetup WheelWithoutEventNode()
{
    UinputDeviceSetup wheel;
    wheel.name = "ZK-5120 Force Feedback Wheel";
    wheel.id = {BUS_USB, static_cast<std::uint16_t>(kWheelVendorId),
                static_cast<std::uint16_t>(kWheelProductId), kBridgeVersion};
    for (std::uint16_t button = 0; button < kWheelButtonCount; ++button)
        wheel.keys.push_back(static_cast<std::uint16_t>(BTN_TRIGGER + button));
    return wheel;
}

UinputDeviceSetup BridgeDeviceSetup(UinputDeviceSetup wheel)
{
    wheel.effects = {FF_CONSTANT, FF_RAMP,     FF_PERIODIC, FF_SQUARE, FF_TRIANGLE,
                     FF_SINE,     FF_SAW_UP,   FF_SAW_DOWN, FF_SPRING, FF_DAMPER,
                     FF_INERTIA,  FF_FRICTION, FF_RUMBLE,   FF_GAIN,   FF_AUTOCENTER};
    wheel.effectsMax = kMaxBridgeEffects;
    return wheel;
}

ForceBridge::ForceBridge(UinputPort& uinput, BridgeDriver driver, BridgeTrace* trace, std::ostream& log)
    : uinput_(uinput), driver_(std::move(driver)), trace_(trace), log_(log)
{
}

std::ostream& ForceBridge::Log()
{
    return log_ << "torvex-ffd: [" << driver_.now() << " ms] ";
}

void ForceBridge::Report(HRESULT result, const std::string& what)
{
    if (result != S_OK)
        Log() << what << " answered " << lab::HexResult(result) << "\n";
}

void ForceBridge::Handle(const input_event& event)
{
    if (event.type == EV_UINPUT && event.code == UI_FF_UPLOAD)
        Upload(event);
    else if (event.type == EV_UINPUT && event.code == UI_FF_ERASE)
        Erase(event);
    else if (event.type == EV_FF && event.code == FF_GAIN)
        Gain(event.value);
    else if (event.type == EV_FF && event.code == FF_AUTOCENTER)
        Autocenter(event.value);
    else if (event.type == EV_FF)
        Play(event.code, event.value);
}

// The answer goes back even when the request could not be fetched: the
// kernel holds the game until it comes, and the request id is all the
// answer needs.
void ForceBridge::Upload(const input_event& event)
{
    uinput_ff_upload upload{};
    upload.request_id = static_cast<std::uint32_t>(event.value);
    const int begun = uinput_.BeginUpload(&upload);
    upload.retval = begun != 0 ? begun : TakeUpload(upload.effect);
    if (begun != 0)
        Log() << "upload request " << upload.request_id << " could not be read (errno " << -begun << ")\n";
    if (const int ended = uinput_.EndUpload(upload); ended != 0)
        Log() << "upload request " << upload.request_id << " could not be answered (errno " << -ended
              << ")\n";
}

void ForceBridge::Erase(const input_event& event)
{
    uinput_ff_erase erase{};
    erase.request_id = static_cast<std::uint32_t>(event.value);
    const int begun = uinput_.BeginErase(&erase);
    erase.retval = begun != 0 ? begun : TakeErase(static_cast<int>(erase.effect_id));
    if (begun != 0)
        Log() << "erase request " << erase.request_id << " could not be read (errno " << -begun << ")\n";
    if (const int ended = uinput_.EndErase(erase); ended != 0)
        Log() << "erase request " << erase.request_id << " could not be answered (errno " << -ended << ")\n";
}

int ForceBridge::TakeUpload(const ff_effect& effect)
{
    if (effect.id < 0 || effect.id >= static_cast<int>(kMaxBridgeEffects)) {
        Log() << "upload refused: effect id " << effect.id << " is not one the device has\n";
        return -EINVAL;
    }
    TranslatedEffect translated;
    std::string reason;
    if (!TranslateEffect(effect, &translated, &reason)) {
        Log() << "upload of effect " << effect.id << " refused: " << reason << "\n";
        return -EINVAL;
    }
    if (!translated.note.empty())
        Log() << "upload of effect " << effect.id << ": " << translated.note << "\n";
    const auto held = effects_.find(effect.id);
    return held == effects_.end() ? CreateEffect(effect.id, translated)
                                  : UpdateEffect(held->second, translated);
}

int ForceBridge::CreateEffect(int id, const TranslatedEffect& translated)
{
    HeldEffect fresh;
    fresh.name = "e" + std::to_string(id) + "-" + std::to_string(++downloads_);
    fresh.type = translated.type;
    fresh.fields = translated.fields;
    fresh.startDelayMs = translated.startDelayMs;
    const lab::EffectRecord record(fresh.fields);
    const DWORD at = driver_.now();
    const HRESULT result = driver_.driver->DownloadEffect(0, driver_.effectId(fresh.type), &fresh.handle,
                                                          record.get(), fresh.fields.flags);
    if (trace_ != nullptr)
        trace_->Download(at, fresh.name, fresh.type, fresh.fields);
    Report(result, "DownloadEffect of " + fresh.name);
    if (FAILED(result))
        return ErrnoOf(result);
    effects_.emplace(id, std::move(fresh));
    return 0;
}

int ForceBridge::UpdateEffect(HeldEffect& known, const TranslatedEffect& translated)
{
    if (translated.type != known.type) {
        Log() << "update of " << known.name << " refused: an effect keeps its type\n";
        return -EINVAL;
    }
    lab::EffectFields changed = translated.fields;
    changed.flags = ChangedFields(known.fields, translated.fields);
    if (changed.flags != 0) {
        const lab::EffectRecord record(changed);
        const DWORD at = driver_.now();
        const HRESULT result = driver_.driver->DownloadEffect(0, driver_.effectId(known.type), &known.handle,
                                                              record.get(), changed.flags);
        if (trace_ != nullptr)
            trace_->Update(at, known.name, changed);
        Report(result, "DownloadEffect of " + known.name);
        // A refused update leaves the effect as it was, as the kernel does.
        if (FAILED(result))
            return ErrnoOf(result);
    }
    known.fields = translated.fields;
    known.startDelayMs = translated.startDelayMs;
    return 0;
}

int ForceBridge::TakeErase(int id)
{
    const auto held = effects_.find(id);
    if (held == effects_.end()) {
        Log() << "erase of effect " << id << ", which the bridge does not hold: nothing to do\n";
        return 0;
    }
    // The kernel forgets the effect whatever the answer, so the bridge does
    // too; a driver that refuses is only logged.
    Destroy(held->second);
    effects_.erase(held);
    return 0;
}

void ForceBridge::Play(std::uint16_t id, int count)
{
    const auto held = effects_.find(id);
    if (held == effects_.end()) {
        Log() << "play of effect " << id << ", which the bridge does not hold: ignored\n";
        return;
    }
    if (count < 0) {
        Log() << "play of " << held->second.name << " " << count << " times: ignored\n";
        return;
    }
    HeldEffect& effect = held->second;
    effect.dueMs.reset();
    if (count == 0) {
        // The driver lets every stopped effect settle for a tick, playing or
        // not: a game that stops every effect it holds, and the kernel, which
        // stops each effect it erases, would wait 25 ms for each.
        if (!Playing(effect))
            return;
        const DWORD at = driver_.now();
        Report(driver_.driver->StopEffect(0, effect.handle), "StopEffect of " + effect.name);
        if (trace_ != nullptr)
            trace_->Stop(at, effect.name);
        std::this_thread::sleep_for(kTickTurn);
        return;
    }
    if (effect.startDelayMs != 0) {
        effect.dueMs = driver_.now() + effect.startDelayMs;
        effect.dueCount = static_cast<DWORD>(count);
        return;
    }
    Start(effect, static_cast<DWORD>(count));
}

bool ForceBridge::Playing(const HeldEffect& effect)
{
    DWORD status = 0;
    return FAILED(driver_.driver->GetEffectStatus(0, effect.handle, &status)) ||
           (status & DIEGES_PLAYING) != 0;
}

void ForceBridge::Start(HeldEffect& effect, DWORD count)
{
    const DWORD at = driver_.now();
    Report(driver_.driver->StartEffect(0, effect.handle, 0, count), "StartEffect of " + effect.name);
    if (trace_ != nullptr)
        trace_->Start(at, effect.name, count);
}

int ForceBridge::StartDuePlays()
{
    const DWORD now = driver_.now();
    int untilNext = -1;
    for (auto& [id, effect] : effects_) {
        if (!effect.dueMs)
            continue;
        const auto wait = static_cast<int>(*effect.dueMs - now);
        if (wait <= 0) {
            effect.dueMs.reset();
            Start(effect, effect.dueCount);
        } else if (untilNext < 0 || wait < untilNext) {
            untilNext = wait;
        }
    }
    return untilNext;
}

void ForceBridge::Gain(int value)
{
    DWORD gain = 0;
    if (!DeviceGainLevel(value, &gain)) {
        Log() << "gain " << value << " is outside 0..65535: ignored\n";
        return;
    }
    const DWORD at = driver_.now();
    Report(driver_.driver->SetGain(0, gain), "SetGain");
    if (trace_ != nullptr)
        trace_->Gain(at, gain);
}

// The wheel has no centring spring of its own that the driver could set,
// and the driver plays no conditions' forces: the value is taken and has no
// effect.
void ForceBridge::Autocenter(int value)
{
    if (value < 0 || value > static_cast<int>(kLinuxFullGain))
        Log() << "auto-centre " << value << " is outside 0..65535: ignored\n";
    else
        Log() << "auto-centre " << value << ": the wheel has none to set\n";
}

void ForceBridge::DestroyAll()
{
    for (auto& [id, effect] : effects_)
        Destroy(effect);
    effects_.clear();
}

void ForceBridge::Destroy(const HeldEffect& effect)
{
    const DWORD at = driver_.now();
    Report(driver_.driver->DestroyEffect(0, effect.handle), "DestroyEffect of " + effect.name);
    if (trace_ != nullptr)
        trace_->Destroy(at, effect.name);
    std::this_thread::sleep_for(kTickTurn);
}

} // namespace torvex::ffbridge
