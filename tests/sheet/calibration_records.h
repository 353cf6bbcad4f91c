// The calibration page's record after a calibration run, shared by the
// store's tests and the probe that runs the store under Wine.
#pragma once

#include <memory>

#include "platform/windows_api.h"

namespace torvex::testing {

inline void SetAxis(JOYRANGE& range, DWORD JOYPOS::*axis, DWORD min, DWORD centre, DWORD max)
{
    range.jpMin.*axis = min;
    range.jpCenter.*axis = centre;
    range.jpMax.*axis = max;
}

// The page's record after a calibration run: X 10/120/250, Y 0/5/255,
// Z 3/3/200, Rz 0/0/180. Everything else is what DirectInput reported,
// made distinct here so that a misplaced word shows.
inline std::unique_ptr<DIJOYCONFIG_DX5> CalibratedRecord()
{
    auto config = std::make_unique<DIJOYCONFIG_DX5>();
    config->dwSize = sizeof(DIJOYCONFIG_DX5);
    JOYREGHWCONFIG& hwc = config->hwc;
    hwc.hws.dwFlags = 0x0000000C;
    hwc.hws.dwNumButtons = 10;
    hwc.dwUsageSettings = 0x00000009;
    JOYRANGE& range = hwc.hwv.jrvHardware;
    range.jpMin = {101, 102, 103, 104, 105, 106};
    range.jpMax = {201, 202, 203, 204, 205, 206};
    range.jpCenter = {151, 152, 153, 154, 155, 156};
    SetAxis(range, &JOYPOS::dwX, 10, 120, 250);
    SetAxis(range, &JOYPOS::dwY, 0, 5, 255);
    SetAxis(range, &JOYPOS::dwZ, 3, 3, 200);
    SetAxis(range, &JOYPOS::dwR, 0, 0, 180);
    hwc.hwv.dwPOVValues[0] = 0;
    hwc.hwv.dwPOVValues[1] = 9000;
    hwc.hwv.dwPOVValues[2] = 18000;
    hwc.hwv.dwPOVValues[3] = 27000;
    hwc.hwv.dwCalFlags = 0x80000001;
    hwc.dwType = 0x0000000B;
    hwc.dwReserved = 0xA5A5A5A5;
    return config;
}

} // namespace torvex::testing
