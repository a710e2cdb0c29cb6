// SPDX-License-Identifier: BSD-3-Clause
#include "label/Pds4Layout.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "base/Errors.h"

namespace skeldra {

namespace {

struct Axis {
    std::string name;  // upper case
    int64_t elements = 0;
    int64_t sequence = 0;
};

// An image array and the file its area describes.
struct FileArea {
    std::string fileName;
    const XmlElement* array = nullptr;
    bool firstOfArea = false;
};

bool isImageArray(const std::string& name)
{
    return name.rfind("Array_2D", 0) == 0 || name.rfind("Array_3D", 0) == 0;
}

// Every image array of every observational file area, in label order.
std::vector<FileArea> imageArrays(const XmlElement& product)
{
    std::vector<FileArea> arrays;
    for (const XmlElement* area : product.childrenNamed("File_Area_Observational")) {
        const XmlElement* file = area->child("File");
        const std::string fileName = file ? file->childText("file_name") : std::string();
        bool first = true;
        for (const XmlElement& child : area->children)
            if (isImageArray(child.name)) {
                arrays.push_back({fileName, &child, first});
                first = false;
            }
    }
    return arrays;
}

// The first array of the last area describing the preferred file, or of the first area.
size_t defaultArray(const std::vector<FileArea>& arrays, const std::string& preferredFile)
{
    size_t found = 0;
    for (size_t i = 0; i < arrays.size(); ++i)
        if (arrays[i].firstOfArea && equalsIgnoringCase(arrays[i].fileName, preferredFile)) found = i;
    return found;
}

std::string identifierOf(const FileArea& area) { return trimmed(area.array->childText("local_identifier")); }

size_t chosenArray(const std::vector<FileArea>& arrays, const std::string& chosen)
{
    size_t position = 0;
    const auto [end, error] = std::from_chars(chosen.data(), chosen.data() + chosen.size(), position);
    if (error == std::errc() && end == chosen.data() + chosen.size() && position >= 1 && position <= arrays.size())
        return position - 1;
    for (size_t i = 0; i < arrays.size(); ++i)
        if (!identifierOf(arrays[i]).empty() && equalsIgnoringCase(identifierOf(arrays[i]), chosen)) return i;
    std::string names;
    for (size_t i = 0; i < arrays.size(); ++i) {
        const std::string id = identifierOf(arrays[i]);
        names += (i ? ", " : "") + (id.empty() ? std::to_string(i + 1) : id);
    }
    throw Error("The label has no image array " + chosen + ": its arrays are " + names);
}

// "Array_2D_Image browse (array 2, in b.img): Line 100 × Sample 200"
std::string describeArray(const std::vector<FileArea>& arrays, size_t index)
{
    const FileArea& area = arrays[index];
    const std::string id = identifierOf(area);
    std::string text = area.array->name + (id.empty() ? "" : " " + id) + " (array " + std::to_string(index + 1) +
                       ", in " + area.fileName + ")";
    std::string axes;
    for (const XmlElement* axis : area.array->childrenNamed("Axis_Array"))
        axes += (axes.empty() ? ": " : " × ") + trimmed(axis->childText("axis_name")) + " " +
                trimmed(axis->childText("elements"));
    return text + axes;
}

std::string selectorOf(const std::vector<FileArea>& arrays, size_t index)
{
    const std::string id = identifierOf(arrays[index]);
    const auto same = std::count_if(arrays.begin(), arrays.end(),
                                    [&](const FileArea& a) { return equalsIgnoringCase(identifierOf(a), id); });
    // An identifier of digits would read as a position.
    const bool digits = std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; });
    return !id.empty() && !digits && same == 1 ? id : std::to_string(index + 1);
}

void listOtherArrays(LabelLayout& layout, const std::vector<FileArea>& arrays, size_t read)
{
    for (size_t i = 0; i < arrays.size(); ++i)
        if (i != read) layout.otherImages.push_back({LabelImageChoice{0, selectorOf(arrays, i)}, describeArray(arrays, i)});
    if (!layout.otherImages.empty()) layout.image = describeArray(arrays, read);
}

