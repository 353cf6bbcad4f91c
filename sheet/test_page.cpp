#include "sheet/test_page.h"

#include "controls/axes_control.h"
#include "controls/lamp_control.h"
#include "controls/pov_control.h"
#include "sheet/device_access.h"
#include "sheet/page_link.h"

namespace torvex {

namespace {

std::optional<INT_PTR> InitialiseTestPage(SheetModule& module, HWND page, LPARAM initParam)
{
    WheelPropSheet* sheet = AttachSheet(module, page, initParam);
    if (sheet == nullptr)
        return TRUE;
    sheet->testPage = {};
    if (FAILED(OpenSheetDevice(module, module.ports.dialogs->ParentWindow(page), sheet)))
        return TRUE;
    for (int lamp = 0; lamp < kTestPageLamps; ++lamp)
        SetLampColor(page, kFirstLampControl + lamp, kLampReleased);
    return std::nullopt;
}

} // namespace

HRESULT PollTestDevice(SheetModule& module, HWND page)
{
    WheelPropSheet* sheet = PageSheet(module, page);
    if (sheet == nullptr)
        return E_POINTER;
    TestPageState& state = sheet->testPage;
    const LPDIRECTINPUTDEVICE2A device =
        AcquireForTick(module, page, kTestStatusControl, *sheet, state.shownStatus);
    DIJOYSTATE now{};
    if (device == nullptr || !ReadJoystickState(device, &now))
        return S_OK;

    const DIJOYSTATE& last = state.lastState;
    for (int button = 0; button < kTestPageLamps; ++button)
        if (now.rgbButtons[button] != last.rgbButtons[button])
            SetLampColor(page, kFirstLampControl + button,
                         now.rgbButtons[button] != 0 ? kLampPressed : kLampReleased);
    if (now.lX != last.lX || now.lY != last.lY)
        SetAxesValue(page, kTestAxesControl, now.lX, now.lY);
    if (now.rgdwPOV[0] != last.rgdwPOV[0])
        SetPovValue(page, kTestPovControl, now.rgdwPOV[0], kPovArrowLength, kPovArrowLength);
    state.lastState = now;
    return S_OK;
}

INT_PTR CALLBACK TestPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    static constexpr PageBehaviour kTestPage{.timerId = kTestPageTimer,
                                             .initialise = InitialiseTestPage,
                                             .activate = nullptr,
                                             .deactivate = nullptr,
                                             .poll = PollTestDevice,
                                             .command = nullptr};
    return RunPage(kTestPage, page, message, wParam, lParam);
}

} // namespace torvex
