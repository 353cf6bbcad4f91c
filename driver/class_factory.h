// The module level of the effect driver: the class factory DirectInput asks
// for the driver, and what the module's two exports answer.
#pragma once

#include "driver/driver_state.h"
#include "driver/effect_memory.h"

namespace torvex {

// {AF8D694E-457D-4284-A357-07B9FB497739}, the class the installation
// registers for TorvexFF.dll.
extern const CLSID CLSID_EffectDriver;

class DriverClassFactory final : public IClassFactory, public HookAllocated {
public:
    // A factory with one reference, or null when memory runs out.
    static DriverClassFactory* Create(DriverModule& module);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

private:
    explicit DriverClassFactory(DriverModule& module);
    ~DriverClassFactory();

    DriverModule& module_;
    std::atomic<LONG> cRef{0};
};

// What DllGetClassObject and DllCanUnloadNow answer for `module`.
HRESULT GetDriverClassObject(DriverModule& module, REFCLSID rclsid, REFIID riid, void** ppv);
HRESULT CanUnloadDriver(const DriverModule& module);

} // namespace torvex
