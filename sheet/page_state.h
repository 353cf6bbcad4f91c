// What each page remembers between its timer ticks. A page starts with
// all of it empty when its dialog is created.
#pragma once

#include "platform/windows_api.h"

namespace torvex {

// Which text a page's status line shows.
enum class LinkStatus { kNone, kConnected, kNotResponding };

struct TestPageState {
    LinkStatus shownStatus = LinkStatus::kNone;
    DIJOYSTATE lastState{};
};

struct EffectPageState {
    LPDIRECTINPUTDEVICE2A device = nullptr;  // borrowed from the sheet
    LPDIRECTINPUTEFFECT testForce = nullptr; // owned
    LinkStatus shownStatus = LinkStatus::kNone;
    LONG lastX = 0;
    LONG lastY = 0;
};

struct CalibrationPageState {
    LinkStatus CalibrationLinkState = LinkStatus::kNone;
    DIJOYSTATE lastState{};
    // The ranges recorded for the store, in the joystick's hardware
    // configuration as DirectInput reported it when the page opened.
    DIJOYCONFIG_DX5 CalibrationConfig{};
    // Whether that configuration was read: without it there is nothing the
    // store may write.
    bool configRead = false;
};

} // namespace torvex
