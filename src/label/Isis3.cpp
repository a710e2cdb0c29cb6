// SPDX-License-Identifier: BSD-3-Clause
#include "label/Isis3.h"

#include <array>

#include "label/TextTools.h"

namespace skeldra {

namespace {

const OdlObject* child(const OdlObject& parent, std::string_view kind, std::string_view name)
{
    for (const OdlObject& object : parent.children)
        if (object.kind == kind && object.name == name) return &object;
    return nullptr;
}

std::string_view skipBlanks(std::string_view text)
{
    while (!text.empty() && (text[0] == ' ' || text[0] == '\t' || text[0] == '\r' || text[0] == '\n'))
        text.remove_prefix(1);
    return text;
}

struct PixelType {
    const char* name;
    int64_t bits;
    DataFormat format;
    // The ISIS Null of the type as a bit pattern; 0 with nullKnown false
    // when no reader of cubes agrees on one.
    uint64_t null;
    bool nullKnown;
};

constexpr std::array<PixelType, 7> pixelTypes = {{
    {"UNSIGNEDBYTE", 8, DataFormat::UnsignedInteger, 0, true},
    {"UNSIGNEDWORD", 16, DataFormat::UnsignedInteger, 0, true},
    {"SIGNEDWORD", 16, DataFormat::SignedInteger, 0x8000, true},
    {"UNSIGNEDINTEGER", 32, DataFormat::UnsignedInteger, 0, false},
    {"SIGNEDINTEGER", 32, DataFormat::SignedInteger, 0, false},
    {"REAL", 32, DataFormat::Real, 0xFF7FFFFB, true},
    {"DOUBLE", 64, DataFormat::Real, 0, false},
}};

class CubeReading {
public:
    CubeReading(const OdlObject& core, LabelLayout& layout) : core_(core), layout_(layout) {}

    void read()
    {
        if (!bandSequential()) return;
        if (const auto start = integer(core_, "STARTBYTE", "StartByte")) {
            if (*start < 1)  // bytes count from 1
                layout_.notes.push_back("StartByte " + decimal(*start) +
                                        " is not a position: bytes count from 1; Header bytes left unchanged");
            else
                layout_.headerBytes = Sourced<int64_t>{*start - 1, "StartByte " + decimal(*start) + " - 1"};
        } else if (!core_.find("STARTBYTE")) {
            layout_.notes.push_back("The Core has no StartByte; Header bytes left unchanged");
        }
        if (const OdlObject* dimensions = child(core_, "GROUP", "DIMENSIONS")) {
            if (const auto samples = integer(*dimensions, "SAMPLES", "Samples"))
                layout_.samplesPerLine = Sourced<int64_t>{*samples, "Samples " + decimal(*samples)};
            if (const auto lines = integer(*dimensions, "LINES", "Lines"))
                layout_.lines = Sourced<int64_t>{*lines, "Lines " + decimal(*lines)};
            if (const auto bands = integer(*dimensions, "BANDS", "Bands"))
                layout_.bands = Sourced<int64_t>{*bands, "Bands " + decimal(*bands)};
        } else {
            layout_.notes.push_back("The Core has no Dimensions group; Samples per line, Lines and Bands left unchanged");
        }
        const OdlObject* pixels = child(core_, "GROUP", "PIXELS");
        if (pixels) readPixels(*pixels);
        else layout_.notes.push_back("The Core has no Pixels group; Bits per sample and data format left unchanged");
        setBandStructure(layout_, BandStructure::BSQ, layout_.tileSamples ? "Format Tile" : "Format BandSequential");
        if (pixels) noteScaling(*pixels);
    }

private:
    // Band sequential lines, or band sequential tiles (the default of ISIS).
    bool bandSequential()
    {
        if (const OdlValue* pointer = core_.find("^CORE")) {
            layout_.notes.push_back("^Core = " + pointer->text +
                                    ": the samples are in a detached file, and only attached cubes are read; nothing set");
            return false;
        }
        const OdlValue* format = core_.find("FORMAT");
        const std::string word = format ? format->word() : "";
        if (word == "BANDSEQUENTIAL") return true;
        if (word == "TILE") return readTiles();
        layout_.notes.push_back("Format = " + (format ? format->text : std::string("(absent)")) +
                                " is not a cube format the window can read; nothing set");
        return false;
    }

