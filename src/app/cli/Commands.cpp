#include "Commands.h"

#include <algorithm>

#include "Guess.h"
#include "window/MainWindow.h"

namespace skeldra {
namespace {

// A stretch asked of convert is the window's Histogram with "Clip %", first.
void convert(MainWindow& w, const ParsedArguments& args)
{
    const bool stretch = std::any_of(args.boxTexts.begin(), args.boxTexts.end(),
                                     [](const auto& entry) { return entry.first == Box::ClipPercent; });
    if (stretch) w.Histogram_ButtonClick();
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
        {"point", "read one sample (--line, --sample)", [](MainWindow& w) { w.RetrievePoint_ButtonClick(); }},
        {"header", "show the ASCII header", [](MainWindow& w) { w.ReadHeader_ButtonClick(); }},
        {"stats", "minimum, maximum and non-data count of the area",
         [](MainWindow& w) { w.Histogram_ButtonClick(); }},
        {"reset", "set the area to the whole image and check the file size",
         [](MainWindow& w) { w.ResetArea_ButtonClick(); }, true},
        {"convert", "write the area as BMP (or --text, or --format KIND) to -o OUT; with --clip, stretched first",
         [](MainWindow& w) { w.ConvertFile_ButtonClick(); }, false, true, {}, convert},
        {"preview", "write the preview picture as a 24-bit BMP to -o OUT",
         [](MainWindow& w) { w.Preview_ButtonClick(); }, false, true},
        {"label", "show the layout found in the file's label",
         [](MainWindow& w) { w.LayoutFromLabel_ButtonClick(); }},
        {"describe", "write the layout as a header other tools read FILE with: --as vrt|envi|pds3 -o OUT",
         [](MainWindow& w) { w.SaveLayout_ButtonClick(); }, false, true, {},
         [](MainWindow& w, const ParsedArguments& a) { w.SaveLayout_ButtonClick(layoutKind(a.layoutKind)); }},
        {"map", "show where every byte of the file goes under the layout",
         [](MainWindow& w) { w.ExplainFile_ButtonClick(); }, false, false,
         [](MainWindow& w) { w.ExplainFileAsJson(); }},
        {"guess", "candidate layouts of the file, best first (--top N, --json)", {}, false, false, {}, {}, runGuess},
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
