// A second process for the named-lock tests: takes the lock named on the
// command line, sets the "held" event, keeps the lock until the "release"
// event is set, then signals it.
//   named_event_holder <lock name> <held event name> <release event name>
#include "platform/win32/win32_named_event.h"

namespace {

constexpr DWORD kWaitMs = 10000;

class EventHandle {
public:
    EventHandle(DWORD access, const char* name) : handle_(::OpenEventA(access, FALSE, name)) {}
    ~EventHandle()
    {
        if (handle_ != nullptr) {
            ::CloseHandle(handle_);
        }
    }
    EventHandle(const EventHandle&) = delete;
    EventHandle& operator=(const EventHandle&) = delete;

    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        return 2;
    }
    torvex::Win32NamedEvent lock(argv[1]);
    EventHandle held(EVENT_MODIFY_STATE, argv[2]);
    EventHandle release(SYNCHRONIZE, argv[3]);
    if (held.get() == nullptr || release.get() == nullptr) {
        return 3;
    }
    if (lock.Wait(kWaitMs) != WAIT_OBJECT_0) {
        return 4;
    }
    ::SetEvent(held.get());
    const DWORD released = ::WaitForSingleObject(release.get(), kWaitMs);
    lock.Signal();
    return released == WAIT_OBJECT_0 ? 0 : 5;
}
