// How long the driver's hot paths take: one playback tick with many
// effects playing, a download that creates or updates an effect, and
// device discovery in a registry crowded with HID interfaces. The README
// puts each against the 25 ms playback period and the 1 ms frame of the
// wheel's full-speed USB interrupt endpoint.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench/bench_driver.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_version.h"
#include "driver/device/device_discovery.h"
#include "tools/lab/lab_registry.h"

namespace torvex::bench {
namespace {

// The wheel only keeps what a test asks for; a long run would otherwise
// measure the recording of its writes too.
constexpr int kTicksBetweenClears = 4096;

void PlaybackTickWithEffects(benchmark::State& state)
{
    BenchDriver bench;
    bench.PlayMixedEffects(static_cast<unsigned>(state.range(0)));
    bench.Tick();
    if (bench.wheel().Reports().empty())
        state.SkipWithError("the tick sent the wheel nothing");
    int ticks = 0;
    for (auto _ : state) {
        bench.Tick();
        if (++ticks == kTicksBetweenClears) {
            state.PauseTiming();
            bench.wheel().ClearWrites();
            ticks = 0;
            state.ResumeTiming();
        }
    }
    state.counters["effects"] = static_cast<double>(state.range(0));
}
BENCHMARK(PlaybackTickWithEffects)->Arg(1)->Arg(16)->Arg(256)->Arg(1024);

void DownloadCreatingAnEffect(benchmark::State& state)
{
    BenchDriver bench;
    MixedEffect mixed(3);
    for (auto _ : state) {
        DWORD handle = 0;
        bench.driver().DownloadEffect(lab::kLabJoystickId, mixed.effectId, &handle, &mixed.effect,
                                      DIEP_ALLPARAMS);
        state.PauseTiming();
        bench.driver().DestroyEffect(lab::kLabJoystickId, handle);
        state.ResumeTiming();
    }
}
BENCHMARK(DownloadCreatingAnEffect);

void DownloadUpdatingAnEffect(benchmark::State& state)
{
    BenchDriver bench;
    bench.PlayMixedEffects(16);
    MixedEffect mixed(3);
    DWORD handle = 0;
    bench.driver().DownloadEffect(lab::kLabJoystickId, mixed.effectId, &handle, &mixed.effect,
                                  DIEP_ALLPARAMS);
    for (auto _ : state) {
        mixed.directions[0] = (mixed.directions[0] + 1) % 10000;
        bench.driver().DownloadEffect(lab::kLabJoystickId, mixed.effectId, &handle, &mixed.effect,
                                      DIEP_DIRECTION | DIEP_TYPESPECIFICPARAMS | DIEP_START);
    }
}
BENCHMARK(DownloadUpdatingAnEffect);

// The wheel's interface among 999 others of the same product that belong
// to other joysticks, the way a machine with many such wheels keeps them.
void FindDevicePathAmong1000Interfaces(benchmark::State& state)
{
    SimRegistry registry;
    SimVersion windowsXp(VER_PLATFORM_WIN32_NT, 5, 1);
    for (int other = 0; other < 999; ++other) {
        char instance[32];
        std::snprintf(instance, sizeof instance, "7&%x&0&0000", 0x1000 + other);
        lab::AddWheelDeviceEntry(registry, std::string("\\\\?\\hid#other#") + instance, 5, instance);
    }
    const std::string wheelPath = "\\\\?\\hid#vid_6d2a&pid_0005#wheel";
    lab::AddWheelDeviceEntry(registry, wheelPath, lab::kLabJoystickId); // enumerated last
    char path[kDevicePathSize];
    FindDevicePath(registry, windowsXp, DevicePathBuffer(path, kDevicePathSize), 0x6D2A, 0x0005,
                   lab::kLabJoystickId);
    if (wheelPath != path)
        state.SkipWithError("discovery does not find the wheel");
    for (auto _ : state) {
        FindDevicePath(registry, windowsXp, DevicePathBuffer(path, kDevicePathSize), 0x6D2A, 0x0005,
                       lab::kLabJoystickId);
        benchmark::DoNotOptimize(path);
    }
}
BENCHMARK(FindDevicePathAmong1000Interfaces);

} // namespace
} // namespace torvex::bench

BENCHMARK_MAIN();
