// GUIDs the system needs that neither the Windows SDK's headers nor its
// import libraries (dxguid, uuid) provide under these names, so they are
// defined once, by us, in platform_guids.cpp on every build.
#pragma once

#include "platform/windows_api.h"

extern "C" {
// The control panel's property sheet interface, implemented by the
// property sheet server and called by the game controllers applet.
extern const IID IID_IDIGameCntrlPropSheet;

// The HID device interface class {4D1E55B2-F16F-11CF-88CB-001111000030}
// (hidclass.h calls it GUID_DEVINTERFACE_HID): the class under which the
// wheel's HID device path is enumerated.
extern const GUID GUID_HidInterfaceClass;
}