std::optional<int64_t> wholeNumber(const std::string& text)
{
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

EncodingResult pds4DataType(const std::string& type, int64_t& bits)
{
    using F = DataFormat;
    struct Row {
        const char* name;
        int64_t bits;
        SampleEncoding encoding;
    };
    static const std::array<Row, 16> table = {{
        {"UnsignedByte", 8, {F::UnsignedInteger, false}},
        {"SignedByte", 8, {F::SignedInteger, false}},
        {"UnsignedLSB2", 16, {F::UnsignedInteger, false}},
        {"UnsignedMSB2", 16, {F::UnsignedInteger, true}},
        {"SignedLSB2", 16, {F::SignedInteger, false}},
        {"SignedMSB2", 16, {F::SignedInteger, true}},
        {"UnsignedLSB4", 32, {F::UnsignedInteger, false}},
        {"UnsignedMSB4", 32, {F::UnsignedInteger, true}},
        {"SignedLSB4", 32, {F::SignedInteger, false}},
        {"SignedMSB4", 32, {F::SignedInteger, true}},
        {"IEEE754LSBSingle", 32, {F::Real, false}},
        {"IEEE754MSBSingle", 32, {F::Real, true}},
        {"IEEE754LSBDouble", 64, {F::Real, false}},
        {"IEEE754MSBDouble", 64, {F::Real, true}},
        {"UnsignedLSB8", 64, {F::UnsignedInteger, false}},
        {"SignedMSB8", 64, {F::SignedInteger, true}},
    }};
    for (const Row& row : table)
        if (type == row.name) {
            bits = row.bits;
            if (row.bits == 64 && row.encoding.format != F::Real)
                return {std::nullopt, "the window reads 64-bit samples only as reals"};
            // The window reads single bytes unsigned.
            if (row.bits == 8) return {SampleEncoding{F::UnsignedInteger, false}, {}};
            return {row.encoding, {}};
        }
    for (const char* eight : {"UnsignedMSB8", "SignedLSB8"})
        if (type == eight) {
            bits = 64;
            return {std::nullopt, "the window reads 64-bit samples only as reals"};
        }
    bits = 0;
    return {std::nullopt, "not a data type the window can read"};
}

void setDataType(LabelLayout& layout, const XmlElement& array)
{
    const XmlElement* element = array.child("Element_Array");
    const std::string type = element ? element->childText("data_type") : std::string();
    int64_t bits = 0;
    const EncodingResult encoding = pds4DataType(type, bits);
    const std::string source = "data_type " + type;
    if (bits == 0) {
        layout.notes.push_back(source + ": " + encoding.problem + "; Bits per sample and data format left unchanged");
        return;
    }
    setSample(layout, bits, source, encoding, source);
}

void setMissingConstant(LabelLayout& layout, const XmlElement& array)
{
    const XmlElement* constants = array.child("Special_Constants");
    if (!constants || !constants->child("missing_constant")) return;
    const std::string text = constants->childText("missing_constant");
    const std::string source = "missing_constant " + text;
    if (text.size() > 2 && (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0)) {
        uint64_t pattern = 0;
        const auto [end, error] = std::from_chars(text.data() + 2, text.data() + text.size(), pattern, 16);
        if (error == std::errc() && end == text.data() + text.size() && layout.bitsPerSample && layout.dataFormat) {
            if (auto value = valueOfBitPattern(pattern, layout.bitsPerSample->value, layout.dataFormat->value)) {
                layout.nonDataValue = Sourced<std::string>{*value, source};
                return;
            }
        }
    } else {
        if (isPlainNumber(text)) {
            layout.nonDataValue = Sourced<std::string>{text, source};
            return;
        }
    }
    layout.remark(source + " is not a number the window can compare; the non-data value left unchanged");
}

std::vector<Axis> readAxes(const XmlElement& array)
{
    std::vector<Axis> axes;
    for (const XmlElement* element : array.childrenNamed("Axis_Array")) {
        Axis axis;
        axis.name = upperTrimmed(element->childText("axis_name"));
        axis.elements = wholeNumber(element->childText("elements")).value_or(-1);
        axis.sequence = wholeNumber(element->childText("sequence_number")).value_or(0);
        axes.push_back(axis);
    }
    std::stable_sort(axes.begin(), axes.end(), [](const Axis& a, const Axis& b) { return a.sequence < b.sequence; });
    return axes;
}

// Axes from the slowest to the fastest; the names say which is which.
void setAxes(LabelLayout& layout, const std::vector<Axis>& axes, const std::string& arrayName)
{
    std::string order;
    for (const Axis& axis : axes) order += (order.empty() ? "" : ", ") + axis.name;
    const std::string source = arrayName + " axes " + order;
    BandStructure structure = BandStructure::None;
    std::array<std::string, 3> roles;  // names of the slowest to fastest axis as line, sample, band
    if (axes.size() == 2) {
        if (order == "SAMPLE, LINE") {
            layout.notes.push_back(source + ": a transposed image cannot be read by the window; nothing set");
            return;
        }
        roles = {"LINE", "SAMPLE", ""};  // Line, Sample by name, or by position for other names
    } else if (order == "BAND, LINE, SAMPLE") {
        roles = {"BAND", "LINE", "SAMPLE"};
        structure = BandStructure::BSQ;
    } else if (order == "LINE, BAND, SAMPLE") {
        roles = {"LINE", "BAND", "SAMPLE"};
        structure = BandStructure::BIL;
    } else if (order == "LINE, SAMPLE, BAND") {
        roles = {"LINE", "SAMPLE", "BAND"};
        structure = BandStructure::BIP;
    } else {
        layout.notes.push_back(source + ": an axis order the window cannot read; nothing set");
        return;
    }
    for (std::size_t i = 0; i < axes.size(); ++i) {
        const Sourced<int64_t> size{axes[i].elements, "Axis_Array " + axes[i].name + " elements " +
                                                          decimal(axes[i].elements)};
        if (roles[i] == "LINE") layout.lines = size;
        else if (roles[i] == "SAMPLE") layout.samplesPerLine = size;
        else layout.bands = size;
    }
    setBandStructure(layout, structure, source);
}

}  // namespace

