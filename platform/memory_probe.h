// Whether a block the caller hands in may be read or written. Windows asks
// the memory manager (IsBadReadPtr, IsBadWritePtr) and so also catches a
// freed or foreign pointer; other builds can only refuse a null one.
#pragma once

#include <cstddef>

#include "platform/windows_api.h"

namespace torvex {

inline bool IsReadableBlock(const void* block, std::size_t size)
{
#if defined(_WIN32)
    return block != nullptr && !IsBadReadPtr(block, size);
#else
    (void)size;
    return block != nullptr;
#endif
}

inline bool IsWritableBlock(void* block, std::size_t size)
{
#if defined(_WIN32)
    return block != nullptr && !IsBadWritePtr(block, size);
#else
    (void)size;
    return block != nullptr;
#endif
}

} // namespace torvex
