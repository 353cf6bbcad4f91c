// What the tests of the lab's runs share: the options of a run of the built
// driver module with the installation's entries, a scenario from text, and
// the golden scenarios played on a wheel behind a device node.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

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

inline std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// tests/lab/<name>.scenario, each with its expected <name>.timeline.
inline std::vector<std::string> GoldenScenarioNames()
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(TORVEX_LAB_SCENARIO_DIR))
        if (entry.path().extension() == ".scenario")
            names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Plays the golden scenario `name` with `options` (a device node and the
// wheel behind it that the scenario moves): the timeline must be the one
// the simulated wheel gives, and what the wheel received exactly its
// reports, id byte first.
inline void ExpectGoldenTimeline(const std::string& name, const LabOptions& options,
                                 const std::function<std::vector<std::vector<BYTE>>()>& takeReceived)
{
    const std::filesystem::path scenarioDir = TORVEX_LAB_SCENARIO_DIR;
    std::ostringstream commentary;
    const LabOutcome outcome = RunScenario(Parsed(ReadText(scenarioDir / (name + ".scenario"))), options, commentary);
    ASSERT_TRUE(outcome.ok) << commentary.str();
    EXPECT_EQ(FormatTimeline(outcome.timeline), ReadText(scenarioDir / (name + ".timeline"))) << commentary.str();
    std::vector<std::vector<BYTE>> reports;
    for (const TimelineEvent& event : outcome.timeline)
        if (event.kind == TimelineEvent::Kind::Report)
            reports.emplace_back(event.bytes.begin(), event.bytes.end());
    EXPECT_EQ(takeReceived(), reports) << "the reports reach the wheel id byte first";
}

} // namespace torvex::lab
