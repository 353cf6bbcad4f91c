#include "tools/lab/driver_library.h"

#include <dlfcn.h>

namespace torvex::lab {

namespace {

template <class Function> Function Export(void* handle, const char* name)
{
    return reinterpret_cast<Function>(dlsym(handle, name));
}

} // namespace

DriverLibrary::~DriverLibrary()
{
    if (handle_ == nullptr)
        return;
    usePlatform_(nullptr);
    dlclose(handle_);
}

bool DriverLibrary::Load(const std::string& path, std::string* error)
{
    // RTLD_LOCAL: the module's own copies of the platform code stay its own.
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = dlerror();
        *error = reason != nullptr ? reason : "cannot load " + path;
        return false;
    }
    getClassObject_ = Export<GetClassObjectFunction>(handle_, "DllGetClassObject");
    canUnloadNow_ = Export<CanUnloadNowFunction>(handle_, "DllCanUnloadNow");
    usePlatform_ = Export<UsePlatformFunction>(handle_, "TorvexFFUsePlatform");
    if (getClassObject_ == nullptr || canUnloadNow_ == nullptr || usePlatform_ == nullptr) {
        *error = path + " lacks DllGetClassObject, DllCanUnloadNow or TorvexFFUsePlatform";
        dlclose(handle_);
        handle_ = nullptr;
        return false;
    }
    return true;
}

HRESULT DriverLibrary::UsePlatform(const DriverPorts* ports) const
{
    return usePlatform_ != nullptr ? usePlatform_(ports) : E_UNEXPECTED;
}

HRESULT DriverLibrary::CanUnloadNow() const
{
    return canUnloadNow_ != nullptr ? canUnloadNow_() : E_UNEXPECTED;
}

IDirectInputEffectDriver* DriverLibrary::CreateDriver(const CLSID& clsid, HRESULT* result,
                                                      std::string* step) const
{
    *step = "DllGetClassObject";
    *result = E_UNEXPECTED;
    if (getClassObject_ == nullptr)
        return nullptr;
    IClassFactory* factory = nullptr;
    *result = getClassObject_(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(*result) || factory == nullptr)
        return nullptr;
    *step = "IClassFactory::CreateInstance";
    IDirectInputEffectDriver* driver = nullptr;
    *result =
        factory->CreateInstance(nullptr, IID_IDirectInputEffectDriver, reinterpret_cast<void**>(&driver));
    factory->Release();
    if (SUCCEEDED(*result) && driver == nullptr)
        *result = E_POINTER;
    return SUCCEEDED(*result) ? driver : nullptr;
}

} // namespace torvex::lab
