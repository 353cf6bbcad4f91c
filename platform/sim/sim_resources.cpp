#include "platform/sim/sim_resources.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace torvex {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80 to 0x9F.
constexpr WCHAR kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

WCHAR Windows1252ToWide(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F) {
        return kWindows1252High[byte - 0x80];
    }
    return static_cast<WCHAR>(byte);
}

SimResources::SimResources(std::map<UINT, std::string> strings) : strings_(std::move(strings))
{
}

SimResources::~SimResources() = default;

void SimResources::SetString(UINT id, std::string text)
{
    strings_[id] = std::move(text);
}

int SimResources::LoadText(HINSTANCE module, UINT id, char* buffer, int capacity)
{
    lastModule_ = module;
    if (buffer == nullptr || capacity < 1) {
        return 0;
    }
    const auto found = strings_.find(id);
    if (found == strings_.end()) {
        buffer[0] = '\0';
        return 0;
    }
    const std::string& text = found->second;
    const std::size_t count = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<int>(count);
}

int SimResources::ToWide(const char* text, int length, WCHAR* wide, int capacity)
{
    if (text == nullptr || length == 0 || length < -1 || capacity < 0 || (wide == nullptr && capacity != 0)) {
        return 0;
    }
    // -1: the text ends at its terminator, which is converted too.
    const std::size_t count = length == -1 ? std::strlen(text) + 1 : static_cast<std::size_t>(length);
    if (capacity == 0) {
        return static_cast<int>(count);
    }
    if (count > static_cast<std::size_t>(capacity)) {
        return 0;
    }
    for (std::size_t i = 0; i < count; ++i) {
        wide[i] = Windows1252ToWide(static_cast<unsigned char>(text[i]));
    }
    return static_cast<int>(count);
}

void* SimResources::LocalAllocZeroed(SIZE_T bytes)
{
    // LocalAlloc hands out a distinct block even for zero bytes.
    const SIZE_T size = std::max<SIZE_T>(bytes, 1);
    if (size > kLocalHeapBytes - liveBytes_ || !MayAllocate()) {
        return nullptr;
    }
    Block block{std::unique_ptr<std::byte[]>(new (std::nothrow) std::byte[size]()), size};
    if (block.bytes == nullptr) {
        return nullptr;
    }
    void* address = block.bytes.get();
    liveBytes_ += size;
    blocks_.emplace(address, std::move(block));
    return address;
}

void SimResources::LocalFreeBlock(void* block)
{
    if (block == nullptr) {
        return;
    }
    const auto found = blocks_.find(block);
    if (found == blocks_.end()) {
        ++invalidFrees_;
        return;
    }
    liveBytes_ -= found->second.size;
    blocks_.erase(found);
}

bool SimResources::MayAllocate()
{
    if (!failing_) {
        return true;
    }
    if (allocationsBeforeFailure_ == 0) {
        return false;
    }
    --allocationsBeforeFailure_;
    return true;
}

void SimResources::FailAllocationsAfter(int n)
{
    failing_ = true;
    allocationsBeforeFailure_ = std::max(n, 0);
}

void SimResources::AllocateNormally()
{
    failing_ = false;
}

} // namespace torvex
