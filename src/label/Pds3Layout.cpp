// SPDX-License-Identifier: BSD-3-Clause
#include "label/Pds3Layout.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

#include "base/Errors.h"
#include "label/TextTools.h"

namespace skeldra {

namespace {

using Path = std::vector<const OdlObject*>;  // from the root to an object

bool findObject(const OdlObject& object, bool (*wanted)(const std::string&), Path& path)
{
    path.push_back(&object);
    if (!object.kind.empty() && object.kind == "OBJECT" && wanted(object.name)) return true;
    for (const OdlObject& child : object.children)
        if (findObject(child, wanted, path)) return true;
    path.pop_back();
    return false;
}

bool endsWith(const std::string& text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool isRasterName(const std::string& name)
{
    return name == "IMAGE" || endsWith(name, "IMAGE") || endsWith(name, "QUBE");
}

// Every image or qube object, in the order of the label.
void collectRasterObjects(const OdlObject& object, Path& path, std::vector<Path>& found)
{
    path.push_back(&object);
    if (object.kind == "OBJECT" && isRasterName(object.name)) found.push_back(path);
    for (const OdlObject& child : object.children) collectRasterObjects(child, path, found);
    path.pop_back();
}

// The raster object: IMAGE first, then any other image, then a qube.
Path findRasterObject(const OdlObject& root)
{
    static bool (*const preferences[])(const std::string&) = {
        [](const std::string& name) { return name == "IMAGE"; },
        [](const std::string& name) { return endsWith(name, "IMAGE"); },
        [](const std::string& name) { return endsWith(name, "QUBE"); },
    };
    for (auto wanted : preferences) {
        Path path;
        if (findObject(root, wanted, path)) return path;
    }
    return {};
}

// A keyword of the object itself or, failing that, of the nearest object
// around it.
const OdlValue* findAround(const Path& path, std::string_view key)
{
    for (auto it = path.rbegin(); it != path.rend(); ++it)
        if (const OdlValue* value = (*it)->find(key)) return value;
    return nullptr;
}

std::string shown(const OdlValue& value)
{
    if (value.kind == OdlValue::Kind::Text) return "\"" + value.text + "\"";
    std::string text = value.text;
    if (value.kind == OdlValue::Kind::Sequence || value.kind == OdlValue::Kind::Set) {
        text = value.kind == OdlValue::Kind::Sequence ? "(" : "{";
        for (std::size_t i = 0; i < value.items.size(); ++i) text += (i ? ", " : "") + shown(value.items[i]);
        text += value.kind == OdlValue::Kind::Sequence ? ")" : "}";
    }
    if (!value.unit.empty()) text += " <" + value.unit + ">";
    return text;
}

// A whole number keyword; a value of another kind is noted and ignored.
std::optional<int64_t> integerKey(const OdlObject& object, std::string_view key, LabelLayout& layout)
{
    const OdlValue* value = object.find(key);
    if (!value) return std::nullopt;
    if (value->kind != OdlValue::Kind::Integer) {
        layout.notes.push_back(std::string(key) + " " + shown(*value) + " is not a whole number; ignored");
        return std::nullopt;
    }
    return value->integer;
}

struct Pointer {
    std::string file;  // empty: the label's own file
    int64_t offset = 0;
    std::string source;
};

// ^NAME as a record number, as n <BYTES>, as "FILE" or as ("FILE", n).
// Record and byte numbers count from 1.
std::optional<Pointer> readPointer(const OdlValue& value, const std::string& key, const Path& path,
                                   LabelLayout& layout)
{
    std::vector<std::string>& notes = layout.notes;
    Pointer pointer;
    const OdlValue* location = &value;
    if (value.kind == OdlValue::Kind::Text || value.kind == OdlValue::Kind::Symbol) {
        pointer.file = value.text;
        pointer.source = key + " \"" + value.text + "\": start of the file";
        return pointer;
    }
    if (value.kind == OdlValue::Kind::Sequence && !value.items.empty() &&
        value.items[0].kind == OdlValue::Kind::Text) {
        pointer.file = value.items[0].text;
        if (value.items.size() == 1) {
            pointer.source = key + " \"" + pointer.file + "\": start of the file";
            return pointer;
        }
        location = &value.items[1];
    }
    if (location->kind != OdlValue::Kind::Integer || (value.kind == OdlValue::Kind::Sequence && value.items.size() > 2)) {
        notes.push_back(key + " = " + shown(value) + " is not a pointer the window can follow");
        return std::nullopt;
    }
    const std::string at = pointer.file.empty() ? "" : " in \"" + pointer.file + "\"";
    if (location->integer < 1) {
        notes.push_back(key + " = " + shown(value) + " is not a position: records and bytes count from 1; "
                                                     "Header bytes left unchanged");
        return std::nullopt;
    }
    if (location->unit == "BYTES") {
        pointer.offset = location->integer - 1;
        pointer.source = key + " " + location->text + " <BYTES> - 1" + at;
        return pointer;
    }
    const OdlValue* recordBytes = findAround(path, "RECORD_BYTES");
    if (!recordBytes || recordBytes->kind != OdlValue::Kind::Integer) {
        notes.push_back(key + " = " + shown(value) + " counts records, but the label has no RECORD_BYTES");
        return std::nullopt;
    }
    const auto offset = productOfSizes(
        {{"(" + key + " - 1)", location->integer - 1}, {"RECORD_BYTES", recordBytes->integer}}, "Header bytes", layout);
    if (!offset) return std::nullopt;
    pointer.offset = *offset;
    pointer.source = "(" + key + " " + location->text + " - 1) × RECORD_BYTES " + recordBytes->text + at;
    return pointer;
}

// Where the samples start: the pointer to the object, or the label records.
void setDataStart(LabelLayout& layout, const Path& path, bool attached, const FileResolver& resolve)
{
    // Spectral qubes and named images often point with the plain ^QUBE or ^IMAGE.
    std::string key = "^" + path.back()->name;
    const OdlValue* value = findAround(path, key);
    for (const char* plain : {"QUBE", "IMAGE"})
        if (!value && endsWith(path.back()->name, plain) && findAround(path, std::string("^") + plain)) {
            key = std::string("^") + plain;
            value = findAround(path, key);
        }
    if (!value) {
        const OdlValue* records = findAround(path, "LABEL_RECORDS");
        const OdlValue* recordBytes = findAround(path, "RECORD_BYTES");
        if (attached && records && recordBytes && records->kind == OdlValue::Kind::Integer &&
            recordBytes->kind == OdlValue::Kind::Integer) {
            const auto bytes = productOfSizes(
                {{"LABEL_RECORDS", records->integer}, {"RECORD_BYTES", recordBytes->integer}}, "Header bytes", layout);
            if (bytes)
                layout.headerBytes = Sourced<int64_t>{*bytes, "LABEL_RECORDS " + records->text + " × RECORD_BYTES " +
                                                                  recordBytes->text};
        } else {
            layout.notes.push_back("The label has no " + key +
                                   " pointer that says where the samples start; Header bytes left unchanged");
        }
        return;
    }
    const std::optional<Pointer> pointer = readPointer(*value, key, path, layout);
    if (!pointer) return;
    if (!pointer->file.empty()) {
        const std::optional<std::string> found = resolve(pointer->file);
        if (!found) {
            layout.notes.push_back("The file \"" + pointer->file + "\" that " + key +
                                   " names was not found; Header bytes left unchanged");
            return;
        }
        layout.dataPath = *found;
    } else if (!attached) {
        layout.remark(key + " gives no file name; the samples are taken to be in the input file");
    }
    layout.headerBytes = Sourced<int64_t>{pointer->offset, pointer->source};
}

std::optional<SampleEncoding> integerEncoding(const std::string& type)
{
    using F = DataFormat;
    static const std::array<std::pair<const char*, SampleEncoding>, 14> table = {{
        {"MSB_INTEGER", {F::SignedInteger, true}},
        {"INTEGER", {F::SignedInteger, true}},
        {"SUN_INTEGER", {F::SignedInteger, true}},
        {"MAC_INTEGER", {F::SignedInteger, true}},
        {"LSB_INTEGER", {F::SignedInteger, false}},
        {"PC_INTEGER", {F::SignedInteger, false}},
        {"VAX_INTEGER", {F::SignedInteger, false}},
        {"UNSIGNED_INTEGER", {F::UnsignedInteger, true}},
        {"MSB_UNSIGNED_INTEGER", {F::UnsignedInteger, true}},
        {"SUN_UNSIGNED_INTEGER", {F::UnsignedInteger, true}},
        {"MAC_UNSIGNED_INTEGER", {F::UnsignedInteger, true}},
        {"LSB_UNSIGNED_INTEGER", {F::UnsignedInteger, false}},
        {"PC_UNSIGNED_INTEGER", {F::UnsignedInteger, false}},
        {"VAX_UNSIGNED_INTEGER", {F::UnsignedInteger, false}},
    }};
    for (const auto& [name, encoding] : table)
        if (type == name) return encoding;
    return std::nullopt;
}

std::optional<SampleEncoding> realEncoding(const std::string& type)
{
    for (const char* name : {"IEEE_REAL", "REAL", "FLOAT", "SUN_REAL", "MAC_REAL", "MSB_IEEE_REAL"})
        if (type == name) return SampleEncoding{DataFormat::Real, true};
    for (const char* name : {"PC_REAL", "LSB_IEEE_REAL"})
        if (type == name) return SampleEncoding{DataFormat::Real, false};
    return std::nullopt;
}

void setNonDataValue(LabelLayout& layout, const OdlValue& value, const std::string& key)
{
    const std::string source = key + " " + shown(value);
    if (!value.isNumber()) {
        layout.remark(source + " is not a number; the non-data value left unchanged");
        return;
    }
    if (!value.based) {
        layout.nonDataValue = Sourced<std::string>{value.kind == OdlValue::Kind::Integer ? decimal(value.integer)
                                                                                        : value.text,
                                                   source};
        return;
    }
    const int64_t bits = layout.bitsPerSample ? layout.bitsPerSample->value : 0;
    const DataFormat format = layout.dataFormat ? layout.dataFormat->value : DataFormat::UnsignedInteger;
    if (!layout.bitsPerSample || !layout.dataFormat) {
        layout.remark(source + " is a bit pattern of an unknown sample type; the non-data value left unchanged");
        return;
    }
    const std::optional<std::string> text = valueOfBitPattern(static_cast<uint64_t>(value.integer), bits, format);
    if (!text) {
        layout.remark(source + " is not a finite number; the non-data value left unchanged");
        return;
    }
    layout.nonDataValue = Sourced<std::string>{*text, source};
}

bool isEncoded(const OdlObject& object, std::string& how)
{
    const OdlValue* encoding = object.find("ENCODING_TYPE");
    if (!encoding) return false;
    how = encoding->word();
    return !how.empty() && how != "N/A" && how != "NONE" && how != "NULL";
}

void readImage(LabelLayout& layout, const OdlObject& image)
{
    if (const auto lines = integerKey(image, "LINES", layout))
        layout.lines = Sourced<int64_t>{*lines, "LINES " + decimal(*lines)};
    if (const auto samples = integerKey(image, "LINE_SAMPLES", layout))
        layout.samplesPerLine = Sourced<int64_t>{*samples, "LINE_SAMPLES " + decimal(*samples)};
    if (const auto bits = integerKey(image, "SAMPLE_BITS", layout)) {
        const OdlValue* type = image.find("SAMPLE_TYPE");
        const std::string typeWord = type ? type->word() : "";
        const EncodingResult encoding = type ? pds3SampleType(typeWord, *bits)
                                             : EncodingResult{std::nullopt, "the label gives no SAMPLE_TYPE"};
        setSample(layout, *bits, "SAMPLE_BITS " + decimal(*bits), encoding,
                  type ? "SAMPLE_TYPE " + typeWord : "SAMPLE_TYPE");
    }
    const auto prefix = integerKey(image, "LINE_PREFIX_BYTES", layout);
    const auto suffix = integerKey(image, "LINE_SUFFIX_BYTES", layout);
    setLinePrefixSuffix(layout, {"LINE_PREFIX_BYTES", prefix.value_or(0)}, {"LINE_SUFFIX_BYTES", suffix.value_or(0)},
                        "LINE_PREFIX_BYTES " + decimal(prefix.value_or(0)) + " + LINE_SUFFIX_BYTES " +
                            decimal(suffix.value_or(0)));

    const auto bands = integerKey(image, "BANDS", layout);
    if (bands) layout.bands = Sourced<int64_t>{*bands, "BANDS " + decimal(*bands)};
    const OdlValue* storage = image.find("BAND_STORAGE_TYPE");
    BandStructure structure = BandStructure::BSQ;
    std::string source = "BANDS " + decimal(bands.value_or(1)) + ", BAND_STORAGE_TYPE absent: band sequential";
    if (storage) {
        const std::string word = storage->word();
        source = "BAND_STORAGE_TYPE " + word;
        if (word == "LINE_INTERLEAVED" || word == "BIL") structure = BandStructure::BIL;
        else if (word == "SAMPLE_INTERLEAVED" || word == "BIP") structure = BandStructure::BIP;
        else if (word != "BAND_SEQUENTIAL" && word != "BSQ" && bands.value_or(1) > 1) {
            layout.notes.push_back(source + " is not a band storage the window knows; Band structure left unchanged");
            return;
        }
    }
    setBandStructure(layout, structure, source);
    if (const OdlValue* missing = image.find("MISSING_CONSTANT")) setNonDataValue(layout, *missing, "MISSING_CONSTANT");
}

struct QubeAxes {
    std::array<int64_t, 3> core{1, 1, 1};    // by axis position, fastest first
    std::array<int64_t, 3> suffix{0, 0, 0};
    std::array<std::string, 3> names{"SAMPLE", "LINE", "BAND"};
    std::size_t count = 3;
};

bool readQubeAxes(const OdlObject& qube, QubeAxes& axes, LabelLayout& layout)
{
    const OdlValue* core = qube.find("CORE_ITEMS");
    if (!core || core->kind != OdlValue::Kind::Sequence || core->items.empty() || core->items.size() > 3) {
        layout.notes.push_back("The QUBE object has no CORE_ITEMS sequence of up to three sizes; nothing set");
        return false;
    }
    axes.count = core->items.size();
    const OdlValue* names = qube.find("AXIS_NAME");
    const OdlValue* suffix = qube.find("SUFFIX_ITEMS");
    for (std::size_t i = 0; i < axes.count; ++i) {
        if (core->items[i].kind != OdlValue::Kind::Integer) {
            layout.notes.push_back("CORE_ITEMS " + shown(*core) + " holds more than whole numbers; nothing set");
            return false;
        }
        axes.core[i] = core->items[i].integer;
        if (names && names->kind == OdlValue::Kind::Sequence && i < names->items.size())
            axes.names[i] = names->items[i].word();
        if (suffix && suffix->kind == OdlValue::Kind::Sequence && i < suffix->items.size() &&
            suffix->items[i].kind == OdlValue::Kind::Integer)
            axes.suffix[i] = suffix->items[i].integer;
        if (axes.suffix[i] < 0) {
            layout.notes.push_back("SUFFIX_ITEMS " + shown(*suffix) + " holds a negative count; nothing set");
            return false;
        }
    }
    return true;
}

std::string axisOrder(const QubeAxes& axes)
{
    std::string order;
    for (std::size_t i = 0; i < axes.count; ++i) order += (i ? "," : "") + axes.names[i];
    return order;
}

// Suffix planes: side planes make line or band pads, bottom planes a gap;
// planes after the last band follow all the data and need nothing.
bool setQubeSuffixes(LabelLayout& layout, const QubeAxes& axes, BandStructure structure, int64_t suffixBytes)
{
    const std::string source = "SUFFIX_ITEMS (" + decimal(axes.suffix[0]) + ", " + decimal(axes.suffix[1]) + ", " +
                               decimal(axes.suffix[2]) + ") × SUFFIX_BYTES " + decimal(suffixBytes);
    const std::string unchanged = "the qube's layout";
    const LabelTerm bytes{"SUFFIX_BYTES", suffixBytes};
    const LabelTerm sidePlanes{"SUFFIX_ITEMS " + axes.names[0], axes.suffix[0]};
    const auto sideBytes = productOfSizes({sidePlanes, bytes}, unchanged, layout);
    if (!sideBytes) return false;
    const auto lineItems = sumOfSizes({{"CORE_ITEMS " + axes.names[0], axes.core[0]}, sidePlanes}, unchanged, layout);
    if (!lineItems) return false;
    const auto bottomBytes = productOfSizes(
        {{"SUFFIX_ITEMS " + axes.names[1], axes.suffix[1]}, {"items per line", *lineItems}, bytes}, unchanged, layout);
    if (!bottomBytes) return false;

    if (structure == BandStructure::BSQ || structure == BandStructure::None) {
        if (*sideBytes) layout.linePad = Sourced<int64_t>{*sideBytes, source};
        if (*bottomBytes && axes.count == 3) layout.gap = Sourced<int64_t>{*bottomBytes, source};
        return true;
    }
    if (structure == BandStructure::BIL) {
        if (*sideBytes) layout.bandPad = Sourced<int64_t>{*sideBytes, source};
        if (*bottomBytes) layout.linePad = Sourced<int64_t>{*bottomBytes, source};
        return true;
    }
    if (axes.suffix[0] || axes.suffix[1]) {
        layout.notes.push_back(source + ": suffix planes of a BIP qube cannot be described; nothing set");
        return false;
    }
    return true;
}

void readQube(LabelLayout& layout, const OdlObject& qube)
{
    QubeAxes axes;
    if (!readQubeAxes(qube, axes, layout)) return;
    const std::string order = axisOrder(axes);
    BandStructure structure;
    if (order == "SAMPLE,LINE,BAND") structure = BandStructure::BSQ;
    else if (order == "SAMPLE,BAND,LINE") structure = BandStructure::BIL;
    else if (order == "BAND,SAMPLE,LINE") structure = BandStructure::BIP;
    else if (order == "SAMPLE,LINE") structure = BandStructure::None;
    else {
        layout.notes.push_back("AXIS_NAME (" + order + ") is an axis order the window cannot read; nothing set");
        return;
    }
    const int64_t suffixBytes = integerKey(qube, "SUFFIX_BYTES", layout).value_or(4);
    if (!setQubeSuffixes(layout, axes, structure, suffixBytes)) return;

    for (std::size_t i = 0; i < axes.count; ++i) {
        const std::string source = "CORE_ITEMS " + axes.names[i] + " " + decimal(axes.core[i]);
        if (axes.names[i] == "SAMPLE") layout.samplesPerLine = Sourced<int64_t>{axes.core[i], source};
        if (axes.names[i] == "LINE") layout.lines = Sourced<int64_t>{axes.core[i], source};
        if (axes.names[i] == "BAND") layout.bands = Sourced<int64_t>{axes.core[i], source};
    }
    const auto bytes = integerKey(qube, "CORE_ITEM_BYTES", layout);
    const auto bits = bytes ? productOfSizes({{"CORE_ITEM_BYTES", *bytes}, {"bits per byte", 8}},
                                             "Bits per sample and data format", layout)
                            : std::nullopt;
    if (bits) {
        const OdlValue* type = qube.find("CORE_ITEM_TYPE");
        const std::string typeWord = type ? type->word() : "";
        const EncodingResult encoding = type ? pds3SampleType(typeWord, *bits)
                                             : EncodingResult{std::nullopt, "the label gives no CORE_ITEM_TYPE"};
        setSample(layout, *bits, "CORE_ITEM_BYTES " + decimal(*bytes) + " × 8", encoding,
                  "CORE_ITEM_TYPE " + typeWord);
    }
    setBandStructure(layout, structure, "AXIS_NAME (" + order + ")");
    if (const OdlValue* null = qube.find("CORE_NULL")) setNonDataValue(layout, *null, "CORE_NULL");
}

// "IMAGE, 1024 samples × 1024 lines" in the label's own words.
std::string describeObject(const Path& path)
{
    const OdlObject& object = *path.back();
    std::string text = object.name;
    const OdlValue* samples = object.find("LINE_SAMPLES");
    const OdlValue* lines = object.find("LINES");
    const OdlValue* bands = object.find("BANDS");
    const OdlValue* core = object.find("CORE_ITEMS");
    if (samples && lines) text += ", " + shown(*samples) + " samples × " + shown(*lines) + " lines";
    if (samples && lines && bands) text += " × " + shown(*bands) + " bands";
    if (core) text += ", CORE_ITEMS " + shown(*core);
    return text;
}

// What selects an object: its name, or its position when another has that name too.
std::string selectorOf(const std::vector<Path>& all, size_t index)
{
    const std::string& name = all[index].back()->name;
    const auto named = std::count_if(all.begin(), all.end(), [&](const Path& p) { return p.back()->name == name; });
    return named == 1 ? name : std::to_string(index + 1);
}

Path chosenObject(const std::vector<Path>& all, const std::string& chosen)
{
    size_t position = 0;
    const auto [end, error] = std::from_chars(chosen.data(), chosen.data() + chosen.size(), position);
    if (error == std::errc() && end == chosen.data() + chosen.size() && position >= 1 && position <= all.size())
        return all[position - 1];
    for (const Path& path : all)
        if (equalsIgnoringCase(path.back()->name, chosen)) return path;
    std::string names;
    for (const Path& path : all) names += (names.empty() ? "" : ", ") + path.back()->name;
    throw Error("The label has no image object " + chosen + ": " +
                (names.empty() ? std::string("it has none") : "its image objects are " + names));
}

void listOtherObjects(LabelLayout& layout, const std::vector<Path>& all, const Path& read)
{
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i].back() != read.back())
            layout.otherImages.push_back({LabelImageChoice{0, selectorOf(all, i)},
                                          describeObject(all[i]) + " (object " + std::to_string(i + 1) + ")"});
    if (layout.otherImages.empty()) return;
    const auto at = std::find_if(all.begin(), all.end(), [&](const Path& p) { return p.back() == read.back(); });
    layout.image = describeObject(read) + " (object " + std::to_string(at - all.begin() + 1) + ")";
}

}  // namespace

