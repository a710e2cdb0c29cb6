#include "label/LabelFinder.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include "base/Errors.h"
#include "label/Envi.h"
#include "label/Odl.h"
#include "label/Pds3Layout.h"
#include "label/Pds4Layout.h"
#include "label/TextTools.h"
#include "label/Vicar.h"

namespace skeldra {

namespace fs = std::filesystem;

namespace {

std::string readStart(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) throwIoErrorFromErrno(errno == 0 ? ENOENT : errno, FileCall::Name);
    std::string text(labelReadLimit, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(file.gcount()));
    return text;
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
    return layout;
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

LabelLayout readPds3(const std::string& text, const std::string& path, bool attached)
{
    try {
        const OdlLabel label = parseOdl(text);
        if (auto layout = pds3Layout(label, path, attached, resolverNear(path))) return *layout;
        if (attached)
            if (auto vicar = readEmbeddedVicar(text, label, path)) return *vicar;
        return unreadable("PDS3", path, "it has no IMAGE or QUBE object");
    } catch (const LabelSyntaxError& error) {
        return unreadable("PDS3", path, error.what());
    }
}

LabelLayout readPds4(const std::string& text, const std::string& path, const std::string& dataName)
{
    try {
        return pds4Layout(parseXml(text), path, dataName, resolverNear(path));
    } catch (const LabelSyntaxError& error) {
        return unreadable("PDS4", path, error.what());
    }
}

LabelLayout readEnvi(const std::string& text, const std::string& path, std::optional<std::string> dataPath)
{
    LabelLayout layout;
    try {
        layout = enviLayout(parseEnvi(text), path);
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

// The label the input file itself holds or is.
std::optional<LabelLayout> readOwnLabel(const std::string& inputPath)
{
    const std::string text = readStart(inputPath);
    if (looksLikeVicar(text)) return readVicarAt(text, 0, inputPath);
    if (looksLikePds3(text)) return readPds3(text, inputPath, true);
    if (looksLikeEnvi(text)) return readEnvi(text, inputPath, std::nullopt);
    if (looksLikeXml(text)) return readPds4(text, inputPath, "");
    return std::nullopt;
}

std::optional<LabelLayout> readDetachedLabel(const std::string& inputPath)
{
    const fs::path input(inputPath);
    const fs::path folder = input.parent_path();
    const std::string stem = input.stem().string();
    const std::string name = input.filename().string();
    if (const auto label = findInFolder(folder, stem + ".lbl"); label && *label != inputPath)
        return readPds3(readStart(*label), *label, false);
    if (const auto label = findInFolder(folder, stem + ".xml"); label && *label != inputPath)
        return readPds4(readStart(*label), *label, name);
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

}  // namespace

std::optional<LabelLayout> findLabelLayout(const std::string& inputPath)
{
    std::optional<LabelLayout> layout = readOwnLabel(inputPath);
    if (!layout) layout = readDetachedLabel(inputPath);
    if (layout && !layout->dataPath.empty() && sameFile(layout->dataPath, inputPath)) layout->dataPath.clear();
    return layout;
}

}  // namespace skeldra
