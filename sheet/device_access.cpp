#include "sheet/device_access.h"

#include "platform/memory_probe.h"

namespace torvex {

namespace {

constexpr DWORD kDirectInputVersion = 0x0500;
constexpr DWORD kSheetCooperation = DISCL_EXCLUSIVE | DISCL_BACKGROUND;
constexpr DWORD kDeadZoneAxes[] = {DIJOFS_X, DIJOFS_Y, DIJOFS_Z, DIJOFS_RZ};

template <class T> bool IsUsable(T* pointer, std::size_t size)
{
    return IsReadableBlock(pointer, size) && IsWritableBlock(pointer, size);
}

void SetDeadZones(LPDIRECTINPUTDEVICE2A device)
{
    for (const DWORD axis : kDeadZoneAxes) {
        DIPROPDWORD property{};
        property.diph.dwSize = sizeof(DIPROPDWORD);
        property.diph.dwHeaderSize = sizeof(DIPROPHEADER);
        property.diph.dwObj = axis;
        property.diph.dwHow = DIPH_BYOFFSET;
        property.dwData = kAxisDeadZone;
        device->SetProperty(DIPROP_DEADZONE, &property.diph); // a wheel without dead zones still works
    }
}

// The one routine behind both opening operations. A reopen gives up what
// the sheet holds and always makes both anew; each interface it releases is
// cleared from the sheet at once, so a later failure leaves the sheet
// without it rather than holding a released one.
HRESULT OpenDevice(SheetModule& module, HWND sheetWindow, IDIGameCntrlPropSheet* sheet, bool reopen)
{
    const CriticalSectionGuard guard(*module.ports.deviceOpenLock);
    if (!IsUsable(static_cast<WheelPropSheet*>(sheet), sizeof(WheelPropSheet)))
        return E_POINTER;

    LPDIRECTINPUTDEVICE2A device = nullptr;
    LPDIRECTINPUTJOYCONFIG joyConfig = nullptr;
    sheet->GetDevice(&device);
    sheet->GetJoyConfig(&joyConfig);
    if (!reopen && device != nullptr && joyConfig != nullptr)
        return S_FALSE;

    LPDIRECTINPUTA directInput = nullptr;
    HRESULT result = module.ports.directInput->CreateDirectInput(module.ModuleInstance, kDirectInputVersion,
                                                                 &directInput, nullptr);
    if (FAILED(result) || directInput == nullptr)
        return FAILED(result) ? result : E_FAIL;

    if (reopen && joyConfig != nullptr) {
        joyConfig->Release();
        joyConfig = nullptr;
        sheet->SetJoyConfig(nullptr);
    }
    if (joyConfig == nullptr) {
        result = directInput->QueryInterface(IID_IDirectInputJoyConfig, reinterpret_cast<void**>(&joyConfig));
        if (FAILED(result)) {
            directInput->Release();
            return result;
        }
        sheet->SetJoyConfig(joyConfig);
    }
    if (reopen && device != nullptr) {
        device->Unacquire();
        device->Release();
        device = nullptr;
        sheet->SetDevice(nullptr);
    }

    if (device != nullptr) {
        result = S_FALSE;
    } else if (joyConfig == nullptr) {
        result = E_FAIL;
    } else {
        result = CreateJoystickDevice(sheet->GetID(), sheetWindow, directInput, joyConfig, &device);
        if (SUCCEEDED(result)) {
            SetDeadZones(device);
            sheet->SetDevice(device);
        }
    }
    directInput->Release();
    return result;
}

} // namespace

HRESULT CreateJoystickDevice(USHORT joystickId, HWND sheetWindow, LPDIRECTINPUTA directInput,
                             LPDIRECTINPUTJOYCONFIG joyConfig, LPDIRECTINPUTDEVICE2A* device)
{
    if (!IsUsable(directInput, 4) || !IsUsable(joyConfig, 4) || !IsUsable(device, 4))
        return E_POINTER;
    *device = nullptr;

    DIJOYCONFIG_DX5 config{};
    config.dwSize = sizeof config;
    const UINT signedId = static_cast<UINT>(static_cast<LONG>(static_cast<SHORT>(joystickId)));
    HRESULT result =
        joyConfig->GetConfig(signedId, reinterpret_cast<LPDIJOYCONFIG>(&config), DIJC_GUIDINSTANCE);
    if (FAILED(result))
        return result;

    LPDIRECTINPUTDEVICEA first = nullptr;
    result = directInput->CreateDevice(config.guidInstance, &first, nullptr);
    if (FAILED(result) || first == nullptr)
        return FAILED(result) ? result : E_FAIL;
    LPDIRECTINPUTDEVICE2A created = nullptr;
    result = first->QueryInterface(IID_IDirectInputDevice2A, reinterpret_cast<void**>(&created));
    first->Release();
    if (FAILED(result) || created == nullptr)
        return FAILED(result) ? result : E_FAIL;

    result = created->SetDataFormat(&c_dfDIJoystick);
    if (SUCCEEDED(result))
        result = created->SetCooperativeLevel(sheetWindow, kSheetCooperation);
    // A device that cannot be set up is not handed out half made.
    if (FAILED(result)) {
        created->Release();
        return result;
    }
    *device = created;
    return result;
}

HRESULT OpenSheetDevice(SheetModule& module, HWND sheetWindow, IDIGameCntrlPropSheet* sheet)
{
    return OpenDevice(module, sheetWindow, sheet, false);
}

HRESULT ReopenSheetDevice(SheetModule& module, HWND sheetWindow, IDIGameCntrlPropSheet* sheet)
{
    return OpenDevice(module, sheetWindow, sheet, true);
}

} // namespace torvex
