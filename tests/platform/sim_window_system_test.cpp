// The host's window system behaves as user32 and gdi32 do where the
// controls rely on it: classes, creation, ids, user data, invalidation and
// erase, painting, and the life of drawing objects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/sim_window_system.h"

namespace torvex::testing {
namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// Window procedures are plain functions: they reach the system under test
// and record what they saw through these.
SimWindowSystem* system_ = nullptr;
std::vector<UINT> messages_;
BOOL lastErase_ = FALSE;

// Paints a red row at the height kept in the user data.
LRESULT CALLBACK RowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    messages_.push_back(message);
    if (message == WM_CREATE) {
        system_->SetUserData(window, 2);
        return 0;
    }
    if (message != WM_PAINT) {
        return system_->DefaultWindowProc(window, message, wParam, lParam);
    }
    PAINTSTRUCT paint;
    const HDC dc = system_->BeginPaint(window, &paint);
    lastErase_ = paint.fErase;
    const HPEN pen = system_->CreatePen(PS_SOLID, 1, kRed);
    const HGDIOBJ old = system_->SelectObject(dc, pen);
    const int row = system_->GetUserData(window);
    system_->MoveTo(dc, 0, row);
    system_->LineTo(dc, 100, row);
    system_->SelectObject(dc, old);
    system_->DeleteObject(pen);
    system_->EndPaint(window, &paint);
    return 0;
}

LRESULT CALLBACK RefusingProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_CREATE ? -1 : 0;
}

class SimWindowSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        system_ = &windows;
        messages_.clear();
        dialog = windows.CreateDialogWindow(200, 100);
    }
    void TearDown() override { system_ = nullptr; }

    ATOM Register(const char* name, WNDPROC procedure = RowProc, HBRUSH background = nullptr)
    {
        WNDCLASSA windowClass = {};
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = procedure;
        windowClass.hCursor = windows.LoadSystemCursor(IDC_ARROW);
        windowClass.hbrBackground =
            background != nullptr ? background : windows.SystemColorBrush(COLOR_BTNFACE);
        windowClass.lpszClassName = name;
        return windows.RegisterWindowClass(windowClass);
    }

    SimWindowSystem windows;
    HWND dialog = nullptr;
};

TEST_F(SimWindowSystemTest, AClassNameRegistersOnceWhateverItsCase)
{
    const ATOM first = Register("RowControl");
    EXPECT_GE(first, 0xC000);
    EXPECT_EQ(Register("RowControl"), 0);
    EXPECT_EQ(Register("ROWCONTROL"), 0);
    const ATOM other = Register("OtherControl");
    EXPECT_NE(other, 0);
    EXPECT_NE(other, first);
    EXPECT_EQ(Register(nullptr), 0);
    EXPECT_EQ(Register(""), 0);
    EXPECT_NE(windows.LoadSystemCursor(IDC_ARROW), nullptr);
    EXPECT_EQ(windows.LoadSystemCursor("arrow"), nullptr);
}

TEST_F(SimWindowSystemTest, CreationSendsWmCreateAndLeavesTheWindowToBeErasedAndPainted)
{
    Register("rowcontrol");
    const HWND control = windows.CreateControl(dialog, "RowControl", "7", 1012, 20, 10);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(messages_, std::vector<UINT>{WM_CREATE});
    EXPECT_EQ(windows.GetUserData(control), 2);
    EXPECT_TRUE(windows.IsInvalid(control));

    EXPECT_TRUE(windows.PaintIfInvalid(control));
    EXPECT_FALSE(windows.IsInvalid(control));
    EXPECT_FALSE(windows.PaintIfInvalid(control));
    EXPECT_EQ(lastErase_, FALSE); // the erase was done by the default procedure
    const RasterCanvas& canvas = *windows.Canvas(control);
    EXPECT_EQ(canvas.Pixel(0, 0), SimWindowSystem::kButtonFace);
    EXPECT_EQ(canvas.Pixel(19, 9), SimWindowSystem::kButtonFace);
    EXPECT_EQ(canvas.Pixel(19, 2), kRed);

    EXPECT_EQ(windows.CreateControl(dialog, "NoSuchClass", "", 1, 5, 5), nullptr);
    Register("Refusing", RefusingProc);
    EXPECT_EQ(windows.CreateControl(dialog, "Refusing", "", 2, 5, 5), nullptr);
    EXPECT_EQ(windows.GetDlgItem(dialog, 2), nullptr);
}

