// The simulated window system as the property sheet's pages use it: pages
// made from their templates, the dialog procedure's messages, window timers
// on the simulated clock, control texts, the frame and the dialog's own
// user word, with user32's results.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/sim_window_system.h"

namespace torvex::testing {
namespace {

constexpr WORD kTitleId = 1001;
constexpr WORD kStatusId = 1002;
constexpr WORD kButtonId = 1003;
constexpr WORD kGaugeId = 1004;
constexpr WORD kUnnumbered = 65535;

constexpr std::array<DialogControlTemplate, 4> kControls = {{
    {"Steering", kTitleId, "STATIC", 0, 7, 7, 100, 8},
    {"Ready", kStatusId, "Static", 0, 7, 20, 198, 9},
    {"&Centre", kButtonId, "BUTTON", 0, 7, 40, 50, 14},
    {"", kGaugeId, "GaugeControl", 0, 7, 60, 64, 64},
}};

constexpr DialogTemplate kPage = {107, "Test", 0, 212, 188, "MS Sans Serif", 8, kControls};

// Plain functions stand for the pages' procedures: what they saw goes here.
SimWindowSystem* system_ = nullptr;
struct Received {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Received> received_;
std::vector<UINT_PTR> timerIds_;
bool statusExistedAtInit_ = false;
INT_PTR initAnswer_ = TRUE;
// What the procedure does with a WM_TIMER of this id, when set.
UINT_PTR killOnTick_ = 0;
UINT_PTR killOtherOnTick_ = 0;
UINT_PTR restartOnTick_ = 0;
bool destroyOnTick_ = false;

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    received_.push_back({page, message, wParam, lParam});
    switch (message) {
    case WM_INITDIALOG:
        statusExistedAtInit_ = system_->GetDlgItem(page, kStatusId) != nullptr;
        return initAnswer_;
    case WM_TIMER:
        timerIds_.push_back(wParam);
        if (wParam == killOnTick_) {
            system_->KillTimer(page, wParam);
        }
        if (killOtherOnTick_ != 0) {
            system_->KillTimer(page, killOtherOnTick_);
        }
        if (wParam == restartOnTick_) {
            system_->SetTimer(page, wParam, 100);
        }
        if (destroyOnTick_) {
            system_->DestroyWindow(page);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

std::vector<UINT> gaugeMessages_;

LRESULT CALLBACK GaugeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    gaugeMessages_.push_back(message);
    return system_->DefaultWindowProc(window, message, wParam, lParam);
}

class SimDialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        system_ = &windows;
        received_.clear();
        timerIds_.clear();
        gaugeMessages_.clear();
        statusExistedAtInit_ = false;
        initAnswer_ = TRUE;
        killOnTick_ = killOtherOnTick_ = restartOnTick_ = 0;
        destroyOnTick_ = false;
        WNDCLASSA gauge = {};
        gauge.lpfnWndProc = GaugeProc;
        gauge.hbrBackground = windows.SystemColorBrush(COLOR_BTNFACE);
        gauge.lpszClassName = "GaugeControl";
        ASSERT_NE(windows.RegisterWindowClass(gauge), 0);
        frame = windows.CreateDialogWindow(400, 400);
    }
    void TearDown() override { system_ = nullptr; }

    HWND MakePage(LPARAM initParam = 0)
    {
        const HWND page = windows.CreatePage(frame, kPage, PageProc, initParam);
        EXPECT_NE(page, nullptr);
        return page;
    }
    std::string Text(HWND window)
    {
        char text[64];
        windows.WindowText(window, text, sizeof text);
        return text;
    }
    int Count(UINT message) const
    {
        int count = 0;
        for (const Received& r : received_) {
            count += r.message == message;
        }
        return count;
    }
    RECT Client(HWND window)
    {
        RECT client = {};
        EXPECT_TRUE(windows.GetClientRect(window, &client));
        return client;
    }

