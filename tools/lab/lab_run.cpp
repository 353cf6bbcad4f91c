#include "tools/lab/lab_run.h"

#include <algorithm>
#include <map>

#include "platform/wheel_input_report.h"
#include "tools/lab/driver_session.h"
#include "tools/lab/effect_record.h"
#include "tools/lab/lab_registry.h"

namespace torvex::lab {

namespace {

// The effect a scenario name stands for.
struct NamedEffect {
    DWORD id = 0;     // what DownloadEffect is told the type is
    DWORD handle = 0; // 0 until the driver gave one
};

class ScenarioRun {
public:
    ScenarioRun(const Scenario& scenario, const LabOptions& options, std::ostream& commentary)
        : scenario_(scenario), commentary_(commentary), session_(options, commentary, "torvex-lab")
    {
    }
    ScenarioRun(const ScenarioRun&) = delete;
    ScenarioRun& operator=(const ScenarioRun&) = delete;

    LabOutcome Run()
    {
        LabOutcome outcome;
        if (!session_.Prepare(scenario_.endMs))
            return outcome;
        world_ = &session_.Place();
        if (!Bind())
            return outcome;
        for (const ScenarioStep& step : scenario_.steps)
            Play(step);
        if (driver_ != nullptr) {
            ScenarioStep release;
            release.kind = StepKind::Release;
            release.word = release.text = "release";
            Play(release);
        }
        outcome.ok = session_.CheckUnloadable();
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
    // Time 0: the driver created and bound to the wheel, as DirectInput
    // leaves it when a game acquires the wheel.
    bool Bind()
    {
        HRESULT deviceId = S_OK;
        if (!session_.Bind(&deviceId))
            return false;
        driver_ = session_.Driver();
        Check("deviceid", world_->Now(), deviceId);
        world_->CollectReports(timeline_);
        return true;
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
            session_.Release();
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
    std::ostream& commentary_;
    DriverSession session_;
    SimRegistry& registry_ = session_.Registry();
    World* world_ = nullptr;
    IDirectInputEffectDriver* driver_ = nullptr; // the session's, until the scenario releases it
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
