#include "sheet/calibration_page.h"

#include <cstdio>

#include "controls/axes_control.h"
#include "sheet/calibration_store.h"
#include "sheet/device_access.h"
#include "sheet/page_link.h"

namespace torvex {

namespace {

enum class Initialisation { kDone, kNoDevice, kNoConfiguration };

// The four recorded axes: where each reads in DIJOYSTATE and where its
// range lives in JOYPOS.
struct RecordedAxis {
    LONG DIJOYSTATE::*value;
    DWORD JOYPOS::*position;
};
constexpr RecordedAxis kRecordedAxes[] = {
    {&DIJOYSTATE::lX, &JOYPOS::dwX},
    {&DIJOYSTATE::lY, &JOYPOS::dwY},
    {&DIJOYSTATE::lZ, &JOYPOS::dwZ},
    {&DIJOYSTATE::lRz, &JOYPOS::dwR},
};

JOYRANGE& Ranges(CalibrationPageState& state)
{
    return state.CalibrationConfig.hwc.hwv.jrvHardware;
}

void SetAllRanges(CalibrationPageState& state, DWORD minimum, DWORD centre, DWORD maximum)
{
    JOYRANGE& range = Ranges(state);
    for (const RecordedAxis& axis : kRecordedAxes) {
        range.jpMin.*axis.position = minimum;
        range.jpCenter.*axis.position = centre;
        range.jpMax.*axis.position = maximum;
    }
}

DWORD RecordedValue(LONG axisValue)
{
    return static_cast<DWORD>(axisValue >> 8);
}

Initialisation InitialiseCalibrationPage(SheetModule& module, HWND page, LPARAM initParam)
{
    WheelPropSheet* sheet = AttachSheet(module, page, initParam);
    if (sheet == nullptr)
        return Initialisation::kNoDevice;
    CalibrationPageState& state = sheet->calibrationPage;
    state = {};
    if (FAILED(OpenSheetDevice(module, module.ports.dialogs->ParentWindow(page), sheet)))
        return Initialisation::kNoDevice;

    LPDIRECTINPUTJOYCONFIG joyConfig = nullptr;
    sheet->GetJoyConfig(&joyConfig);
    if (joyConfig == nullptr)
        return Initialisation::kNoConfiguration;
    joyConfig->Acquire();
    state.CalibrationConfig.dwSize = sizeof(DIJOYCONFIG_DX5);
    const HRESULT read =
        joyConfig->GetConfig(SignedJoystickId(*sheet),
                             reinterpret_cast<LPDIJOYCONFIG>(&state.CalibrationConfig), DIJC_REGHWCONFIGTYPE);
    joyConfig->Unacquire();
    if (read != S_OK)
        return Initialisation::kNoConfiguration;
    state.configRead = true;
    SetAllRanges(state, kCalibrationMiddle, kCalibrationMiddle, kCalibrationMiddle);
    return Initialisation::kDone;
}

// "Set" and "Default": store, then have DirectInput take the new values up.
// Without the joystick's configuration there is nothing sound to store: on
// Windows 98/Me the record is the joystick's whole hardware configuration,
// and storing an unread one would overwrite it with zeros.
void StoreCalibration(SheetModule& module, HWND page, bool fullRange)
{
    WheelPropSheet* sheet = PageSheet(module, page);
    if (sheet == nullptr || !sheet->calibrationPage.configRead)
        return;
    CalibrationPageState& state = sheet->calibrationPage;
    if (fullRange)
        SetAllRanges(state, kCalibrationFullMinimum, kCalibrationMiddle, kCalibrationFullMaximum);
    SaveCalibration(*module.ports.registry, *module.ports.version, state.CalibrationConfig, sheet);
    ReopenSheetDevice(module, module.ports.dialogs->ParentWindow(page), sheet);
}

void ShowAxisNumber(SheetModule& module, HWND page, int control, LONG axisValue)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(axisValue / 256));
    module.ports.dialogs->SetControlText(page, control, text);
}

} // namespace

HRESULT PollCalibrationDevice(SheetModule& module, HWND page)
{
    WheelPropSheet* sheet = PageSheet(module, page);
    if (sheet == nullptr)
        return E_POINTER;
    CalibrationPageState& state = sheet->calibrationPage;
    const LPDIRECTINPUTDEVICE2A device =
        AcquireForTick(module, page, kCalibrationStatusControl, *sheet, state.CalibrationLinkState);
    DIJOYSTATE now{};
    if (device == nullptr || !ReadJoystickState(device, &now))
        return S_OK;

    if (now.lX != state.lastState.lX || now.lY != state.lastState.lY)
        SetAxesValue(page, kCalibrationAxesControl, now.lX, now.lY);
    JOYRANGE& range = Ranges(state);
    {
        const CriticalSectionGuard guard(*module.ports.deviceOpenLock);
        for (const RecordedAxis& axis : kRecordedAxes) {
            const DWORD value = RecordedValue(now.*axis.value);
            if (value < range.jpMin.*axis.position)
                range.jpMin.*axis.position = value;
            if (value > range.jpMax.*axis.position)
                range.jpMax.*axis.position = value;
        }
    }
    for (const RecordedAxis& axis : kRecordedAxes)
        range.jpCenter.*axis.position = RecordedValue(now.*axis.value);
    ShowAxisNumber(module, page, kCalibrationXText, now.lX);
    ShowAxisNumber(module, page, kCalibrationYText, now.lY);
    state.lastState = now;
    return S_OK;
}

INT_PTR CALLBACK CalibrationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    SheetModule& module = PageModule();
    DialogPort& dialogs = *module.ports.dialogs;
    switch (message) {
    case WM_INITDIALOG:
        switch (InitialiseCalibrationPage(module, page, lParam)) {
        case Initialisation::kNoDevice:
            return TRUE;
        case Initialisation::kNoConfiguration:
            return FALSE;
        case Initialisation::kDone:
            break;
        }
        break;
    case WM_NOTIFY:
        if (NotifyCode(lParam) == PSN_SETACTIVE)
            dialogs.SetTimer(page, kCalibrationPageTimer, kPagePollPeriodMs);
        else if (NotifyCode(lParam) == PSN_KILLACTIVE)
            dialogs.KillTimer(page, kCalibrationPageTimer);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == kDefaultButton)
            StoreCalibration(module, page, true);
        else if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == kSetButton)
            StoreCalibration(module, page, false);
        break;
    case WM_TIMER:
        PollCalibrationDevice(module, page);
        break;
    default:
        break;
    }
    return module.ports.windows->DefaultWindowProc(page, message, wParam, lParam);
}

} // namespace torvex
