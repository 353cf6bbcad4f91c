// The resource port on Windows: LoadStringA, MultiByteToWideChar with the
// system's ANSI code page, and the local heap.
#pragma once

#include "platform/resources.h"

namespace torvex {

class Win32Resources final : public ResourcePort {
public:
    // A zero `capacity` is refused (0, nothing written), as SimResources
    // does: LoadStringA would write a pointer to the resource into `buffer`.
    int LoadText(HINSTANCE module, UINT id, char* buffer, int capacity) override;
    int ToWide(const char* text, int length, WCHAR* wide, int capacity) override;
    void* LocalAllocZeroed(SIZE_T bytes) override;
    void LocalFreeBlock(void* block) override;
};

} // namespace torvex
