// What the class factories of both COM servers share: IUnknown with an
// interlocked count, LockServer, and the module lock every live factory
// holds; and the two exports' answers. Each server supplies only how it
// makes its object.
#pragma once

#include <atomic>
#include <new>

#include "platform/windows_api.h"

namespace torvex {

template <class Module> class ModuleClassFactory : public IClassFactory {
public:
    ModuleClassFactory(const ModuleClassFactory&) = delete;
    ModuleClassFactory& operator=(const ModuleClassFactory&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override
    {
        if (ppvObject == nullptr)
            return E_POINTER;
        *ppvObject = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
            return E_NOINTERFACE;
        *ppvObject = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(cRef.fetch_add(1) + 1); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = cRef.fetch_sub(1) - 1;
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override
    {
        if (fLock != FALSE)
            module_.ModuleLockCount.fetch_add(1);
        else
            module_.ModuleLockCount.fetch_sub(1);
        return S_OK;
    }

protected:
    explicit ModuleClassFactory(Module& module) : module_(module) { module_.ModuleLockCount.fetch_add(1); }
    virtual ~ModuleClassFactory() { module_.ModuleLockCount.fetch_sub(1); }

    Module& module_;

private:
    std::atomic<LONG> cRef{0};
};

// DllGetClassObject: a new `Factory` for `ownClass`, asked for `riid`,
// which must be IClassFactory itself. `Factory::Create` gives a factory
// with one reference, or null when memory runs out.
template <class Factory, class Module>
HRESULT GetModuleClassObject(Module& module, const CLSID& ownClass, REFCLSID rclsid, REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, ownClass))
        return CLASS_E_CLASSNOTAVAILABLE;
    if (!IsEqualIID(riid, IID_IClassFactory))
        return E_NOINTERFACE;
    Factory* factory = Factory::Create(module);
    if (factory == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT result = factory->QueryInterface(riid, ppv);
    factory->Release();
    return result;
}

// DllCanUnloadNow.
template <class Module> HRESULT CanUnloadModule(const Module& module)
{
    return module.ModuleLockCount.load() != 0 ? S_FALSE : S_OK;
}

} // namespace torvex
