// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// What a label says about the raster layout, in the terms of the window's
// boxes. Every value carries the text of the keywords it came from, so that
// the log can say where each box value was taken from; what a label holds
// but the window cannot express goes into notes and changes no box.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "port/FormState.h"

namespace skeldra {

template <class T>
struct Sourced {
    T value{};
    std::string source;  // e.g. "LABEL_RECORDS 10 × RECORD_BYTES 1024"
};

enum class DataFormat : uint8_t { UnsignedInteger, SignedInteger, Real };

// An image of the label other than the one read, and what selects it.
struct LabelImage {
    LabelImageChoice choice;
    std::string description;  // "HDU 3: an IMAGE extension of 200 × 100 samples, BITPIX -32"
};

struct LabelLayout {
    std::string labelKind;  // "PDS3", "VICAR", "PDS4", "ENVI"
    std::string labelPath;  // the file the label was read from
    // The file holding the samples when it is not the input file (a detached
    // label's pointer, a PDS4 file_name); empty when it is the input file.
    std::string dataPath;

    std::optional<Sourced<int64_t>> headerBytes;
    std::optional<Sourced<int64_t>> samplesPerLine;
    std::optional<Sourced<int64_t>> lines;
    std::optional<Sourced<int64_t>> bitsPerSample;
    std::optional<Sourced<DataFormat>> dataFormat;
    std::optional<Sourced<bool>> reverseBytes;  // true: most significant byte first
    std::optional<Sourced<int64_t>> bands;
    std::optional<Sourced<BandStructure>> bandStructure;
    std::optional<Sourced<int64_t>> linePad;
    std::optional<Sourced<int64_t>> bandPad;
    std::optional<Sourced<int64_t>> gap;
    std::optional<Sourced<std::string>> nonDataValue;  // the text for the box
    // Both set for a label that stores its bands in tiles.
    std::optional<Sourced<int64_t>> tileSamples;
    std::optional<Sourced<int64_t>> tileLines;
    // The part of the line pad that stands in front of each line (a line
    // prefix moved into the header and the pads); 0 when there is none.
    int64_t linePrefix = 0;

    // One sentence each: what the label holds that could not be mapped.
    std::vector<std::string> notes;
    // The notes that leave the layout whole: about the values' meaning (a
    // non-data value, a scaling the window does not apply) or where the
    // samples were looked for. Every other note leaves a layout value that
    // the label gives unset, and reading with the rest would read wrongly.
    std::vector<std::string> remarks;
    // False for a label found but not understood (its note says why).
    bool readable = true;

    void remark(const std::string& text)
    {
        notes.push_back(text);
        remarks.push_back(text);
    }
    // The image read, in the words of otherImages' descriptions; empty when
    // the label describes one image.
    std::string image;
    // The label's other images, in the order of the label.
    std::vector<LabelImage> otherImages;
};

// How one sample is stored, as the window can express it.
struct SampleEncoding {
    DataFormat format = DataFormat::UnsignedInteger;
    bool msbFirst = false;
};

// What a label's sample type means for the window: an encoding, or the
// reason why the window cannot read it.
struct EncodingResult {
    std::optional<SampleEncoding> encoding;
    std::string problem;
};

// A size a label gives, with the words that name it ("RECORD_BYTES").
struct LabelTerm {
    std::string name;
    int64_t value = 0;
};

// The product or the sum of sizes a label gives. Sizes are never negative,
// and what they make must fit a 64-bit file position: otherwise a note
// names the keywords and says that `unchanged` is left as it is, and the
// result is empty.
std::optional<int64_t> productOfSizes(const std::vector<LabelTerm>& factors, const std::string& unchanged,
                                      LabelLayout& layout);
std::optional<int64_t> sumOfSizes(const std::vector<LabelTerm>& terms, const std::string& unchanged,
                                  LabelLayout& layout);

// Sets Bits per sample when the window reads that width (8, 16, 32, 64), and
// the data format and byte order when the type maps; notes what does not.
void setSample(LabelLayout& layout, int64_t bits, const std::string& bitsSource, const EncodingResult& type,
               const std::string& typeSource);

// The non-data value whose bit pattern a label gives (16#FF7FFFFB#), as the
// number the reader produces for those bits; empty for a NaN or an infinity,
// which no sample ever equals.
std::optional<std::string> valueOfBitPattern(uint64_t pattern, int64_t bits, DataFormat format);

// Line prefix and suffix bytes around every file line, after the header was
// set. The window knows pads only at the end of a line, so the first prefix
// moves into the header and every later prefix becomes part of the previous
// line's pad: header += prefix, line pad = prefix + suffix.
void setLinePrefixSuffix(LabelLayout& layout, const LabelTerm& prefix, const LabelTerm& suffix,
                         const std::string& source);

// Band structure for layout.bands bands (one when unset) stored as
// `structure`, after the pads were set: None for one band, except that one
// band with a line pad becomes BSQ with one band, because "None" ignores the
// line pad.
void setBandStructure(LabelLayout& layout, BandStructure structure, const std::string& source);

// True for a decimal number as the boxes read it: sign, digits, point,
// digits, exponent ("-9999", "1.5E-3"), within the extended range (not
// "1E99999"); not "nan", "inf" or hexadecimal.
bool isPlainNumber(const std::string& text);

// The text of a number as the boxes take it.
std::string decimal(int64_t value);

const char* dataFormatCaption(DataFormat format);
const char* bandStructureCaption(BandStructure structure);

}  // namespace skeldra
