// SPDX-License-Identifier: BSD-3-Clause
#include "label/LabelFinder.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <unistd.h>

#include <iterator>
#include <memory>
#include <string_view>

#include "base/Errors.h"
#include "base/InputFile.h"
#include "label/Envi.h"
#include "label/Fits.h"
#include "label/Isis3.h"
#include "label/Odl.h"
#include "label/Pds3Layout.h"
#include "label/Pds4Layout.h"
#include "label/TextTools.h"
#include "label/Vicar.h"

namespace skeldra {

namespace fs = std::filesystem;

namespace {

// The start of a file, at most labelReadLimit bytes of it.
struct LabelText {
    std::string text;
    bool cut = false;  // the file goes on after the bytes read
};

LabelText readStart(const std::string& path)
{
    InputFile file(path);
    // In steps, so that a small label costs a small buffer.
    constexpr std::size_t step = std::size_t{64} << 10;
    LabelText start;
    std::string& text = start.text;
    for (bool more = true; more && text.size() <= labelReadLimit;) {
        const std::size_t before = text.size();
        text.resize(std::min(before + step, labelReadLimit + 1));
        const ssize_t got = ::read(file.fd(), text.data() + before, text.size() - before);
        if (got < 0 && errno == EINTR) {
            text.resize(before);
            continue;
        }
        if (got < 0) throwIoErrorFromErrno(errno);
        text.resize(before + static_cast<std::size_t>(got));
        more = got > 0;
    }
    start.cut = text.size() > labelReadLimit;
    if (start.cut) start.text.resize(labelReadLimit);
    return start;
}

bool isRegularFile(const fs::path& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// A file of that name in `folder`, the name's case ignored when no file has
// it exactly: labels name files in upper case, disks often hold lower case.
std::optional<std::string> findInFolder(const fs::path& folder, const std::string& name)
{
    if (name.empty()) return std::nullopt;
    const fs::path wanted = folder / fs::path(name);
    if (isRegularFile(wanted)) return wanted.string();
    const fs::path parent = wanted.parent_path();
    const std::string leaf = wanted.filename().string();
    std::error_code error;
    for (fs::directory_iterator it(parent.empty() ? fs::path(".") : parent, error), end; !error && it != end;
         it.increment(error))
        if (equalsIgnoringCase(it->path().filename().string(), leaf) && isRegularFile(it->path()))
            return it->path().string();
    return std::nullopt;
}

FileResolver resolverNear(const std::string& labelPath)
{
    const fs::path folder = fs::path(labelPath).parent_path();
    return [folder](const std::string& name) { return findInFolder(folder, name); };
}

std::string_view withoutLeadingBlanks(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    while (!text.empty() && (text[0] == ' ' || text[0] == '\t' || text[0] == '\r' || text[0] == '\n'))
        text.remove_prefix(1);
    return text;
}

bool looksLikeVicar(std::string_view text)
{
    if (!startsWithIgnoringCase(text, "LBLSIZE")) return false;
    text.remove_prefix(7);
    while (!text.empty() && text[0] == ' ') text.remove_prefix(1);
    return !text.empty() && text[0] == '=';
}

bool looksLikePds3(std::string_view text)
{
    text = withoutLeadingBlanks(text);
    return startsWithIgnoringCase(text, "PDS_VERSION_ID") || startsWithIgnoringCase(text, "ODL_VERSION_ID") ||
           startsWithIgnoringCase(text, "CCSD");
}

bool looksLikeXml(std::string_view text) { return withoutLeadingBlanks(text).substr(0, 1) == "<"; }

bool looksLikeEnvi(std::string_view text)
{
    const std::string_view start = withoutLeadingBlanks(text);
    return upperTrimmed(start.substr(0, start.find('\n'))) == "ENVI";
}

LabelLayout unreadable(const std::string& kind, const std::string& path, const std::string& why)
{
    LabelLayout layout;
    layout.labelKind = kind;
    layout.labelPath = path;
    layout.notes.push_back("The " + kind + " label could not be read (" + why + "); nothing set");
    layout.readable = false;
    return layout;
}

// A label that is the whole file (XML, ENVI) cannot be read in part.
LabelLayout tooLong(const std::string& kind, const std::string& path)
{
    return unreadable(kind, path, "it is longer than the " + std::to_string(labelReadLimit) +
                                      " bytes read of a label");
}

LabelLayout readVicarAt(const std::string& text, std::size_t offset, const std::string& path)
{
    try {
        return vicarLayout(parseVicar(std::string_view(text).substr(offset)), static_cast<int64_t>(offset), path);
    } catch (const LabelSyntaxError& error) {
        return unreadable("VICAR", path, error.what());
    }
}

// A PDS3 label whose IMAGE object is missing may still describe a VICAR file:
// its ^IMAGE_HEADER, or the first LBLSIZE= after the label, starts that label.
std::optional<LabelLayout> readEmbeddedVicar(const std::string& text, const OdlLabel& label, const std::string& path)
{
    std::optional<std::size_t> offset;
    if (const auto pointer = pds3PointerOffset(label, "IMAGE_HEADER");
        pointer && *pointer >= 0 && static_cast<std::size_t>(*pointer) < text.size() &&
        looksLikeVicar(std::string_view(text).substr(static_cast<std::size_t>(*pointer))))
        offset = static_cast<std::size_t>(*pointer);
    if (!offset) {
        const std::size_t found = text.find("LBLSIZE", label.endOffset);
        if (found != std::string::npos && looksLikeVicar(std::string_view(text).substr(found))) offset = found;
    }
    if (!offset) return std::nullopt;
    return readVicarAt(text, *offset, path);
}

LabelLayout readPds3(const std::string& text, const std::string& path, bool attached, const std::string& object)
{
    try {
        const OdlLabel label = parseOdl(text);
        if (auto layout = pds3Layout(label, path, attached, resolverNear(path), object)) return *layout;
        if (attached)
            if (auto vicar = readEmbeddedVicar(text, label, path)) return *vicar;
        return unreadable("PDS3", path, "it has no IMAGE or QUBE object");
    } catch (const LabelSyntaxError& error) {
        return unreadable("PDS3", path, error.what());
    }
}

LabelLayout readPds4(const LabelText& start, const std::string& path, const std::string& dataName,
                     const std::string& array)
{
    if (start.cut) return tooLong("PDS4", path);
    try {
        return pds4Layout(parseXml(start.text), path, dataName, resolverNear(path), array);
    } catch (const LabelSyntaxError& error) {
        return unreadable("PDS4", path, error.what());
    }
}

LabelLayout readEnvi(const LabelText& start, const std::string& path, std::optional<std::string> dataPath)
{
    if (start.cut) return tooLong("ENVI", path);
    LabelLayout layout;
    try {
        layout = enviLayout(parseEnvi(start.text), path);
    } catch (const LabelSyntaxError& error) {
        return unreadable("ENVI", path, error.what());
    }
    if (!dataPath) {
        // The header of "x.img" is "x.hdr" or "x.img.hdr".
        const fs::path header(path);
        const fs::path folder = header.parent_path();
        const std::string stem = header.stem().string();
        for (const char* extension : {"", ".img", ".dat", ".raw", ".bin", ".bsq", ".bil", ".bip"})
            if ((dataPath = findInFolder(folder, stem + extension))) break;
    }
    if (!dataPath) {
        layout.headerBytes.reset();
        layout.notes.push_back("No data file was found beside the ENVI header; Header bytes left unchanged");
        return layout;
    }
    layout.dataPath = *dataPath;
    return layout;
}

// Up to n bytes of the file at a position, for the headers of its HDUs. A
// block that cannot be read ends the HDUs as the file's end does.
FitsRead fileReader(const std::shared_ptr<InputFile>& file)
{
    return [file](int64_t position, std::size_t n) {
        std::string bytes(n, '\0');
        try {
            bytes.resize(file->readAt(position, reinterpret_cast<uint8_t*>(bytes.data()), n));
        } catch (const Error&) {
            bytes.clear();
        }
        return bytes;
    };
}

LabelLayout readFits(const std::string& text, const std::string& path, int64_t chosenHdu)
{
    FitsHeader primary;
    try {
        primary = parseFits(text);
    } catch (const LabelSyntaxError& error) {
        return unreadable("FITS", path, error.what());
    }
    std::vector<std::string> notes;
    const auto file = std::make_shared<InputFile>(path);
    const std::vector<FitsHdu> hdus =
        readFitsHdus(primary, fileReader(file), file->size(), static_cast<int64_t>(labelReadLimit), notes);
    LabelLayout layout = fitsFileLayout(hdus, path, chosenHdu);
    // HDUs left out shorten the file's list of images; the one read is whole.
    for (const std::string& note : notes) layout.remark(note);
    return layout;
}

LabelLayout readIsis3(const std::string& text, const std::string& path)
{
    try {
        if (auto layout = isis3Layout(parseOdl(text), path)) return *layout;
        return unreadable("ISIS3", path, "it has no IsisCube object holding a Core");
    } catch (const LabelSyntaxError& error) {
        return unreadable("ISIS3", path, error.what());
    }
}

// The label the input file itself holds or is.
std::optional<LabelLayout> readOwnLabel(const std::string& inputPath, const LabelImageChoice& image)
{
    const LabelText start = readStart(inputPath);
    const std::string& text = start.text;
    if (looksLikeVicar(text)) return readVicarAt(text, 0, inputPath);
    if (looksLikeFits(text)) return readFits(text, inputPath, image.Hdu);
    if (looksLikeIsis3(text)) return readIsis3(text, inputPath);
    if (looksLikePds3(text)) return readPds3(text, inputPath, true, image.Object);
    if (looksLikeEnvi(text)) return readEnvi(start, inputPath, std::nullopt);
    if (looksLikeXml(text)) return readPds4(start, inputPath, "", image.Object);
    return std::nullopt;
}

std::optional<LabelLayout> readDetachedLabel(const std::string& inputPath, const LabelImageChoice& image)
{
    const fs::path input(inputPath);
    const fs::path folder = input.parent_path();
    const std::string stem = input.stem().string();
    const std::string name = input.filename().string();
    if (const auto label = findInFolder(folder, stem + ".lbl"); label && *label != inputPath)
        return readPds3(readStart(*label).text, *label, false, image.Object);
    if (const auto label = findInFolder(folder, stem + ".xml"); label && *label != inputPath)
        return readPds4(readStart(*label), *label, name, image.Object);
    for (const std::string& candidate : {stem + ".hdr", name + ".hdr"})
        if (const auto label = findInFolder(folder, candidate); label && *label != inputPath)
            return readEnvi(readStart(*label), *label, inputPath);
    return std::nullopt;
}

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return fs::equivalent(a, b, error);
}

// Both paths with links resolved, so that a link inside the folder that
// leads out of it counts as outside.
bool isWithin(const fs::path& path, const fs::path& folder)
{
    std::error_code error;
    const fs::path real = fs::weakly_canonical(fs::absolute(path, error), error);
    if (error) return false;
    const fs::path realFolder = fs::weakly_canonical(fs::absolute(folder, error), error);
    if (error) return false;
    // A trailing separator of the folder shows as a last, empty element.
    const auto left = std::mismatch(realFolder.begin(), realFolder.end(), real.begin(), real.end()).first;
    return left == realFolder.end() || (std::next(left) == realFolder.end() && left->empty());
}

}  // namespace

bool dataOutsideLabelFolder(const LabelLayout& layout)
{
    if (layout.dataPath.empty()) return false;
    const fs::path folder = fs::path(layout.labelPath).parent_path();
    return !isWithin(layout.dataPath, folder.empty() ? fs::path(".") : folder);
}

namespace {

// A choice of image made for another kind of label: its kind of image does
// not exist in this one.
void refuseForeignChoice(const LabelLayout& layout, const LabelImageChoice& image)
{
    const std::string& kind = layout.labelKind;
    if (image.Hdu != 0 && kind != "FITS")
        throw Error("HDU " + std::to_string(image.Hdu) + " was chosen, but the label is " + kind +
                    ": only a FITS file has HDUs");
    if (!image.Object.empty() && kind != "PDS3" && kind != "PDS4")
        throw Error("The image object " + image.Object + " was chosen, but the label is " + kind +
                    ": only PDS3 and PDS4 labels name their images");
}

}  // namespace

std::optional<LabelLayout> findLabelLayout(const std::string& inputPath, const LabelImageChoice& image)
{
    std::optional<LabelLayout> layout = readOwnLabel(inputPath, image);
    if (!layout) layout = readDetachedLabel(inputPath, image);
    if (layout) refuseForeignChoice(*layout, image);
    if (layout && !layout->dataPath.empty() && sameFile(layout->dataPath, inputPath)) layout->dataPath.clear();
    return layout;
}

}  // namespace skeldra
