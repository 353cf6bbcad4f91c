// The one include for the Win32, COM and DirectInput vocabulary. Windows
// builds take it from the SDK headers; other builds from our own headers
// with the same names, layouts and slot orders. DIRECTINPUT_VERSION is set
// to 0x0500 by the build, so DIEFFECT has the 13-field DirectX 5 layout.
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <objbase.h>
#include <mmsystem.h>
#include <dinput.h>
#include <dinputd.h>
#include <prsht.h>
#else
#include "platform/host/win_base.h"
#include "platform/host/win_user.h"
#include "platform/host/dinput_defs.h"
#endif

#include "platform/gamectrl_propsheet.h"
