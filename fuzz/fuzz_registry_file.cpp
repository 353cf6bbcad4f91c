// The registry file parser takes text from users (the lab's --registry) and
// from tests: any text either parses or is refused with a line, and what
// parses writes back to text that parses to the same keys and values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/sim/registry_file.h"
#include "platform/sim/sim_registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    torvex::RegistryFile file;
    torvex::RegistryFileError error;
    if (!torvex::ParseRegistryFile(text, &file, &error)) {
        if (error.line < 0)
            std::abort();
        return 0;
    }
    const std::string written = torvex::WriteRegistryFile(file);
    torvex::RegistryFile again;
    if (!torvex::ParseRegistryFile(written, &again, &error) || torvex::WriteRegistryFile(again) != written)
        std::abort();
    torvex::SimRegistry registry;
    registry.Import(file);
    if (registry.OpenKeyCount() != 0)
        std::abort();
    return 0;
}
