#include "tools/lab/recording_ports.h"

#include <algorithm>

namespace torvex::lab {

RecordingTimer::~RecordingTimer() = default;

UINT RecordingTimer::StartPeriodic(UINT delayMs, UINT resolutionMs, TimerCallback callback, DWORD_PTR user)
{
    if (callback == nullptr)
        return 0;
    Started* started = nullptr;
    {
        const std::lock_guard lock(mutex_);
        started = &started_.emplace_back(Started{this, callback, user});
    }
    return timer_.StartPeriodic(delayMs, resolutionMs, Forward, reinterpret_cast<DWORD_PTR>(started));
}

UINT RecordingTimer::Kill(UINT timerId)
{
    return timer_.Kill(timerId);
}

void CALLBACK RecordingTimer::Forward(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR reserved1,
                                      DWORD_PTR reserved2)
{
    const auto& started = *reinterpret_cast<const Started*>(user);
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    if (started.owner->keepTimes_) {
        const std::lock_guard lock(started.owner->mutex_);
        started.owner->callbackTimesMs_.push_back(std::chrono::duration<double, std::milli>(now).count());
    }
    started.callback(timerId, message, started.user, reserved1, reserved2);
}

std::vector<double> RecordingTimer::CallbackTimesMs() const
{
    const std::lock_guard lock(mutex_);
    return callbackTimesMs_;
}

BOOL RecordingDevice::Write(HANDLE device, const void* buffer, DWORD size, DWORD* written)
{
    const BOOL result = device_.Write(device, buffer, size, written);
    TimelineEvent event;
    if (result == FALSE || written == nullptr || *written != size || size != event.bytes.size())
        return result;
    event.timeMs = now_();
    std::copy_n(static_cast<const BYTE*>(buffer), event.bytes.size(), event.bytes.begin());
    const std::lock_guard lock(mutex_);
    reports_.push_back(event);
    return result;
}

Timeline RecordingDevice::TakeReports()
{
    const std::lock_guard lock(mutex_);
    Timeline taken;
    taken.swap(reports_);
    return taken;
}

} // namespace torvex::lab