TEST_F(SimWindowSystemTest, InvalidateRepaintsOverTheOldPictureUnlessErased)
{
    Register("RowControl");
    const HWND control = windows.CreateControl(dialog, "RowControl", "", 1, 20, 10);
    windows.PaintIfInvalid(control);
    const RasterCanvas& canvas = *windows.Canvas(control);

    windows.SetUserData(control, 5);
    EXPECT_TRUE(windows.RedrawWindow(control, RDW_INVALIDATE));
    EXPECT_TRUE(windows.PaintIfInvalid(control));
    EXPECT_EQ(canvas.Pixel(3, 2), kRed) << "the old row stays without an erase";
    EXPECT_EQ(canvas.Pixel(3, 5), kRed);

    windows.SetUserData(control, 7);
    EXPECT_TRUE(windows.RedrawWindow(control, RDW_INVALIDATE | RDW_ERASE));
    EXPECT_TRUE(windows.PaintIfInvalid(control));
    EXPECT_EQ(canvas.Pixel(3, 2), SimWindowSystem::kButtonFace);
    EXPECT_EQ(canvas.Pixel(3, 5), SimWindowSystem::kButtonFace);
    EXPECT_EQ(canvas.Pixel(3, 7), kRed);

    EXPECT_TRUE(windows.RedrawWindow(control, RDW_ERASE)); // nothing invalid: nothing to do
    EXPECT_FALSE(windows.IsInvalid(control));
}

TEST_F(SimWindowSystemTest, ResizeInvalidatesWithEraseAndChangesTheClientArea)
{
    Register("RowControl");
    const HWND control = windows.CreateControl(dialog, "RowControl", "", 1, 20, 10);
    windows.PaintIfInvalid(control);
    windows.Resize(control, 30, 12);
    EXPECT_TRUE(windows.IsInvalid(control));
    RECT client = {};
    ASSERT_TRUE(windows.GetClientRect(control, &client));
    EXPECT_EQ(client.right, 30);
    EXPECT_EQ(client.bottom, 12);
    windows.PaintIfInvalid(control);
    EXPECT_EQ(windows.Canvas(control)->Pixel(29, 11), SimWindowSystem::kButtonFace);
    EXPECT_EQ(windows.Canvas(control)->Pixel(29, 2), kRed);
}

TEST_F(SimWindowSystemTest, ABrushObjectAsClassBackgroundErasesInItsColour)
{
    const HBRUSH green = windows.CreateSolidBrush(RGB(0, 128, 0));
    Register("Green", RowProc, green);
    const HWND control = windows.CreateControl(dialog, "Green", "", 1, 8, 8);
    windows.PaintIfInvalid(control);
    EXPECT_EQ(windows.Canvas(control)->Pixel(0, 0), RGB(0, 128, 0));
}

TEST_F(SimWindowSystemTest, DialogItemsTextsAndClientRects)
{
    Register("RowControl");
    const HWND lamp = windows.CreateControl(dialog, "RowControl", "10", 1000, 15, 16);
    const HWND axes = windows.CreateControl(dialog, "RowControl", "", 1012, 64, 64);
    const HWND otherDialog = windows.CreateDialogWindow(50, 50);
    EXPECT_EQ(windows.GetDlgItem(dialog, 1000), lamp);
    EXPECT_EQ(windows.GetDlgItem(dialog, 1012), axes);
    EXPECT_EQ(windows.GetDlgItem(dialog, 1013), nullptr);
    EXPECT_EQ(windows.GetDlgItem(otherDialog, 1012), nullptr);

    char text[3] = {'x', 'x', 'x'};
    EXPECT_EQ(windows.WindowText(lamp, text, 3), 2);
    EXPECT_STREQ(text, "10");
    EXPECT_EQ(windows.WindowText(lamp, text, 2), 1);
    EXPECT_STREQ(text, "1");
    EXPECT_EQ(windows.WindowText(lamp, text, 0), 0);

    RECT client = {};
    ASSERT_TRUE(windows.GetClientRect(lamp, &client));
    EXPECT_EQ(client.left, 0);
    EXPECT_EQ(client.top, 0);
    EXPECT_EQ(client.right, 15);
    EXPECT_EQ(client.bottom, 16);
    EXPECT_FALSE(windows.GetClientRect(lamp, nullptr));

    EXPECT_EQ(windows.SetUserData(axes, static_cast<LONG>(0x80008000u)), 2);
    EXPECT_EQ(static_cast<DWORD>(windows.GetUserData(axes)), 0x80008000u);

    windows.DestroyWindow(dialog);
    EXPECT_EQ(windows.Canvas(lamp), nullptr) << "children go with their dialog";
}

