// The module's own resources and the local heap, as the sheet object uses
// them for its caption: LoadStringA, MultiByteToWideChar and LocalAlloc.
#pragma once

#include "platform/windows_api.h"

namespace torvex {

class ResourcePort {
public:
    virtual ~ResourcePort() = default;
    // LoadStringA: copies string `id` of `module`'s string table into
    // `buffer`, at most `capacity` - 1 characters and a terminating zero;
    // the number copied, 0 when there is no such string.
    virtual int LoadText(HINSTANCE module, UINT id, char* buffer, int capacity) = 0;
    // MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, length, wide,
    // capacity): the wide characters written, 0 on failure. No terminator
    // is added for an explicit `length`.
    virtual int ToWide(const char* text, int length, WCHAR* wide, int capacity) = 0;
    // LocalAlloc(LMEM_ZEROINIT, bytes) and LocalFree; null when the local
    // heap has no room.
    virtual void* LocalAllocZeroed(SIZE_T bytes) = 0;
    virtual void LocalFreeBlock(void* block) = 0;
};

} // namespace torvex
