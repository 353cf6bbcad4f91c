// The effect driver as DirectInput leaves it when a game acquires the
// wheel: the module loaded by path, the registry set up, the world (time,
// timer, the simulated wheel or a device node, found by its ids on request)
// made, the driver created and bound with DeviceID. Shared by the lab and
// every other program that drives the wheel through the module's exports.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "platform/sim/sim_registry.h"
#include "tools/lab/driver_library.h"
#include "tools/lab/lab_run.h"
#include "tools/lab/lab_world.h"

namespace torvex::lab {

// The DirectX version DirectInput names when it binds the driver: the
// effect records it passes have DirectX 5's layout.
constexpr DWORD kDirectInputVersion = 0x0500;

class DriverSession {
public:
    // What goes wrong is said on `commentary`, each line after `who: `.
    DriverSession(const LabOptions& options, std::ostream& commentary, std::string who);
    ~DriverSession();
    DriverSession(const DriverSession&) = delete;
    DriverSession& operator=(const DriverSession&) = delete;

    // Finds and tries the device, loads the module, sets up the registry
    // and makes the world (real time as the options say; `plannedMs` is how
    // long the run means to last). False, said why, when it cannot.
    bool Prepare(DWORD plannedMs);
    // Time 0: the driver created and bound. False, said why, when there is
    // no driver; else `*deviceId` holds DeviceID's result.
    bool Bind(HRESULT* deviceId);
    // The driver's last Release.
    void Release();
    // After the release: whether the module holds no objects any more.
    bool CheckUnloadable();

    IDirectInputEffectDriver* Driver() const { return driver_; }
    SimRegistry& Registry() { return registry_; }
    World& Place() { return *world_; }
    bool Fail(const std::string& message);

private:
    bool FindDevice();
    bool TryDevice(const std::string& path);
    std::string SimulatedWheelPath();

    const LabOptions options_;
    std::ostream& commentary_;
    const std::string who_;
    std::string foundNode_; // the wheel's node at the start, when asked to find it
    // First, so that the module is unloaded after everything it was given.
    DriverLibrary library_;
    SimRegistry registry_;
    std::unique_ptr<World> world_;
    IDirectInputEffectDriver* driver_ = nullptr;
};

// "0x" and the result's 8 hex digits.
std::string HexResult(HRESULT result);

} // namespace torvex::lab
