#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tools/lab/plot_svg.h"

namespace torvex::lab {
namespace {

TimelineEvent Report(DWORD ms, BYTE channel0, BYTE channel1)
{
    TimelineEvent event;
    event.kind = TimelineEvent::Kind::Report;
    event.timeMs = ms;
    event.bytes = {0, 0, 0, channel0, channel1};
    return event;
}

TimelineEvent Command(DWORD ms, std::string text)
{
    TimelineEvent event;
    event.kind = TimelineEvent::Kind::Command;
    event.timeMs = ms;
    event.text = std::move(text);
    return event;
}

// What an XML parser would refuse: unbalanced tags, a bare '<' or '&' in
// text, control characters. Empty when the document passes.
std::string XmlFault(const std::string& svg)
{
    if (svg.rfind("<svg", 0) != 0)
        return "does not start with <svg";
    std::vector<std::string> open;
    for (std::size_t i = 0; i < svg.size(); ++i) {
        const char c = svg[i];
        if (static_cast<unsigned char>(c) < 0x20 && c != '\n')
            return "control character at " + std::to_string(i);
        if (c == '&') {
            const std::size_t end = svg.find(';', i);
            const std::string entity = svg.substr(i, end == std::string::npos ? 8 : end - i + 1);
            if (entity != "&amp;" && entity != "&lt;" && entity != "&gt;" && entity != "&quot;" &&
                entity != "&apos;")
                return "bare & at " + std::to_string(i);
        }
        if (c != '<')
            continue;
        const std::size_t end = svg.find('>', i);
        if (end == std::string::npos)
            return "unterminated tag";
        const std::string tag = svg.substr(i + 1, end - i - 1);
        if (tag.find('<') != std::string::npos)
            return "bare < at " + std::to_string(i);
        if (tag.front() == '/') {
            if (open.empty() || open.back() != tag.substr(1))
                return "unbalanced </" + tag.substr(1) + ">";
            open.pop_back();
        } else if (tag.back() != '/') {
            open.push_back(tag.substr(0, tag.find_first_of(" \n")));
        }
        i = end;
    }
    return open.empty() ? "" : "unclosed <" + open.back() + ">";
}

std::string PathData(const std::string& svg, const std::string& id)
{
    const std::size_t path = svg.find("<path id=\"" + id + "\"");
    if (path == std::string::npos)
        return {};
    const std::size_t start = svg.find(" d=\"", path) + 4;
    return svg.substr(start, svg.find('"', start) - start);
}

// A step line read back from its path: the horizontal runs, and every
// height it reaches, measured up from where it starts (the wheel at rest).
struct StepLine {
    struct Run {
        double x0, x1, height;
    };
    std::vector<Run> runs;
    std::vector<double> heights;
    std::size_t commands = 0;

