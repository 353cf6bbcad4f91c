#include "tools/lab/plot_svg.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <numbers>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

namespace torvex::lab {

namespace {

// The report carries channel 0 in byte 3 and channel 1 in byte 4.
constexpr std::size_t kChannelByte[2] = {3, 4};
constexpr int kFullStrength = 127;
// Below this the wheel's motors do not move; the driver sends 0 instead.
constexpr int kDeadZone = 16;

constexpr double kWidth = 1120;
constexpr double kPlotLeft = 64;
constexpr double kPlotRight = kWidth - 44;
constexpr double kPlotWidth = kPlotRight - kPlotLeft;
constexpr double kPlotHeight = 300;
constexpr double kTitleBand = 58;  // the title and the legend beneath it
constexpr double kBottomBand = 62; // the time axis and a footnote

// Command labels rise to the right at this angle. Parallel labels whose
// anchors are kLabelGap apart stay clear of each other, however long.
constexpr double kLabelAngle = 60 * std::numbers::pi / 180;
constexpr double kLabelFontPx = 11;
constexpr double kLabelCharPx = 6.2; // a generous average advance of the font
constexpr double kLabelGap = 14;
// How far a label may move right of its mark before it is left out.
constexpr double kLabelMaxShift = 3 * kLabelGap;
constexpr double kLabelRise = 18; // from the plot's top edge to a label's anchor
constexpr std::size_t kMaxLabelChars = 30;
// Status and result dots sit on a strip just above the plot.
constexpr double kDotRise = 8;

// Beyond this many changes a channel is drawn one pixel column at a time.
constexpr std::size_t kPixelColumns = static_cast<std::size_t>(kPlotWidth);
constexpr std::size_t kExactStepLimit = 2 * kPixelColumns;

constexpr const char* kChannelColour[2] = {"#1f64c8", "#f07a10"};
constexpr const char* kDeadZoneFill = "#ececec";
constexpr const char* kUnpluggedFill = "#fbe4e4";
constexpr const char* kStatusColour = "#2e9d4a";
constexpr const char* kResultColour = "#d0302b";
constexpr const char* kFont = "DejaVu Sans, Verdana, Arial, sans-serif";

// ---- text ---------------------------------------------------------------

// The length of the UTF-8 sequence that starts at `text[i]`, or 0 when the
// bytes there are no valid sequence (a scenario file may hold any bytes).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    }
    return length;
}

// Text an XML document may hold: valid UTF-8 without control characters
// (a byte that is neither becomes U+FFFD or a space).
std::string CleanText(std::string_view text)
{
    constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    std::string clean;
    clean.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, i);
        const std::string_view sequence = text.substr(i, length);
        if (length == 0)
            clean += kReplacement;
        else if (length == 1 && static_cast<unsigned char>(text[i]) < 0x20)
            clean += ' ';
        else if (sequence == "\xEF\xBF\xBE" || sequence == "\xEF\xBF\xBF") // not characters XML allows
            clean += kReplacement;
        else
            clean += sequence;
        i += std::max<std::size_t>(length, 1);
    }
    return clean;
}

std::string EscapeXml(std::string_view text)
{
    static constexpr std::pair<char, std::string_view> kEntities[] = {
        {'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}, {'\'', "&apos;"}};
    std::string escaped;
    for (const char c : CleanText(text)) {
        const auto* entity = std::find_if(std::begin(kEntities), std::end(kEntities),
                                          [c](const auto& entry) { return entry.first == c; });
        if (entity != std::end(kEntities))
            escaped += entity->second;
        else
            escaped += c;
    }
    return escaped;
}

