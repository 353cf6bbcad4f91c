#include "driver/class_factory.h"

#include "driver/effect_driver.h"

namespace torvex {

const CLSID CLSID_EffectDriver = {0xAF8D694E, 0x457D, 0x4284, {0xA3, 0x57, 0x07, 0xB9, 0xFB, 0x49, 0x77, 0x39}};

DriverClassFactory* DriverClassFactory::Create(DriverModule& module)
{
    DriverClassFactory* factory = new (std::nothrow) DriverClassFactory(module);
    if (factory != nullptr)
        factory->AddRef();
    return factory;
}

DriverClassFactory::DriverClassFactory(DriverModule& module) : module_(module)
{
    module_.ModuleLockCount.fetch_add(1);
}

DriverClassFactory::~DriverClassFactory()
{
    module_.ModuleLockCount.fetch_sub(1);
}

HRESULT DriverClassFactory::QueryInterface(REFIID riid, void** ppvObject)
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

ULONG DriverClassFactory::AddRef()
{
    return static_cast<ULONG>(cRef.fetch_add(1) + 1);
}

ULONG DriverClassFactory::Release()
{
    const LONG left = cRef.fetch_sub(1) - 1;
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT DriverClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject)
{
    if (ppvObject == nullptr)
        return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter != nullptr)
        return CLASS_E_NOAGGREGATION;

    EffectDriver* driver = nullptr;
    {
        // One driver per process, even when threads ask at once.
        const std::lock_guard guard(module_.InstanceMutex);
        if (module_.DriverInstance == nullptr)
            module_.DriverInstance = EffectDriver::Create(module_);
        else
            module_.DriverInstance->AddRef();
        driver = module_.DriverInstance;
    }
    if (driver == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT result = driver->QueryInterface(riid, ppvObject);
    driver->Release();
    return result;
}

HRESULT DriverClassFactory::LockServer(BOOL fLock)
{
    if (fLock != FALSE)
        module_.ModuleLockCount.fetch_add(1);
    else
        module_.ModuleLockCount.fetch_sub(1);
    return S_OK;
}

HRESULT GetDriverClassObject(DriverModule& module, REFCLSID rclsid, REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, CLSID_EffectDriver))
        return CLASS_E_CLASSNOTAVAILABLE;
    if (!IsEqualIID(riid, IID_IClassFactory))
        return E_NOINTERFACE;
    DriverClassFactory* factory = DriverClassFactory::Create(module);
    if (factory == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT result = factory->QueryInterface(riid, ppv);
    factory->Release();
    return result;
}

HRESULT CanUnloadDriver(const DriverModule& module)
{
    return module.ModuleLockCount.load() != 0 ? S_FALSE : S_OK;
}

} // namespace torvex
