// TorvexPS's interfaces as their 32-bit callers call them: for each slot,
// the result type and the 4-byte words of stack (`this` first) that the
// control panel and COM push. Written from the interfaces' tables, checked
// against the classes whose tables the DLL hands out.
#include "common/slot_call.h"
#include "sheet/class_factory.h"
#include "sheet/wheel_prop_sheet.h"

#if defined(_WIN32) && defined(__i386__)

namespace torvex {
namespace {

// IClassFactory.
using Factory = SheetClassFactory;
static_assert(Takes<&Factory::QueryInterface, HRESULT>(3)); // interface id, out pointer
static_assert(Takes<&Factory::AddRef, ULONG>(1));
static_assert(Takes<&Factory::Release, ULONG>(1));
static_assert(Takes<&Factory::CreateInstance, HRESULT>(4)); // outer object, interface id, out pointer
static_assert(Takes<&Factory::LockServer, HRESULT>(2));     // lock flag

// IDIGameCntrlPropSheet.
using Sheet = WheelPropSheet;
static_assert(Takes<&Sheet::QueryInterface, HRESULT>(3));
static_assert(Takes<&Sheet::AddRef, ULONG>(1));
static_assert(Takes<&Sheet::Release, ULONG>(1));
static_assert(Takes<&Sheet::GetSheetInfo, HRESULT>(2)); // out DIGCSHEETINFO pointer
static_assert(Takes<&Sheet::GetPageInfo, HRESULT>(2));  // out DIGCPAGEINFO pointer
static_assert(Takes<&Sheet::SetID, HRESULT>(2));        // 16-bit id, pushed as a word
static_assert(Takes<&Sheet::Initialize, HRESULT>(1));
static_assert(Takes<&Sheet::GetID, USHORT>(1)); // no argument; the id is the result
static_assert(Takes<&Sheet::GetDevice, HRESULT>(2));
static_assert(Takes<&Sheet::SetDevice, HRESULT>(2));
static_assert(Takes<&Sheet::GetJoyConfig, HRESULT>(2));
static_assert(Takes<&Sheet::SetJoyConfig, HRESULT>(2));

// The exports: class id, interface id, out pointer; nothing.
static_assert(Takes<&DllGetClassObject, HRESULT>(3));
static_assert(Takes<&DllCanUnloadNow, HRESULT>(0));

} // namespace
} // namespace torvex

#endif
