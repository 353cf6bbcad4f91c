#include "sheet/page_link.h"

#include <cstddef>

#include "platform/memory_probe.h"

namespace torvex {

namespace {

SheetModule* pageModule = nullptr;

void ShowStatus(SheetModule& module, HWND page, int statusControl, LinkStatus status, LinkStatus& shown)
{
    if (shown == status)
        return;
    module.ports.dialogs->SetControlText(
        page, statusControl, status == LinkStatus::kConnected ? kConnectedText : kNotRespondingText);
    shown = status;
}

} // namespace

void UsePageModule(SheetModule* module)
{
    pageModule = module;
}

SheetModule& PageModule()
{
    return *pageModule;
}

WheelPropSheet* AttachSheet(SheetModule& module, HWND page, LPARAM initParam)
{
    const auto* record = reinterpret_cast<const PROPSHEETPAGEA*>(initParam);
    // Every version of the page record has lParam at the same place.
    if (!IsReadableBlock(record, offsetof(PROPSHEETPAGEA, lParam) + sizeof(LPARAM)))
        return nullptr;
    auto* sheet = static_cast<WheelPropSheet*>(reinterpret_cast<IDIGameCntrlPropSheet*>(record->lParam));
    module.ports.dialogs->SetDialogUserData(page, reinterpret_cast<LONG_PTR>(sheet));
    return sheet;
}

WheelPropSheet* PageSheet(SheetModule& module, HWND page)
{
    auto* sheet = reinterpret_cast<WheelPropSheet*>(module.ports.dialogs->GetDialogUserData(page));
    return IsReadableBlock(sheet, sizeof(WheelPropSheet)) ? sheet : nullptr;
}

UINT NotifyCode(LPARAM lParam)
{
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    return IsReadableBlock(header, sizeof(NMHDR)) ? header->code : 0;
}

LPDIRECTINPUTDEVICE2A AcquireForTick(SheetModule& module, HWND page, int statusControl, WheelPropSheet& sheet,
                                     LinkStatus& shown)
{
    LPDIRECTINPUTDEVICE2A device = nullptr;
    sheet.GetDevice(&device);
    const HRESULT acquired = device != nullptr ? device->Acquire() : DIERR_NOTINITIALIZED;
    const bool answers = acquired == DI_OK || acquired == S_FALSE;
    ShowStatus(module, page, statusControl, answers ? LinkStatus::kConnected : LinkStatus::kNotResponding,
               shown);
    return answers ? device : nullptr;
}

bool ReadJoystickState(LPDIRECTINPUTDEVICE2A device, DIJOYSTATE* state)
{
    return device->GetDeviceState(sizeof(DIJOYSTATE), state) == DI_OK;
}

INT_PTR RunPage(const PageBehaviour& behaviour, HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    SheetModule& module = PageModule();
    DialogPort& dialogs = *module.ports.dialogs;
    switch (message) {
    case WM_INITDIALOG:
        if (const std::optional<INT_PTR> answer = behaviour.initialise(module, page, lParam))
            return *answer;
        break;
    case WM_NOTIFY:
        if (NotifyCode(lParam) == PSN_SETACTIVE) {
            dialogs.SetTimer(page, behaviour.timerId, kPagePollPeriodMs);
            if (behaviour.activate != nullptr)
                behaviour.activate(module, page);
        } else if (NotifyCode(lParam) == PSN_KILLACTIVE) {
            if (behaviour.deactivate != nullptr)
                behaviour.deactivate(module, page);
            dialogs.KillTimer(page, behaviour.timerId);
        }
        return TRUE;
    case WM_COMMAND:
        if (behaviour.command != nullptr)
            behaviour.command(module, page, wParam);
        break;
    case WM_TIMER:
        behaviour.poll(module, page);
        break;
    default:
        break;
    }
    return module.ports.windows->DefaultWindowProc(page, message, wParam, lParam);
}

} // namespace torvex
