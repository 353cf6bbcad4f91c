#include "sheet/test_page.h"

#include "controls/axes_control.h"
#include "controls/lamp_control.h"
#include "controls/pov_control.h"
#include "sheet/device_access.h"
#include "sheet/page_link.h"

namespace torvex {

namespace {

// False when the page has no device to show.
bool InitialiseTestPage(SheetModule& module, HWND page, LPARAM initParam)
{
    WheelPropSheet* sheet = AttachSheet(module, page, initParam);
    if (sheet == nullptr)
        return false;
    sheet->testPage = {};
    if (FAILED(OpenSheetDevice(module, module.ports.dialogs->ParentWindow(page), sheet)))
        return false;
    for (int lamp = 0; lamp < kTestPageLamps; ++lamp)
        SetLampColor(page, kFirstLampControl + lamp, kLampReleased);
    return true;
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
    SheetModule& module = PageModule();
    DialogPort& dialogs = *module.ports.dialogs;
    switch (message) {
    case WM_INITDIALOG:
        if (!InitialiseTestPage(module, page, lParam))
            return TRUE;
        break;
    case WM_NOTIFY:
        if (NotifyCode(lParam) == PSN_SETACTIVE)
            dialogs.SetTimer(page, kTestPageTimer, kPagePollPeriodMs);
        else if (NotifyCode(lParam) == PSN_KILLACTIVE)
            dialogs.KillTimer(page, kTestPageTimer);
        return TRUE;
    case WM_TIMER:
        PollTestDevice(module, page);
        break;
    default:
        break;
    }
    return module.ports.windows->DefaultWindowProc(page, message, wParam, lParam);
}

} // namespace torvex