    SimWindowSystem windows;
    HWND frame = nullptr;
};

TEST_F(SimDialogsTest, APageHoldsItsTemplatesControlsThenGetsWmInitDialog)
{
    const HWND page = MakePage(0x5A17);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(windows.ParentWindow(page), frame);
    EXPECT_EQ(Text(page), "Test");

    ASSERT_EQ(received_.size(), 1u);
    EXPECT_EQ(received_[0].window, page);
    EXPECT_EQ(received_[0].message, WM_INITDIALOG);
    EXPECT_EQ(received_[0].lParam, 0x5A17);
    EXPECT_TRUE(statusExistedAtInit_) << "the controls exist before WM_INITDIALOG";

    struct Expected {
        int id;
        const char* text;
        const char* className;
    };
    for (const Expected& e :
         {Expected{kTitleId, "Steering", "Static"}, Expected{kStatusId, "Ready", "Static"},
          Expected{kButtonId, "&Centre", "Button"}, Expected{kGaugeId, "", "GaugeControl"}}) {
        const HWND control = windows.GetDlgItem(page, e.id);
        ASSERT_NE(control, nullptr) << e.id;
        EXPECT_EQ(windows.ParentWindow(control), page);
        EXPECT_EQ(Text(control), e.text);
        EXPECT_EQ(windows.WindowClassName(control), e.className);
    }
    EXPECT_EQ(gaugeMessages_, std::vector<UINT>{WM_CREATE});
}

TEST_F(SimDialogsTest, TemplateDialogUnitsBecomePixelsOfTheEightPointFont)
{
    const HWND page = MakePage();
    // 212 × 188 units: 212 · 6/4 and 188 · 13/8 = 305.5, rounded up.
    EXPECT_EQ(Client(page).right, 318);
    EXPECT_EQ(Client(page).bottom, 306);
    const RECT status = Client(windows.GetDlgItem(page, kStatusId));
    EXPECT_EQ(status.right, 297); // 198 · 6/4
    EXPECT_EQ(status.bottom, 15); // 9 · 13/8 = 14.6
    const RECT gauge = Client(windows.GetDlgItem(page, kGaugeId));
    EXPECT_EQ(gauge.right, 96);
    EXPECT_EQ(gauge.bottom, 104);

    constexpr std::array<DialogControlTemplate, 1> kOdd = {{{"", kUnnumbered, "STATIC", 0, 0, 0, 1, -4}}};
    const DialogTemplate odd = {1, "", 0, 3, 1, "MS Sans Serif", 8, kOdd};
    const HWND oddPage = windows.CreatePage(frame, odd, PageProc, 0);
    EXPECT_EQ(Client(oddPage).right, 5);  // 4.5 rounds away from zero
    EXPECT_EQ(Client(oddPage).bottom, 2); // 1.625
    const RECT tiny = Client(windows.GetDlgItem(oddPage, kUnnumbered));
    EXPECT_EQ(tiny.right, 2);
    EXPECT_EQ(tiny.bottom, 0) << "a negative height is empty";
}

TEST_F(SimDialogsTest, ThePageComesBackWhateverWmInitDialogAnswersAndFailsWithAControl)
{
    initAnswer_ = FALSE;
    EXPECT_NE(windows.CreatePage(frame, kPage, PageProc, 0), nullptr);
    EXPECT_NE(windows.CreatePage(frame, kPage, nullptr, 0), nullptr) << "a page without a procedure";

    const HWND bogus = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1234));
    received_.clear();
    EXPECT_EQ(windows.CreatePage(bogus, kPage, PageProc, 0), nullptr);
    EXPECT_TRUE(received_.empty());

    // A class nobody registered: the page is not made, nothing of it stays
    // and its procedure never sees WM_INITDIALOG.
    constexpr std::array<DialogControlTemplate, 2> kBroken = {{
        {"Ready", kStatusId, "STATIC", 0, 0, 0, 10, 10},
        {"", kGaugeId, "NoSuchControl", 0, 0, 0, 10, 10},
    }};
    const DialogTemplate broken = {2, "Broken", 0, 100, 100, "MS Sans Serif", 8, kBroken};
    EXPECT_EQ(windows.CreatePage(frame, broken, PageProc, 0), nullptr);
    EXPECT_EQ(Count(WM_INITDIALOG), 0);
    EXPECT_EQ(Count(WM_DESTROY), 1);
    ASSERT_EQ(received_.size(), 1u);
    EXPECT_EQ(windows.Canvas(received_[0].window), nullptr);
}

TEST_F(SimDialogsTest, MessagesToAPageReachItsProcedureAndTheDefaultWhenItDeclines)
{
    const HWND page = MakePage();
    received_.clear();
    NMHDR header = {frame, 0, PSN_SETACTIVE};
    EXPECT_EQ(windows.SendToPage(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header)), FALSE);
    ASSERT_EQ(received_.size(), 1u);
    EXPECT_EQ(reinterpret_cast<const NMHDR*>(received_[0].lParam)->code, PSN_SETACTIVE);

    // Painting is left to the default procedure, which validates the page.
    EXPECT_TRUE(windows.PaintIfInvalid(page));
    EXPECT_FALSE(windows.IsInvalid(page));
    EXPECT_EQ(Count(WM_PAINT), 1);
    EXPECT_EQ(Count(WM_ERASEBKGND), 1);

    EXPECT_EQ(windows.SendToPage(frame, WM_COMMAND, MAKEWPARAM(kButtonId, BN_CLICKED), 0), 0)
        << "the frame has no dialog procedure";
    windows.DestroyWindow(page);
    EXPECT_EQ(Count(WM_DESTROY), 1);
    EXPECT_EQ(windows.SendToPage(page, WM_COMMAND, 0, 0), 0);
    EXPECT_EQ(received_.size(), 4u);
}

