#include "platform/win32/win32_resources.h"

namespace torvex {

int Win32Resources::LoadText(HINSTANCE module, UINT id, char* buffer, int capacity)
{
    if (buffer == nullptr || capacity < 1) {
        return 0;
    }
    return ::LoadStringA(module, id, buffer, capacity);
}

int Win32Resources::ToWide(const char* text, int length, WCHAR* wide, int capacity)
{
    return ::MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, length, wide, capacity);
}

void* Win32Resources::LocalAllocZeroed(SIZE_T bytes)
{
    // LMEM_FIXED (0) with LMEM_ZEROINIT: the handle is the block's address.
    return ::LocalAlloc(LMEM_ZEROINIT, bytes);
}

void Win32Resources::LocalFreeBlock(void* block)
{
    if (block != nullptr) {
        ::LocalFree(block);
    }
}

} // namespace torvex
