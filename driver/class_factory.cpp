#include "driver/class_factory.h"

#include "driver/effect_driver.h"

namespace torvex {

const CLSID CLSID_EffectDriver = {
    0xAF8D694E, 0x457D, 0x4284, {0xA3, 0x57, 0x07, 0xB9, 0xFB, 0x49, 0x77, 0x39}};

DriverClassFactory* DriverClassFactory::Create(DriverModule& module)
{
    DriverClassFactory* factory = new (std::nothrow) DriverClassFactory(module);
    if (factory != nullptr)
        factory->AddRef();
    return factory;
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
        const CriticalSectionGuard guard(module_.InstanceLock);
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

HRESULT GetDriverClassObject(DriverModule& module, REFCLSID rclsid, REFIID riid, void** ppv)
{
    return GetModuleClassObject<DriverClassFactory>(module, CLSID_EffectDriver, rclsid, riid, ppv);
}

HRESULT CanUnloadDriver(const DriverModule& module)
{
    return CanUnloadModule(module);
}

} // namespace torvex