TEST_F(SimWindowSystemTest, UnknownHandlesGiveNothingAndNeverCrash)
{
    const HWND bogus = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1234));
    const HDC bogusDc = reinterpret_cast<HDC>(static_cast<std::uintptr_t>(0x5678));
    char text[4] = "abc";
    RECT rect = {1, 2, 3, 4};
    PAINTSTRUCT paint = {};
    EXPECT_EQ(windows.GetUserData(bogus), 0);
    EXPECT_EQ(windows.SetUserData(bogus, 5), 0);
    EXPECT_EQ(windows.GetDlgItem(bogus, 1), nullptr);
    EXPECT_FALSE(windows.RedrawWindow(bogus, RDW_INVALIDATE));
    EXPECT_EQ(windows.WindowText(bogus, text, 4), 0);
    EXPECT_STREQ(text, "");
    EXPECT_FALSE(windows.GetClientRect(bogus, &rect));
    EXPECT_EQ(windows.BeginPaint(bogus, &paint), nullptr);
    EXPECT_FALSE(windows.EndPaint(bogus, &paint));
    EXPECT_EQ(windows.DefaultWindowProc(bogus, WM_PAINT, 0, 0), 0);
    EXPECT_FALSE(windows.PaintIfInvalid(bogus));
    EXPECT_EQ(windows.Canvas(bogus), nullptr);
    windows.Resize(bogus, 5, 5);
    windows.DestroyWindow(bogus);

    const HPEN pen = windows.CreatePen(PS_SOLID, 1, kRed);
    EXPECT_EQ(windows.SelectObject(bogusDc, pen), nullptr);
    EXPECT_EQ(windows.SelectObject(nullptr, pen), nullptr);
    EXPECT_FALSE(windows.MoveTo(bogusDc, 0, 0));
    EXPECT_FALSE(windows.LineTo(bogusDc, 1, 1));
    EXPECT_EQ(windows.FillRect(bogusDc, rect, windows.SystemColorBrush(COLOR_BTNFACE)), 0);
    EXPECT_FALSE(windows.Ellipse(bogusDc, 0, 0, 5, 5));
    const POINT points[2] = {{0, 0}, {3, 3}};
    EXPECT_FALSE(windows.Polygon(bogusDc, points, 2));
    EXPECT_EQ(windows.SetTextColor(bogusDc, kRed), CLR_INVALID);
    EXPECT_EQ(windows.SetBkMode(bogusDc, TRANSPARENT), 0);
    EXPECT_EQ(windows.DrawTextInRect(bogusDc, "x", -1, &rect, DT_CENTER), 0);
    EXPECT_FALSE(windows.DeleteObject(reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(0x99))));
    EXPECT_TRUE(windows.DeleteObject(pen));
}

class SimGdiTest : public SimWindowSystemTest {
protected:
    void SetUp() override
    {
        SimWindowSystemTest::SetUp();
        Register("Plain", nullptr);
        window = windows.CreateControl(dialog, "Plain", "", 1, 40, 30);
        dc = windows.BeginPaint(window, &paint);
        ASSERT_NE(dc, nullptr);
    }
    void TearDown() override
    {
        windows.EndPaint(window, &paint);
        SimWindowSystemTest::TearDown();
    }
    const RasterCanvas& Canvas() const { return *windows.Canvas(window); }

    HWND window = nullptr;
    PAINTSTRUCT paint = {};
    HDC dc = nullptr;
};

TEST_F(SimGdiTest, SelectReturnsThePreviousObjectOfItsKind)
{
    const int before = windows.LiveObjectCount();
    const HPEN pen = windows.CreatePen(PS_SOLID, 1, kRed);
    const HBRUSH brush = windows.CreateSolidBrush(kRed);
    EXPECT_EQ(windows.LiveObjectCount(), before + 2);

    const HGDIOBJ defaultPen = windows.SelectObject(dc, pen);
    const HGDIOBJ defaultBrush = windows.SelectObject(dc, brush);
    ASSERT_NE(defaultPen, nullptr);
    ASSERT_NE(defaultBrush, nullptr);
    EXPECT_NE(defaultPen, defaultBrush);
    EXPECT_EQ(windows.SelectObject(dc, defaultPen), pen);
    EXPECT_EQ(windows.SelectObject(dc, pen), defaultPen);

    // Still selected: GDI refuses to delete it and it stays usable.
    EXPECT_FALSE(windows.DeleteObject(pen));
    EXPECT_EQ(windows.LiveObjectCount(), before + 2);
    windows.SelectObject(dc, defaultPen);
    windows.SelectObject(dc, defaultBrush);
    EXPECT_TRUE(windows.DeleteObject(pen));
    EXPECT_TRUE(windows.DeleteObject(brush));
    EXPECT_FALSE(windows.DeleteObject(pen));
    EXPECT_EQ(windows.SelectObject(dc, pen), nullptr);
    EXPECT_EQ(windows.LiveObjectCount(), before);
    EXPECT_TRUE(windows.DeleteObject(defaultPen)) << "stock objects survive a delete";
    EXPECT_EQ(windows.SelectObject(dc, defaultPen), defaultPen);
}

