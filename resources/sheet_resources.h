// TorvexPS's resources, named once for both readers: the resource compiler
// (through its C preprocessor, which defines RC_INVOKED) builds the module's
// string table, icon and dialog templates from it, and the C++ code builds
// the same templates as tables and uses the ids. Preprocessor definitions
// only, so that both can read every line.
//
// Each page's controls are one list in template order. A list takes the
// name of a macro CONTROL(text, id, windowClass, style, x, y, cx, cy) and
// applies it to every control; rectangles are in dialog units.
#pragma once

// The string table, the icon group and the three pages' templates.
#define IDS_SHEET_CAPTION 1
#define IDI_WHEEL 102
#define IDD_TEST_PAGE 107
#define IDD_EFFECT_PAGE 108
#define IDD_CALIBRATION_PAGE 109

// String 1: the property sheet's caption.
#define SHEET_CAPTION_TEXT "ZK-5120 Force Feedback Wheel"

// What the three pages share: a child dialog (WS_CHILD | WS_DISABLED |
// WS_CAPTION | DS_SETFONT) of one size, so the tabs do not change the
// sheet's size, in the font the control panel's own pages use.
#define SHEET_PAGE_STYLE 0x48C00040
#define SHEET_PAGE_WIDTH 258
#define SHEET_PAGE_HEIGHT 227
#define SHEET_PAGE_FONT_SIZE 8
#define SHEET_PAGE_FONT_NAME "MS Sans Serif"

// The titles the tabs show.
#define TEST_PAGE_TITLE "Test Page"
#define EFFECT_PAGE_TITLE "Effect Page"
#define CALIBRATION_PAGE_TITLE "Calibration"

// Labels and group boxes that no code addresses.
#define IDC_UNNUMBERED 65535

// The test page's twelve button lamps, for buttons 1 to 12 in order.
#define IDC_LAMP_1 1000
#define IDC_LAMP_2 1001
#define IDC_LAMP_3 1002
#define IDC_LAMP_4 1003
#define IDC_LAMP_5 1004
#define IDC_LAMP_6 1005
#define IDC_LAMP_7 1006
#define IDC_LAMP_8 1007
#define IDC_LAMP_9 1008
#define IDC_LAMP_10 1009
#define IDC_LAMP_11 1010
#define IDC_LAMP_12 1011
#define IDC_TEST_AXES 1012
#define IDC_TEST_POV 1014
#define IDC_TEST_STATUS 1024

#define IDC_CALIBRATION_AXES 1012
#define IDC_CALIBRATION_X_VALUE 1016
#define IDC_CALIBRATION_Y_VALUE 1017
#define IDC_CALIBRATION_DEFAULT 1021
#define IDC_CALIBRATION_SET 1022
#define IDC_CALIBRATION_STATUS 1025

#define IDC_EFFECT_RUMBLE 1023
#define IDC_EFFECT_STATUS 1026

// Control styles, all with WS_CHILD | WS_VISIBLE: the custom controls and
// push buttons take the keyboard focus (WS_TABSTOP), labels start a group
// (WS_GROUP, left-aligned text), group boxes are BS_GROUPBOX buttons.
#define SHEET_CUSTOM_STYLE 0x50010000
#define SHEET_BUTTON_STYLE 0x50010000
#define SHEET_LABEL_STYLE 0x50020000
#define SHEET_GROUP_BOX_STYLE 0x50000007

// Window classes. For the resource compiler the system's own classes are
// their ordinals, which is how templates name them and how the dialog
// manager knows them; given a string, windres would store the name instead.
// The custom classes are the ones the sheet registers (windres stores their
// names in capitals; class names are matched without regard to case).
#ifdef RC_INVOKED
#define SHEET_BUTTON_CLASS 0x0080
#define SHEET_STATIC_CLASS 0x0082
#else
#define SHEET_BUTTON_CLASS "BUTTON"
#define SHEET_STATIC_CLASS "STATIC"
#endif
#define SHEET_LAMP_CLASS "LampControl"
#define SHEET_AXES_CLASS "AxesControl"
#define SHEET_POV_CLASS "PovControl"
#define SHEET_RUMBLE_CLASS "RumbleControl"

