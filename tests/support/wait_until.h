// Waiting in tests for something another thread or process does, with a
// limit that only a broken program reaches, so such a test fails instead of
// hanging.
#pragma once

#include <chrono>
#include <thread>

namespace torvex::testing {

template <typename Predicate>
bool WaitUntil(Predicate done, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace torvex::testing