LabelLayout pds4Layout(const XmlElement& product, const std::string& labelPath, const std::string& preferredFile,
                       const FileResolver& resolve, const std::string& chosen)
{
    LabelLayout layout;
    layout.labelKind = "PDS4";
    layout.labelPath = labelPath;
    const std::vector<FileArea> arrays = imageArrays(product);
    if (arrays.empty()) {
        if (!chosen.empty()) chosenArray(arrays, chosen);
        layout.notes.push_back("The PDS4 label has no File_Area_Observational with an image array; nothing set");
        return layout;
    }
    const size_t read = chosen.empty() ? defaultArray(arrays, preferredFile) : chosenArray(arrays, chosen);
    listOtherArrays(layout, arrays, read);
    const FileArea& area = arrays[read];
    const XmlElement& array = *area.array;

    if (const std::optional<std::string> data = resolve(area.fileName)) {
        layout.dataPath = *data;
        const std::string offsetText = array.childText("offset");
        if (const auto offset = wholeNumber(offsetText))
            layout.headerBytes = Sourced<int64_t>{*offset, "offset " + offsetText + " of " + array.name};
        else
            layout.notes.push_back(array.name + " offset \"" + offsetText + "\" is not a whole number; "
                                                                            "Header bytes left unchanged");
    } else {
        layout.notes.push_back("The file \"" + area.fileName +
                               "\" that file_name names was not found; Header bytes left unchanged");
    }
    const std::string order = array.childText("axis_index_order");
    if (!equalsIgnoringCase(order, "Last Index Fastest")) {
        layout.notes.push_back(array.name + " axis_index_order \"" + order +
                               "\" is not Last Index Fastest; the axes and band structure left unchanged");
    } else {
        setAxes(layout, readAxes(array), array.name);
    }
    setDataType(layout, array);
    setMissingConstant(layout, array);
    return layout;
}

}  // namespace skeldra