    bool readTiles()
    {
        const auto samples = integer(core_, "TILESAMPLES", "TileSamples");
        const auto lines = integer(core_, "TILELINES", "TileLines");
        if (!samples || !lines) {
            layout_.notes.push_back("Format = Tile without whole TileSamples and TileLines: the tiles' size is "
                                    "unknown; nothing set");
            return false;
        }
        layout_.tileSamples = Sourced<int64_t>{*samples, "Format Tile, TileSamples " + decimal(*samples)};
        layout_.tileLines = Sourced<int64_t>{*lines, "Format Tile, TileLines " + decimal(*lines)};
        return true;
    }

    std::optional<int64_t> integer(const OdlObject& object, std::string_view key, const std::string& name)
    {
        const OdlValue* value = object.find(key);
        if (!value) return std::nullopt;
        if (value->kind != OdlValue::Kind::Integer) {
            layout_.notes.push_back(name + " = " + value->text + " is not a whole number; ignored");
            return std::nullopt;
        }
        return value->integer;
    }

    void readPixels(const OdlObject& pixels)
    {
        const OdlValue* type = pixels.find("TYPE");
        const OdlValue* order = pixels.find("BYTEORDER");
        const std::string typeWord = type ? type->word() : "";
        const PixelType* known = nullptr;
        for (const PixelType& candidate : pixelTypes)
            if (typeWord == candidate.name) known = &candidate;
        const std::string typeSource = "Type " + (type ? type->text : std::string("(absent)"));
        if (!known) {
            layout_.notes.push_back(typeSource +
                                    " is not a pixel type the window can read; Bits per sample and data format left "
                                    "unchanged");
            return;
        }
        const std::string orderWord = order ? order->word() : "";
        const std::string orderSource = typeSource + ", ByteOrder " + (order ? order->text : std::string("(absent)"));
        EncodingResult encoding;
        if (orderWord == "LSB" || orderWord == "MSB")
            encoding.encoding = SampleEncoding{known->format, orderWord == "MSB"};
        else
            encoding.problem = "the byte order must be Lsb or Msb";
        setSample(layout_, known->bits, typeSource, encoding, orderSource);
        if (known->nullKnown)
            if (const auto value = valueOfBitPattern(known->null, known->bits, known->format))
                layout_.nonDataValue = Sourced<std::string>{*value, "the ISIS Null of " + typeSource};
    }

    // The window shows stored values; ISIS values are Base + Multiplier × stored.
    void noteScaling(const OdlObject& pixels)
    {
        const OdlValue* base = pixels.find("BASE");
        const OdlValue* multiplier = pixels.find("MULTIPLIER");
        const bool plainBase = !base || (base->isNumber() && base->real == 0);
        const bool plainMultiplier = !multiplier || (multiplier->isNumber() && multiplier->real == 1);
        if (plainBase && plainMultiplier) return;
        layout_.remark("Base " + (base ? base->text : std::string("0")) + ", Multiplier " +
                       (multiplier ? multiplier->text : std::string("1")) +
                       ": the values are Base + Multiplier × the stored value; the window shows the stored values");
    }

    const OdlObject& core_;
    LabelLayout& layout_;
};

}  // namespace

bool looksLikeIsis3(std::string_view text)
{
    text = skipBlanks(text);
    if (!startsWithIgnoringCase(text, "Object")) return false;
    text = skipBlanks(text.substr(6));
    if (text.empty() || text[0] != '=') return false;
    text = skipBlanks(text.substr(1));
    return startsWithIgnoringCase(text, "IsisCube");
}

std::optional<LabelLayout> isis3Layout(const OdlLabel& label, const std::string& labelPath)
{
    const OdlObject* cube = child(label.root, "OBJECT", "ISISCUBE");
    const OdlObject* core = cube ? child(*cube, "OBJECT", "CORE") : nullptr;
    if (!core) return std::nullopt;
    LabelLayout layout;
    layout.labelKind = "ISIS3";
    layout.labelPath = labelPath;
    CubeReading(*core, layout).read();
    return layout;
}

}  // namespace skeldra
