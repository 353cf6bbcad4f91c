// A driver module on a simulated wheel, registry and clock, with effects
// built as a download leaves them and a playback tick as the driver runs it.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <vector>

#include "driver/device/force_report.h"
#include "driver/device/render_effect.h"
#include "driver/driver_state.h"
#include "driver/effect_slot.h"
#include "platform/sim/manual_clock.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_wheel.h"
#include "tests/driver/sent_reports.h"

namespace torvex::testing {

constexpr DWORD kTickMs = 25;

// The object id of axis `instance`, as DirectInput names an absolute axis.
constexpr DWORD Axis(DWORD instance)
{
    return (instance << 8) | 0x02;
}

struct EffectSetup {
    std::vector<LONG> direction{1, 0};
    std::vector<DWORD> axes{Axis(0), Axis(1)};
    DWORD duration = INFINITE;
    DWORD gain = 10000;
    const DIENVELOPE* envelope = nullptr;
};

class ForceTest : public ::testing::Test {
protected:
    ForceTest() : device(wheel.Open(wheel.path().c_str())) {}
    ~ForceTest() override { wheel.Close(device); }

    template <class Params>
    static std::unique_ptr<EffectSlot> Effect(DWORD type, const Params& params, const EffectSetup& setup = {})
    {
        return EffectWithBlock(type, &params, sizeof params, setup);
    }

    static std::unique_ptr<EffectSlot> EffectWithBlock(DWORD type, const void* block, DWORD size,
                                                       const EffectSetup& setup = {})
    {
        std::unique_ptr<EffectSlot> slot(new (std::nothrow) EffectSlot);
        slot->dwInternalType = type;
        slot->effect.dwDuration = setup.duration;
        slot->effect.dwGain = setup.gain;
        EXPECT_EQ(slot->SetAxes(setup.axes.data(), static_cast<DWORD>(setup.axes.size())), S_OK);
        EXPECT_EQ(slot->SetDirections(setup.direction.data(), static_cast<DWORD>(setup.direction.size())),
                  S_OK);
        EXPECT_EQ(slot->SetEnvelope(setup.envelope), S_OK);
        EXPECT_EQ(slot->SetTypeSpecific(block, size, type), S_OK);
        return slot;
    }

    static void Start(EffectSlot& slot, DWORD iterations = 1) { slot.Start(iterations); }

    // One playback tick: every effect stepped, newest first, until one fails;
    // then the report. Returns what SendForceReport returned.
    DWORD Tick(std::initializer_list<EffectSlot*> slots)
    {
        module.AnyEffectPlaying = false;
        for (EffectSlot* slot : slots) {
            if (RenderEffect(module, *slot) != S_OK)
                break;
        }
        const DWORD result = SendForceReport(module, device, module.AnyEffectPlaying);
        clock.Advance(kTickMs);
        return result;
    }

    // The reports that reached the wheel since the last call.
    std::vector<ForceReport> Sent() { return TakeSentReports(wheel); }

    ManualClock clock{100000};
    SimRegistry registry;
    SimWheel wheel{clock};
    DriverModule module{{.registry = &registry, .clock = &clock, .device = &wheel}};
    HANDLE device;
};

} // namespace torvex::testing
