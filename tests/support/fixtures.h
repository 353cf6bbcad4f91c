// Fixture files of the tests, found through the path the build gives.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/sim/sim_registry.h"

namespace torvex::testing {

inline std::string FixturePath(const std::string& name)
{
    return std::string(TORVEX_FIXTURE_DIR) + "/" + name;
}

// The registry file the wheel's installation imports.
inline std::string InstallFilePath()
{
    return std::string(TORVEX_INSTALL_DIR) + "/TorvexFF.reg";
}

// Loads a registry file into the in-memory registry.
inline ::testing::AssertionResult ImportRegistryFile(SimRegistry& registry, const std::string& path)
{
    RegistryFileError error;
    if (!registry.ImportFile(path, &error))
        return ::testing::AssertionFailure() << path << ":" << error.line << ": " << error.message;
    return ::testing::AssertionSuccess();
}

// Loads a registry file of tests/fixtures into the in-memory registry.
inline ::testing::AssertionResult ImportFixture(SimRegistry& registry, const std::string& name)
{
    return ImportRegistryFile(registry, FixturePath(name));
}

} // namespace torvex::testing
