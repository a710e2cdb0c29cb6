// SPDX-License-Identifier: BSD-3-Clause
#include "Options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <limits>
#include <map>

#include "Commands.h"

namespace skeldra {

const std::vector<BoxOption>& boxOptions()
{
    static const std::vector<BoxOption> options = {
        {"header-bytes", Box::HeaderBytes, "bytes before the first sample (default 10240)"},
        {"samples", Box::NumSamples, "samples per line (default 1024)"},
        {"bits", Box::BitsPerSample, "bits per sample: 8, 16, 32 or 64 (default 8)"},
        {"bands", Box::NumBands, "number of bands (default 1)"},
        {"band", Box::BandNum, "band to read, 1-based (default 1)"},
        {"lines", Box::NumSingleImageLines, "lines of one band image, BSQ (default 100)"},
        {"band-pad", Box::NumBandPadBytes, "bytes after each band's line segment, BIL"},
        {"line-pad", Box::NumRowPadBytes, "bytes at the end of each line"},
        {"gap", Box::NumBandGapBytes, "bytes between band images, BSQ"},
        {"line", Box::Line, "line of the point (default 1)"},
        {"sample", Box::Sample, "sample of the point (default 1)"},
        {"start-line", Box::StartLine, "first line of the area (default 1)"},
        {"end-line", Box::EndLine, "last line of the area (default 100)"},
        {"start-sample", Box::StartSample, "first sample of the area (default 1)"},
        {"end-sample", Box::EndSample, "last sample of the area (default 1024)"},
        {"nodata", Box::NonDataValue, "the non-data value; also ticks the ignore box"},
        {"min", Box::MinData, "raw value of gray level 0"},
        {"max", Box::MaxData, "raw value of gray level 255"},
        {"gamma", Box::Gamma, "gamma of the gray mapping (default 1)"},
        {"origin", Box::OriginSample, "origin sample of each row (default 1)"},
        {"preview-size", Box::MaxPreviewDimension, "largest side of the preview (default 500)"},
        {"max-line-length", Box::MaxHeaderLineLength, "header line length limit, 0 none"},
        {"max-lines", Box::MaxHeaderLines, "header line count limit, 0 none"},
        {"clip", Box::ClipPercent, "percent left out at each end by the stretch of stats, convert, preview --auto"},
        {"tile-samples", Box::TileSamples, "samples of one tile of a tiled file (default 0: not tiled)"},
        {"tile-lines", Box::TileLines, "lines of one tile of a tiled file (default 0: not tiled)"},
    };
    return options;
}

const std::vector<ChoiceOption>& choiceOptions()
{
    static const std::vector<ChoiceOption> options = {
        {"unsigned", Choice::UnsignedInteger, "samples are unsigned integers (default)"},
        {"signed", Choice::SignedInteger, "samples are signed integers"},
        {"real", Choice::Real, "samples are IEEE reals"},
        {"msb", Choice::ReverseBytes, "most significant byte first"},
        {"none", Choice::NoBands, "a single image (default)"},
        {"bil", Choice::BIL, "bands interleaved by line"},
        {"bip", Choice::BIP, "bands interleaved by pixel"},
        {"bsq", Choice::BSQ, "band sequential"},
        {"list-points", Choice::ListPoints, "list every point of the statistics"},
        {"auto", Choice::AutoStretchPreview, "stretch the preview to the values shown"},
        {"text", Choice::TextOutput, "convert to tab-separated text instead of BMP"},
    };
    return options;
}

const std::vector<ChoiceOption>& formatOptions()
{
    static const std::vector<ChoiceOption> options = {
        {"bmp", Choice::BMPOutput, "8-bit gray BMP (default)"},
        {"text", Choice::TextOutput, "tab-separated text"},
        {"png", Choice::PNGOutput, "8-bit gray PNG, the BMP's levels"},
        {"png16", Choice::PNG16Output, "16-bit gray PNG, the BMP's mapping with 65535 levels"},
        {"tiff", Choice::TIFFOutput, "TIFF of the raw values in their own type"},
    };
    return options;
}

namespace {

const char* const usage = "Usage: skeldra-cli COMMAND FILE... [options]";

// The help starts with the usage line and the commands; the box and choice
// options follow in their groups, then the exit statuses.
class HelpFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App*, std::string) const override
    {
        std::string text = std::string(usage) + "\n\ncommands:\n";
        for (const Command& command : commands()) {
            std::string name = command.name;
            name.resize(std::max<size_t>(name.size() + 1, 10), ' ');
            text += "  " + name + command.summary + "\n";
        }
        return text;
    }
    std::string make_positionals(const CLI::App*) const override { return {}; }
};

