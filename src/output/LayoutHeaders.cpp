// SPDX-License-Identifier: BSD-3-Clause
#include "output/LayoutHeaders.h"

#include <sstream>

#include "base/Checked.h"
#include "base/Errors.h"
#include "base/Utf8.h"
#include "raster/Strides.h"

namespace skeldra {
namespace {

int32_t bytesOf(SampleKind kind)
{
    switch (kind) {
    case SampleKind::U8: return 1;
    case SampleKind::U16:
    case SampleKind::I16: return 2;
    case SampleKind::U32:
    case SampleKind::I32:
    case SampleKind::F32: return 4;
    case SampleKind::F64: return 8;
    case SampleKind::None: break;
    }
    throw Error("The layout has no sample type to describe");
}

std::string xmlEscaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// The raw file's name as a format must read it back: a name it cannot hold
// exactly is refused, since a changed name would point at another file (or,
// with a quote or a line break, add statements of the name's choosing).
void checkRawName(const std::string& name, bool canHold, const char* format, const char* why)
{
    if (!canHold)
        throw Error(std::string(format) + " cannot name the data file \"" + escapedBytes(name) + "\": " + why);
}

const char* gdalType(SampleKind kind)
{
    switch (kind) {
    case SampleKind::U8: return "Byte";
    case SampleKind::U16: return "UInt16";
    case SampleKind::I16: return "Int16";
    case SampleKind::U32: return "UInt32";
    case SampleKind::I32: return "Int32";
    case SampleKind::F32: return "Float32";
    case SampleKind::F64: return "Float64";
    case SampleKind::None: break;
    }
    return "Byte";
}

int enviType(SampleKind kind)
{
    switch (kind) {
    case SampleKind::U8: return 1;
    case SampleKind::I16: return 2;
    case SampleKind::I32: return 3;
    case SampleKind::F32: return 4;
    case SampleKind::F64: return 5;
    case SampleKind::U16: return 12;
    case SampleKind::U32: return 13;
    case SampleKind::None: break;
    }
    return 1;
}

std::string pds3SampleType(SampleKind kind, bool msb)
{
    const std::string order = msb ? "MSB_" : "LSB_";
    switch (kind) {
    case SampleKind::U8: return "UNSIGNED_INTEGER";
    case SampleKind::U16:
    case SampleKind::U32: return order + "UNSIGNED_INTEGER";
    case SampleKind::I16:
    case SampleKind::I32: return order + "INTEGER";
    case SampleKind::F32:
    case SampleKind::F64: return msb ? "IEEE_REAL" : "PC_REAL";
    case SampleKind::None: break;
    }
    return "UNSIGNED_INTEGER";
}

// A missing value that no sample of the kind can hold.
const char* missingNone(SampleKind kind)
{
    switch (kind) {
    case SampleKind::U8: return "256";
    case SampleKind::U16: return "65536";
    case SampleKind::I16: return "-32769";
    case SampleKind::U32: return "4294967296";
    case SampleKind::I32: return "-2147483649";
    case SampleKind::F32:
    case SampleKind::F64:
    case SampleKind::None: break;
    }
    return "NaN";  // no NaN is data: it equals nothing
}

// How a format that knows only an interleave (and, for PDS3, a suffix after
// each line) places the bands: the layout it would read the file with.
struct ImpliedLayout {
    int64_t pixelOffset;
    int64_t lineOffset;
    int64_t bandStep;
};

ImpliedLayout implied(const RawFileLayout& l, int64_t suffix)
{
    const int64_t n = bytesOf(l.kind);
    const int64_t lineBytes = mul64(l.samples, n);
    ImpliedLayout i{n, 0, 0};
    int64_t& bandStep = i.bandStep;
    switch (l.structure) {
    case BandStructure::None:
    case BandStructure::BSQ:
        i.lineOffset = add64(lineBytes, suffix);
        bandStep = mul64(i.lineOffset, l.lines);
        break;
    case BandStructure::BIL:
        i.lineOffset = add64(mul64(lineBytes, l.bands), suffix);
        bandStep = lineBytes;
        break;
    case BandStructure::BIP:
        i.pixelOffset = mul64(n, l.bands);
        i.lineOffset = add64(mul64(lineBytes, l.bands), suffix);
        bandStep = n;
        break;
    }
    return i;
}

// What keeps a format from describing the layout, in words; empty when the
// layout is the one the format implies.
std::string mismatch(const RawFileLayout& l, int64_t suffix, const char* format, bool suffixKnown)
{
    const ImpliedLayout i = implied(l, suffix);
    const bool sameBands = l.firstBandOffset == l.headerBytes && (l.bands == 1 || i.bandStep == l.bandStep);
    if (i.pixelOffset == l.pixelOffset && i.lineOffset == l.lineOffset && sameBands) return "";
    std::string why = std::string(format) + " cannot describe ";
    if (!suffixKnown && l.linePad != 0) return why + "a line pad (" + std::to_string(l.linePad) + " bytes)";
    if (l.structure == BandStructure::BIL) return why + "a band pad in BIL (bytes after each band's line segment)";
    if (l.structure == BandStructure::BSQ) return why + "a gap between band images";
    return why + "this layout";
}

}  // namespace

const char* layoutKindName(LayoutKind kind)
{
    switch (kind) {
    case LayoutKind::Vrt: return "GDAL VRT";
    case LayoutKind::Envi: return "ENVI header";
    case LayoutKind::Pds3: return "PDS3 label";
    }
    return "";
}

const char* layoutExtension(LayoutKind kind)
{
    switch (kind) {
    case LayoutKind::Vrt: return ".vrt";
    case LayoutKind::Envi: return ".hdr";
    case LayoutKind::Pds3: return ".lbl";
    }
    return "";
}

RawFileLayout describeLayout(const RasterLayout& layout, int64_t lines, SampleKind kind, bool mostSignificantFirst,
                             int32_t linePad)
{
    RawFileLayout d;
    d.headerBytes = layout.HeaderBytes;
    d.samples = layout.NumSamples;
    d.lines = lines;
    d.structure = layout.Structure;
    d.bands = layout.Structure == BandStructure::None ? 1 : layout.NumBands;
    d.kind = kind;
    d.mostSignificantFirst = mostSignificantFirst;
    d.linePad = layout.Structure == BandStructure::None ? 0 : linePad;
    if (d.samples < 1 || d.lines < 1 || d.bands < 1)
        throw Error("A layout header needs at least one sample, one line and one band");
    bytesOf(kind);
    d.pixelOffset = sampleStride(layout);
    d.lineOffset = sub64(sampleOffset(layout, 2, 1, 1), sampleOffset(layout, 1, 1, 1));
    d.firstBandOffset = samplePosition(layout, 1, 1, 1);
    if (d.bands > 1) {
        d.bandStep = sub64(samplePosition(layout, 1, 2, 1), d.firstBandOffset);
        d.bandOffset(d.bands - 1);  // the last band's offset must exist
    }
    return d;
}

int64_t RawFileLayout::bandOffset(int32_t band) const { return add64(firstBandOffset, mul64(band, bandStep)); }

void writeVrtHeader(const RawFileLayout& l, const HeaderSink& sink)
{
    checkRawName(l.rawPath, isValidUtf8(l.rawPath) && !hasControlCharacter(l.rawPath), "A GDAL VRT",
                 "XML holds only valid UTF-8 without control characters");
    sink("<VRTDataset rasterXSize=\"" + std::to_string(l.samples) + "\" rasterYSize=\"" + std::to_string(l.lines) +
         "\">\n");
    const std::string source = xmlEscaped(l.rawPath);
    for (int32_t b = 0; b < l.bands; ++b) {
        std::ostringstream out;
        out << "  <VRTRasterBand dataType=\"" << gdalType(l.kind) << "\" band=\"" << b + 1
            << "\" subClass=\"VRTRawRasterBand\">\n";
        if (l.noData) out << "    <NoDataValue>" << *l.noData << "</NoDataValue>\n";
        if (l.rgbBands)
            for (int c = 0; c < 3; ++c)
                if ((*l.rgbBands)[c] == b + 1) {
                    out << "    <ColorInterp>" << (c == 0 ? "Red" : c == 1 ? "Green" : "Blue") << "</ColorInterp>\n";
                    break;
                }
        out << "    <SourceFilename relativeToVRT=\"1\">" << source << "</SourceFilename>\n"
            << "    <ImageOffset>" << l.bandOffset(b) << "</ImageOffset>\n"
            << "    <PixelOffset>" << l.pixelOffset << "</PixelOffset>\n"
            << "    <LineOffset>" << l.lineOffset << "</LineOffset>\n"
            << "    <ByteOrder>" << (l.mostSignificantFirst ? "MSB" : "LSB") << "</ByteOrder>\n"
            << "  </VRTRasterBand>\n";
        sink(out.str());
    }
    sink("</VRTDataset>\n");
}

std::string vrtHeader(const RawFileLayout& l)
{
    std::string text;
    writeVrtHeader(l, [&](const std::string& piece) { text += piece; });
    return text;
}

std::string enviHeader(const RawFileLayout& l)
{
    if (const std::string why = mismatch(l, 0, "An ENVI header", false); !why.empty()) throw Error(why);
    const char* interleave = l.structure == BandStructure::BIL ? "bil" : l.structure == BandStructure::BIP ? "bip" : "bsq";
    // A brace or a line break in the name would end the description and start
    // statements of its own; the name there is only a courtesy.
    const bool nameFits = !hasControlCharacter(l.rawPath) && l.rawPath.find_first_of("{}") == std::string::npos;
    std::ostringstream out;
    out << "ENVI\n"
        << "description = {Raw layout" << (nameFits ? " of " + l.rawPath : std::string()) << "}\n"
        << "samples = " << l.samples << "\n"
        << "lines = " << l.lines << "\n"
        << "bands = " << l.bands << "\n"
        << "header offset = " << l.headerBytes << "\n"
        << "file type = ENVI Standard\n"
        << "data type = " << enviType(l.kind) << "\n"
        << "interleave = " << interleave << "\n"
        << "byte order = " << (l.mostSignificantFirst ? 1 : 0) << "\n";
    if (l.noData) out << "data ignore value = " << *l.noData << "\n";
    return out.str();
}

// A line pad is written as a prefix of the next line, the image starting
// that much earlier, whenever the header leaves room: the same bytes for any
// reader of the standard, and the one form GDAL reads (it ignores
// LINE_SUFFIX_BYTES).
bool padAsPrefix(const RawFileLayout& l) { return l.linePad > 0 && l.linePad <= l.headerBytes; }

std::string pds3Label(const RawFileLayout& l)
{
    if (const std::string why = mismatch(l, l.linePad, "A PDS3 label", true); !why.empty()) throw Error(why);
    checkRawName(l.rawPath, !hasControlCharacter(l.rawPath) && l.rawPath.find('"') == std::string::npos,
                 "A PDS3 label", "a quoted name ends at a double quote and holds no control characters");
    const char* storage = l.structure == BandStructure::BIL   ? "LINE_INTERLEAVED"
                          : l.structure == BandStructure::BIP ? "SAMPLE_INTERLEAVED"
                                                              : "BAND_SEQUENTIAL";
    const bool prefix = padAsPrefix(l);
    std::ostringstream out;
    out << "PDS_VERSION_ID       = PDS3\n"
        << "RECORD_TYPE          = UNDEFINED\n"
        << "^IMAGE               = (\"" << l.rawPath << "\", " << l.headerBytes - (prefix ? l.linePad : 0) + 1
        << " <BYTES>)\n"
        << "OBJECT               = IMAGE\n"
        << "  LINES              = " << l.lines << "\n"
        << "  LINE_SAMPLES       = " << l.samples << "\n"
        << "  SAMPLE_TYPE        = " << pds3SampleType(l.kind, l.mostSignificantFirst) << "\n"
        << "  SAMPLE_BITS        = " << bytesOf(l.kind) * 8 << "\n"
        << "  BANDS              = " << l.bands << "\n"
        << "  BAND_STORAGE_TYPE  = " << storage << "\n";
    if (prefix)
        out << "  /* The " << l.linePad << " bytes after each line, as the prefix of the next one */\n"
            << "  LINE_PREFIX_BYTES  = " << l.linePad << "\n";
    else if (l.linePad > 0)
        out << "  LINE_SUFFIX_BYTES  = " << l.linePad << "\n";
    if (l.noData)
        out << "  MISSING_CONSTANT   = " << *l.noData << "\n";
    else
        out << "  /* Matches no sample: without it, GDAL takes a value of the type as missing */\n"
            << "  MISSING_CONSTANT   = " << missingNone(l.kind) << "\n";
    out << "END_OBJECT           = IMAGE\n"
        << "END\n";
    return out.str();
}

std::vector<std::string> pds3GdalCaveats(const RawFileLayout& l)
{
    std::vector<std::string> caveats;
    if (l.structure == BandStructure::BIP && l.bands > 1)
        caveats.push_back("GDAL's PDS reader does not know BAND_STORAGE_TYPE SAMPLE_INTERLEAVED");
    if (l.kind == SampleKind::U32 || l.kind == SampleKind::I32)
        caveats.push_back("GDAL's PDS reader takes 32-bit samples for reals");
    if (l.linePad > 0 && !padAsPrefix(l))
        caveats.push_back("GDAL's PDS reader ignores LINE_SUFFIX_BYTES");
    return caveats;
}

void writeLayoutHeader(LayoutKind kind, const RawFileLayout& layout, const HeaderSink& sink)
{
    switch (kind) {
    case LayoutKind::Vrt: writeVrtHeader(layout, sink); return;
    case LayoutKind::Envi: sink(enviHeader(layout)); return;
    case LayoutKind::Pds3: sink(pds3Label(layout)); return;
    }
}

std::string layoutHeader(LayoutKind kind, const RawFileLayout& layout)
{
    std::string text;
    writeLayoutHeader(kind, layout, [&](const std::string& piece) { text += piece; });
    return text;
}

}  // namespace skeldra
