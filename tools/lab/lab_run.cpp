#include "tools/lab/lab_run.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

#include "driver/driver_state.h"
#include "platform/posix/posix_device_file.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_wheel.h"
#include "platform/wheel_input_report.h"
#include "tools/lab/driver_library.h"
#include "tools/lab/effect_record.h"
#include "tools/lab/lab_registry.h"
#include "tools/lab/lab_world.h"
#include "tools/lab/wheel_search.h"

namespace torvex::lab {

namespace {

// The DirectX version DirectInput names when it binds the driver: the
// effect records it passes have DirectX 5's layout.
constexpr DWORD kDirectInputVersion = 0x0500;

std::string Hex(HRESULT result)
{
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
    return text;
}

// The effect a scenario name stands for.
struct NamedEffect {
    DWORD id = 0;     // what DownloadEffect is told the type is
    DWORD handle = 0; // 0 until the driver gave one
};

class ScenarioRun {
public:
    ScenarioRun(const Scenario& scenario, const LabOptions& options, std::ostream& commentary)
        : scenario_(scenario), options_(options), commentary_(commentary)
    {
    }
    ScenarioRun(const ScenarioRun&) = delete;
    ScenarioRun& operator=(const ScenarioRun&) = delete;

    ~ScenarioRun()
    {
        // Only a run that failed half-way still has its driver.
        if (driver_ != nullptr)
            driver_->Release();
    }

    LabOutcome Run()
    {
        LabOutcome outcome;
        if (!Prepare() || !Bind())
            return outcome;
        for (const ScenarioStep& step : scenario_.steps)
            Play(step);
        if (driver_ != nullptr) {
            ScenarioStep release;
            release.kind = StepKind::Release;
            release.word = release.text = "release";
            Play(release);
        }
        outcome.ok = CheckUnloadable();
        outcome.endMs = world_->Now();
        world_->Finish();
        // A real-time report may have been gathered after the command that
        // followed it; simulated timelines are in order already.
        std::stable_sort(timeline_.begin(), timeline_.end(),
                         [](const TimelineEvent& a, const TimelineEvent& b) { return a.timeMs < b.timeMs; });
        outcome.timeline = std::move(timeline_);
        return outcome;
    }

private:
    bool Fail(const std::string& message)
    {
        commentary_ << "torvex-lab: " << message << "\n";
        return false;
    }

    bool Prepare()
    {
        if (options_.deviceWheel != nullptr && options_.realtime)
            return Fail("a wheel the lab moves behind a device node is played in scenario time only");
        if (options_.devicePath == kFindDevice && !FindDevice())
            return false;
        const std::string& node = options_.devicePath == kFindDevice ? foundNode_ : options_.devicePath;
        if (!node.empty() && !TryDevice(node))
            return false;
        std::string error;
        if (!library_.Load(options_.modulePath, &error))
            return Fail("cannot load the effect driver: " + error);
        const bool realtime =
            options_.realtime || (!options_.devicePath.empty() && options_.deviceWheel == nullptr);
        std::string wheelPath = node.empty() ? SimWheel::kDefaultPath : node;
        if (options_.registryFile.empty()) {
            if (!SetUpInstalledWheel(registry_, options_.installFile, wheelPath, &error))
                return Fail("cannot read the installation's entries: " + error);
        } else {
            if (!SetUpRegistryFile(registry_, options_.registryFile, &error))
                return Fail("cannot read the registry: " + error);
            if (options_.devicePath.empty())
                wheelPath = SimulatedWheelPath();
        }
        world_ = realtime ? MakeRealtimeWorld(registry_, options_, wheelPath, scenario_.endMs, commentary_)
                          : MakeSimulatedWorld(registry_, options_, wheelPath);
        return true;
    }

    // The wheel's hidraw node, found by its USB ids; refused when there is
    // none or more than one.
    bool FindDevice()
    {
        const std::filesystem::path root = SearchRoot(options_);
        const WheelSearch search = FindWheelNodes(root / "sys", root / "dev");
        const std::string where = search.hidrawClass.string();
        if (search.nodes.size() == 1) {
            foundNode_ = search.nodes.front();
            commentary_ << "torvex-lab: the wheel is " << foundNode_ << "\n";
            return true;
        }
        if (search.hidrawDevices == 0)
            return Fail("--device auto: there is no hidraw device in " + where +
                        ": is the wheel plugged in?");
        if (search.nodes.empty())
            return Fail("--device auto: none of the " + std::to_string(search.hidrawDevices) +
                        " hidraw devices in " + where + " is a ZK-5120 (USB " + WheelIds() +
                        "): is the wheel plugged in?");
        std::string nodes;
        for (const std::string& node : search.nodes)
            nodes += (nodes.empty() ? "" : ", ") + node;
        return Fail("--device auto: " + std::to_string(search.nodes.size()) +
                    " ZK-5120 wheels are plugged in (" + nodes + "): name one with --device PATH");
    }

