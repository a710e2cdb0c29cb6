// SPDX-License-Identifier: BSD-3-Clause
#include "Commands.h"

#include <algorithm>

#include "Guess.h"
#include "window/MainWindow.h"

namespace skeldra {
namespace {

// A stretch asked of convert is the window's Histogram with "Clip %", first.
// A colour composite finds each channel's stretch itself.
void convert(MainWindow& w, const ParsedArguments& args)
{
    const bool stretch = std::any_of(args.boxTexts.begin(), args.boxTexts.end(),
                                     [](const auto& entry) { return entry.first == Box::ClipPercent; });
    if (stretch && args.rgb.empty()) w.Histogram_ButtonClick();
    w.ConvertFile_ButtonClick();
}

std::optional<LayoutKind> layoutKind(const std::string& name)
{
    if (name == "vrt") return LayoutKind::Vrt;
    if (name == "envi") return LayoutKind::Envi;
    if (name == "pds3") return LayoutKind::Pds3;
    return std::nullopt;
}

}  // namespace

const std::vector<Command>& commands()
{
    static const std::vector<Command> table = {
        {.name = "point",
         .summary = "read one sample (--line, --sample)",
         .run = [](MainWindow& w) { w.RetrievePoint_ButtonClick(); },
         .hasJson = true},
        {.name = "header",
         .summary = "show the ASCII header",
         .run = [](MainWindow& w) { w.ReadHeader_ButtonClick(); },
         .hasJson = true},
        {.name = "stats",
         .summary = "minimum, maximum and non-data count of the area",
         .run = [](MainWindow& w) { w.Histogram_ButtonClick(); },
         .hasJson = true,
         .showsProgress = true},
        {.name = "reset",
         .summary = "set the area to the whole image and check the file size",
         .run = [](MainWindow& w) { w.ResetArea_ButtonClick(); },
         .printsWrittenBoxes = true,
         .hasJson = true},
        {.name = "convert",
         .summary = "write the area as BMP (or --text, or --format KIND) to -o OUT (a folder for several files); "
                    "with --clip, stretched first",
         .run = [](MainWindow& w) { w.ConvertFile_ButtonClick(); },
         .needsOutput = true,
         .runWithArguments = convert,
         .showsProgress = true},
        {.name = "preview",
         .summary = "write the preview picture as a 24-bit BMP to -o OUT (a folder for several files)",
         .run = [](MainWindow& w) { w.Preview_ButtonClick(); },
         .needsOutput = true},
        {.name = "label",
         .summary = "show the layout found in the file's label",
         .run = [](MainWindow& w) { w.LayoutFromLabel_ButtonClick(); },
         .hasJson = true},
        {.name = "describe",
         .summary = "write the layout as a header other tools read FILE with: --as vrt|envi|pds3 -o OUT",
         .run = [](MainWindow& w) { w.SaveLayout_ButtonClick(); },
         .needsOutput = true,
         .runWithArguments = [](MainWindow& w, const ParsedArguments& a) {
             w.SaveLayout_ButtonClick(layoutKind(a.layoutKind));
         }},
        {.name = "map",
         .summary = "show where every byte of the file goes under the layout",
         .run = [](MainWindow& w) { w.ExplainFile_ButtonClick(); },
         .hasJson = true,
         .runJson = [](MainWindow& w) { w.ExplainFileAsJson(); }},
        {.name = "guess",
         .summary = "candidate layouts of the file, best first (--top N, --json)",
         .hasJson = true,
         .runWithoutWindow = runGuess},
    };
    return table;
}

const Command* findCommand(const std::string& name)
{
    for (const Command& command : commands())
        if (name == command.name) return &command;
    return nullptr;
}

}  // namespace skeldra