// Where each option of the tables lands in the parsed arguments.
struct TableOptions {
    std::map<const CLI::Option*, Box> boxes;
    std::map<const CLI::Option*, Choice> choices;
    CLI::Option* format = nullptr;  // --format: one radio button of the output kind
};

TableOptions describe(CLI::App& app, ParsedArguments& parsed)
{
    app.formatter(std::make_shared<HelpFormatter>());
    app.get_formatter()->column_width(28);
    app.set_help_flag();
    app.footer("exit status: 0 done, 1 an error ended the operation, 2 bad usage,\n"
               "             3 done with warnings (see standard error)");
    app.add_option("command", parsed.command);
    app.add_option("files", parsed.inputFiles);

    TableOptions table;
    const std::string boxes = "Boxes (texts taken as typed, as in the window)";
    for (const BoxOption& option : boxOptions()) {
        CLI::Option* added = app.add_option(std::string("--") + option.name, option.help)
                                 ->type_name("VALUE")
                                 ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
                                 ->group(boxes);
        table.boxes.emplace(added, option.box);
    }
    for (const ChoiceOption& option : choiceOptions())
        table.choices.emplace(app.add_flag(std::string("--") + option.name)->description(option.help)
                                  ->group("Check boxes and radio buttons"),
                              option.choice);

    std::vector<std::string> formats;
    for (const ChoiceOption& option : formatOptions()) formats.push_back(option.name);
    table.format = app.add_option("--format", "convert: the output file's kind")
                       ->type_name("KIND")
                       ->check(CLI::IsMember(formats))
                       ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
                       ->group("Check boxes and radio buttons");

    app.add_option("--rgb", parsed.rgb, "three bands as red, green and blue (convert, preview), each stretched "
                   "by its own range or --clip")
        ->type_name("R,G,B")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
        ->group("Check boxes and radio buttons");

    const std::string tool = "The tool";
    app.add_option("-o,--output", parsed.outputFile, "output file of convert, preview and describe")
        ->type_name("OUT")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
        ->group(tool);
    app.add_option("--as", parsed.layoutKind, "describe: the header's kind; without it, OUT's extension")
        ->type_name("vrt|envi|pds3")
        ->check(CLI::IsMember({"vrt", "envi", "pds3"}))
        ->group(tool);
    app.add_flag("--from-label", parsed.fromLabel, "take the layout from the file's label first")->group(tool);
    app.add_option("--hdu", parsed.labelImage.Hdu, "--from-label and label: the image of FITS HDU N (1 the primary)")
        ->type_name("N")
        ->check(CLI::Range(int64_t{1}, std::numeric_limits<int64_t>::max()))
        ->group(tool);
    app.add_option("--object", parsed.labelImage.Object,
                   "--from-label and label: the PDS3 image object or PDS4 array NAME (or its position)")
        ->type_name("NAME")
        ->group(tool);
    app.add_flag("--allow-outside-data", parsed.allowOutsideData,
                 "follow a label's pointer to a data file outside the label's folder\n"
                 "(absolute, or climbing with \"..\")")
        ->group(tool);
    app.add_option("-j,--jobs", parsed.jobs, "files processed at once (default: one per core)")
        ->type_name("N")
        ->check(CLI::Range(1, 1024))
        ->group(tool);
    app.add_flag("--json", parsed.json, "one JSON object per file and line instead of the log (guess: an array)")
        ->group(tool);
    app.add_option("--top", parsed.top, "guess: how many candidates to show (default 5)")
        ->type_name("N")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
        ->group(tool);
    app.add_option("--histogram", parsed.histogramFile,
                   "stats: write the histogram picture to this PNG file (with --json, the bin counts too)")
        ->type_name("FILE.png")
        ->group(tool);
    app.add_flag("--histogram-log", parsed.histogramLog, "stats: the histogram's counts on a log scale")->group(tool);
    app.add_flag("-h,--help", parsed.help, "print this help")->group(tool);
    app.add_flag("--version", parsed.version, "print the version")->group(tool);
    return table;
}

