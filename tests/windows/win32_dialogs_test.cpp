// The pages' dialog services through user32 under Wine: a real child
// dialog made from a template built in memory, as the property sheet makes
// its pages, inside a top-level frame. Real windows need a display (Xvfb in
// the test command); without one the cases are skipped.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/sim_window_system.h"
#include "platform/win32/win32_dialogs.h"
#include "platform/win32/win32_window_system.h"

namespace torvex::testing {
namespace {

constexpr WORD kStatusId = 1002;
constexpr WORD kMissingId = 4242;
constexpr WORD kStaticAtom = 0x0082;
constexpr short kStatusWidth = 198;
constexpr short kStatusHeight = 9;
constexpr short kPageWidth = 212;
constexpr short kPageHeight = 188;
constexpr UINT_PTR kTimerId = 7;
constexpr UINT kPeriodMs = 20;
// Wine's timers are exact enough on an idle machine; the bounds leave room
// for a loaded one.
constexpr DWORD kGenerousMs = 5000;
constexpr DWORD kQuietMs = 300;

// A DLGTEMPLATE with one static control, laid out as the resource compiler
// writes it: words, strings in UTF-16, each item on a DWORD boundary.
class TemplateBuilder {
public:
    TemplateBuilder()
    {
        Long(WS_CHILD | DS_CONTROL | DS_SETFONT);
        Long(0); // extended style
        Word(1); // one control
        Word(0); // x
        Word(0); // y
        Word(kPageWidth);
        Word(kPageHeight);
        Word(0); // no menu
        Word(0); // the dialog class
        Text("Test");
        Word(8);
        Text("MS Sans Serif");
        Align();
        Long(WS_CHILD | WS_VISIBLE | SS_LEFT);
        Long(0);
        Word(7);
        Word(20);
        Word(static_cast<WORD>(kStatusWidth));
        Word(static_cast<WORD>(kStatusHeight));
        Word(kStatusId);
        Word(0xFFFF); // a system class by atom
        Word(kStaticAtom);
        Text("Ready");
        Word(0); // no creation data
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void Word(WORD value) { words_.push_back(value); }
    void Long(DWORD value)
    {
        Word(static_cast<WORD>(value & 0xFFFFu));
        Word(static_cast<WORD>(value >> 16));
    }
    void Text(const char* ascii)
    {
        for (const char* c = ascii; *c != '\0'; ++c) {
            Word(static_cast<WORD>(static_cast<unsigned char>(*c)));
        }
        Word(0);
    }
    void Align()
    {
        if (words_.size() % 2 != 0) {
            Word(0);
        }
    }

    std::vector<WORD> words_; // the vector's storage is DWORD-aligned
};

// What the page's procedure saw.
LPARAM initParam_ = 0;
int ticks_ = 0;

INT_PTR CALLBACK PageProc(HWND, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        initParam_ = lParam;
        return TRUE;
    case WM_TIMER:
        ticks_ += wParam == kTimerId;
        return TRUE;
    default:
        return FALSE;
    }
}

// Dispatches this thread's messages until `done` says so or `ms` pass;
// whether `done` came true.
template <typename Done> bool PumpUntil(Done done, DWORD ms)
{
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > ms) {
            return false;
        }
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void Pump(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

class Win32DialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static const bool registered = [] {
            WNDCLASSA frame = {};
            frame.lpfnWndProc = ::DefWindowProcA;
            frame.hInstance = ::GetModuleHandleA(nullptr);
            frame.lpszClassName = "TorvexDialogsTestFrame";
            return ::RegisterClassA(&frame) != 0;
        }();
        ASSERT_TRUE(registered);
        frame_ = ::CreateWindowExA(0, "TorvexDialogsTestFrame", "frame", WS_POPUP, 0, 0, 400, 400, nullptr,
                                   nullptr, ::GetModuleHandleA(nullptr), nullptr);
        if (frame_ == nullptr) {
            GTEST_SKIP() << "no display: user32 makes no windows";
        }
        initParam_ = 0;
        ticks_ = 0;
        page_ = ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr), builder_.get(), frame_, PageProc,
                                             0x5A17);
        ASSERT_NE(page_, nullptr) << ::GetLastError();
    }
    void TearDown() override
    {
        if (frame_ != nullptr) {
            ::DestroyWindow(frame_); // and the page
        }
    }

    TemplateBuilder builder_;
    Win32Dialogs dialogs_;
    HWND frame_ = nullptr;
    HWND page_ = nullptr;
};

TEST_F(Win32DialogsTest, ThePageKnowsItsFrameAndItsInitParam)
{
    EXPECT_EQ(initParam_, 0x5A17);
    EXPECT_EQ(dialogs_.ParentWindow(page_), frame_);
    EXPECT_EQ(dialogs_.ParentWindow(frame_), nullptr) << "a top-level window without owner";
    const HWND status = ::GetDlgItem(page_, kStatusId);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(dialogs_.ParentWindow(status), page_);
}

