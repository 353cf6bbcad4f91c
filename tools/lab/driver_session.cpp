#include "tools/lab/driver_session.h"

#include <cstdio>
#include <filesystem>

#include "platform/posix/posix_device_file.h"
#include "platform/sim/sim_wheel.h"
#include "tools/lab/lab_registry.h"
#include "tools/lab/wheel_search.h"

namespace torvex::lab {

std::string HexResult(HRESULT result)
{
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
    return text;
}

DriverSession::DriverSession(const LabOptions& options, std::ostream& commentary, std::string who)
    : options_(options), commentary_(commentary), who_(std::move(who))
{
}

DriverSession::~DriverSession()
{
    // Only a run that failed half-way still has its driver.
    Release();
}

bool DriverSession::Fail(const std::string& message)
{
    commentary_ << who_ << ": " << message << "\n";
    return false;
}

bool DriverSession::Prepare(DWORD plannedMs)
{
    if (options_.deviceWheel != nullptr && options_.realtime)
        return Fail("a wheel the lab moves behind a device node is played in scenario time only");
    if (options_.devicePath == kFindDevice && !FindDevice())
        return false;
    const std::string& node = options_.devicePath == kFindDevice ? foundNode_ : options_.devicePath;
    if (!node.empty() && !TryDevice(node))
        return false;
    std::string error;
    if (!library_.Load(options_.modulePath, &error))
        return Fail("cannot load the effect driver: " + error);
    const bool realtime =
        options_.realtime || (!options_.devicePath.empty() && options_.deviceWheel == nullptr);
    std::string wheelPath = node.empty() ? SimWheel::kDefaultPath : node;
    if (options_.registryFile.empty()) {
        if (!SetUpInstalledWheel(registry_, options_.installFile, wheelPath, &error))
            return Fail("cannot read the installation's entries: " + error);
    } else {
        if (!SetUpRegistryFile(registry_, options_.registryFile, &error))
            return Fail("cannot read the registry: " + error);
        if (options_.devicePath.empty())
            wheelPath = SimulatedWheelPath();
    }
    world_ = realtime ? MakeRealtimeWorld(registry_, options_, wheelPath, plannedMs, commentary_)
                      : MakeSimulatedWorld(registry_, options_, wheelPath);
    return true;
}

// The wheel's hidraw node, found by its USB ids; refused when there is none
// or more than one.
bool DriverSession::FindDevice()
{
    const std::filesystem::path root = SearchRoot(options_);
    const WheelSearch search = FindWheelNodes(root / "sys", root / "dev");
    const std::string where = search.hidrawClass.string();
    if (search.nodes.size() == 1) {
        foundNode_ = search.nodes.front();
        commentary_ << who_ << ": the wheel is " << foundNode_ << "\n";
        return true;
    }
    if (search.hidrawDevices == 0)
        return Fail("--device auto: there is no hidraw device in " + where + ": is the wheel plugged in?");
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04X:%04X", static_cast<unsigned>(kWheelVendorId),
                  static_cast<unsigned>(kWheelProductId));
    if (search.nodes.empty())
        return Fail("--device auto: none of the " + std::to_string(search.hidrawDevices) +
                    " hidraw devices in " + where + " is a ZK-5120 (USB " + ids +
                    "): is the wheel plugged in?");
    std::string nodes;
    for (const std::string& node : search.nodes)
        nodes += (nodes.empty() ? "" : ", ") + node;
    return Fail("--device auto: " + std::to_string(search.nodes.size()) + " ZK-5120 wheels are plugged in (" +
                nodes + "): name one with --device PATH");
}

// The node opened once before the run, so that what keeps the wheel from
// the driver is said at the start instead of lost in ticks that quietly try
// again. Without permission nothing could ever reach the wheel, so the run
// stops there.
bool DriverSession::TryDevice(const std::string& path)
{
    PosixDeviceFile device;
    const HANDLE opened = device.Open(path.c_str());
    if (IsOpenDevice(opened)) {
        device.Close(opened);
        return true;
    }
    const DWORD error = device.LastError();
    if (error == ERROR_ACCESS_DENIED)
        return Fail("no permission to open " + path + ". The udev rule install/" + kUdevRuleName +
                    " lets the logged-in user drive the wheel: copy it to /etc/udev/rules.d/, run "
                    "'udevadm control --reload-rules && udevadm trigger' as root, and plug the wheel in "
                    "again (README, \"The lab\")");
    std::string reason = "error " + std::to_string(error);
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        reason = "there is no such node";
    else if (error == ERROR_DEVICE_NOT_CONNECTED)
        reason = "the wheel is not connected";
    commentary_ << who_ << ": cannot open " << path << " (" << reason
                << "); the driver tries again every tick\n";
    return true;
}

std::string DriverSession::SimulatedWheelPath()
{
    std::string path = WheelPathIn(registry_);
    if (path.empty()) {
        path = SimWheel::kDefaultPath;
        commentary_ << who_ << ": " << options_.registryFile << " has no active wheel that is joystick "
                    << kLabJoystickId << "; the simulated wheel answers at " << path << "\n";
    }
    return path;
}

bool DriverSession::Bind(HRESULT* deviceId)
{
    const DriverPorts ports = world_->Ports();
    if (const HRESULT used = library_.UsePlatform(&ports); used != S_OK)
        return Fail("TorvexFFUsePlatform answered " + HexResult(used));
    HRESULT result = S_OK;
    std::string step;
    driver_ = library_.CreateDriver(DriverClassIn(registry_), &result, &step);
    if (driver_ == nullptr)
        return Fail(step + " answered " + HexResult(result));
    *deviceId = driver_->DeviceID(kDirectInputVersion, kLabJoystickId, TRUE, 0, nullptr);
    return true;
}

void DriverSession::Release()
{
    if (driver_ != nullptr)
        driver_->Release();
    driver_ = nullptr;
}

bool DriverSession::CheckUnloadable()
{
    const HRESULT unload = library_.CanUnloadNow();
    if (unload == S_OK)
        return true;
    return Fail("DllCanUnloadNow answered " + HexResult(unload) +
                " after the last release: the module still holds objects");
}

} // namespace torvex::lab