EncodingResult pds3SampleType(const std::string& type, int64_t bits)
{
    if (const auto encoding = integerEncoding(type)) {
        if (bits == 64) return {std::nullopt, "the window reads 64-bit samples only as reals"};
        // One byte has no order, and the window reads single bytes unsigned.
        if (bits == 8) return {SampleEncoding{DataFormat::UnsignedInteger, encoding->msbFirst}, {}};
        return {encoding, {}};
    }
    if (const auto encoding = realEncoding(type)) {
        if (bits != 32 && bits != 64) return {std::nullopt, "the window reads reals only of 32 or 64 bits"};
        return {encoding, {}};
    }
    if (type.rfind("VAX", 0) == 0) return {std::nullopt, "VAX reals cannot be read by the window"};
    return {std::nullopt, "not a sample type the window can read"};
}

std::optional<LabelLayout> pds3Layout(const OdlLabel& label, const std::string& labelPath, bool attached,
                                      const FileResolver& resolve, const std::string& chosen)
{
    std::vector<Path> all;
    Path walk;
    collectRasterObjects(label.root, walk, all);
    const Path path = chosen.empty() ? findRasterObject(label.root) : chosenObject(all, chosen);
    if (path.empty()) return std::nullopt;
    LabelLayout layout;
    layout.labelKind = "PDS3";
    layout.labelPath = labelPath;
    listOtherObjects(layout, all, path);
    const OdlObject& object = *path.back();
    std::string encoding;
    if (isEncoded(object, encoding)) {
        layout.notes.push_back("The " + object.name + " is compressed (ENCODING_TYPE " + encoding +
                               "); the window reads only uncompressed samples, so nothing was set");
        return layout;
    }
    setDataStart(layout, path, attached, resolve);
    if (endsWith(object.name, "QUBE")) readQube(layout, object);
    else readImage(layout, object);
    return layout;
}

std::optional<int64_t> pds3PointerOffset(const OdlLabel& label, std::string_view name)
{
    const std::string key = "^" + std::string(name);
    const OdlValue* value = label.root.find(key);
    if (!value) return std::nullopt;
    LabelLayout ignored;
    const std::optional<Pointer> pointer = readPointer(*value, key, Path{&label.root}, ignored);
    if (!pointer || !pointer->file.empty()) return std::nullopt;
    return pointer->offset;
}

}  // namespace skeldra
