// The pieces of the compiler's runtime that the 32-bit DLLs would otherwise
// take from its prebuilt libraries, which are compiled for the Pentium Pro:
// their cmov and fcomi would stop a game on a Pentium MMX, K6-2 or Cyrix
// machine with an invalid-opcode fault before the wheel ever moved. These are
// compiled with the rest of the DLL for the Pentium. Linked into each
// 32-bit DLL as an object of its own, so that the definitions are there
// before the runtime's libraries are searched.
//
// The DLLs are built without C++ exceptions: nothing in them catches one,
// so where the library would throw (memory exhausted inside a container,
// a length beyond the limit) the process ends as an uncaught exception
// would have ended it.
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/windows_api.h"

void* operator new(std::size_t size)
{
    void* block = std::malloc(size != 0 ? size : 1);
    if (block == nullptr)
        std::abort();
    return block;
}

void* operator new[](std::size_t size)
{
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return std::malloc(size != 0 ? size : 1);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return std::malloc(size != 0 ? size : 1);
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete[](void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept
{
    std::free(block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept
{
    std::free(block);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept
{
    std::free(block);
}

namespace std {

const nothrow_t nothrow{};

[[noreturn]] void __throw_bad_alloc()
{
    abort();
}
[[noreturn]] void __throw_bad_array_new_length()
{
    abort();
}
[[noreturn]] void __throw_length_error(const char*)
{
    abort();
}
[[noreturn]] void __throw_logic_error(const char*)
{
    abort();
}
[[noreturn]] void __throw_out_of_range(const char*)
{
    abort();
}
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...)
{
    abort();
}
[[noreturn]] void __throw_bad_function_call()
{
    abort();
}
[[noreturn]] void __throw_bad_weak_ptr()
{
    abort();
}

} // namespace std

extern "C" void __cxa_pure_virtual()
{
    std::abort();
}

// The runtime's relocation of data imported from other DLLs (version 2 of
// the linker's list), run by the DLL's startup code before any constructor.
// The DLLs import only functions, so the list is empty; it is still carried
// out in full should one ever name an entry.
namespace {

struct PseudoRelocHeader {
    DWORD magic1;
    DWORD magic2;
    DWORD version;
};

struct PseudoRelocEntry {
    DWORD symbol; // where the imported address is, from the image base
    DWORD target; // what to correct, from the image base
    DWORD flags;  // bits 0 to 7: the width of the target in bits
};

void WriteWithProtection(void* target, const void* value, SIZE_T size)
{
    DWORD old = 0;
    if (!::VirtualProtect(target, size, PAGE_EXECUTE_READWRITE, &old))
        std::abort();
    std::memcpy(target, value, size);
    ::VirtualProtect(target, size, old, &old);
}

} // namespace

extern "C" char __RUNTIME_PSEUDO_RELOC_LIST__[];
extern "C" char __RUNTIME_PSEUDO_RELOC_LIST_END__[];
extern "C" IMAGE_DOS_HEADER __ImageBase;

extern "C" void _pei386_runtime_relocator()
{
    const char* start = __RUNTIME_PSEUDO_RELOC_LIST__;
    const char* end = __RUNTIME_PSEUDO_RELOC_LIST_END__;
    if (end - start < static_cast<ptrdiff_t>(sizeof(PseudoRelocHeader)))
        return;
    const auto* header = reinterpret_cast<const PseudoRelocHeader*>(start);
    // The first version has no header; the linker writes it only when told to.
    if (header->magic1 != 0 || header->magic2 != 0 || header->version != 1)
        std::abort();
    char* const base = reinterpret_cast<char*>(&__ImageBase);
    for (auto* entry = reinterpret_cast<const PseudoRelocEntry*>(header + 1);
         reinterpret_cast<const char*>(entry + 1) <= end; ++entry) {
        char* const imported = base + entry->symbol;
        const ptrdiff_t address = *reinterpret_cast<ptrdiff_t*>(imported);
        char* const target = base + entry->target;
        const ptrdiff_t delta = address - reinterpret_cast<ptrdiff_t>(imported);
        switch (entry->flags & 0xff) {
        case 8: {
            const auto value = static_cast<signed char>(*target + delta);
            WriteWithProtection(target, &value, sizeof value);
            break;
        }
        case 16: {
            short value = 0;
            std::memcpy(&value, target, sizeof value);
            value = static_cast<short>(value + delta);
            WriteWithProtection(target, &value, sizeof value);
            break;
        }
        case 32: {
            long value = 0;
            std::memcpy(&value, target, sizeof value);
            value = static_cast<long>(value + delta);
            WriteWithProtection(target, &value, sizeof value);
            break;
        }
        default:
            std::abort();
        }
    }
}