    static std::string WheelIds()
    {
        char ids[16];
        std::snprintf(ids, sizeof ids, "%04X:%04X", static_cast<unsigned>(kWheelVendorId),
                      static_cast<unsigned>(kWheelProductId));
        return ids;
    }

    // The node opened once before the run, so that what keeps the wheel
    // from the driver is said at the start instead of lost in ticks that
    // quietly try again. Without permission nothing could ever reach the
    // wheel, so the run stops there.
    bool TryDevice(const std::string& path)
    {
        PosixDeviceFile device;
        const HANDLE opened = device.Open(path.c_str());
        if (IsOpenDevice(opened)) {
            device.Close(opened);
            return true;
        }
        const DWORD error = device.LastError();
        if (error == ERROR_ACCESS_DENIED)
            return Fail("no permission to open " + path + ". The udev rule install/" + kUdevRuleName +
                        " lets the logged-in user drive the wheel: copy it to /etc/udev/rules.d/, run "
                        "'udevadm control --reload-rules && udevadm trigger' as root, and plug the wheel in "
                        "again (README, \"The lab\")");
        std::string reason = "error " + std::to_string(error);
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            reason = "there is no such node";
        else if (error == ERROR_DEVICE_NOT_CONNECTED)
            reason = "the wheel is not connected";
        commentary_ << "torvex-lab: cannot open " << path << " (" << reason
                    << "); the driver tries again every tick\n";
        return true;
    }

    std::string SimulatedWheelPath()
    {
        std::string path = WheelPathIn(registry_);
        if (path.empty()) {
            path = SimWheel::kDefaultPath;
            commentary_ << "torvex-lab: " << options_.registryFile << " has no active wheel that is joystick "
                        << kLabJoystickId << "; the simulated wheel answers at " << path << "\n";
        }
        return path;
    }

    // Time 0: the driver created and bound to the wheel, as DirectInput
    // leaves it when a game acquires the wheel.
    bool Bind()
    {
        const DriverPorts ports = world_->Ports();
        if (const HRESULT used = library_.UsePlatform(&ports); used != S_OK)
            return Fail("TorvexFFUsePlatform answered " + Hex(used));
        HRESULT result = S_OK;
        std::string step;
        driver_ = library_.CreateDriver(DriverClassIn(registry_), &result, &step);
        if (driver_ == nullptr)
            return Fail(step + " answered " + Hex(result));
        Check("deviceid", world_->Now(),
              driver_->DeviceID(kDirectInputVersion, kLabJoystickId, TRUE, 0, nullptr));
        world_->CollectReports(timeline_);
        return true;
    }

    bool CheckUnloadable()
    {
        const HRESULT unload = library_.CanUnloadNow();
        if (unload == S_OK)
            return true;
        return Fail("DllCanUnloadNow answered " + Hex(unload) +
                    " after the last release: the module still holds objects");
    }

    void Check(const std::string& command, DWORD timeMs, HRESULT result)
    {
        if (result == S_OK)
            return;
        TimelineEvent event;
        event.kind = TimelineEvent::Kind::Result;
        event.timeMs = timeMs;
        event.command = command;
        event.result = result;
        timeline_.push_back(event);
    }

    void Play(const ScenarioStep& step)
    {
        if (step.kind == StepKind::At) {
            world_->AdvanceTo(step.timeMs, timeline_);
            return;
        }
        const DWORD now = world_->Now();
        TimelineEvent command;
        command.kind = TimelineEvent::Kind::Command;
        command.timeMs = now;
        command.command = step.word;
        command.text = step.text;
        timeline_.push_back(command);
        if (IsWheelStep(step.kind))
            MoveWheel(step);
        else if (step.kind == StepKind::Say)
            commentary_ << "[" << now << " ms] " << step.name << "\n";
        else if (step.kind == StepKind::Amplify)
            SetAmplify(registry_, step.none ? std::nullopt : std::optional<DWORD>(step.value));
        else if (driver_ != nullptr)
            CallDriver(step, now);
        world_->CollectReports(timeline_);
    }

