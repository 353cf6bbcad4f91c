// The module level of the effect driver: the class factory DirectInput asks
// for the driver, and what the module's two exports answer.
#pragma once

#include "common/module_class_factory.h"
#include "driver/driver_state.h"
#include "driver/effect_memory.h"

namespace torvex {

// {AF8D694E-457D-4284-A357-07B9FB497739}, the class the installation
// registers for TorvexFF.dll.
extern const CLSID CLSID_EffectDriver;

class DriverClassFactory final : public ModuleClassFactory<DriverModule>, public HookAllocated {
public:
    // A factory with one reference, or null when memory runs out.
    static DriverClassFactory* Create(DriverModule& module);

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;

private:
    explicit DriverClassFactory(DriverModule& module) : ModuleClassFactory(module) {}
};

// What DllGetClassObject and DllCanUnloadNow answer for `module`.
HRESULT GetDriverClassObject(DriverModule& module, REFCLSID rclsid, REFIID riid, void** ppv);
HRESULT CanUnloadDriver(const DriverModule& module);

} // namespace torvex