// Test page: the buttons as lamps, the X and Y axes as a cross-hair, the
// first POV hat as an arrow, and the status line.
#define TEST_PAGE_CONTROLS(CONTROL)                                                                          \
    CONTROL("1", IDC_LAMP_1, SHEET_LAMP_CLASS, SHEET_CUSTOM_STYLE, 23, 113, 15, 16)                          \
    CONTROL("2", IDC_LAMP_2, SHEET_LAMP_CLASS, SHEET_CUSTOM_STYLE, 62, 113, 15, 16)                          \
    CONTROL("3", IDC_LAMP_3, SHEET_LAMP_CLASS, SHEET_CUSTOM_STYLE, 100, 113, 15, 16)                         \
    CONTROL("4", IDC_LAMP_4, SHEET_LAMP_CLASS, SHEET_CUSTOM_STYLE, 138, 113, 15, 16)                         \
    CONTROL("5", IDC_LAMP_5, SHEET_LAMP_CLASS, SHEET_CUSTOM_STYLE, 176, 113, 15, 16)                         \
    CONTROL("6", IDC_LAMP_6, SHEET_LAMP_CLASS, SHEET_CUSTOM_STYLE, 214, 113, 15, 16)                         \
    CONTROL("7", IDC_LAMP_7, SHEET_LAMP_CLASS, SHEET_CUSTOM_STYLE, 24, 147, 15, 16)                          \
    CONTROL("8", IDC_LAMP_8, SHEET_LAMP_CLASS, SHEET_CUSTOM_STYLE, 62, 147, 15, 16)                          \
    CONTROL("9", IDC_LAMP_9, SHEET_LAMP_CLASS, SHEET_CUSTOM_STYLE, 100, 147, 15, 16)                         \
    CONTROL("10", IDC_LAMP_10, SHEET_LAMP_CLASS, SHEET_CUSTOM_STYLE, 138, 147, 15, 16)                       \
    CONTROL("11", IDC_LAMP_11, SHEET_LAMP_CLASS, SHEET_CUSTOM_STYLE, 176, 147, 15, 16)                       \
    CONTROL("12", IDC_LAMP_12, SHEET_LAMP_CLASS, SHEET_CUSTOM_STYLE, 214, 147, 15, 16)                       \
    CONTROL("Button State", IDC_UNNUMBERED, SHEET_BUTTON_CLASS, SHEET_GROUP_BOX_STYLE, 10, 99, 235, 73)      \
    CONTROL("Axes Information", IDC_UNNUMBERED, SHEET_BUTTON_CLASS, SHEET_GROUP_BOX_STYLE, 10, 9, 96, 85)    \
    CONTROL("Custom2", IDC_TEST_AXES, SHEET_AXES_CLASS, SHEET_CUSTOM_STYLE, 31, 28, 48, 47)                  \
    CONTROL("Pov Info", IDC_UNNUMBERED, SHEET_BUTTON_CLASS, SHEET_GROUP_BOX_STYLE, 132, 9, 112, 85)          \
    CONTROL("Custom3", IDC_TEST_POV, SHEET_POV_CLASS, SHEET_CUSTOM_STYLE, 156, 20, 70, 66)                   \
    CONTROL("", IDC_TEST_STATUS, SHEET_STATIC_CLASS, SHEET_LABEL_STYLE, 24, 195, 205, 8)                     \
    CONTROL("Device State", IDC_UNNUMBERED, SHEET_BUTTON_CLASS, SHEET_GROUP_BOX_STYLE, 10, 178, 236, 37)

// Calibration page: the cross-hair with the X and Y readings, the
// instruction, the two buttons that store a calibration, and the status line.
// The labels "X  =" and "Y  =" hold two blanks before the equals sign.
#define CALIBRATION_PAGE_CONTROLS(CONTROL)                                                                   \
    CONTROL("Custom2", IDC_CALIBRATION_AXES, SHEET_AXES_CLASS, SHEET_CUSTOM_STYLE, 67, 50, 64, 64)           \
    CONTROL("X  =", IDC_UNNUMBERED, SHEET_STATIC_CLASS, SHEET_LABEL_STYLE, 138, 71, 17, 8)                   \
    CONTROL("Y  =", IDC_UNNUMBERED, SHEET_STATIC_CLASS, SHEET_LABEL_STYLE, 138, 92, 17, 8)                   \
    CONTROL("0", IDC_CALIBRATION_X_VALUE, SHEET_STATIC_CLASS, SHEET_LABEL_STYLE, 157, 71, 13, 8)             \
    CONTROL("0", IDC_CALIBRATION_Y_VALUE, SHEET_STATIC_CLASS, SHEET_LABEL_STYLE, 157, 92, 14, 8)             \
    CONTROL("Please turn the wheel to the left and right with max radius, then release it. Press both foot " \
            "pedals once.",                                                                                  \
            IDC_UNNUMBERED, SHEET_STATIC_CLASS, SHEET_LABEL_STYLE, 8, 14, 236, 30)                           \
    CONTROL("Default", IDC_CALIBRATION_DEFAULT, SHEET_BUTTON_CLASS, SHEET_BUTTON_STYLE, 40, 138, 48, 20)     \
    CONTROL("Set", IDC_CALIBRATION_SET, SHEET_BUTTON_CLASS, SHEET_BUTTON_STYLE, 132, 139, 51, 21)            \
    CONTROL("", IDC_CALIBRATION_STATUS, SHEET_STATIC_CLASS, SHEET_LABEL_STYLE, 24, 195, 205, 8)              \
    CONTROL("Device State", IDC_UNNUMBERED, SHEET_BUTTON_CLASS, SHEET_GROUP_BOX_STYLE, 10, 178, 236, 37)

// Effect page: the instruction, the dot that follows the wheel, and the
// status line.
#define EFFECT_PAGE_CONTROLS(CONTROL)                                                                        \
    CONTROL("Please use wheel or pedals to test Force Feedback", IDC_UNNUMBERED, SHEET_STATIC_CLASS,         \
            SHEET_LABEL_STYLE, 6, 7, 201, 10)                                                                \
    CONTROL("Custom1", IDC_EFFECT_RUMBLE, SHEET_RUMBLE_CLASS, SHEET_CUSTOM_STYLE, 40, 22, 152, 152)          \
    CONTROL("", IDC_EFFECT_STATUS, SHEET_STATIC_CLASS, SHEET_LABEL_STYLE, 24, 195, 205, 8)                   \
    CONTROL("Device State", IDC_UNNUMBERED, SHEET_BUTTON_CLASS, SHEET_GROUP_BOX_STYLE, 10, 178, 236, 37)