TEST_F(SimDialogsTest, TimersFireAtTheirPeriodsInTimeOrder)
{
    const HWND page = MakePage();
    EXPECT_EQ(windows.SetTimer(page, 1, 25), 1u);
    EXPECT_EQ(windows.SetTimer(page, 2, 100), 2u);
    EXPECT_TRUE(windows.TimerRunning(page, 1));
    EXPECT_EQ(windows.TimerPeriod(page, 2), 100u);

    windows.AdvanceTimers(24);
    EXPECT_TRUE(timerIds_.empty());
    windows.AdvanceTimers(1);
    EXPECT_EQ(timerIds_, std::vector<UINT_PTR>{1});
    // 50, 75, 100 (both; the first set first), 125.
    windows.AdvanceTimers(100);
    EXPECT_EQ(timerIds_, (std::vector<UINT_PTR>{1, 1, 1, 1, 2, 1}));
    for (const Received& r : received_) {
        if (r.message == WM_TIMER) {
            EXPECT_EQ(r.window, page);
            EXPECT_EQ(r.lParam, 0);
        }
    }
}

TEST_F(SimDialogsTest, KillStopsATimerAndSettingItAgainRestartsIt)
{
    const HWND page = MakePage();
    windows.SetTimer(page, 7, 50);
    windows.AdvanceTimers(40);
    // The same id again: a new period, counted from now.
    EXPECT_EQ(windows.SetTimer(page, 7, 30), 7u);
    EXPECT_EQ(windows.TimerPeriod(page, 7), 30u);
    windows.AdvanceTimers(29);
    EXPECT_TRUE(timerIds_.empty());
    windows.AdvanceTimers(1);
    EXPECT_EQ(timerIds_.size(), 1u);

    EXPECT_TRUE(windows.KillTimer(page, 7));
    EXPECT_FALSE(windows.TimerRunning(page, 7));
    EXPECT_EQ(windows.TimerPeriod(page, 7), 0u);
    windows.AdvanceTimers(1000);
    EXPECT_EQ(timerIds_.size(), 1u);
    EXPECT_FALSE(windows.KillTimer(page, 7));
    EXPECT_FALSE(windows.KillTimer(page, 8));
    EXPECT_FALSE(windows.KillTimer(frame, 7)) << "timers belong to their window";
}

TEST_F(SimDialogsTest, PeriodsAreClampedAndBadTimersRefused)
{
    const HWND page = MakePage();
    EXPECT_EQ(windows.SetTimer(page, 3, 0), 3u);
    EXPECT_EQ(windows.TimerPeriod(page, 3), 10u) << "USER_TIMER_MINIMUM";
    EXPECT_EQ(windows.SetTimer(page, 4, 0xFFFFFFFFu), 4u);
    EXPECT_EQ(windows.TimerPeriod(page, 4), 0x7FFFFFFFu) << "USER_TIMER_MAXIMUM";
    windows.AdvanceTimers(30);
    EXPECT_EQ(timerIds_, (std::vector<UINT_PTR>{3, 3, 3}));

    EXPECT_EQ(windows.SetTimer(page, 0, 10), 0u);
    const HWND bogus = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1234));
    EXPECT_EQ(windows.SetTimer(bogus, 1, 10), 0u);
    EXPECT_FALSE(windows.TimerRunning(bogus, 1));
    EXPECT_FALSE(windows.KillTimer(bogus, 1));
}

TEST_F(SimDialogsTest, AProcedureMayKillRestartOrDestroyWhileHandlingATick)
{
    const HWND page = MakePage();
    killOnTick_ = 1;
    windows.SetTimer(page, 1, 10);
    windows.AdvanceTimers(1000);
    EXPECT_EQ(timerIds_, std::vector<UINT_PTR>{1}) << "a timer that kills itself fires once";

    // Two timers due together: the first kills the second before its turn.
    timerIds_.clear();
    killOnTick_ = 0;
    killOtherOnTick_ = 6;
    windows.SetTimer(page, 5, 20);
    windows.SetTimer(page, 6, 20);
    windows.AdvanceTimers(20);
    EXPECT_EQ(timerIds_, std::vector<UINT_PTR>{5});
    windows.KillTimer(page, 5);

    // Restarting inside the tick counts the new period from that tick.
    timerIds_.clear();
    killOtherOnTick_ = 0;
    restartOnTick_ = 2;
    windows.SetTimer(page, 2, 10);
    windows.AdvanceTimers(109);
    EXPECT_EQ(timerIds_, std::vector<UINT_PTR>{2}) << "restarted at 10 with 100";
    windows.AdvanceTimers(1);
    EXPECT_EQ(timerIds_, (std::vector<UINT_PTR>{2, 2}));
    EXPECT_EQ(windows.TimerPeriod(page, 2), 100u);

    // The page goes away in the middle of its ticks.
    timerIds_.clear();
    restartOnTick_ = 0;
    destroyOnTick_ = true;
    windows.SetTimer(page, 3, 10);
    windows.AdvanceTimers(500);
    EXPECT_EQ(timerIds_.size(), 1u);
    EXPECT_EQ(windows.Canvas(page), nullptr);
    EXPECT_FALSE(windows.TimerRunning(page, 2)) << "its other timers went with it";
    EXPECT_FALSE(windows.TimerRunning(page, 3));
}

