// What a 32-bit caller and a COM slot must agree on beyond the slot's
// place in the table: the result's type and the bytes of arguments on the
// stack. A __stdcall callee removes its own arguments on return, so a slot
// declared with other argument sizes than its callers push returns with
// their stack pointer moved. Used by the compile-time checks of each
// deliverable's interfaces on the 32-bit Windows build.
#pragma once

#include <cstddef>
#include <type_traits>

#include "platform/windows_api.h"

namespace torvex {

// The stack bytes one argument takes: whole 4-byte words, and a reference
// (REFIID) is passed as the address it stands for.
template <typename A>
constexpr std::size_t kArgumentBytes = ((std::is_reference_v<A> ? sizeof(void*) : sizeof(A)) + 3) / 4 * 4;

// Only __stdcall slots and exports match: a slot of any other calling
// convention does not compile.
template <typename> struct SlotCall;

template <typename R, typename C, typename... A> struct SlotCall<R (STDMETHODCALLTYPE C::*)(A...)> {
    using Result = R;
    static constexpr std::size_t kStackBytes = sizeof(void*) + (kArgumentBytes<A> + ... + 0); // `this` first
};

template <typename R, typename... A> struct SlotCall<R(STDMETHODCALLTYPE*)(A...)> {
    using Result = R;
    static constexpr std::size_t kStackBytes = (kArgumentBytes<A> + ... + 0);
};

// True when `slot` answers a `Result` and takes `words` 4-byte words of
// stack, `this` included.
template <auto slot, typename Result> constexpr bool Takes(std::size_t words)
{
    using Call = SlotCall<decltype(slot)>;
    return std::is_same_v<typename Call::Result, Result> && Call::kStackBytes == words * 4;
}

} // namespace torvex
