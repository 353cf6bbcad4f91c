#include "tools/lab/lab_world.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <thread>

#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_device_file.h"
#include "platform/sim/manual_clock.h"
#include "platform/sim/manual_timer.h"
#include "platform/sim/sim_named_lock.h"
#include "platform/sim/sim_version.h"
#include "platform/sim/sim_wheel.h"
#include "tools/lab/recording_ports.h"
#include "tools/lab/timer_stats.h"
#include "tools/lab/wheel_search.h"

namespace torvex::lab {

namespace {

// The driver's playback period, which the simulated timer keeps exactly.
constexpr DWORD kTickMs = 25;
// Shorter real-time runs are over before anyone waits for news.
constexpr DWORD kProgressAfterMs = 3000;
constexpr DWORD kProgressEveryMs = 1000;
// How often a real-time wait wakes to gather what the wheel received.
constexpr DWORD kCollectEveryMs = 50;

// The simulated wheel, moved as the scenario says.
class MovableSimWheel final : public LabWheel {
public:
    explicit MovableSimWheel(SimWheel& wheel) : wheel_(wheel) {}

    void SetInputReport(const InputReport& report) override { wheel_.SetInputReport(report); }
    void Unplug() override { wheel_.Unplug(); }
    void Plug() override { wheel_.Plug(); }

private:
    SimWheel& wheel_;
};

// The wheel a run drives and the port the driver reaches it through: the
// simulated wheel at `wheelPath`, or the device node the options name. Every
// report that reaches it whole is noted, with the time `now` gives, for the
// timeline.
class WheelSide {
public:
    WheelSide(ClockPort& clock, const LabOptions& options, const std::string& wheelPath,
              std::function<DWORD()> now)
        : simWheel_(options.devicePath.empty() ? std::make_unique<SimWheel>(clock, wheelPath) : nullptr),
          movableSimWheel_(simWheel_ != nullptr ? std::make_unique<MovableSimWheel>(*simWheel_) : nullptr),
          foundWheel_(options.devicePath == kFindDevice
                          ? std::make_unique<FoundWheelDevice>(deviceFile_, SearchRoot(options))
                          : nullptr),
          recorder_(simWheel_ != nullptr    ? static_cast<DevicePort&>(*simWheel_)
                    : foundWheel_ != nullptr ? static_cast<DevicePort&>(*foundWheel_)
                                             : deviceFile_,
                    std::move(now)),
          movable_(simWheel_ != nullptr ? movableSimWheel_.get() : options.deviceWheel)
    {
    }
    WheelSide(const WheelSide&) = delete;
    WheelSide& operator=(const WheelSide&) = delete;

    DevicePort& Device() { return recorder_; }
    LabWheel* Movable() const { return movable_; }
    bool Simulated() const { return simWheel_ != nullptr; }

    // Appends the reports noted since the last call; how many there were.
    std::size_t TakeReports(Timeline& timeline)
    {
        const Timeline taken = recorder_.TakeReports();
        timeline.insert(timeline.end(), taken.begin(), taken.end());
        // The recorder keeps the record; the wheel's own would only grow.
        if (simWheel_ != nullptr)
            simWheel_->ClearWrites();
        return taken.size();
    }

private:
    std::unique_ptr<SimWheel> simWheel_;
    std::unique_ptr<MovableSimWheel> movableSimWheel_;
    PosixDeviceFile deviceFile_;
    std::unique_ptr<FoundWheelDevice> foundWheel_;
    RecordingDevice recorder_;
    LabWheel* const movable_;
};

class SimulatedWorld final : public World {
public:
    SimulatedWorld(SimRegistry& registry, const LabOptions& options, const std::string& wheelPath)
        : registry_(registry), side_(clock_, options, wheelPath, [this] { return Now(); })
    {
    }

    DriverPorts Ports() override
    {
        return {&registry_, &version_, &clock_, &side_.Device(), &timer_, &lock_};
    }
    DWORD Now() override { return clock_.GetTickCount(); }

    void AdvanceTo(DWORD ms, Timeline& timeline) override
    {
        for (; nextTickMs_ <= ms; nextTickMs_ += kTickMs) {
            clock_.Set(static_cast<DWORD>(nextTickMs_));
            if (LabWheel* wheel = side_.Movable())
                wheel->SendInputReport();
            timer_.FireAll();
            CollectReports(timeline);
        }
        clock_.Set(ms);
    }

