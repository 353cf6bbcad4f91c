// What the tests of the lab's runs share: the options of a run of the built
// driver module with the installation's entries, and a scenario from text.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/fixtures.h"
#include "tools/lab/lab_run.h"

namespace torvex::lab {

inline LabOptions Options()
{
    LabOptions options;
    options.modulePath = TORVEX_FF_MODULE;
    options.installFile = torvex::testing::InstallFilePath();
    return options;
}

inline Scenario Parsed(const std::string& text)
{
    Scenario scenario;
    ScenarioError error;
    EXPECT_TRUE(ParseScenario(text, &scenario, &error)) << error.line << ": " << error.message;
    return scenario;
}

} // namespace torvex::lab
