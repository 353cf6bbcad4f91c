// The bridge behind a fake uinput device, on the simulated wheel: what a
// game's requests become at the driver, what each one is answered, and
// that the lab's replay of the bridge's trace gives the wheel exactly the
// reports the bridge's own run gave it.
#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <map>
#include <optional>
#include <sstream>

#include "tests/lab/lab_test_support.h"
#include "tools/ffbridge/force_bridge.h"
#include "tools/lab/driver_session.h"
#include "tools/lab/lab_registry.h"

namespace torvex::ffbridge {
namespace {

// The kernel's side of uinput: requests handed out by id, answers kept.
class FakeUinput final : public UinputPort {
public:
    int Create(const UinputDeviceSetup&) override { return 0; }
    int NextEvent(input_event*, int) override { return 0; }
    int Emit(const input_event&) override { return 0; }
    int BeginUpload(uinput_ff_upload* upload) override
    {
        if (failBegin)
            return -EFAULT;
        upload->effect = uploads.at(upload->request_id);
        return 0;
    }
    int EndUpload(const uinput_ff_upload& upload) override
    {
        answers.push_back(upload.retval);
        return 0;
    }
    int BeginErase(uinput_ff_erase* erase) override
    {
        erase->effect_id = erases.at(erase->request_id);
        return 0;
    }
    int EndErase(const uinput_ff_erase& erase) override
    {
        answers.push_back(erase.retval);
        return 0;
    }

    std::map<std::uint32_t, ff_effect> uploads;
    std::map<std::uint32_t, std::uint32_t> erases;
    std::vector<int> answers;
    bool failBegin = false;
};

input_event Event(std::uint16_t type, std::uint16_t code, int value)
{
    input_event event{};
    event.type = type;
    event.code = code;
    event.value = value;
    return event;
}

ff_effect Constant(std::int16_t id, std::int16_t level)
{
    ff_effect effect{};
    effect.type = FF_CONSTANT;
    effect.id = id;
    effect.direction = 0x4000;
    effect.u.constant.level = level;
    return effect;
}

class ForceBridgeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        session_.emplace(lab::Options(), log_, "bridge test");
        ASSERT_TRUE(session_->Prepare(0) && session_->Bind(&deviceId_)) << log_.str();
        world_ = &session_->Place();
        BridgeDriver driver{
            session_->Driver(),
            [this](lab::EffectType type) { return lab::EffectIdIn(session_->Registry(), type); },
            [this] { return world_->Now(); }};
        bridge_ = std::make_unique<ForceBridge>(uinput_, driver, &tracer_, log_);
    }

    int Upload(const ff_effect& effect)
    {
        uinput_.uploads[++request_] = effect;
        bridge_->Handle(Event(EV_UINPUT, UI_FF_UPLOAD, static_cast<int>(request_)));
        return uinput_.answers.back();
    }

    int Erase(std::uint32_t id)
    {
        uinput_.erases[++request_] = id;
        bridge_->Handle(Event(EV_UINPUT, UI_FF_ERASE, static_cast<int>(request_)));
        return uinput_.answers.back();
    }

    void At(DWORD ms)
    {
        world_->AdvanceTo(ms, timeline_);
        bridge_->StartDuePlays();
    }

    // The reports of the bridge's run, then of the lab's replay of its trace.
    std::pair<std::string, std::string> ReportsAndReplay()
    {
        session_->Release();
        world_->CollectReports(timeline_);
        // The module keeps its state (the device gain) while it is loaded:
        // the replay must load it afresh.
        session_.reset();
        std::ostringstream commentary;
        const lab::LabOutcome replay =
            lab::RunScenario(lab::Parsed(trace_.str()), lab::Options(), commentary);
        EXPECT_TRUE(replay.ok) << commentary.str();
        return {Reports(timeline_), Reports(replay.timeline)};
    }

    static std::string Reports(const lab::Timeline& timeline)
    {
        lab::Timeline reports;
        for (const lab::TimelineEvent& event : timeline)
            if (event.kind == lab::TimelineEvent::Kind::Report)
                reports.push_back(event);
        return lab::FormatTimeline(reports);
    }