    void CollectReports(Timeline& timeline) override { side_.TakeReports(timeline); }

    LabWheel* Wheel() override { return side_.Movable(); }

private:
    SimRegistry& registry_;
    SimVersion version_{VER_PLATFORM_WIN32_NT, 5, 1};
    ManualClock clock_{0};
    WheelSide side_;
    ManualTimer timer_;
    SimNamedLock lock_;
    std::uint64_t nextTickMs_ = kTickMs; // 64 bits: the last tick may lie beyond any DWORD time
};

class RealtimeWorld final : public World {
public:
    RealtimeWorld(SimRegistry& registry, const LabOptions& options, const std::string& wheelPath,
                  DWORD plannedMs, std::ostream& commentary)
        : registry_(registry), side_(clock_, options, wheelPath, [this] { return Now(); }),
          timer_(options.stats), commentary_(commentary), plannedMs_(plannedMs), stats_(options.stats)
    {
    }

    // A real device gets the wheel's real DriverLock, which every process
    // that drives it shares; the simulated wheel, which is this process's
    // alone, a lock of its own.
    DriverPorts Ports() override
    {
        return {.registry = &registry_,
                .version = &version_,
                .clock = nullptr,
                .device = &side_.Device(),
                .timer = &timer_,
                .lock = side_.Simulated() ? &lock_ : nullptr};
    }

    DWORD Now() override { return clock_.GetTickCount() - startTick_; }

    void AdvanceTo(DWORD ms, Timeline& timeline) override
    {
        for (DWORD now = Now(); now < ms; now = Now()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms - now, kCollectEveryMs)));
            CollectReports(timeline);
            ShowProgress();
        }
    }

    void CollectReports(Timeline& timeline) override { reportCount_ += side_.TakeReports(timeline); }

    // Only the simulated wheel: the lab paces a wheel behind a device node
    // in scenario time alone.
    LabWheel* Wheel() override { return side_.Simulated() ? side_.Movable() : nullptr; }

    void Finish() override
    {
        if (!stats_)
            return;
        const TimerStats stats = MeasureTimer(timer_.CallbackTimesMs(), kTickMs);
        char line[200];
        std::snprintf(
            line, sizeof line,
            "timer: %zu periods of %.3f ms on average; error median %.3f ms, p99 %.3f ms, max %.3f ms\n",
            stats.periods, stats.meanPeriodMs, stats.medianErrorMs, stats.p99ErrorMs, stats.maxErrorMs);
        commentary_ << line;
    }

private:
    void ShowProgress()
    {
        const DWORD now = Now();
        if (plannedMs_ <= kProgressAfterMs || now - lastProgressMs_ < kProgressEveryMs)
            return;
        lastProgressMs_ = now;
        commentary_ << "lab: " << now / 1000 << " s of " << plannedMs_ / 1000 << " s, " << reportCount_
                    << " reports\n";
    }

    SimRegistry& registry_;
    SimVersion version_{VER_PLATFORM_WIN32_NT, 5, 1};
    PosixClock clock_;
    const DWORD startTick_ = clock_.GetTickCount();
    WheelSide side_;
    SimNamedLock lock_;
    // After what its threads use, so that they are joined first.
    RecordingTimer timer_;
    std::ostream& commentary_;
    const DWORD plannedMs_;
    const bool stats_;
    DWORD lastProgressMs_ = 0;
    std::size_t reportCount_ = 0;
};

} // namespace

std::unique_ptr<World> MakeSimulatedWorld(SimRegistry& registry, const LabOptions& options,
                                          const std::string& wheelPath)
{
    return std::make_unique<SimulatedWorld>(registry, options, wheelPath);
}

std::unique_ptr<World> MakeRealtimeWorld(SimRegistry& registry, const LabOptions& options,
                                         const std::string& wheelPath, DWORD plannedMs,
                                         std::ostream& commentary)
{
    return std::make_unique<RealtimeWorld>(registry, options, wheelPath, plannedMs, commentary);
}

} // namespace torvex::lab