// An option's value is the next argument as typed, even one that starts
// with '-' (a box takes "-.5" or "-x" and judges it itself).
std::vector<std::string> attachValues(const CLI::App& app, const std::vector<std::string>& args)
{
    std::vector<std::string> joined;
    for (size_t i = 0; i < args.size(); ++i) {
        const CLI::Option* option = args[i].rfind('-', 0) == 0 ? app.get_option_no_throw(args[i]) : nullptr;
        if (option && option->get_expected_min() > 0 && i + 1 < args.size() && args[i + 1].rfind('-', 0) == 0) {
            joined.push_back(option->get_lnames().empty() ? args[i] + args[i + 1]
                                                          : "--" + option->get_lnames().front() + "=" + args[i + 1]);
            ++i;
        } else {
            joined.push_back(args[i]);
        }
    }
    return joined;
}

// The boxes and choices in the order given: a later --signed overrides an
// earlier --unsigned, as clicks in the window would.
void collectInOrder(const CLI::App& app, const TableOptions& table, ParsedArguments& parsed)
{
    std::map<const CLI::Option*, size_t> used;
    for (const CLI::Option* option : app.parse_order()) {
        if (const auto box = table.boxes.find(option); box != table.boxes.end()) {
            parsed.boxTexts.emplace_back(box->second, option->results().at(used[option]++));
            if (box->second == Box::NonDataValue) parsed.choices.push_back(Choice::IgnoreNonDataValue);
        } else if (const auto choice = table.choices.find(option); choice != table.choices.end()) {
            parsed.choices.push_back(choice->second);
        } else if (option == table.format) {
            const std::string& kind = option->results().at(used[option]++);
            for (const ChoiceOption& format : formatOptions())
                if (kind == format.name) parsed.choices.push_back(format.choice);
        }
    }
}

// "R,G,B": the three band boxes and the RGB box, after the other boxes.
void addRgbBands(ParsedArguments& parsed)
{
    std::vector<std::string> bands;
    std::string text = parsed.rgb;
    for (size_t comma; (comma = text.find(',')) != std::string::npos; text.erase(0, comma + 1))
        bands.push_back(text.substr(0, comma));
    bands.push_back(text);
    if (bands.size() != 3 || std::any_of(bands.begin(), bands.end(), [](const auto& b) { return b.empty(); }))
        throw UsageError("--rgb takes three bands: R,G,B (for example --rgb 4,3,2)");
    const Box boxes[3] = {Box::RedBand, Box::GreenBand, Box::BlueBand};
    for (int c = 0; c < 3; ++c) parsed.boxTexts.emplace_back(boxes[c], bands[c]);
    parsed.choices.push_back(Choice::RGB);
}

}  // namespace

ParsedArguments parseArguments(const std::vector<std::string>& args)
{
    ParsedArguments parsed;
    CLI::App app;
    const TableOptions table = describe(app, parsed);
    std::vector<std::string> reversed = attachValues(app, args);
    std::reverse(reversed.begin(), reversed.end());  // CLI11 takes them last first
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        throw UsageError(error.what());
    }
    if (parsed.help || parsed.version) return parsed;
    collectInOrder(app, table, parsed);
    if (!parsed.rgb.empty()) addRgbBands(parsed);
    if (parsed.command.empty() || parsed.inputFiles.empty())
        throw UsageError("expected a command and at least one input file");
    const Command* command = findCommand(parsed.command);
    if (!command) throw UsageError("unknown command " + parsed.command);
    if (command->needsOutput && parsed.outputFile.empty())
        throw UsageError(parsed.command + " needs an output file: -o OUT");
    if (parsed.json && !command->hasJson) throw UsageError(parsed.command + " has no JSON form");
    if (parsed.labelImage.chosen() && !parsed.fromLabel && parsed.command != "label")
        throw UsageError("--hdu and --object choose the image a label describes: use them with --from-label");
    if (parsed.json && std::find(parsed.choices.begin(), parsed.choices.end(), Choice::ListPoints) != parsed.choices.end())
        throw UsageError("--list-points lists the points in the log, which --json replaces");
    return parsed;
}

std::string helpText()
{
    ParsedArguments unused;
    CLI::App app;
    describe(app, unused);
    return app.help();
}

std::string usageLine() { return usage; }

std::string versionText() { return std::string("skeldra-cli ") + SKELDRA_VERSION + "\n"; }

}  // namespace skeldra
