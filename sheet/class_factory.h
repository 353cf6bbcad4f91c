// The module level of the property sheet: the class factory the control
// panel asks for the sheet, and what the module's two exports answer.
#pragma once

#include "common/module_class_factory.h"
#include "sheet/sheet_state.h"

namespace torvex {

class SheetClassFactory final : public ModuleClassFactory<SheetModule> {
public:
    // A factory with one reference, or null when memory runs out.
    static SheetClassFactory* Create(SheetModule& module);

    // A new, initialised sheet; a refused interface destroys it again.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;

private:
    explicit SheetClassFactory(SheetModule& module) : ModuleClassFactory(module) {}
};

// What DllGetClassObject and DllCanUnloadNow answer for `module`.
HRESULT GetSheetClassObject(SheetModule& module, REFCLSID rclsid, REFIID riid, void** ppv);
HRESULT CanUnloadSheet(const SheetModule& module);

} // namespace torvex
