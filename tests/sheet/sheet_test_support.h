// A property sheet on simulated ports: the registry, Windows XP, the
// simulated wheel behind the simulated DirectInput (joystick 0), the
// caption's string table, the simulated window system, and pages made from
// their templates inside a sheet frame, driven by notifications, commands
// and timer ticks as the property sheet delivers them.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "controls/control_platform.h"
#include "driver/class_factory.h"
#include "driver/oem_key.h"
#include "platform/posix/posix_critical_section.h"
#include "platform/sim/manual_clock.h"
#include "platform/sim/manual_timer.h"
#include "platform/sim/sim_named_lock.h"
#include "platform/sim/sim_direct_input.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_resources.h"
#include "platform/sim/sim_version.h"
#include "platform/sim/sim_window_system.h"
#include "sheet/class_factory.h"
#include "sheet/page_link.h"
#include "sheet/page_templates.h"
#include "sheet/wheel_prop_sheet.h"
#include "tests/support/fixtures.h"

namespace torvex::testing {

// The wheel's instance GUID as DirectInput knows it.
inline constexpr GUID kWheelInstance = {
    0x915E3CA0, 0xB422, 0x11D1, {0x80, 0x01, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// The effect driver the simulated DirectInput hands the effects to:
// TorvexFF's own code in this process, on the fixture's ports.
inline DriverModule* sheetTestDriver = nullptr;
inline HRESULT SheetTestDriverEntry(REFCLSID rclsid, REFIID riid, void** ppv)
{
    return GetDriverClassObject(*sheetTestDriver, rclsid, riid, ppv);
}

class SheetTest : public ::testing::Test {
protected:
    SheetTest()
        : version(VER_PLATFORM_WIN32_NT, 5, 1), wheel(clock), directInput(wheel, registry, OemKeyPath()),
          resources({{IDS_SHEET_CAPTION, SHEET_CAPTION_TEXT}}), module(Ports()),
          driverModule({.registry = &registry,
                        .version = &version,
                        .clock = &clock,
                        .device = &wheel,
                        .timer = &playbackTimer,
                        .lock = &driverLock})
    {
        EXPECT_TRUE(ImportRegistryFile(registry, InstallFilePath()));
        sheetTestDriver = &driverModule;
        directInput.UseEffectDriver(SheetTestDriverEntry);
        module.ModuleInstance = reinterpret_cast<HINSTANCE>(static_cast<ULONG_PTR>(0x10000000));
        SimJoystick joystick;
        joystick.id = 0;
        joystick.guidInstance = kWheelInstance;
        joystick.hwc.hws.dwFlags = 0x00A1;
        joystick.hwc.hws.dwNumButtons = 12;
        directInput.AddJoystick(joystick);
        UseControlPorts({.windows = &windows, .gdi = &windows});
        UsePageModule(&module);
        frame = windows.CreateDialogWindow(420, 400);
    }
    ~SheetTest() override
    {
        for (HWND page : pages)
            windows.DestroyWindow(page);
        if (sheet != nullptr)
            sheet->Release();
        UsePageModule(nullptr);
        UseControlPorts({});
        sheetTestDriver = nullptr;
    }

    SheetPorts Ports()
    {
        return {.registry = &registry,
                .version = &version,
                .directInput = &directInput,
                .resources = &resources,
                .windows = &windows,
                .gdi = &windows,
                .dialogs = &windows,
                .deviceOpenLock = &deviceOpenLock};
    }

    // A sheet as the control panel gets it: through the class factory,
    // initialised, with the joystick id set. Held by the fixture.
    WheelPropSheet* MakeSheet(USHORT joystickId = 0)
    {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(GetSheetClassObject(module, CLSID_WheelPropSheet, IID_IClassFactory,
                                      reinterpret_cast<void**>(&factory)),
                  S_OK);
        IDIGameCntrlPropSheet* made = nullptr;
        EXPECT_EQ(
            factory->CreateInstance(nullptr, IID_IDIGameCntrlPropSheet, reinterpret_cast<void**>(&made)),
            S_OK);
        factory->Release();
        made->SetID(joystickId);
        sheet = static_cast<WheelPropSheet*>(made);
        return sheet;
    }

    // The page with `templateId` as the property sheet makes it from the
    // sheet's page record.
    HWND OpenPage(WORD templateId)
    {
        if (sheet == nullptr)
            MakeSheet();
        LPDIGCPAGEINFO info = nullptr;
        sheet->GetPageInfo(&info);
        for (int index = 0; index < kSheetPageCount; ++index) {
            if (info[index].lpwszTemplate != MAKEINTRESOURCEW(templateId))
                continue;
            PROPSHEETPAGEA record{};
            record.dwSize = sizeof record;
            record.hInstance = info[index].hInstance;
            record.pszTemplate = MAKEINTRESOURCEA(templateId);
            record.pfnDlgProc = info[index].fpPageProc;
            record.lParam = info[index].lParam;
            const DialogTemplate* layout = FindPageTemplate(templateId);
            HWND page =
                windows.CreatePage(frame, *layout, info[index].fpPageProc, reinterpret_cast<LPARAM>(&record));
            pages.push_back(page);
            return page;
        }
        ADD_FAILURE() << "no page record for template " << templateId;
        return nullptr;
    }

    INT_PTR Notify(HWND page, UINT code)
    {
        NMHDR header{};
        header.hwndFrom = frame;
        header.code = code;
        return windows.SendToPage(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
    }
    void Activate(HWND page) { Notify(page, PSN_SETACTIVE); }
    void Deactivate(HWND page) { Notify(page, PSN_KILLACTIVE); }
    void Click(HWND page, int button)
    {
        windows.SendToPage(page, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    }
    // `count` page ticks of 50 ms.
    void Tick(int count = 1) { windows.AdvanceTimers(static_cast<DWORD>(count) * kPagePollPeriodMs); }

    std::string Text(HWND page, int control)
    {
        char text[256] = {};
        windows.WindowText(windows.GetDlgItem(page, control), text, sizeof text);
        return text;
    }
    LONG UserData(HWND page, int control) { return windows.GetUserData(windows.GetDlgItem(page, control)); }

    void SetWheel(BYTE wheelByte, BYTE accelerator = 0, BYTE brake = 0)
    {
        WheelInputState state = wheel.InputState();
        state.wheel = wheelByte;
        state.accelerator = accelerator;
        state.brake = brake;
        wheel.SetInputState(state);
    }

    LPDIRECTINPUTDEVICE2A HeldDevice()
    {
        LPDIRECTINPUTDEVICE2A device = nullptr;
        sheet->GetDevice(&device);
        return device;
    }
    LPDIRECTINPUTJOYCONFIG HeldJoyConfig()
    {
        LPDIRECTINPUTJOYCONFIG joyConfig = nullptr;
        sheet->GetJoyConfig(&joyConfig);
        return joyConfig;
    }

    SimRegistry registry;
    SimVersion version;
    ManualClock clock;
    SimWheel wheel;
    SimDirectInput directInput;
    SimResources resources;
    SimWindowSystem windows;
    PosixCriticalSection deviceOpenLock;
    SheetModule module;
    ManualTimer playbackTimer;
    SimNamedLock driverLock;
    DriverModule driverModule;
    HWND frame = nullptr;
    WheelPropSheet* sheet = nullptr;
    std::vector<HWND> pages;
};

} // namespace torvex::testing