std::size_t CharacterCount(std::string_view clean)
{
    return static_cast<std::size_t>(std::count_if(
        clean.begin(), clean.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// At most `limit` characters of clean text, the last of them an ellipsis
// when it had to be cut.
std::string Truncate(const std::string& clean, std::size_t limit)
{
    if (CharacterCount(clean) <= limit)
        return clean;
    std::size_t characters = 0;
    std::size_t i = 0;
    for (; i < clean.size(); ++i) {
        if ((static_cast<unsigned char>(clean[i]) & 0xC0) == 0x80)
            continue;
        if (characters + 1 == limit)
            break;
        ++characters;
    }
    return clean.substr(0, i) + "\xE2\x80\xA6";
}

std::string_view Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string_view FirstWord(std::string_view text)
{
    return text.substr(0, text.find_first_of(" \t"));
}

std::string Number(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", value);
    return buffer;
}

// ---- elements -----------------------------------------------------------

// One SVG element. Attribute values are the plot's own numbers and words;
// text from outside reaches the document only through EscapeXml.
class Element {
public:
    explicit Element(std::string_view name) : name_(name), text_("<" + name_) {}

    Element& Set(std::string_view attribute, double value) { return Set(attribute, Number(value)); }
    Element& Set(std::string_view attribute, std::string_view value)
    {
        text_ += ' ';
        text_ += attribute;
        text_ += "=\"";
        text_ += value;
        text_ += '"';
        return *this;
    }
    std::string Empty() const { return text_ + "/>\n"; }
    // The opening tag alone, for an element whose content follows piece by piece.
    std::string Open() const { return text_ + ">\n"; }
    std::string Holding(std::string_view content) const
    {
        return text_ + ">" + std::string(content) + "</" + name_ + ">\n";
    }

private:
    std::string name_;
    std::string text_;
};

std::string Line(double x1, double y1, double x2, double y2, std::string_view colour)
{
    return Element("line")
        .Set("x1", x1)
        .Set("y1", y1)
        .Set("x2", x2)
        .Set("y2", y2)
        .Set("stroke", colour)
        .Empty();
}

std::string Rect(double x, double y, double width, double height, std::string_view fill)
{
    return Element("rect")
        .Set("x", x)
        .Set("y", y)
        .Set("width", width)
        .Set("height", height)
        .Set("fill", fill)
        .Empty();
}

// ---- layout -------------------------------------------------------------

struct Layout {
    double spanMs = 1000;
    double plotTop = kTitleBand;

    double X(std::uint64_t ms) const { return kPlotLeft + static_cast<double>(ms) / spanMs * kPlotWidth; }
    double Y(int strength) const { return PlotBottom() - strength * kPlotHeight / kFullStrength; }
    double PlotBottom() const { return plotTop + kPlotHeight; }
    double Height() const { return PlotBottom() + kBottomBand; }
    // The pixel column a time falls in, for decimation.
    std::size_t Column(DWORD ms) const
    {
        const double column = static_cast<double>(ms) / spanMs * static_cast<double>(kPixelColumns);
        return std::min(static_cast<std::size_t>(column), kPixelColumns - 1);
    }
};

// The span the time axis covers: at least up to the last event, and a whole
// second for a run too short to have a shape.
double TimeSpan(const Timeline& timeline, DWORD endMs)
{
    DWORD last = endMs;
    for (const TimelineEvent& event : timeline)
        last = std::max(last, event.timeMs);
    return last == 0 ? 1000.0 : static_cast<double>(last);
}

// A step of 1, 2 or 5 times a power of ten that cuts the span into about
// `parts` pieces; never below 1 ms.
std::uint64_t NiceStep(double span, double parts)
{
    const double raw = span / parts;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double normalised = raw / magnitude;
    const double nice = normalised < 1.5 ? 1 : normalised < 3.5 ? 2 : normalised < 7.5 ? 5 : 10;
    return std::max<std::uint64_t>(1, static_cast<std::uint64_t>(nice * magnitude));
}

// ---- the channels -------------------------------------------------------

struct Change {
    DWORD ms;
    int value;
};

// The moments a channel changes, in time order; the wheel rests at 0 until
// the first report.
std::vector<Change> ChannelChanges(const Timeline& timeline, std::size_t channel)
{
    std::vector<Change> changes;
    for (const TimelineEvent& event : timeline) {
        if (event.kind == TimelineEvent::Kind::Report)
            changes.push_back({event.timeMs, event.bytes[kChannelByte[channel]]});
    }
    // The timeline is in time order already; a stable sort keeps reports of
    // one moment in the order they were written if it ever is not.
    std::stable_sort(changes.begin(), changes.end(),
                     [](const Change& a, const Change& b) { return a.ms < b.ms; });
    std::vector<Change> distinct;
    int current = 0;
    for (const Change& change : changes) {
        if (change.value != current)
            distinct.push_back(change);
        current = change.value;
    }
    return distinct;
}

// A step line: each value holds until the next change.
std::string ExactSteps(const std::vector<Change>& changes, const Layout& layout)
{
    std::string path = "M" + Number(kPlotLeft) + " " + Number(layout.Y(0));
    for (const Change& change : changes)
        path += " H" + Number(layout.X(change.ms)) + " V" + Number(layout.Y(change.value));
    return path + " H" + Number(kPlotRight);
}

// Too many changes to draw each: one vertical stroke per pixel column from
// the lowest to the highest value the column held, so no peak and no dip is
// lost, then on at the column's last value.
std::string ColumnSteps(const std::vector<Change>& changes, const Layout& layout)
{
    std::string path = "M" + Number(kPlotLeft) + " " + Number(layout.Y(0));
    int current = 0;
    for (std::size_t i = 0; i < changes.size();) {
        const std::size_t column = layout.Column(changes[i].ms);
        int low = current;
        int high = current;
        for (; i < changes.size() && layout.Column(changes[i].ms) == column; ++i) {
            current = changes[i].value;
            low = std::min(low, current);
            high = std::max(high, current);
        }
        path += " H" + Number(kPlotLeft + static_cast<double>(column)) + " V" + Number(layout.Y(high)) +
                " V" + Number(layout.Y(low)) + " V" + Number(layout.Y(current));
    }
    return path + " H" + Number(kPlotRight);
}

std::string ChannelPath(const Timeline& timeline, std::size_t channel, const Layout& layout)
{
    const std::vector<Change> changes = ChannelChanges(timeline, channel);
    const std::string d =
        changes.size() <= kExactStepLimit ? ExactSteps(changes, layout) : ColumnSteps(changes, layout);
    // Channel 0 is drawn wider and first, so where both channels agree the
    // lower one still shows around the upper.
    return Element("path")
        .Set("id", channel == 0 ? "channel0" : "channel1")
        .Set("d", d)
        .Set("fill", "none")
        .Set("stroke", kChannelColour[channel])
        .Set("stroke-width", channel == 0 ? 3.0 : 1.6)
        .Set("stroke-linejoin", "round")
        .Empty();
}

// ---- the scenario's commands --------------------------------------------

struct Mark {
    DWORD ms;
    bool commentary; // a `say` line: the tour's headings
    std::string label;
    std::string detail; // the whole commentary, shown when the label is pointed at
};

// A commentary's heading: what comes before its colon, if it has one early
// enough to be a heading.
std::string Heading(const std::string& commentary)
{
    const std::size_t colon = commentary.find(':');
    if (colon == std::string::npos || colon == 0 || colon > kMaxLabelChars)
        return commentary;
    return commentary.substr(0, colon);
}

std::vector<Mark> CommandMarks(const Timeline& timeline)
{
    std::vector<Mark> marks;
    for (const TimelineEvent& event : timeline) {
        if (event.kind != TimelineEvent::Kind::Command)
            continue;
        const std::string_view line = Trim(event.text);
        const std::string_view verb = FirstWord(line);
        // Moving the clock is what the time axis shows already.
        if (verb.empty() || verb == "at" || verb.front() == '#')
            continue;
        const std::string_view rest = Trim(line.substr(verb.size()));
        if (verb == "say") {
            std::string commentary = CleanText(rest);
            marks.push_back({event.timeMs, true, Heading(commentary), std::move(commentary)});
            continue;
        }
        // The verb and what it acts on; the fields would not fit.
        const std::string_view object = FirstWord(rest);
        std::string label(verb);
        if (!object.empty() && object.front() != '#')
            label += " " + std::string(object);
        marks.push_back({event.timeMs, false, CleanText(label), {}});
    }
    return marks;
}

struct PlacedLabel {
    const Mark* mark;
    double x;
    std::string text; // shortened to end inside the picture
};

std::string FitLabel(const std::string& label, double x)
{
    const double room = (kWidth - 4 - x) / (std::cos(kLabelAngle) * kLabelCharPx);
    return Truncate(label,
                    static_cast<std::size_t>(std::clamp(room, 1.0, static_cast<double>(kMaxLabelChars))));
}

// Where the labels go: at their mark or a little to the right of it, never
// closer than kLabelGap to another; the commentary first, then the commands
// in time order. A label with no room is left out.
std::vector<PlacedLabel> PlaceLabels(const std::vector<Mark>& marks, const Layout& layout)
{
    std::vector<const Mark*> order;
    for (const Mark& mark : marks)
        order.push_back(&mark);
    std::stable_sort(order.begin(), order.end(),
                     [](const Mark* a, const Mark* b) { return a->commentary && !b->commentary; });

    std::vector<PlacedLabel> placed;
    std::set<double> taken;
    for (const Mark* mark : order) {
        const double wanted = layout.X(mark->ms);
        double x = wanted;
        while (x <= wanted + kLabelMaxShift) {
            const auto next = taken.lower_bound(x - kLabelGap + 0.01);
            if (next == taken.end() || *next >= x + kLabelGap)
                break;
            x = *next + kLabelGap;
        }
        if (x > wanted + kLabelMaxShift)
            continue;
        taken.insert(x);
        placed.push_back({mark, x, FitLabel(mark->label, x)});
    }
    return placed;
}

// Room above the plot for the longest label drawn, and at least for the dots.
double LabelBand(const std::vector<PlacedLabel>& labels)
{
    std::size_t longest = 0;
    for (const PlacedLabel& label : labels)
        longest = std::max(longest, CharacterCount(label.text));
    const double rise = static_cast<double>(longest) * kLabelCharPx * std::sin(kLabelAngle);
    return std::max(3 * kDotRise, kLabelRise + rise + 8);
}

std::string MarkLines(const std::vector<Mark>& marks, const Layout& layout)
{
    // One line per pixel column and kind: hours of commands stay a picture.
    std::set<std::pair<long, bool>> drawn;
    std::string lines;
    for (const Mark& mark : marks) {
        const double x = layout.X(mark.ms);
        if (!drawn.insert({std::lround(x), mark.commentary}).second)
            continue;
        Element line("line");
        line.Set("x1", x).Set("y1", layout.plotTop).Set("x2", x).Set("y2", layout.PlotBottom());
        if (mark.commentary)
            line.Set("stroke", "#8a8a8a");
        else
            line.Set("stroke", "#c4c4c4").Set("stroke-dasharray", "3 3");
        lines += line.Empty();
    }
    return lines;
}

std::string Label(const PlacedLabel& label, const Layout& layout)
{
    const double anchorY = layout.plotTop - kLabelRise;
    std::string text = Line(layout.X(label.mark->ms), layout.plotTop, label.x, anchorY + 4, "#b0b0b0");
    Element element("text");
    element.Set("class", "label")
        .Set("transform", "translate(" + Number(label.x) + " " + Number(anchorY) + ") rotate(" +
                              Number(-kLabelAngle * 180 / std::numbers::pi) + ")")
        .Set("font-size", kLabelFontPx);
    if (label.mark->commentary)
        element.Set("fill", "#222").Set("font-weight", "bold");
    else
        element.Set("fill", "#666");
    std::string content = EscapeXml(label.text);
    if (!label.mark->detail.empty())
        content += "<title>" + EscapeXml(label.mark->detail) + "</title>";
    return text + element.Holding(content);
}

std::string Labels(const std::vector<PlacedLabel>& labels, std::size_t markCount, const Layout& layout)
{
    std::string text;
    for (const PlacedLabel& label : labels)
        text += Label(label, layout);
    const std::size_t leftOut = markCount - labels.size();
    if (leftOut > 0) {
        text += Element("text")
                    .Set("x", kPlotRight)
                    .Set("y", layout.Height() - 8)
                    .Set("text-anchor", "end")
                    .Set("font-size", 11.0)
                    .Set("fill", "#888")
                    .Holding(std::to_string(leftOut) + (leftOut == 1 ? " label" : " labels") +
                             " left out where the marks crowd");
    }
    return text;
}

// Where the wheel was unplugged: between an `unplug` and the next `plug`.
std::vector<std::pair<DWORD, DWORD>> UnpluggedRanges(const Timeline& timeline, const Layout& layout)
{
    std::vector<std::pair<DWORD, DWORD>> ranges;
    bool unplugged = false;
    DWORD since = 0;
    for (const TimelineEvent& event : timeline) {
        if (event.kind != TimelineEvent::Kind::Command)
            continue;
        const std::string_view verb = FirstWord(Trim(event.text));
        if (verb == "unplug" && !unplugged) {
            unplugged = true;
            since = event.timeMs;
        } else if (verb == "plug" && unplugged) {
            unplugged = false;
            ranges.emplace_back(since, event.timeMs);
        }
    }
    if (unplugged)
        ranges.emplace_back(since, static_cast<DWORD>(layout.spanMs));
    return ranges;
}

std::string UnpluggedSpans(const std::vector<std::pair<DWORD, DWORD>>& ranges, const Layout& layout)
{
    std::string spans;
    for (const auto& [from, to] : ranges) {
        const double x = layout.X(from);
        const double width = std::max(1.0, layout.X(to) - x);
        spans += Rect(x, layout.plotTop, width, kPlotHeight, kUnpluggedFill);
        if (width > 60)
            spans += Element("text")
                         .Set("x", x + width / 2)
                         .Set("y", layout.plotTop + 16)
                         .Set("text-anchor", "middle")
                         .Set("font-size", 11.0)
                         .Set("fill", "#b04040")
                         .Holding("unplugged");
    }
    return spans;
}

// ---- statuses and results -----------------------------------------------

enum class Dot { Playing, Stopped, Result };

std::string DotElement(Dot dot, double x, double y, std::string_view title)
{
    Element circle("circle");
    circle.Set("cx", x).Set("cy", y).Set("r", 3.5);
    if (dot == Dot::Playing)
        circle.Set("fill", kStatusColour);
    else if (dot == Dot::Stopped)
        circle.Set("fill", "#ffffff").Set("stroke", kStatusColour).Set("stroke-width", 1.5);
    else
        circle.Set("fill", kResultColour);
    return title.empty() ? circle.Empty() : circle.Holding("<title>" + EscapeXml(title) + "</title>");
}

std::string Hex8(HRESULT result)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(result));
    return buffer;
}

std::string EventDots(const Timeline& timeline, const Layout& layout)
{
    // One dot per pixel column and kind.
    std::set<std::pair<long, Dot>> drawn;
    std::string dots;
    for (const TimelineEvent& event : timeline) {
        const bool isStatus = event.kind == TimelineEvent::Kind::Status;
        if (!isStatus && event.kind != TimelineEvent::Kind::Result)
            continue;
        const double x = layout.X(event.timeMs);
        const Dot dot = !isStatus ? Dot::Result : event.playing ? Dot::Playing : Dot::Stopped;
        if (!drawn.insert({std::lround(x), dot}).second)
            continue;
        const std::string title = isStatus ? event.name + (event.playing ? " playing" : " stopped")
                                           : event.command + " " + Hex8(event.result);
        dots += DotElement(dot, x, layout.plotTop - kDotRise, title);
    }
    return dots;
}

// ---- the frame ----------------------------------------------------------

bool Contains(const Timeline& timeline, TimelineEvent::Kind kind, bool playing = true)
{
    return std::any_of(timeline.begin(), timeline.end(), [&](const TimelineEvent& event) {
        return event.kind == kind && (kind != TimelineEvent::Kind::Status || event.playing == playing);
    });
}

// The legend names what this picture shows: the channels and the dead zone
// always, the dots and the unplugged spans only where there are any. With
// every entry it still fits one row.
std::string Legend(const Timeline& timeline, bool anyUnplugged)
{
    constexpr double kY = 44;
    std::string legend;
    double x = kPlotLeft;
    const auto entry = [&](const std::string& swatch, std::string_view text) {
        legend +=
            swatch + Element("text").Set("x", x + 26).Set("y", kY + 4).Set("fill", "#333").Holding(text);
        x += 26 + static_cast<double>(text.size()) * 6.6 + 22;
    };
    for (std::size_t channel = 0; channel < 2; ++channel) {
        entry(Element("line")
                  .Set("x1", x)
                  .Set("y1", kY)
                  .Set("x2", x + 20)
                  .Set("y2", kY)
                  .Set("stroke", kChannelColour[channel])
                  .Set("stroke-width", 3.0)
                  .Empty(),
              channel == 0 ? "channel 0 (byte 3)" : "channel 1 (byte 4)");
    }
    entry(Rect(x, kY - 6, 20, 12, kDeadZoneFill), "dead zone (below 16)");
    if (anyUnplugged)
        entry(Rect(x, kY - 6, 20, 12, kUnpluggedFill), "unplugged");
    if (Contains(timeline, TimelineEvent::Kind::Status, true))
        entry(DotElement(Dot::Playing, x + 10, kY, {}), "playing");
    if (Contains(timeline, TimelineEvent::Kind::Status, false))
        entry(DotElement(Dot::Stopped, x + 10, kY, {}), "stopped");
    if (Contains(timeline, TimelineEvent::Kind::Result))
        entry(DotElement(Dot::Result, x + 10, kY, {}), "result not S_OK");
    return legend;
}

std::string Title()
{
    return Element("text")
        .Set("x", kPlotLeft)
        .Set("y", 22.0)
        .Set("font-size", 15.0)
        .Set("font-weight", "bold")
        .Set("fill", "#222")
        .Holding("Force on the wheel: both channels of the force report");
}

std::string DeadZone(const Layout& layout)
{
    const double top = layout.Y(kDeadZone);
    return Rect(kPlotLeft, top, kPlotWidth, layout.PlotBottom() - top, kDeadZoneFill);
}

std::string StrengthAxis(const Layout& layout)
{
    std::string axis;
    for (const int strength : {0, 16, 32, 48, 64, 80, 96, 112, 127}) {
        const double y = layout.Y(strength);
        axis += Line(kPlotLeft, y, kPlotRight, y, "#e2e2e2");
        axis += Element("text")
                    .Set("x", kPlotLeft - 6)
                    .Set("y", y + 4)
                    .Set("text-anchor", "end")
                    .Set("fill", "#555")
                    .Holding(std::to_string(strength));
    }
    const double middle = layout.plotTop + kPlotHeight / 2;
    axis += Element("text")
                .Set("x", 18.0)
                .Set("y", middle)
                .Set("text-anchor", "middle")
                .Set("fill", "#333")
                .Set("transform", "rotate(-90 18 " + Number(middle) + ")")
                .Holding("strength (0 to 127)");
    return axis;
}

std::string TimeAxis(const Layout& layout)
{
    std::string axis;
    const std::uint64_t step = NiceStep(layout.spanMs, 10);
    for (std::uint64_t ms = 0; static_cast<double>(ms) <= layout.spanMs; ms += step) {
        const double x = layout.X(ms);
        axis += Line(x, layout.plotTop, x, layout.PlotBottom() + 5, "#e2e2e2");
        axis += Element("text")
                    .Set("x", x)
                    .Set("y", layout.PlotBottom() + 19)
                    .Set("text-anchor", "middle")
                    .Set("fill", "#555")
                    .Holding(std::to_string(ms));
    }
    axis += Element("text")
                .Set("x", (kPlotLeft + kPlotRight) / 2)
                .Set("y", layout.PlotBottom() + 42)
                .Set("text-anchor", "middle")
                .Set("fill", "#333")
                .Holding("time (ms)");
    return axis;
}

std::string PlotFrame(const Layout& layout)
{
    return Element("rect")
        .Set("x", kPlotLeft)
        .Set("y", layout.plotTop)
        .Set("width", kPlotWidth)
        .Set("height", kPlotHeight)
        .Set("fill", "none")
        .Set("stroke", "#888")
        .Empty();
}

std::string NoReportsNote(const Timeline& timeline, const Layout& layout)
{
    if (Contains(timeline, TimelineEvent::Kind::Report))
        return {};
    return Element("text")
        .Set("x", (kPlotLeft + kPlotRight) / 2)
        .Set("y", layout.plotTop + kPlotHeight / 2)
        .Set("text-anchor", "middle")
        .Set("fill", "#888")
        .Holding("no report reached the wheel");
}

} // namespace