TEST_F(Win32DialogsTest, ControlTextsAreWrittenAsTheSimulationWritesThem)
{
    EXPECT_TRUE(dialogs_.SetControlText(page_, kStatusId, "Calibrating"));
    char text[32] = {};
    EXPECT_EQ(::GetDlgItemTextA(page_, kStatusId, text, sizeof text), 11u);
    EXPECT_STREQ(text, "Calibrating");
    EXPECT_TRUE(dialogs_.SetControlText(page_, kStatusId, nullptr));
    EXPECT_EQ(::GetDlgItemTextA(page_, kStatusId, text, sizeof text), 0u);
    EXPECT_FALSE(dialogs_.SetControlText(page_, kMissingId, "x"));
    EXPECT_FALSE(dialogs_.SetControlText(frame_, kStatusId, "x"));
}

TEST_F(Win32DialogsTest, TheDialogWordIsPointerWideAndApartFromTheUserData)
{
    Win32WindowSystem windows;
    const auto pointer = static_cast<LONG_PTR>(reinterpret_cast<std::intptr_t>(&dialogs_));
    EXPECT_EQ(dialogs_.GetDialogUserData(page_), 0);
    EXPECT_EQ(dialogs_.SetDialogUserData(page_, pointer), 0);
    EXPECT_EQ(dialogs_.GetDialogUserData(page_), pointer);
    EXPECT_EQ(windows.SetUserData(page_, 9), 0);
    EXPECT_EQ(dialogs_.GetDialogUserData(page_), pointer);
    EXPECT_EQ(dialogs_.SetDialogUserData(page_, 5), pointer);
    EXPECT_EQ(windows.GetUserData(page_), 9);

    // A window without the dialog's extra bytes has no such word, as the
    // simulation's controls and frames have none.
    EXPECT_EQ(dialogs_.SetDialogUserData(frame_, 5), 0);
    EXPECT_EQ(dialogs_.GetDialogUserData(frame_), 0);
}

TEST_F(Win32DialogsTest, ATimerTicksUntilKilledAndRestartsWhenSetAgain)
{
    ASSERT_EQ(dialogs_.SetTimer(page_, kTimerId, kPeriodMs), kTimerId);
    EXPECT_TRUE(PumpUntil([] { return ticks_ >= 3; }, kGenerousMs)) << ticks_ << " ticks";

    EXPECT_TRUE(dialogs_.KillTimer(page_, kTimerId));
    ticks_ = 0;
    Pump(kQuietMs);
    EXPECT_EQ(ticks_, 0);
    EXPECT_FALSE(dialogs_.KillTimer(page_, kTimerId));
    EXPECT_FALSE(dialogs_.KillTimer(page_, kTimerId + 1));

    // Set again with a long period, the running timer starts over.
    ASSERT_EQ(dialogs_.SetTimer(page_, kTimerId, kPeriodMs), kTimerId);
    ASSERT_EQ(dialogs_.SetTimer(page_, kTimerId, 60 * 1000), kTimerId);
    Pump(kQuietMs);
    EXPECT_EQ(ticks_, 0);
    EXPECT_TRUE(dialogs_.KillTimer(page_, kTimerId));

    const HWND gone = page_;
    ::DestroyWindow(page_);
    EXPECT_EQ(dialogs_.SetTimer(gone, kTimerId, kPeriodMs), 0u);
}

TEST_F(Win32DialogsTest, TheSimulationSizesTemplatesAsUser32DoesButForWinesWiderFont)
{
    // Heights agree. Wine's stand-in for 8-point MS Sans Serif averages 7
    // pixels a character where Windows' own averages 6, which the
    // simulation keeps: Wine's pages are wider by 7/6.
    constexpr int kWineBaseX = 7;
    RECT page = {0, 0, kPageWidth, kPageHeight};
    ASSERT_TRUE(::MapDialogRect(page_, &page));
    RECT status = {0, 0, kStatusWidth, kStatusHeight};
    ASSERT_TRUE(::MapDialogRect(page_, &status));

    SimWindowSystem sim;
    const DialogControlTemplate control = {"Ready", kStatusId, "STATIC",     0,
                                           7,       20,        kStatusWidth, kStatusHeight};
    const DialogTemplate simTemplate = {1,           "Test",          0, kPageWidth,
                                        kPageHeight, "MS Sans Serif", 8, {&control, 1}};
    const HWND simPage = sim.CreatePage(sim.CreateDialogWindow(400, 400), simTemplate, nullptr, 0);
    RECT simPageRect = {};
    RECT simStatusRect = {};
    ASSERT_TRUE(sim.GetClientRect(simPage, &simPageRect));
    ASSERT_TRUE(sim.GetClientRect(sim.GetDlgItem(simPage, kStatusId), &simStatusRect));
    EXPECT_EQ(simPageRect.bottom, page.bottom);
    EXPECT_EQ(simStatusRect.bottom, status.bottom);
    EXPECT_EQ(page.right, ::MulDiv(kPageWidth, kWineBaseX, 4));
    EXPECT_EQ(status.right, ::MulDiv(kStatusWidth, kWineBaseX, 4));
    EXPECT_EQ(simPageRect.right, ::MulDiv(kPageWidth, SimWindowSystem::kDialogBaseX, 4));
    EXPECT_EQ(simStatusRect.right, ::MulDiv(kStatusWidth, SimWindowSystem::kDialogBaseX, 4));
}

} // namespace
} // namespace torvex::testing
