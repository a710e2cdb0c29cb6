// SPDX-License-Identifier: BSD-3-Clause
#include "ui/ControlCatalog.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>

namespace skeldra {

namespace {

// Texts are the window's own, spelling included: users and their notes
// quote them.
constexpr const char* coreItemsHint =
    "This is the second value in the CORE_ITEMS line in the .LAB file";
constexpr const char* nonDataHint =
    "The number specified here will be ignored in compiling the histogram Min/Max, and set to 0 "
    "intensity in the image output";
constexpr const char* noLimitHint = "Enter 0 for no limit";
constexpr int wideEdit = 145;

constexpr TInputType integerBox = TInputType::tInteger;
constexpr TInputType extendedBox = TInputType::tExtended;

BoxSpec make(Box box, std::string objectName, std::string caption, std::string defaultText,
             TInputType type, std::string hint)
{
    BoxSpec described;
    described.box = box;
    described.objectName = std::move(objectName);
    described.caption = std::move(caption);
    described.defaultText = std::move(defaultText);
    described.inputType = type;
    described.hint = std::move(hint);
    return described;
}

// In the order of the Box enumeration; boxSpec relies on it.
std::array<BoxSpec, boxCount> makeBoxes()
{
    std::array<BoxSpec, boxCount> boxes{{
        make(Box::HeaderBytes, "HeaderBytes_LabeledNumericEdit", "Header bytes", "10240",
             integerBox,
             "Number of bytes of ASCII header information (typically = "
             "LABEL_RECORDS*RECORD_BYTES per LBL data)"),
        make(Box::NumSamples, "NumSamples_LabeledNumericEdit", "Samples per line", "1024",
             integerBox,
             "Number of data points in an image line (typically = LINE_SAMPLES per LBL data)"),
        make(Box::BitsPerSample, "BitsPerSample_LabeledNumericEdit", "Bits per sample", "8",
             integerBox, "SAMPLE_BITS from LBL data -- allowable values are  8, 16, 32 and 64 bit"),
        make(Box::Line, "Line_LabeledNumericEdit", "Line", "1", integerBox,
             "Desired line of image data  (first line = 1)"),
        make(Box::Sample, "Sample_LabeledNumericEdit", "Sample", "1", integerBox,
             "Desired sample in line of image data (first sample = 1)"),
        make(Box::NumBands, "NumBands_LabeledNumericEdit", "Bands", "1", integerBox,
             "Number of times the image data is repeated in separate \"bands\" in the disk "
             "file (= 1 for a single image)"),
        make(Box::BandNum, "BandNum_LabeledNumericEdit", "Band #", "1", integerBox,
             "Number of the \"band\" you want to retrieve (must be between 1 and the number "
             "of Bands)"),
        make(Box::NumSingleImageLines, "NumSingleImageLines_LabeledNumericEdit", "Lines", "100",
             integerBox, "Number of lines in the image for a single spectral band"),
        make(Box::NumBandPadBytes, "NumBandPadBytes_LabeledNumericEdit", "Band pad", "0",
             integerBox, "Extra bytes at end of each band in BIL format"),
        make(Box::NumRowPadBytes, "NumRowPadBytes_LabeledNumericEdit", "Line pad", "0", integerBox,
             "Extra bytes at end of image lines"),
        make(Box::NumBandGapBytes, "NumBandGapBytes_LabeledNumericEdit", "Gap", "0", integerBox,
             "Extra bytes added between images"),
        make(Box::StartLine, "StartLine_LabeledNumericEdit", "Start line", "1", integerBox,
             "First line for histogram and/or image output"),
        make(Box::StartSample, "StartSample_LabeledNumericEdit", "Start sample", "1", integerBox,
             "First sample in each line for histogram and/or image output"),
        make(Box::EndLine, "EndLine_LabeledNumericEdit", "End line", "100", integerBox,
             "Last line for histogram and/or image output (last line in IMG is typically "
             "specified as LINES in LBL data)"),
        make(Box::EndSample, "EndSample_LabeledNumericEdit", "End sample", "1024", integerBox,
             "Last sample in each line for histogram and/or image output (maximum value is "
             "Samples per Line)"),
        make(Box::NonDataValue, "NonDataValue_LabeledNumericEdit", "", "0", extendedBox, ""),
        make(Box::MinData, "MinData_LabeledNumericEdit", "Min data", "0", extendedBox,
             "Specifies raw data value to be set to intensity 0 in image output -- can be "
             "automatically set with Histogram button"),
        make(Box::MaxData, "MaxData_LabeledNumericEdit", "Max data", "0", extendedBox,
             "Specifies raw data value to be set to intensity 255 in image output -- can be "
             "automatically set with Histogram button"),
        make(Box::OriginSample, "OriginSample_LabeledNumericEdit", "Origin sample", "1", integerBox,
             "Converted image will cover range Origin Sample..End Sample, then StartSample "
             "to OriginSample - 1, permitting a shift of the start longitude "),
        make(Box::Gamma, "Gamma_LabeledNumericEdit", "Gamma", "1", extendedBox,
             "Gamma correction to be applied to image output (value of 1 gives linear "
             "scaling)"),
        make(Box::MaxPreviewDimension, "MaxPreviewDimension_LabeledNumericEdit", "Preview size",
             "500", integerBox,
             "Pixel imit on maximum dimension of preview image (size never exceeds original "
             "no matter how large the entry is)"),
        make(Box::MaxHeaderLineLength, "MaxHeaderLineLength_LabeledNumericEdit",
             "Max line length:", "0", integerBox,
             "Maximum number ASCII characters expected in a header line -- typically not "
             "more than 80"),
        make(Box::MaxHeaderLines, "MaxHeaderLines_LabeledNumericEdit", "Max lines to read:", "0",
             integerBox, "Maximum number ASCII header lines to read"),
        make(Box::ClipPercent, "ClipPercent_LabeledNumericEdit", "Clip %", "0", extendedBox,
             "Percent of data points left out at each end when Histogram sets Min data and Max data, "
             "and when Preview stretches with Auto (for example 0.5); 0 uses the extremes"),
        make(Box::TileSamples, "TileSamples_LabeledNumericEdit", "Tile samples", "0", integerBox,
             "Samples in one tile of a tiled file (ISIS3 cubes stored as tiles: TileSamples); "
             "0 when the lines are stored whole"),
        make(Box::TileLines, "TileLines_LabeledNumericEdit", "Tile lines", "0", integerBox,
             "Lines in one tile of a tiled file (ISIS3 cubes stored as tiles: TileLines); "
             "0 when the lines are stored whole"),
        make(Box::RedBand, "RedBand_LabeledNumericEdit", "Red band", "1", integerBox,
             "Band drawn in red when RGB is ticked"),
        make(Box::GreenBand, "GreenBand_LabeledNumericEdit", "Green band", "2", integerBox,
             "Band drawn in green when RGB is ticked"),
        make(Box::BlueBand, "BlueBand_LabeledNumericEdit", "Blue band", "3", integerBox,
             "Band drawn in blue when RGB is ticked"),
    }};
    const auto at = [&](Box box) -> BoxSpec& { return boxes[static_cast<size_t>(box)]; };
    for (Box box : {Box::HeaderBytes, Box::NumSamples, Box::BitsPerSample, Box::NumBands,
                    Box::NumSingleImageLines})
        at(box).boldRedCaption = true;
    for (Box box : {Box::HeaderBytes, Box::Line, Box::Sample, Box::StartLine, Box::EndLine})
        at(box).captionHint = coreItemsHint;
    // Without an upper bound these are not range-checked; band numbers are
    // corrected where the layout is read.
    at(Box::NumBands).inputMin = "1";
    at(Box::BandNum).inputMin = "1";
    for (Box box : {Box::NonDataValue, Box::MinData, Box::MaxData}) at(box).editWidth = wideEdit;
    at(Box::NonDataValue).editHint = nonDataHint;
    at(Box::MaxHeaderLineLength).editHint = noLimitHint;
    at(Box::MaxHeaderLines).editHint = noLimitHint;
    return boxes;
}

// In the order of the Choice enumeration; choiceSpec relies on it.
std::array<ChoiceSpec, choiceCount> makeChoices()
{
    using G = ChoiceGroup;
    return {{
        {Choice::UnsignedInteger, "UnsignedInteger_RadioButton", "Unsigned Integer", true,
         "Unsigned integers can be 1, 2 or 4 bytes per sample", G::DataFormat},
        {Choice::SignedInteger, "SignedInteger_RadioButton", "Signed Integer", false,
         "Signed integers can be 2 or 4 bytes per sample", G::DataFormat},
        {Choice::Real, "Real_RadioButton", "Real", false,
         "Real (floating point) data can be 4 or 8 bytes per sample", G::DataFormat},
        {Choice::ReverseBytes, "ReverseBytes_CheckBox", "Reverse byte order", false,
         "Reverse order of bytes (\"MSB\" rather than \"LSB\")", G::None},
        {Choice::NoBands, "NoBands_RadioButton", "None", true, "File consists of a single image",
         G::BandStructure},
        {Choice::BIL, "BIL_RadioButton", "BIL", false,
         "Bands Interleaved by Line data: \"Samples per line\" for each band repeated on each "
         "disk line",
         G::BandStructure},
        {Choice::BIP, "BIP_RadioButton", "BIP", false,
         "Bands Interleaved by Pixel : data for each spectral band listed sequentially (for "
         "example: Red, Green, Blue) at the apropriate pixel (sample) position in each image line",
         G::BandStructure},
        {Choice::BSQ, "BSQ_RadioButton", "BSQ", false,
         "Band Sequential data : series of images for each band, each image consisting of Lines "
         "* (Samples per line)",
         G::BandStructure},
        {Choice::ListPoints, "ListPoints_CheckBox", "List Points", false,
         "Display each data cell value retrieved for histogram in memo box", G::None},
        {Choice::IgnoreNonDataValue, "IgnoreNonDataValue_CheckBox", "Ignore non-data value:", false,
         nonDataHint, G::None},
        {Choice::AutoStretchPreview, "AutoStretchPreview_CheckBox", "Auto", false,
         "Automatically stretch intensities in preview image (only), independent of current "
         "\"Min data\"/\"Max data\" settings",
         G::None},
        {Choice::BMPOutput, "BMP_Output_RadioButton", "BMP", true,
         "Convert selected area of current band of input file to gamma-corrected Windows 8-bit "
         "BMP grayscale format with 256 levels spanning raw data range specified in Min and Max "
         "boxes",
         G::OutputKind},
        {Choice::TextOutput, "TextOutput_RadioButton", "Text", false,
         "Write selected area of input file as ASCII text file with one line per row of data for "
         "the current band",
         G::OutputKind},
        {Choice::PNGOutput, "PNG_Output_RadioButton", "PNG", false,
         "Convert selected area of current band to an 8-bit grayscale PNG file with the gray levels of the "
         "BMP output",
         G::OutputKind},
        {Choice::PNG16Output, "PNG16_Output_RadioButton", "PNG 16", false,
         "Convert selected area of current band to a 16-bit grayscale PNG file: the BMP output's mapping "
         "with 65536 levels, keeping the precision of a stretch",
         G::OutputKind},
        {Choice::TIFFOutput, "TIFF_Output_RadioButton", "TIFF", false,
         "Write selected area of current band as a TIFF file of the raw values in their own sample type, "
         "unchanged (no stretch); the non-data value, when ignored, is stored as the GDAL no-data value",
         G::OutputKind},
        {Choice::RGB, "RGB_CheckBox", "RGB", false,
         "Preview and convert three bands as red, green and blue, each stretched by its own range (or "
         "\"Clip %\" of its own values)",
         G::None},
    }};
}

std::vector<ControlSpec> makeOtherControls()
{
    return {
        {"InputFile_Button", "Input File", "Select NASA PDS IMG (or other) file to open"},
        // Its caption is the input file name, set when the window starts.
        {"InputFilename_Label", "", "Name of file containing IMG data"},
        {"RetrievePoint_Button", "<-- Retrieve Point",
         "Retrieve data value from specified image cell (for current band) and display its "
         "value in the memo area"},
        {"DataType_GroupBox", "Data Format", "Specify data type"},
        {"BandStructure_GroupBox", "Band structure",
         "Use this box to describe data with \"bands\" (for example, multi-spectral image sets)"},
        {"ImageArea_GroupBox", "Area of interest in image", ""},
        {"ResetArea_Button", "Reset",
         "Set histogram to full range of raw data based on current input boxes"},
        {"Histogram_Button", "Histogram",
         "Retrieve data values from specified range of lines and samples in the current band; "
         "display Min, Max, and number of non-data points in memo box"},
        {"FileConversion_GroupBox", "Convert area of interest", ""},
        {"Preview_Button", "Preview",
         "Display grayscale image based on current settings, limited to specified maximum size"},
        {"LivePreview_CheckBox", "Live",
         "Draw the preview again whenever the layout, the area, the data range or the gamma changes, "
         "once typing pauses (while the preview window is open)"},
        {"ConvertFile_Button", "Convert File",
         "Start file conversion of data specified in Histogram boxes into image or text output"},
        {"ProgressBar1", "", "Shows progress of image conversion"},
        {"Abort_Button", "Abort", "Click to abort processing"},
        {"Memo1", "", ""},
        {"ReadHeader_Button", "Read ASCII Header",
         "Reads lines of up to max line length bytes terminated by CR-LF, displays as ASCII text "
         "in memo box"},
        {"Clear_Button", "Clear", "Clear memo box"},
        {"ExplainFile_Button", "Explain File",
         "Show in the memo box where every byte of the input file goes under the current layout: label, "
         "header, samples of each band, pads, gaps and what is left over"},
        {"FindLayout_Button", "Find Layout",
         "Search the input file for the layouts it most likely has and choose one of them, shown with a "
         "preview each, to set the layout boxes"},
        {"SaveLayout_Button", "Save Layout...",
         "Write the current layout as a header that GDAL, QGIS or ENVI read the input file with, in place: "
         "a GDAL VRT, an ENVI .hdr or a PDS3 detached label"},
    };
}

}  // namespace

const BoxSpec& boxSpec(Box box)
{
    static const std::array<BoxSpec, boxCount> boxes = makeBoxes();
    return boxes.at(static_cast<size_t>(box));
}

const ChoiceSpec& choiceSpec(Choice choice)
{
    static const std::array<ChoiceSpec, choiceCount> choices = makeChoices();
    return choices.at(static_cast<size_t>(choice));
}

const std::vector<ControlSpec>& otherControls()
{
    static const std::vector<ControlSpec> controls = makeOtherControls();
    return controls;
}

const ControlSpec& controlSpec(const std::string& objectName)
{
    const auto& controls = otherControls();
    const auto found = std::find_if(controls.begin(), controls.end(), [&](const ControlSpec& c) {
        return c.objectName == objectName;
    });
    if (found == controls.end()) throw std::out_of_range("No control named " + objectName);
    return *found;
}

}  // namespace skeldra