TEST_F(SimDialogsTest, DestroyingTheFrameKillsItsPagesTimers)
{
    const HWND page = MakePage();
    windows.SetTimer(page, 1, 10);
    windows.SetTimer(frame, 1, 10);
    const HWND other = MakePage();
    windows.SetTimer(other, 1, 10);
    windows.DestroyWindow(page);
    EXPECT_FALSE(windows.TimerRunning(page, 1));
    EXPECT_TRUE(windows.TimerRunning(other, 1));
    windows.DestroyWindow(frame);
    EXPECT_FALSE(windows.TimerRunning(other, 1));
    EXPECT_FALSE(windows.TimerRunning(frame, 1));
    windows.AdvanceTimers(100);
    EXPECT_TRUE(timerIds_.empty());
}

TEST_F(SimDialogsTest, ControlTextsAreWrittenAndCounted)
{
    const HWND page = MakePage();
    const HWND status = windows.GetDlgItem(page, kStatusId);
    EXPECT_EQ(windows.TextWriteCount(page, kStatusId), 0) << "the template's text is no write";

    EXPECT_TRUE(windows.SetControlText(page, kStatusId, "Calibrating"));
    EXPECT_EQ(Text(status), "Calibrating");
    EXPECT_TRUE(windows.SetControlText(page, kStatusId, "Calibrating"));
    EXPECT_EQ(windows.TextWriteCount(page, kStatusId), 2) << "an unchanged text written again counts";
    EXPECT_TRUE(windows.SetControlText(page, kStatusId, nullptr));
    EXPECT_EQ(Text(status), "");
    EXPECT_EQ(windows.TextWriteCount(page, kStatusId), 3);
    EXPECT_EQ(windows.TextWriteCount(page, kTitleId), 0) << "counted per control";

    EXPECT_FALSE(windows.SetControlText(page, 4242, "x"));
    EXPECT_FALSE(windows.SetControlText(frame, kStatusId, "x")) << "not a control of the frame";
    EXPECT_EQ(windows.TextWriteCount(page, 4242), 0);
    EXPECT_EQ(windows.TextWriteCount(nullptr, kStatusId), 0);
}

TEST_F(SimDialogsTest, ParentsAndTheDialogsOwnUserWord)
{
    const HWND page = MakePage();
    const HWND status = windows.GetDlgItem(page, kStatusId);
    EXPECT_EQ(windows.ParentWindow(frame), nullptr) << "a top-level window";
    EXPECT_EQ(windows.ParentWindow(status), page);
    EXPECT_EQ(windows.ParentWindow(nullptr), nullptr);

    // A pointer-wide word of its own, beside the controls' GWLP_USERDATA.
    const auto pointer = static_cast<LONG_PTR>(reinterpret_cast<std::intptr_t>(&windows));
    EXPECT_EQ(windows.GetDialogUserData(page), 0);
    EXPECT_EQ(windows.SetDialogUserData(page, pointer), 0);
    EXPECT_EQ(windows.GetDialogUserData(page), pointer);
    EXPECT_EQ(windows.GetUserData(page), 0);
    EXPECT_EQ(windows.SetUserData(page, 9), 0);
    EXPECT_EQ(windows.GetDialogUserData(page), pointer);
    EXPECT_EQ(windows.SetDialogUserData(page, 5), pointer);
    EXPECT_EQ(windows.GetUserData(page), 9);

    // Controls have no dialog word; unknown windows nothing.
    EXPECT_EQ(windows.SetDialogUserData(status, 5), 0);
    EXPECT_EQ(windows.GetDialogUserData(status), 0);
    EXPECT_EQ(windows.SetDialogUserData(nullptr, 5), 0);
    EXPECT_EQ(windows.GetDialogUserData(nullptr), 0);
    windows.DestroyWindow(page);
    EXPECT_EQ(windows.GetDialogUserData(page), 0);
}

} // namespace
} // namespace torvex::testing
