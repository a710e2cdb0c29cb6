#include "Options.h"

#include <stdexcept>

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

namespace {

const BoxOption* findBox(const std::string& name)
{
    for (const auto& option : boxOptions())
        if (name == option.name) return &option;
    return nullptr;
}

const ChoiceOption* findChoice(const std::string& name)
{
    for (const auto& option : choiceOptions())
        if (name == option.name) return &option;
    return nullptr;
}

}  // namespace

ParsedArguments parseArguments(const std::vector<std::string>& args)
{
    ParsedArguments parsed;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw std::invalid_argument("option " + arg + " needs a value");
            return args[++i];
        };
        if (arg == "-h" || arg == "--help") {
            parsed.help = true;
        } else if (arg == "-o" || arg == "--output") {
            parsed.outputFile = value();
        } else if (arg == "--from-label") {
            parsed.fromLabel = true;
        } else if (arg == "--allow-outside-data") {
            parsed.allowOutsideData = true;
        } else if (arg.rfind("--", 0) == 0) {
            const std::string name = arg.substr(2);
            if (const BoxOption* box = findBox(name)) {
                parsed.boxTexts.emplace_back(box->box, value());
                if (box->box == Box::NonDataValue) parsed.choices.push_back(Choice::IgnoreNonDataValue);
            } else if (const ChoiceOption* choice = findChoice(name)) {
                parsed.choices.push_back(choice->choice);
            } else {
                throw std::invalid_argument("unknown option " + arg);
            }
        } else {
            positional.push_back(arg);
        }
    }
    if (parsed.help) return parsed;
    if (positional.size() != 2) throw std::invalid_argument("expected a command and one input file");
    parsed.command = positional[0];
    parsed.inputFile = positional[1];
    return parsed;
}

std::string usageText()
{
    std::string text =
        "usage: skeldra-cli COMMAND FILE [options]\n"
        "commands:\n"
        "  point     read one sample (--line, --sample)\n"
        "  header    show the ASCII header\n"
        "  stats     minimum, maximum and non-data count of the area\n"
        "  reset     set the area to the whole image and check the file size\n"
        "  convert   write the area as BMP (or text with --text) to -o OUT\n"
        "  preview   write the preview picture as a 24-bit BMP to -o OUT\n"
        "  label     show the layout found in the file's label\n"
        "options (box texts are taken as typed, as in the window):\n";
    for (const auto& option : boxOptions())
        text += "  --" + std::string(option.name) + " VALUE  " + option.help + "\n";
    for (const auto& option : choiceOptions())
        text += "  --" + std::string(option.name) + "  " + option.help + "\n";
    text += "  --from-label  take the layout from the file's label first\n"
            "  --allow-outside-data  follow a label's pointer to a data file outside\n"
            "                the label's folder (absolute, or climbing with \"..\")\n"
            "  -o OUT        output file of convert and preview\n"
            "exit status: 0 done, 1 an error ended the operation, 2 bad usage,\n"
            "             3 done with warnings (see standard error)\n";
    return text;
}

}  // namespace skeldra
