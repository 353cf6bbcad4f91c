#include "tools/lab/wheel_search.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>
#include <iterator>
#include <system_error>

#include "driver/driver_state.h"

namespace torvex::lab {

namespace {

constexpr unsigned long kUsbBus = 0x0003;
// sysfs keeps a uevent within a page; a file this long is no uevent.
constexpr std::size_t kLargestUevent = 64 * 1024;

// One field of HID_ID: up to 8 hexadecimal digits and nothing else.
bool ParseIdField(std::string_view text, unsigned long* value)
{
    if (text.empty() || text.size() > 8)
        return false;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, *value, 16);
    return error == std::errc() && stop == end;
}

// bus:vendor:product
bool ParseHidId(std::string_view ids, std::array<unsigned long, 3>* fields)
{
    for (std::size_t index = 0; index < fields->size(); ++index) {
        const bool last = index + 1 == fields->size();
        const std::size_t colon = ids.find(':');
        if (last != (colon == std::string_view::npos) ||
            !ParseIdField(ids.substr(0, colon), &(*fields)[index]))
            return false;
        ids.remove_prefix(last ? ids.size() : colon + 1);
    }
    return true;
}

bool ReadUevent(const std::filesystem::path& path, std::string* text)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    text->resize(kLargestUevent + 1);
    file.read(text->data(), static_cast<std::streamsize>(text->size()));
    text->resize(static_cast<std::size_t>(file.gcount()));
    return !file.bad() && text->size() <= kLargestUevent;
}

// hidraw2 before hidraw10.
bool NodeNameBefore(const std::string& a, const std::string& b)
{
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

} // namespace

bool UeventNamesWheel(std::string_view uevent)
{
    constexpr std::string_view kHidId = "HID_ID=";
    while (!uevent.empty()) {
        const std::size_t end = uevent.find('\n');
        const std::string_view line = uevent.substr(0, end);
        uevent.remove_prefix(end == std::string_view::npos ? uevent.size() : end + 1);
        if (!line.starts_with(kHidId))
            continue;
        std::array<unsigned long, 3> fields{};
        return ParseHidId(line.substr(kHidId.size()), &fields) &&
               fields == std::array<unsigned long, 3>{kUsbBus, kWheelVendorId, kWheelProductId};
    }
    return false;
}

WheelSearch FindWheelNodes(const std::filesystem::path& sysfsRoot, const std::filesystem::path& devRoot)
{
    WheelSearch search;
    search.hidrawClass = sysfsRoot / "class" / "hidraw";
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(search.hidrawClass, error), end; !error && entry != end;
         entry.increment(error)) {
        ++search.hidrawDevices;
        std::string uevent;
        if (ReadUevent(entry->path() / "device" / "uevent", &uevent) && UeventNamesWheel(uevent))
            names.push_back(entry->path().filename().string());
    }
    std::sort(names.begin(), names.end(), NodeNameBefore);
    for (const std::string& name : names)
        search.nodes.push_back((devRoot / name).string());
    return search;
}

HANDLE FoundWheelDevice::Open(const char* /*path*/)
{
    const WheelSearch search = FindWheelNodes(systemRoot_ / "sys", systemRoot_ / "dev");
    found_ = search.nodes.size() == 1;
    return found_ ? device_.Open(search.nodes.front().c_str()) : INVALID_HANDLE_VALUE;
}

} // namespace torvex::lab
