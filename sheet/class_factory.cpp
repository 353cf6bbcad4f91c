#include "sheet/class_factory.h"

#include "sheet/wheel_prop_sheet.h"

namespace torvex {

SheetClassFactory* SheetClassFactory::Create(SheetModule& module)
{
    SheetClassFactory* factory = new (std::nothrow) SheetClassFactory(module);
    if (factory != nullptr)
        factory->AddRef();
    return factory;
}

HRESULT SheetClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject)
{
    if (ppvObject == nullptr)
        return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter != nullptr)
        return CLASS_E_NOAGGREGATION;
    WheelPropSheet* sheet = WheelPropSheet::Create(module_);
    if (sheet == nullptr)
        return E_OUTOFMEMORY;
    HRESULT result = sheet->Initialize();
    if (SUCCEEDED(result))
        result = sheet->QueryInterface(riid, ppvObject);
    sheet->Release();
    return result;
}

HRESULT GetSheetClassObject(SheetModule& module, REFCLSID rclsid, REFIID riid, void** ppv)
{
    return GetModuleClassObject<SheetClassFactory>(module, CLSID_WheelPropSheet, rclsid, riid, ppv);
}

HRESULT CanUnloadSheet(const SheetModule& module)
{
    return CanUnloadModule(module);
}

} // namespace torvex
