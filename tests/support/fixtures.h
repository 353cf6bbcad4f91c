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

// Loads a registry file of tests/fixtures into the in-memory registry.
inline ::testing::AssertionResult ImportFixture(SimRegistry& registry, const std::string& name)
{
    RegistryFileError error;
    if (!registry.ImportFile(FixturePath(name), &error))
        return ::testing::AssertionFailure() << name << ":" << error.line << ": " << error.message;
    return ::testing::AssertionSuccess();
}

} // namespace torvex::testing
