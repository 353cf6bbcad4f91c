// The ZK-5120's 7-byte HID input report, the one place that says what its
// bytes mean. The driver reads only the buttons; the simulated wheel, the
// lab and the simulated DirectInput make and read whole reports.
//
//   byte 0   report id, always 0 (the wheel uses no report ids)
//   byte 1   wheel, 0 (full left) to 255 (full right), 128 centred
//   byte 2   accelerator pedal, 0 (released) to 255 (floored)
//   byte 3   brake pedal, 0 (released) to 255 (floored)
//   byte 4   reserved, sent as 0
//   byte 5   bits 0-3: hat, 0 = north, 1 = north-east ... 7 = north-west,
//            8 to 15 = centred (the wheel sends 15)
//            bits 4-7: buttons 0 to 3
//   byte 6   buttons 4 to 11 (bit 0 = button 4)
#pragma once

#include <array>
#include <cstddef>

#include "platform/windows_api.h"

namespace torvex {

constexpr std::size_t kInputReportSize = 7;
using InputReport = std::array<BYTE, kInputReportSize>;

constexpr DWORD kWheelButtonCount = 12;
constexpr BYTE kAxisCentre = 128;
constexpr BYTE kHatCentred = 15;
constexpr BYTE kHatDirections = 8;

constexpr std::size_t kWheelAxisByte = 1;
constexpr std::size_t kAcceleratorByte = 2;
constexpr std::size_t kBrakeByte = 3;
constexpr std::size_t kHatByte = 5;
constexpr BYTE kHatMask = 0x0F;

// Where button n lives: byte 5 bits 4 to 7 hold buttons 0 to 3, byte 6
// bits 0 to 7 buttons 4 to 11.
constexpr std::size_t ButtonByte(DWORD button)
{
    return button < 4 ? 5 : 6;
}
constexpr BYTE ButtonMask(DWORD button)
{
    return static_cast<BYTE>(button < 4 ? 0x10u << button : 0x01u << (button - 4));
}

// Whether button n (0 to 11) is down; false for any other n.
constexpr bool IsWheelButtonPressed(const InputReport& report, DWORD button)
{
    return button < kWheelButtonCount && (report[ButtonByte(button)] & ButtonMask(button)) != 0;
}

constexpr void SetWheelButton(InputReport& report, DWORD button, bool pressed)
{
    if (button >= kWheelButtonCount)
        return;
    BYTE& bits = report[ButtonByte(button)];
    bits = static_cast<BYTE>(pressed ? bits | ButtonMask(button) : bits & ~ButtonMask(button));
}

// The wheel's whole state, as the lab and the simulations think of it.
struct WheelInputState {
    BYTE wheel = kAxisCentre;
    BYTE accelerator = 0;
    BYTE brake = 0;
    BYTE hat = kHatCentred; // 0 to 7 clockwise from north, else centred
    WORD buttons = 0;       // bit n = button n
};

constexpr InputReport EncodeInputReport(const WheelInputState& state)
{
    InputReport report{};
    report[kWheelAxisByte] = state.wheel;
    report[kAcceleratorByte] = state.accelerator;
    report[kBrakeByte] = state.brake;
    report[kHatByte] = static_cast<BYTE>(state.hat < kHatDirections ? state.hat : kHatCentred);
    for (DWORD button = 0; button < kWheelButtonCount; ++button)
        SetWheelButton(report, button, (state.buttons >> button) & 1u);
    return report;
}

constexpr WheelInputState DecodeInputReport(const InputReport& report)
{
    WheelInputState state;
    state.wheel = report[kWheelAxisByte];
    state.accelerator = report[kAcceleratorByte];
    state.brake = report[kBrakeByte];
    const BYTE hat = report[kHatByte] & kHatMask;
    state.hat = hat < kHatDirections ? hat : kHatCentred;
    for (DWORD button = 0; button < kWheelButtonCount; ++button)
        if (IsWheelButtonPressed(report, button))
            state.buttons = static_cast<WORD>(state.buttons | (1u << button));
    return state;
}

} // namespace torvex