TEST_F(SimGdiTest, DefaultsAreABlackPenAWhiteBrushAndBlackOpaqueText)
{
    windows.MoveTo(dc, 0, 9);
    windows.LineTo(dc, 0, 0);
    windows.LineTo(dc, 9, 0);
    EXPECT_EQ(Canvas().Pixel(0, 9), kBlack);
    EXPECT_EQ(Canvas().Pixel(8, 0), kBlack);
    EXPECT_NE(Canvas().Pixel(9, 0), kBlack);

    windows.Ellipse(dc, 10, 10, 21, 21);
    EXPECT_EQ(Canvas().Pixel(15, 15), kWhite);
    EXPECT_EQ(Canvas().Pixel(10, 15), kBlack);

    RECT box = {22, 0, 40, 16};
    EXPECT_EQ(windows.DrawTextInRect(dc, "8", -1, &box, DT_CENTER), 13);
    int black = 0;
    int white = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 22; x < 40; ++x) {
            black += Canvas().Pixel(x, y) == kBlack;
            white += Canvas().Pixel(x, y) == kWhite;
        }
    }
    EXPECT_GT(black, 0);
    EXPECT_GT(white, 0) << "an opaque background behind the glyphs";
}

TEST_F(SimGdiTest, SelectedObjectsAndTextSettingsDraw)
{
    const HPEN pen = windows.CreatePen(PS_SOLID, 1, kRed);
    const HBRUSH brush = windows.CreateSolidBrush(RGB(0, 0, 255));
    const HGDIOBJ oldPen = windows.SelectObject(dc, pen);
    const HGDIOBJ oldBrush = windows.SelectObject(dc, brush);
    const POINT triangle[3] = {{2, 2}, {20, 2}, {2, 20}};
    EXPECT_TRUE(windows.Polygon(dc, triangle, 3));
    EXPECT_EQ(Canvas().Pixel(2, 2), kRed);
    EXPECT_EQ(Canvas().Pixel(5, 5), RGB(0, 0, 255));
    EXPECT_FALSE(windows.Polygon(dc, triangle, 1));
    EXPECT_FALSE(windows.Polygon(dc, nullptr, 3));

    EXPECT_EQ(windows.FillRect(dc, RECT{30, 20, 32, 22}, brush), 1);
    EXPECT_EQ(Canvas().Pixel(31, 21), RGB(0, 0, 255));
    EXPECT_EQ(Canvas().Pixel(32, 22), SimWindowSystem::kButtonFace);

    EXPECT_EQ(windows.SetTextColor(dc, RGB(202, 202, 202)), kBlack);
    EXPECT_EQ(windows.SetBkMode(dc, TRANSPARENT), OPAQUE);
    RECT box = {20, 10, 40, 26};
    windows.DrawTextInRect(dc, "10xx", 2, &box, DT_CENTER);
    int grey = 0;
    int white = 0;
    for (int y = 10; y < 26; ++y) {
        for (int x = 20; x < 40; ++x) {
            grey += Canvas().Pixel(x, y) == RGB(202, 202, 202);
            white += Canvas().Pixel(x, y) == kWhite;
        }
    }
    EXPECT_GT(grey, 0);
    EXPECT_EQ(white, 0);

    windows.SelectObject(dc, oldPen);
    windows.SelectObject(dc, oldBrush);
    EXPECT_TRUE(windows.DeleteObject(pen));
    EXPECT_TRUE(windows.DeleteObject(brush));
}

TEST_F(SimGdiTest, AReleasedDcDrawsNothingAndFreesItsSelection)
{
    const HPEN pen = windows.CreatePen(PS_SOLID, 1, kRed);
    windows.SelectObject(dc, pen);
    EXPECT_TRUE(windows.EndPaint(window, &paint));
    EXPECT_FALSE(windows.LineTo(dc, 5, 5));
    EXPECT_EQ(windows.SelectObject(dc, pen), nullptr);
    EXPECT_TRUE(windows.DeleteObject(pen));
    dc = windows.BeginPaint(window, &paint); // for TearDown
}

} // namespace
} // namespace torvex::testing
