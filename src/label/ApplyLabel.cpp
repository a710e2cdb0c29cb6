// SPDX-License-Identifier: BSD-3-Clause
#include "label/ApplyLabel.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>

#include "base/Errors.h"
#include "base/FileNames.h"
#include "label/LabelFinder.h"
#include "label/TextTools.h"

namespace skeldra {

namespace {

// One control the label sets: a box with its text, or a button to check.
struct Setting {
    std::optional<Box> box;
    std::optional<Choice> choice;
    bool checked = true;
    std::string text;
    std::string logLine;
    // What the log line says, for scripts: the control's caption, its value
    // (a number for a count) and the keywords it came from.
    std::string caption;
    std::optional<int64_t> count;
    std::string value;
    std::string source;
    // Set and logged only when the box holds another text: a value every
    // label without it implies (no tiles), which must not linger from an
    // earlier file but need not be said each time.
    bool onlyWhenChanged = false;
};

struct Plan {
    std::vector<Setting> settings;
    std::vector<std::string> notes;
    // The notes of layout values the label gives but the boxes cannot take.
    std::vector<std::string> unsetLayout;
};

std::string logLine(const std::string& caption, const std::string& value, const std::string& source)
{
    return caption + " = " + value + " (" + source + ")";
}

class Planner {
public:
    explicit Planner(const LabelLayout& layout) : layout_(layout) {}

    Plan make()
    {
        count(Box::HeaderBytes, "Header bytes", layout_.headerBytes, 0);
        count(Box::NumSamples, "Samples per line", layout_.samplesPerLine, 1);
        count(Box::BitsPerSample, "Bits per sample", layout_.bitsPerSample, 1);
        dataFormat();
        reverseBytes();
        count(Box::NumBands, "Bands", layout_.bands, 1);
        bandStructure();
        count(Box::NumSingleImageLines, "Lines", layout_.lines, 1);
        pads();
        tiles();
        area();
        nonDataValue();
        for (const std::string& note : layout_.notes) {
            plan_.notes.push_back("Not set: " + note);
            if (std::find(layout_.remarks.begin(), layout_.remarks.end(), note) == layout_.remarks.end())
                plan_.unsetLayout.push_back(note);
        }
        return plan_;
    }

private:
    // A box that takes a whole number of at least `smallest`; values beyond
    // the 32-bit boxes are noted.
    void count(Box box, const std::string& caption, const std::optional<Sourced<int64_t>>& value, int64_t smallest)
    {
        if (!value) return;
        if (value->value < smallest || value->value > std::numeric_limits<int32_t>::max()) {
            const std::string note = caption + " " + decimal(value->value) + " (" + value->source +
                                     ") is outside what the box takes; left unchanged";
            plan_.notes.push_back("Not set: " + note);
            plan_.unsetLayout.push_back(note);
            return;
        }
        add(Setting{box, {}, true, decimal(value->value), logLine(caption, decimal(value->value), value->source),
                    caption, value->value, decimal(value->value), value->source});
    }

    void dataFormat()
    {
        if (!layout_.dataFormat) return;
        static constexpr Choice buttons[] = {Choice::UnsignedInteger, Choice::SignedInteger, Choice::Real};
        const DataFormat format = layout_.dataFormat->value;
        add(Setting{{}, buttons[static_cast<int>(format)], true, {},
                    logLine("Data Format", dataFormatCaption(format), layout_.dataFormat->source), "Data Format", {},
                    dataFormatCaption(format), layout_.dataFormat->source});
    }

    void reverseBytes()
    {
        if (!layout_.reverseBytes) return;
        const bool checked = layout_.reverseBytes->value;
        const char* state = checked ? "checked" : "unchecked";
        add(Setting{{}, Choice::ReverseBytes, checked, {}, logLine("Reverse byte order", state, layout_.reverseBytes->source),
                    "Reverse byte order", {}, state, layout_.reverseBytes->source});
    }

    void bandStructure()
    {
        if (!layout_.bandStructure) return;
        static constexpr Choice buttons[] = {Choice::NoBands, Choice::BIL, Choice::BIP, Choice::BSQ};
        const BandStructure structure = layout_.bandStructure->value;
        add(Setting{{}, buttons[static_cast<int>(structure)], true, {},
                    logLine("Band structure", bandStructureCaption(structure), layout_.bandStructure->source),
                    "Band structure", {}, bandStructureCaption(structure), layout_.bandStructure->source});
    }

    // With a known band structure every pad the label does not give is 0, so
    // that a pad typed for an earlier file does not linger.
    void pads()
    {
        const bool known = layout_.bandStructure.has_value();
        const Sourced<int64_t> none{0, "none in the label"};
        auto padOrNone = [&](const std::optional<Sourced<int64_t>>& pad) -> std::optional<Sourced<int64_t>> {
            if (pad || !known) return pad;
            return none;
        };
        count(Box::NumRowPadBytes, "Line pad", padOrNone(layout_.linePad), 0);
        count(Box::NumBandPadBytes, "Band pad", padOrNone(layout_.bandPad), 0);
        count(Box::NumBandGapBytes, "Gap", padOrNone(layout_.gap), 0);
    }

