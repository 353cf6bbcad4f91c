// TorvexFF's interfaces as their 32-bit callers call them: for each slot,
// the result type and the 4-byte words of stack (`this` first) that
// DirectInput and COM push. Written from the interfaces' tables, checked
// against the classes whose tables the DLL hands out.
#include "common/slot_call.h"
#include "driver/class_factory.h"
#include "driver/effect_driver.h"

#if defined(_WIN32) && defined(__i386__)

namespace torvex {
namespace {

// IClassFactory.
using Factory = DriverClassFactory;
static_assert(Takes<&Factory::QueryInterface, HRESULT>(3)); // interface id, out pointer
static_assert(Takes<&Factory::AddRef, ULONG>(1));
static_assert(Takes<&Factory::Release, ULONG>(1));
static_assert(Takes<&Factory::CreateInstance, HRESULT>(4)); // outer object, interface id, out pointer
static_assert(Takes<&Factory::LockServer, HRESULT>(2));     // lock flag

// IDirectInputEffectDriver: after `this`, the device-level operations take
// DirectInput's device id first.
static_assert(Takes<&EffectDriver::QueryInterface, HRESULT>(3));
static_assert(Takes<&EffectDriver::AddRef, ULONG>(1));
static_assert(Takes<&EffectDriver::Release, ULONG>(1));
// DirectInput version, external id, begin/end flag, internal id, HID information
static_assert(Takes<&EffectDriver::DeviceID, HRESULT>(6));
static_assert(Takes<&EffectDriver::GetVersions, HRESULT>(2));              // DIDRIVERVERSIONS
static_assert(Takes<&EffectDriver::Escape, HRESULT>(4));                   // device, effect, DIEFFESCAPE
static_assert(Takes<&EffectDriver::SetGain, HRESULT>(3));                  // device, gain
static_assert(Takes<&EffectDriver::SendForceFeedbackCommand, HRESULT>(3)); // device, command
static_assert(Takes<&EffectDriver::GetForceFeedbackState, HRESULT>(3));    // device, DIDEVICESTATE
// device, internal type, in/out handle, DIEFFECT, DIEP flags
static_assert(Takes<&EffectDriver::DownloadEffect, HRESULT>(6));
static_assert(Takes<&EffectDriver::DestroyEffect, HRESULT>(3));   // device, effect
static_assert(Takes<&EffectDriver::StartEffect, HRESULT>(5));     // device, effect, mode, count
static_assert(Takes<&EffectDriver::StopEffect, HRESULT>(3));      // device, effect
static_assert(Takes<&EffectDriver::GetEffectStatus, HRESULT>(4)); // device, effect, out status

// The exports: class id, interface id, out pointer; nothing.
static_assert(Takes<&DllGetClassObject, HRESULT>(3));
static_assert(Takes<&DllCanUnloadNow, HRESULT>(0));

} // namespace
} // namespace torvex

#endif
