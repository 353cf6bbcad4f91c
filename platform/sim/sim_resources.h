// The module's resources and the local heap, simulated: a string table
// given by the test or the lab, the conversion to wide characters of a
// Windows system whose ANSI code page is Windows-1252 (Western European,
// the wheel's market), and a local heap that counts its blocks and can be
// told to run out. Results follow LoadStringA, MultiByteToWideChar and
// LocalAlloc/LocalFree. One thread at a time.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>

#include "platform/resources.h"

namespace torvex {

class SimResources final : public ResourcePort {
public:
    // The module's string table: id to text in the ANSI code page.
    explicit SimResources(std::map<UINT, std::string> strings = {});
    SimResources(const SimResources&) = delete;
    SimResources& operator=(const SimResources&) = delete;
    ~SimResources() override;

    // A zero `capacity` is refused (0, nothing written): LoadStringA would
    // take it as a request for a pointer to the resource and write one
    // into `buffer`. A missing string leaves an empty string in `buffer`.
    int LoadText(HINSTANCE module, UINT id, char* buffer, int capacity) override;
    // As on Windows: a `length` of -1 converts up to and with the
    // terminator; a `capacity` of 0 asks only for the number of wide
    // characters; a `capacity` too small for them refuses with 0 and writes
    // nothing (ERROR_INSUFFICIENT_BUFFER); a zero `length`, a null `text`
    // and a negative `length` other than -1 or `capacity` are refused.
    int ToWide(const char* text, int length, WCHAR* wide, int capacity) override;
    // Zero-filled blocks; null when the heap has no room or a failure was
    // asked for. Freeing null does nothing, as LocalFree does.
    void* LocalAllocZeroed(SIZE_T bytes) override;
    void LocalFreeBlock(void* block) override;

    void SetString(UINT id, std::string text);
    // The module the last LoadText read from.
    HINSTANCE LastModule() const { return lastModule_; }

    // The next `n` allocations succeed, every later one fails, until
    // AllocateNormally: a system that runs out of memory part way.
    void FailAllocationsAfter(int n);
    void AllocateNormally();
    // Blocks allocated and not yet freed.
    int LiveBlockCount() const { return static_cast<int>(blocks_.size()); }
    // Frees of a pointer that is no live block: a double free, or a block
    // that never came from this heap. Never legitimate.
    int InvalidFreeCount() const { return invalidFrees_; }

    // The most the heap holds at once.
    static constexpr SIZE_T kLocalHeapBytes = SIZE_T{1} << 20;

private:
    struct Block {
        std::unique_ptr<std::byte[]> bytes;
        SIZE_T size = 0;
    };

    bool MayAllocate();

    std::map<UINT, std::string> strings_;
    HINSTANCE lastModule_ = nullptr;
    std::map<const void*, Block> blocks_;
    SIZE_T liveBytes_ = 0;
    bool failing_ = false;
    int allocationsBeforeFailure_ = 0;
    int invalidFrees_ = 0;
};

// Windows-1252's wide character for `byte`, as MultiByteToWideChar gives
// it: the five bytes the code page leaves unassigned map to the C1 control
// characters of the same value.
WCHAR Windows1252ToWide(unsigned char byte);

} // namespace torvex