    void tiles()
    {
        if (layout_.tileSamples && layout_.tileLines) {
            count(Box::TileSamples, "Tile samples", layout_.tileSamples, 1);
            count(Box::TileLines, "Tile lines", layout_.tileLines, 1);
            return;
        }
        if (!layout_.bandStructure) return;
        const Sourced<int64_t> none{0, "no tiles in the label"};
        for (const auto& [box, caption] : {std::pair{Box::TileSamples, "Tile samples"}, std::pair{Box::TileLines, "Tile lines"}}) {
            count(box, caption, none, 0);
            plan_.settings.back().onlyWhenChanged = true;
        }
    }

    void area()
    {
        if (layout_.lines) {
            count(Box::StartLine, "Start line", Sourced<int64_t>{1, "first line"}, 1);
            count(Box::EndLine, "End line", layout_.lines, 1);
        }
        if (layout_.samplesPerLine) {
            count(Box::StartSample, "Start sample", Sourced<int64_t>{1, "first sample"}, 1);
            count(Box::EndSample, "End sample", layout_.samplesPerLine, 1);
        }
    }

    void nonDataValue()
    {
        if (!layout_.nonDataValue) return;
        const auto& value = *layout_.nonDataValue;
        if (!isPlainNumber(value.value)) {
            plan_.notes.push_back("Not set: Non-data value " + value.value + " (" + value.source +
                                  ") is not a number the box holds; left unchanged");
            return;
        }
        add(Setting{{}, Choice::IgnoreNonDataValue, true, {}, "Ignore non-data value: checked (" + value.source + ")",
                    "Ignore non-data value", {}, "checked", value.source});
        add(Setting{Box::NonDataValue, {}, true, value.value, logLine("Non-data value", value.value, value.source),
                    "Non-data value", {}, value.value, value.source});
    }

    void add(Setting setting) { plan_.settings.push_back(std::move(setting)); }

    const LabelLayout& layout_;
    Plan plan_;
};

std::vector<std::string> labelHeading(const LabelLayout& layout)
{
    std::vector<std::string> heading = {"Layout from " + layout.labelKind + " label: " + layout.labelPath};
    if (!layout.dataPath.empty())
        heading.push_back("Input file = " + layout.dataPath + " (the file the label describes)");
    return heading;
}

std::string noLabelLine(const std::string& inputPath)
{
    return "No PDS3, VICAR, PDS4, ENVI, ISIS3 or FITS label found for " + inputPath + "; nothing changed";
}

std::string saveNameFor(const std::string& inputPath)
{
    return changeFileExtension(inputPath, ".bmp");
}

void reportSetting(WindowPort& port, const Setting& setting)
{
    if (setting.count) port.reportInteger("set/" + setting.caption, *setting.count);
    else port.reportText("set/" + setting.caption, setting.value);
    port.reportText("source/" + setting.caption, setting.source);
}

void reportHeading(WindowPort& port, const LabelLayout& layout)
{
    port.reportText("label_kind", layout.labelKind);
    port.reportText("label", layout.labelPath);
    if (!layout.dataPath.empty()) port.reportText("data_file", layout.dataPath);
}

void applyChoice(WindowPort& port, const Setting& setting)
{
    port.setChecked(*setting.choice, setting.checked);
    port.appendLog(setting.logLine);
}

std::string outsideQuestion(const LabelLayout& layout)
{
    return "The label " + layout.labelPath + " points to a data file outside its folder: " + layout.dataPath +
           ". Read it?";
}

// Band # must lie within the bands the label gives.
void keepBandNumberInRange(WindowPort& port, const LabelLayout& layout)
{
    if (!layout.bands || layout.bands->value < 1 || layout.bands->value > std::numeric_limits<int32_t>::max()) return;
    const std::string text = port.boxText(Box::BandNum);
    int64_t band = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), band);
    if (error == std::errc() && end == text.data() + text.size() && band >= 1 && band <= layout.bands->value) return;
    port.setBoxText(Box::BandNum, "1");
    port.appendLog("Band # = 1 (Band # " + text + " is not one of the " + decimal(layout.bands->value) + " bands)");
}

// A box text that already says what a setting would (0 as "0" or "00"), or
// that holds nothing that could linger.
bool holdsNothingElse(const std::string& text, const std::string& setting)
{
    const std::string value = trimmed(text);
    if (value.empty() || value == setting) return true;
    int64_t number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    return error == std::errc() && end == value.data() + value.size() && decimal(number) == setting;
}