std::string PlotSvg(const Timeline& timeline, DWORD endMs)
{
    Layout layout;
    layout.spanMs = TimeSpan(timeline, endMs);
    const std::vector<Mark> marks = CommandMarks(timeline);
    const std::vector<PlacedLabel> labels = PlaceLabels(marks, layout);
    layout.plotTop = kTitleBand + LabelBand(labels);
    const auto unplugged = UnpluggedRanges(timeline, layout);

    std::string svg = Element("svg")
                          .Set("xmlns", "http://www.w3.org/2000/svg")
                          .Set("width", kWidth)
                          .Set("height", layout.Height())
                          .Set("viewBox", "0 0 " + Number(kWidth) + " " + Number(layout.Height()))
                          .Set("font-family", kFont)
                          .Set("font-size", 12.0)
                          .Open();
    svg += Rect(0, 0, kWidth, layout.Height(), "#ffffff");
    svg += Title();
    svg += Legend(timeline, !unplugged.empty());
    svg += DeadZone(layout);
    svg += UnpluggedSpans(unplugged, layout);
    svg += StrengthAxis(layout);
    svg += TimeAxis(layout);
    svg += PlotFrame(layout);
    svg += MarkLines(marks, layout);
    svg += ChannelPath(timeline, 0, layout);
    svg += ChannelPath(timeline, 1, layout);
    svg += Labels(labels, marks.size(), layout);
    svg += EventDots(timeline, layout);
    svg += NoReportsNote(timeline, layout);
    svg += "</svg>\n";
    return svg;
}

} // namespace torvex::lab
