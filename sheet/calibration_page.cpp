#include "sheet/calibration_page.h"

#include "common/format_text.h"
#include "controls/axes_control.h"
#include "sheet/calibration_store.h"
#include "sheet/device_access.h"
#include "sheet/page_link.h"

namespace torvex {

namespace {

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

// TRUE when there is no device, FALSE when the joystick's configuration
// cannot be read.
std::optional<INT_PTR> InitialiseCalibrationPage(SheetModule& module, HWND page, LPARAM initParam)
{
    WheelPropSheet* sheet = AttachSheet(module, page, initParam);
    if (sheet == nullptr)
        return TRUE;
    CalibrationPageState& state = sheet->calibrationPage;
    state = {};
    if (FAILED(OpenSheetDevice(module, module.ports.dialogs->ParentWindow(page), sheet)))
        return TRUE;

    LPDIRECTINPUTJOYCONFIG joyConfig = nullptr;
    sheet->GetJoyConfig(&joyConfig);
    if (joyConfig == nullptr)
        return FALSE;
    joyConfig->Acquire();
    state.CalibrationConfig.dwSize = sizeof(DIJOYCONFIG_DX5);
    const HRESULT read =
        joyConfig->GetConfig(SignedJoystickId(*sheet),
                             reinterpret_cast<LPDIJOYCONFIG>(&state.CalibrationConfig), DIJC_REGHWCONFIGTYPE);
    joyConfig->Unacquire();
    if (read != S_OK)
        return FALSE;
    state.configRead = true;
    SetAllRanges(state, kCalibrationMiddle, kCalibrationMiddle, kCalibrationMiddle);
    return std::nullopt;
}

// "Set" and "Default": store, then have DirectInput take the new values up.
// Without the joystick's configuration there is nothing sound to store: on
// Windows 98/Me the record is the joystick's whole hardware configuration,
// and storing an unread one would overwrite it with zeros. The ranges
// recorded so far are kept then; the device is reopened all the same, as
// after every press.
void StoreCalibration(SheetModule& module, HWND page, bool fullRange)
{
    WheelPropSheet* sheet = PageSheet(module, page);
    if (sheet == nullptr)
        return;
    CalibrationPageState& state = sheet->calibrationPage;
    if (state.configRead) {
        if (fullRange)
            SetAllRanges(state, kCalibrationFullMinimum, kCalibrationMiddle, kCalibrationFullMaximum);
        SaveCalibration(*module.ports.registry, *module.ports.version, state.CalibrationConfig, sheet);
    }
    ReopenSheetDevice(module, module.ports.dialogs->ParentWindow(page), sheet);
}

void CalibrationCommand(SheetModule& module, HWND page, WPARAM wParam)
{
    if (HIWORD(wParam) != BN_CLICKED)
        return;
    if (LOWORD(wParam) == kDefaultButton)
        StoreCalibration(module, page, true);
    else if (LOWORD(wParam) == kSetButton)
        StoreCalibration(module, page, false);
}

void ShowAxisNumber(SheetModule& module, HWND page, int control, LONG axisValue)
{
    char text[16];
    FormatText(text, sizeof text, "%d", static_cast<int>(axisValue / 256));
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
    static constexpr PageBehaviour kCalibrationPage{.timerId = kCalibrationPageTimer,
                                                    .initialise = InitialiseCalibrationPage,
                                                    .activate = nullptr,
                                                    .deactivate = nullptr,
                                                    .poll = PollCalibrationDevice,
                                                    .command = CalibrationCommand};
    return RunPage(kCalibrationPage, page, message, wParam, lParam);
}

} // namespace torvex
