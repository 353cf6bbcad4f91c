// TorvexFF.so loaded by path, as DirectInput loads TorvexFF.dll: the lab
// reaches the driver through the module's exports only, never by linking
// the driver's code, so what it plays is exactly what a game would get.
#pragma once

#include <string>

#include "driver/driver_state.h"

namespace torvex::lab {

class DriverLibrary {
public:
    DriverLibrary() = default;
    // Hands the module back its own ports (a module left pointing at the
    // lab's, long gone, would be a trap) and unloads it.
    ~DriverLibrary();
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;

    // False with the loader's reason when the file is no loadable module or
    // lacks one of the three exports.
    bool Load(const std::string& path, std::string* error);

    HRESULT UsePlatform(const DriverPorts* ports) const;
    HRESULT CanUnloadNow() const;
    // DllGetClassObject, then IClassFactory::CreateInstance: the driver with
    // one reference, or null with the failing step's result in `*result`.
    IDirectInputEffectDriver* CreateDriver(const CLSID& clsid, HRESULT* result, std::string* step) const;

    using GetClassObjectFunction = HRESULT (*)(REFCLSID, REFIID, void**);
    // The module's DllGetClassObject, as DirectInput calls it; null until loaded.
    GetClassObjectFunction GetClassObject() const { return getClassObject_; }

private:
    using CanUnloadNowFunction = HRESULT (*)();
    using UsePlatformFunction = HRESULT (*)(const DriverPorts*);

    void* handle_ = nullptr;
    GetClassObjectFunction getClassObject_ = nullptr;
    CanUnloadNowFunction canUnloadNow_ = nullptr;
    UsePlatformFunction usePlatform_ = nullptr;
};

} // namespace torvex::lab