    static bool IsWheelStep(StepKind kind)
    {
        return kind == StepKind::Wheel || kind == StepKind::Unplug || kind == StepKind::Plug;
    }

    void MoveWheel(const ScenarioStep& step)
    {
        LabWheel* wheel = world_->Wheel();
        if (wheel == nullptr) {
            commentary_ << "torvex-lab: line " << step.line << ": " << step.word
                        << ": a real device is not the lab's to move; going on\n";
            return;
        }
        if (step.kind == StepKind::Unplug) {
            wheel->Unplug();
        } else if (step.kind == StepKind::Plug) {
            wheel->Plug();
        } else {
            ApplyWheelFields(step.wheel);
            wheel->SetInputReport(input_);
        }
    }

    void ApplyWheelFields(const WheelFields& fields)
    {
        const auto set = [this](std::size_t index, const std::optional<BYTE>& value) {
            if (value)
                input_[index] = *value;
        };
        set(kWheelAxisByte, fields.x);
        set(kAcceleratorByte, fields.y);
        set(kBrakeByte, fields.rz);
        set(kReservedByte, fields.z);
        if (fields.buttons) {
            for (DWORD button = 0; button < kWheelButtonCount; ++button)
                SetWheelButton(input_, button, ((*fields.buttons >> button) & 1u) != 0);
        }
        if (fields.hat)
            input_[kHatByte] = static_cast<BYTE>((input_[kHatByte] & ~kHatMask) | (*fields.hat & kHatMask));
    }

    void CallDriver(const ScenarioStep& step, DWORD now)
    {
        switch (step.kind) {
        case StepKind::Gain:
            Check(step.word, now, driver_->SetGain(0, step.value));
            break;
        case StepKind::Download: {
            NamedEffect& effect = effects_[step.name];
            effect.id = EffectIdIn(registry_, step.type);
            Download(step, now, effect);
            break;
        }
        case StepKind::Update:
            Download(step, now, effects_[step.name]);
            break;
        case StepKind::Start:
            Check(step.word, now,
                  driver_->StartEffect(0, effects_[step.name].handle, step.solo ? DIES_SOLO : 0, step.value));
            break;
        case StepKind::Stop:
            Check(step.word, now, driver_->StopEffect(0, effects_[step.name].handle));
            break;
        case StepKind::Destroy:
            Check(step.word, now, driver_->DestroyEffect(0, effects_[step.name].handle));
            break;
        case StepKind::Status:
            Status(step, now);
            break;
        case StepKind::Command:
            Check(step.word, now, driver_->SendForceFeedbackCommand(0, step.value));
            break;
        case StepKind::Release:
            driver_->Release();
            driver_ = nullptr;
            break;
        default:
            break;
        }
    }

    // With handle 0 the driver makes a new effect; after that the same
    // call updates it, as DirectInput's download does.
    void Download(const ScenarioStep& step, DWORD now, NamedEffect& effect)
    {
        const EffectRecord record(step.fields);
        Check(step.word, now,
              driver_->DownloadEffect(0, effect.id, &effect.handle, record.get(), step.fields.flags));
    }

    void Status(const ScenarioStep& step, DWORD now)
    {
        DWORD status = 0;
        const HRESULT result = driver_->GetEffectStatus(0, effects_[step.name].handle, &status);
        if (result != S_OK) {
            Check(step.word, now, result);
            return;
        }
        TimelineEvent event;
        event.kind = TimelineEvent::Kind::Status;
        event.timeMs = now;
        event.name = step.name;
        event.playing = (status & DIEGES_PLAYING) != 0;
        timeline_.push_back(event);
    }

    // The byte the wheel sends as 0; `z` sets it all the same.
    static constexpr std::size_t kReservedByte = 4;

    const Scenario& scenario_;
    const LabOptions options_;
    std::string foundNode_; // the wheel's node at the start, when the lab was asked to find it
    std::ostream& commentary_;
    // First, so that the module is unloaded after everything it was given.
    DriverLibrary library_;
    SimRegistry registry_;
    std::unique_ptr<World> world_;
    IDirectInputEffectDriver* driver_ = nullptr;
    std::map<std::string, NamedEffect> effects_;
    InputReport input_ = EncodeInputReport({});
    Timeline timeline_;
};

} // namespace

LabOutcome RunScenario(const Scenario& scenario, const LabOptions& options, std::ostream& commentary)
{
    ScenarioRun run(scenario, options, commentary);
    return run.Run();
}

} // namespace torvex::lab