std::string imageReadLine(const LabelLayout& layout) { return "Image read: " + layout.image; }
std::string otherImageLine(const LabelImage& image) { return "Other image, not read: " + image.description; }

void applyPlan(WindowPort& port, const LabelLayout& layout, const Plan& plan)
{
    if (!layout.otherImages.empty()) {
        port.appendLog(imageReadLine(layout));
        port.reportText("image", layout.image);
    }
    for (const Setting& setting : plan.settings) {
        if (setting.onlyWhenChanged && holdsNothingElse(port.boxText(*setting.box), setting.text)) continue;
        if (setting.box) {
            port.setBoxText(*setting.box, setting.text);
            port.appendLog(setting.logLine);
        } else {
            applyChoice(port, setting);
        }
        reportSetting(port, setting);
    }
    keepBandNumberInRange(port, layout);
    for (const std::string& note : plan.notes) {
        port.appendLog(note);
        port.reportListItem("notes", note);
    }
    for (const LabelImage& image : layout.otherImages) {
        port.appendLog(otherImageLine(image));
        port.reportListItem("other_images", image.description);
    }
    port.appendLog("");
}

// A label of several images: the window lets the user choose one (the
// first is the one read without a choice). Empty when the user cancels.
std::optional<LabelLayout> chooseImage(WindowPort& port, const std::string& inputPath, LabelLayout layout)
{
    if (port.state.LabelImage.chosen() || layout.otherImages.empty()) return layout;
    std::vector<std::string> images{layout.image};
    for (const LabelImage& image : layout.otherImages) images.push_back(image.description);
    const std::optional<size_t> chosen =
        port.chooseLabelImage("The " + layout.labelKind + " label of " + inputPath + " describes " +
                                  std::to_string(images.size()) + " images. Which one should be read?",
                              images);
    if (!chosen) return std::nullopt;
    if (*chosen == 0 || *chosen > layout.otherImages.size()) return layout;
    return findLabelLayout(inputPath, layout.otherImages[*chosen - 1].choice);
}

}  // namespace

void ApplyLayoutFromLabel(WindowPort& port)
{
    const std::string inputPath = port.state.InputFilename;
    const std::optional<LabelLayout> found = findLabelLayout(inputPath, port.state.LabelImage);
    if (!found) {
        port.appendLog(noLabelLine(inputPath));
        port.reportText("no_label", noLabelLine(inputPath));
        return;
    }
    const std::optional<LabelLayout> layout = chooseImage(port, inputPath, *found);
    if (!layout) {
        port.appendLog(labelHeading(*found).front());
        port.appendLog("No image chosen; nothing changed");
        port.appendLog("");
        return;
    }
    const Plan plan = Planner(*layout).make();
    if (port.state.WholeLabelLayoutRequired && !plan.unsetLayout.empty())
        throw Error("The layout of " + layout->labelPath + " cannot be set in full: " + plan.unsetLayout.front() +
                    "; nothing done");
    const std::vector<std::string> heading = labelHeading(*layout);
    if (dataOutsideLabelFolder(*layout) && !port.askYesNo(outsideQuestion(*layout))) {
        port.appendLog(heading.front());
        port.appendLog("Not followed: the data file " + layout->dataPath +
                       " lies outside the label's folder; nothing changed");
        port.appendLog("");
        return;
    }
    for (const std::string& line : heading) port.appendLog(line);
    reportHeading(port, *layout);
    port.state.LabelFilename = layout->labelPath;
    if (!layout->dataPath.empty()) {
        port.state.InputFilename = layout->dataPath;
        port.state.SaveDialogFileName = saveNameFor(layout->dataPath);
        port.showInputFilenameLabel(layout->dataPath);
    }
    applyPlan(port, *layout, plan);
    // Nothing was set, which the log alone would leave easy to miss.
    if (!layout->readable) port.showMessage(layout->notes.front());
}

void ApplyLayout(WindowPort& port, const LabelLayout& layout, const std::vector<std::string>& heading)
{
    for (const std::string& line : heading) port.appendLog(line);
    applyPlan(port, layout, Planner(layout).make());
}

std::vector<std::string> DescribeLabelLayout(const std::string& inputPath)
{
    const std::optional<LabelLayout> layout = findLabelLayout(inputPath);
    if (!layout) return {noLabelLine(inputPath)};
    const Plan plan = Planner(*layout).make();
    std::vector<std::string> lines = labelHeading(*layout);
    if (!layout->otherImages.empty()) lines.push_back(imageReadLine(*layout));
    for (const Setting& setting : plan.settings)
        if (!setting.onlyWhenChanged) lines.push_back(setting.logLine);
    lines.insert(lines.end(), plan.notes.begin(), plan.notes.end());
    for (const LabelImage& image : layout->otherImages) lines.push_back(otherImageLine(image));
    return lines;
}

}  // namespace skeldra
