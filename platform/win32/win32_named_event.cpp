#include "platform/win32/win32_named_event.h"

namespace torvex {

Win32NamedEvent::Win32NamedEvent(const char* name)
    : event_(::CreateEventA(nullptr, FALSE /*auto-reset*/, TRUE /*signalled*/, name))
{
}

Win32NamedEvent::~Win32NamedEvent()
{
    if (event_ != nullptr) {
        ::CloseHandle(event_);
    }
}

DWORD Win32NamedEvent::Wait(DWORD timeoutMs)
{
    const DWORD result = event_ != nullptr ? ::WaitForSingleObject(event_, timeoutMs) : WAIT_FAILED;
    if (result != WAIT_OBJECT_0) {
        ::SetLastError(result);
    }
    return result;
}

void Win32NamedEvent::Signal()
{
    if (event_ != nullptr) {
        ::SetEvent(event_);
    }
}

} // namespace torvex
