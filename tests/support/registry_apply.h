// Writes the keys and values of a registry file through a registry port, as
// the Windows tests do with Wine's real registry, and removes afterwards
// exactly the keys that the file added.
#pragma once

#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/registry_file.h"

namespace torvex::testing {

class AppliedRegistryFile {
public:
    explicit AppliedRegistryFile(RegistryPort& registry) : registry_(registry) {}
    AppliedRegistryFile(const AppliedRegistryFile&) = delete;
    AppliedRegistryFile& operator=(const AppliedRegistryFile&) = delete;
    ~AppliedRegistryFile();

    // Deleting keys or values is not supported: false for such a file.
    bool Apply(const RegistryFile& file);

private:
    RegistryPort& registry_;
    // The topmost keys the file created, as (root, path below it).
    std::vector<std::pair<HKEY, std::string>> created_;
};

} // namespace torvex::testing
