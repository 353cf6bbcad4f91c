// The lab's scenario parser reads what users type: any text parses or is
// refused with a line and a reason, never a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tools/lab/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    torvex::lab::Scenario scenario;
    torvex::lab::ScenarioError error;
    if (!torvex::lab::ParseScenario(text, &scenario, &error) && error.message.empty())
        std::abort();
    return 0;
}