    double Left() const { return runs.front().x0; }
    double Right() const { return runs.back().x1; }
    double HeightAt(double fraction) const
    {
        const double x = Left() + fraction * (Right() - Left());
        for (const Run& run : runs) {
            if (x >= run.x0 && x < run.x1)
                return run.height;
        }
        return NAN;
    }
};

StepLine ReadSteps(const std::string& d)
{
    StepLine line;
    std::istringstream in(d);
    double x = 0;
    double y = 0;
    double baseline = 0;
    char command = 0;
    double value = 0;
    while (in >> command >> value) {
        ++line.commands;
        if (command == 'M') {
            x = value;
            in >> baseline;
            y = baseline;
        } else if (command == 'H') {
            line.runs.push_back({x, value, baseline - y});
            x = value;
        } else if (command == 'V') {
            y = value;
            line.heights.push_back(baseline - y);
        } else {
            ADD_FAILURE() << "unexpected path command " << command;
        }
    }
    return line;
}

TEST(PlotSvg, IsOneWellFormedDocumentWithBothChannels)
{
    const Timeline timeline = {Command(0, "download a constant"), Report(25, 100, 50), Command(500, "unplug"),
                               Command(700, "plug"), Report(800, 0, 0)};
    const std::string svg = PlotSvg(timeline, 1000);
    EXPECT_EQ(XmlFault(svg), "");
    EXPECT_FALSE(PathData(svg, "channel0").empty());
    EXPECT_FALSE(PathData(svg, "channel1").empty());
    EXPECT_NE(svg.find(">unplugged<"), std::string::npos);
    EXPECT_EQ(svg.find("nan"), std::string::npos);
}

TEST(PlotSvg, CommandTextIsEscapedAndCleaned)
{
    const Timeline timeline = {
        Command(100, "say a < b & c > \"d\""),
        Command(200, "wheel <&>"),
        Command(300, std::string("say bad \x01 bytes \xFF\xC3 here")),
        Command(400, "say caf\xC3\xA9 stays"),
    };
    const std::string svg = PlotSvg(timeline, 1000);
    EXPECT_EQ(XmlFault(svg), "");
    EXPECT_NE(svg.find("a &lt; b &amp; c &gt; &quot;d&quot;"), std::string::npos);
    EXPECT_NE(svg.find("wheel &lt;&amp;&gt;"), std::string::npos);
    EXPECT_EQ(svg.find('\xFF'), std::string::npos);
    EXPECT_NE(svg.find("caf\xC3\xA9 stays"), std::string::npos);
}

TEST(PlotSvg, EachReportHoldsUntilTheNext)
{
    const Timeline timeline = {Report(100, 100, 20), Report(125, 100, 20), Report(500, 50, 20)};
    const std::string svg = PlotSvg(timeline, 1000);
    const StepLine first = ReadSteps(PathData(svg, "channel0"));
    const StepLine second = ReadSteps(PathData(svg, "channel1"));
    ASSERT_FALSE(first.runs.empty() || second.runs.empty());

    EXPECT_EQ(first.HeightAt(0.05), 0.0); // at rest before the first report
    const double held = first.HeightAt(0.11);
    EXPECT_GT(held, 0.0);
    EXPECT_EQ(first.HeightAt(0.45), held); // the repeated report changes nothing
    EXPECT_NEAR(first.HeightAt(0.51) / held, 0.5, 0.01);
    EXPECT_EQ(first.HeightAt(0.999), first.HeightAt(0.51)); // the last report lasts to the end
    EXPECT_NEAR(second.HeightAt(0.3) / held, 0.2, 0.01);
    // Both channels share one time axis.
    EXPECT_EQ(first.Left(), second.Left());
    EXPECT_EQ(first.Right(), second.Right());
}

TEST(PlotSvg, HoursOfReportsKeepEveryPeakAndStaySmall)
{
    constexpr DWORD kHourMs = 3600 * 1000;
    Timeline timeline;
    for (DWORD ms = 25; ms <= kHourMs; ms += 25) {
        const BYTE wobble = (ms / 25) % 2 == 0 ? 20 : 30;
        timeline.push_back(Report(ms, ms == kHourMs / 2 ? 127 : wobble, wobble));
    }
    const std::string svg = PlotSvg(timeline, kHourMs);
    EXPECT_EQ(XmlFault(svg), "");
    EXPECT_LT(svg.size(), 200'000u);

    const StepLine line = ReadSteps(PathData(svg, "channel0"));
    EXPECT_LT(line.commands, 6000u);
    // The first column rises from rest; after that the line moves between
    // 20 and 30 but for one peak of 127, which is still drawn.
    std::vector<double> raised;
    std::copy_if(line.heights.begin(), line.heights.end(), std::back_inserter(raised),
                 [](double height) { return height > 0; });
    ASSERT_FALSE(raised.empty());
    const auto [lowest, highest] = std::minmax_element(raised.begin(), raised.end());
    EXPECT_NEAR(*highest / *lowest, 127.0 / 20.0, 0.05);
}

TEST(PlotSvg, EmptyTimelineGivesAnEmptyPlot)
{
    const std::string svg = PlotSvg({}, 0);
    EXPECT_EQ(XmlFault(svg), "");
    for (const char* channel : {"channel0", "channel1"}) {
        const StepLine line = ReadSteps(PathData(svg, channel));
        ASSERT_EQ(line.runs.size(), 1u) << channel;
        EXPECT_EQ(line.runs[0].height, 0.0);
        EXPECT_GT(line.Right(), line.Left());
    }
}

// The x of every label's anchor, from its translate(x y).
std::vector<double> LabelAnchors(const std::string& svg)
{
    std::vector<double> anchors;
    const std::string marker = "class=\"label\" transform=\"translate(";
    for (std::size_t at = svg.find(marker); at != std::string::npos; at = svg.find(marker, at + 1))
        anchors.push_back(std::strtod(svg.c_str() + at + marker.size(), nullptr));
    std::sort(anchors.begin(), anchors.end());
    return anchors;
}

TEST(PlotSvg, CrowdedLabelsAreThinnedOutNotPiledUp)
{
    Timeline timeline;
    for (DWORD ms = 0; ms < 3000; ms += 10)
        timeline.push_back(Command(ms, "start e" + std::to_string(ms)));
    timeline.push_back(Command(1500, "say the heading wins its place"));
    const std::string svg = PlotSvg(timeline, 3000);
    EXPECT_EQ(XmlFault(svg), "");

    const std::vector<double> anchors = LabelAnchors(svg);
    ASSERT_GT(anchors.size(), 20u);
    EXPECT_LT(anchors.size(), timeline.size());
    for (std::size_t i = 1; i < anchors.size(); ++i)
        EXPECT_GE(anchors[i] - anchors[i - 1], 13.9) << "labels " << i - 1 << " and " << i;
    EXPECT_NE(svg.find("the heading wins its place"), std::string::npos);
    EXPECT_NE(svg.find("left out"), std::string::npos);
}

} // namespace
} // namespace torvex::lab
