#include "sheet/effect_page.h"

#include <algorithm>
#include <cmath>

#include "controls/axes_control.h"
#include "sheet/device_access.h"
#include "sheet/page_link.h"

namespace torvex {

namespace {

constexpr LONG kAxisCentre = 32768;
constexpr LONG kAxisMaximum = 65535;
constexpr DWORD kForceAxes[] = {DIJOFS_X, DIJOFS_Y};
constexpr DWORD kForceUpdate = DIEP_DIRECTION | DIEP_TYPESPECIFICPARAMS | DIEP_START;

// The force as the page creates it: endless, full gain, along no direction
// and with no strength until the first tick points it.
HRESULT CreateTestForce(LPDIRECTINPUTDEVICE2A device, LPDIRECTINPUTEFFECT* force)
{
    DWORD axes[2] = {kForceAxes[0], kForceAxes[1]};
    LONG direction[2] = {0, 0};
    DICONSTANTFORCE constant{};
    DIEFFECT effect{};
    effect.dwSize = sizeof(DIEFFECT);
    effect.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
    effect.dwDuration = INFINITE;
    effect.dwSamplePeriod = 0;
    effect.dwGain = 10000;
    effect.dwTriggerButton = DIEB_NOTRIGGER;
    effect.dwTriggerRepeatInterval = 0;
    effect.cAxes = 2;
    effect.rgdwAxes = axes;
    effect.rglDirection = direction;
    effect.lpEnvelope = nullptr;
    effect.cbTypeSpecificParams = sizeof constant;
    effect.lpvTypeSpecificParams = &constant;
    return device->CreateEffect(GUID_ConstantForce, &effect, force, nullptr);
}

std::optional<INT_PTR> InitialiseEffectPage(SheetModule& module, HWND page, LPARAM initParam)
{
    WheelPropSheet* sheet = AttachSheet(module, page, initParam);
    if (sheet == nullptr)
        return TRUE;
    sheet->effectPage = {};
    if (FAILED(OpenSheetDevice(module, module.ports.dialogs->ParentWindow(page), sheet)))
        return TRUE;
    sheet->GetDevice(&sheet->effectPage.device);
    return std::nullopt;
}

void ActivateEffectPage(SheetModule& module, HWND page)
{
    WheelPropSheet* sheet = PageSheet(module, page);
    if (sheet == nullptr)
        return;
    sheet->GetDevice(&sheet->effectPage.device);
    StartTestForce(module, page, sheet->effectPage);
}

void DeactivateEffectPage(SheetModule& module, HWND page)
{
    WheelPropSheet* sheet = PageSheet(module, page);
    if (sheet == nullptr)
        return;
    if (sheet->effectPage.device != nullptr)
        sheet->effectPage.device->Unacquire();
    ReleaseTestForce(sheet->effectPage);
}

} // namespace

LONG AxisDisplacement(LONG axis)
{
    const LONG clamped = std::clamp(axis, LONG{0}, kAxisMaximum);
    return static_cast<LONG>(static_cast<double>(clamped - kAxisCentre) * kAxisToForce);
}

void StartTestForce(SheetModule& module, HWND page, EffectPageState& state)
{
    // Without a device there is nothing to play; the ticks say so.
    if (state.device == nullptr)
        return;
    ReleaseTestForce(state);
    if (FAILED(CreateTestForce(state.device, &state.testForce)) || state.testForce == nullptr) {
        state.testForce = nullptr;
        module.ports.dialogs->KillTimer(page, kEffectPageTimer);
        return;
    }
    state.testForce->Start(1, 0);
}

void SetTestForce(LPDIRECTINPUTEFFECT force, LONG a, LONG b)
{
    LONG direction[2] = {a, b};
    DICONSTANTFORCE constant{};
    constant.lMagnitude =
        static_cast<LONG>(std::sqrt(static_cast<double>(a) * a + static_cast<double>(b) * b));
    DIEFFECT effect{};
    effect.dwSize = sizeof(DIEFFECT);
    effect.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
    effect.cAxes = 2;
    effect.rglDirection = direction;
    effect.lpEnvelope = nullptr;
    effect.cbTypeSpecificParams = sizeof constant;
    effect.lpvTypeSpecificParams = &constant;
    force->SetParameters(&effect, kForceUpdate); // a refused update is tried again next tick
}

void ReleaseTestForce(EffectPageState& state)
{
    if (state.testForce == nullptr)
        return;
    state.testForce->Release();
    state.testForce = nullptr;
}

HRESULT PollEffectDevice(SheetModule& module, HWND page)
{
    WheelPropSheet* sheet = PageSheet(module, page);
    if (sheet == nullptr)
        return E_POINTER;
    EffectPageState& state = sheet->effectPage;
    const LPDIRECTINPUTDEVICE2A device =
        AcquireForTick(module, page, kEffectStatusControl, *sheet, state.shownStatus);
    DIJOYSTATE now{};
    if (device == nullptr || !ReadJoystickState(device, &now))
        return S_OK;

    const LONG x = AxisDisplacement(now.lX);
    const LONG y = AxisDisplacement(now.lY);
    if (state.testForce != nullptr)
        SetTestForce(state.testForce, std::abs(x), std::abs(y));
    if (x != state.lastX || y != state.lastY)
        SetAxesValue(page, kEffectRumbleControl, x, y);
    state.lastX = x;
    state.lastY = y;
    return S_OK;
}

INT_PTR CALLBACK EffectPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    static constexpr PageBehaviour kEffectPage{.timerId = kEffectPageTimer,
                                               .initialise = InitialiseEffectPage,
                                               .activate = ActivateEffectPage,
                                               .deactivate = DeactivateEffectPage,
                                               .poll = PollEffectDevice,
                                               .command = nullptr};
    return RunPage(kEffectPage, page, message, wParam, lParam);
}

} // namespace torvex