    std::ostringstream log_;
    std::optional<lab::DriverSession> session_;
    HRESULT deviceId_ = E_FAIL;
    lab::World* world_ = nullptr;
    FakeUinput uinput_;
    std::ostringstream trace_;
    BridgeTrace tracer_{trace_};
    std::unique_ptr<ForceBridge> bridge_;
    lab::Timeline timeline_;
    std::uint32_t request_ = 0;
};

TEST_F(ForceBridgeTest, AGamesRequestsBecomeDriverCallsAndEveryUploadAndEraseIsAnswered)
{
    ASSERT_EQ(deviceId_, S_OK);
    ff_effect custom = Constant(1, 0);
    custom.type = FF_PERIODIC;
    custom.u.periodic.waveform = FF_CUSTOM;
    ff_effect rumble{};
    rumble.type = FF_RUMBLE;
    rumble.id = 2;
    rumble.replay.delay = 60;
    rumble.u.rumble.strong_magnitude = 0xFFFF;
    ff_effect retyped = rumble;
    retyped.id = 0;

    EXPECT_EQ(Upload(Constant(0, 0x4000)), 0);
    EXPECT_EQ(Upload(custom), -EINVAL);
    EXPECT_EQ(Upload(Constant(kMaxBridgeEffects, 0x4000)), -EINVAL);
    EXPECT_EQ(Upload(rumble), 0);
    bridge_->Handle(Event(EV_FF, 0, 1));
    bridge_->Handle(Event(EV_FF, 1, 1));  // refused above: never held
    bridge_->Handle(Event(EV_FF, 0, -1)); // no count
    bridge_->Handle(Event(EV_FF, FF_GAIN, 0x10000));
    bridge_->Handle(Event(EV_FF, FF_AUTOCENTER, 0x8000));
    At(50);
    EXPECT_EQ(Upload(Constant(0, 0x2000)), 0);
    EXPECT_EQ(Upload(retyped), -EINVAL);
    bridge_->Handle(Event(EV_FF, 2, 0)); // not playing: no stop to settle
    bridge_->Handle(Event(EV_FF, 2, 3));
    bridge_->Handle(Event(EV_FF, FF_GAIN, 0xC000));
    At(100);
    At(125);
    bridge_->Handle(Event(EV_FF, 0, 0));
    EXPECT_EQ(Erase(0), 0);
    EXPECT_EQ(Erase(0), 0);
    At(175);
    uinput_.failBegin = true;
    EXPECT_EQ(Upload(Constant(3, 1)), -EFAULT) << "answered though the request could not be read";
    bridge_->DestroyAll();

    // Only what the bridge took reached the driver; the rumble's play
    // waited its 60 ms (50 + 60 = 110, started by the tick at 125).
    EXPECT_EQ(trace_.str(),
              "download e0-1 constant duration=inf gain=10000 trigger=none axes=0,1 dir=10000,0 "
              "envelope=none constant=5000\n"
              "download e2-2 sine duration=inf gain=10000 trigger=none axes=0,1 dir=10000,0 "
              "periodic=10000,0,0,100000\n"
              "start e0-1 count=1\n"
              "at 50\n"
              "update e0-1 constant=2500\n"
              "gain 7500\n"
              "at 125\n"
              "start e2-2 count=3\n"
              "stop e0-1\n"
              "destroy e0-1\n"
              "at 175\n"
              "destroy e2-2\n");
    for (const char* said : {"effect id 96", "waveform", "play of effect 1", "-1 times", "gain 65536",
                             "auto-centre 32768", "keeps its type", "erase of effect 0"})
        EXPECT_NE(log_.str().find(said), std::string::npos) << said << " not in:\n" << log_.str();

    const auto [reports, replayed] = ReportsAndReplay();
    // 5000 of 10000 along channel 0: 0.5 x 127 = 63.5, sent as 0x3F.
    EXPECT_NE(reports.find("25 report 00 00 00 3F 00"), std::string::npos) << reports;
    EXPECT_EQ(reports, replayed);
}

} // namespace
} // namespace torvex::ffbridge
