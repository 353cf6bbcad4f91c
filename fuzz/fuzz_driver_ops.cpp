// The effect driver as a game could drive it at its worst: any sequence of
// downloads (any flags, types, handles, counts and blocks, as long as the
// blocks really are as long as the effect says), starts, stops, destroys,
// gains, commands and rebinds, interleaved with playback ticks and any
// wheel input. Every report the wheel receives is five bytes with bytes 0
// to 2 zero and each channel 0 or 16 to 127.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>

#include "driver/device/playback_tick.h"
#include "driver/effect_driver.h"
#include "tests/driver/installed_wheel_world.h"
#include "tools/lab/lab_registry.h"

namespace {

using namespace torvex;

// Takes what it needs from the front of the input; zeros once it runs out.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return size_ == 0; }
    std::uint8_t Byte()
    {
        if (size_ == 0)
            return 0;
        --size_;
        return *data_++;
    }
    DWORD Word()
    {
        DWORD word = 0;
        for (int shift = 0; shift < 32; shift += 8)
            word |= static_cast<DWORD>(Byte()) << shift;
        return word;
    }
    // Mostly small numbers, now and then any.
    DWORD Count(DWORD small) { return Byte() < 224 ? Byte() % (small + 1) : Word(); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

constexpr DWORD kBlockLongs = 64; // every array and block the effect points to is this long
constexpr DWORD kEffectIds[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0x100};

void CheckReports(SimWheel& wheel)
{
    for (const SimWheelWrite& write : wheel.Reports()) {
        if (write.bytes.size() != 5 || write.bytes[0] != 0 || write.bytes[1] != 0 || write.bytes[2] != 0)
            std::abort();
        for (int channel = 3; channel < 5; ++channel)
            if (write.bytes[channel] != 0 && (write.bytes[channel] < 16 || write.bytes[channel] > 127))
                std::abort();
    }
    wheel.ClearWrites();
}

// Handles the driver gave out for custom forces. DirectInput hands an
// effect's driver the block of the effect's own type, so an update of a custom
// force always comes with a DICUSTOMFORCE (whose sample pointer the driver has
// to trust), never with any other bytes.
using CustomHandles = std::set<DWORD>;

void Download(EffectDriver& driver, Input& in, DWORD* lastHandle, CustomHandles& customHandles)
{
    DWORD handle = in.Byte() < 128 ? 0 : (in.Byte() < 200 ? *lastHandle : in.Word());
    const DWORD effectId = in.Byte() < 240 ? kEffectIds[in.Byte() % std::size(kEffectIds)] : in.Word();
    const bool custom = handle == 0 ? effectId == 0x100 : customHandles.count(handle) != 0;
    DWORD axes[kBlockLongs];
    LONG directions[kBlockLongs];
    LONG block[kBlockLongs];
    LONG samples[kBlockLongs];
    for (DWORD index = 0; index < kBlockLongs; ++index) {
        axes[index] = in.Word();
        directions[index] = static_cast<LONG>(in.Word());
        block[index] = static_cast<LONG>(in.Word());
        samples[index] = static_cast<LONG>(in.Word());
    }
    DIENVELOPE envelope{in.Word(), in.Word(), in.Word(), in.Word(), in.Word()};
    DIEFFECT effect{};
    effect.dwSize = in.Byte() < 240 ? sizeof(DIEFFECT) : in.Word() % sizeof(DIEFFECT);
    effect.dwFlags = in.Word();
    effect.dwDuration = in.Word();
    effect.dwSamplePeriod = in.Word();
    effect.dwGain = in.Word();
    effect.dwTriggerButton = in.Word();
    effect.dwTriggerRepeatInterval = in.Word();
    // Counts beyond the arrays are only passed where the driver must refuse
    // them before it reads (more axes than a device has, blocks over 64 KiB).
    effect.cAxes = in.Byte() < 240 ? in.Byte() % (kBlockLongs + 1) : 33 + in.Word() % 1000000;
    effect.rgdwAxes = in.Byte() < 16 ? nullptr : axes;
    effect.rglDirection = in.Byte() < 16 ? nullptr : directions;
    effect.lpEnvelope = in.Byte() < 128 ? nullptr : &envelope;
    DICUSTOMFORCE customForce{};
    if (custom) {
        customForce.cChannels = in.Byte() % 4;
        customForce.dwSamplePeriod = in.Word();
        // cSamples counts every sample of every channel: all of them are in the block.
        customForce.cSamples = in.Byte() % (kBlockLongs + 1);
        customForce.rglForceData = in.Byte() < 16 ? nullptr : samples;
        // Now and then shorter than the record, which the driver must not read past.
        effect.cbTypeSpecificParams = in.Byte() < 240 ? sizeof customForce : in.Byte() % sizeof customForce;
        effect.lpvTypeSpecificParams = &customForce;
    } else {
        effect.cbTypeSpecificParams =
            in.Byte() < 240 ? in.Byte() % (sizeof block + 1) : 65537 + in.Word() % 1000000;
        effect.lpvTypeSpecificParams = in.Byte() < 16 ? nullptr : block;
    }
    const bool creating = handle == 0;
    const DWORD flags = in.Word();
    if (FAILED(driver.DownloadEffect(0, effectId, &handle, &effect, flags)) || handle == 0)
        return;
    *lastHandle = handle;
    if (creating && custom)
        customHandles.insert(handle);
    else if (creating)
        customHandles.erase(handle);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static testing::InstalledWheelWorld* world = new testing::InstalledWheelWorld;
    Input in(data, size);
    EffectDriver* driver = EffectDriver::Create(world->module);
    if (driver == nullptr || driver->DeviceID(0x0500, lab::kLabJoystickId, TRUE, 0, nullptr) != S_OK)
        std::abort();
    DWORD lastHandle = 0;
    CustomHandles customHandles;
    while (!in.empty()) {
        const DWORD handle = in.Byte() < 200 ? lastHandle : in.Word();
        switch (in.Byte() % 10) {
        case 0:
        case 1:
            Download(*driver, in, &lastHandle, customHandles);
            break;
        case 2:
            driver->StartEffect(0, handle, in.Word(), in.Count(4));
            break;
        case 3:
            driver->StopEffect(0, handle);
            break;
        case 4:
            driver->DestroyEffect(0, handle);
            break;
        case 5:
            driver->SetGain(0, in.Word());
            break;
        case 6:
            driver->SendForceFeedbackCommand(0, in.Word());
            break;
        case 7: {
            DWORD status = 0;
            driver->GetEffectStatus(0, handle, &status);
            break;
        }
        default: {
            WheelInputState state;
            state.wheel = in.Byte();
            state.buttons = static_cast<WORD>(in.Byte() | (in.Byte() << 8)) & 0x0FFF;
            world->wheel.SetInputState(state);
            world->clock.Advance(in.Byte());
            PlaybackTick(*driver);
            CheckReports(world->wheel);
            break;
        }
        }
    }
    driver->Release();
    CheckReports(world->wheel);
    return 0;
}
