// SPDX-License-Identifier: BSD-3-Clause
// The HDUs of a FITS file, and which of their images the layout reads.
#include <algorithm>
#include <optional>

#include "base/Errors.h"
#include "label/Fits.h"

namespace skeldra {

namespace {

constexpr int64_t blockBytes = static_cast<int64_t>(fitsBlockBytes);
constexpr int64_t mostAxes = 999;

std::optional<int64_t> wholeCard(const FitsHeader& header, const std::string& keyword)
{
    const FitsCard* card = header.find(keyword);
    return card ? fitsWholeNumber(*card) : std::nullopt;
}

std::optional<std::string> cardText(const FitsHeader& header, const std::string& keyword)
{
    const FitsCard* card = header.find(keyword);
    return card ? std::optional<std::string>(card->value) : std::nullopt;
}

std::string axisKeyword(int64_t axis) { return "NAXIS" + std::to_string(axis); }

// |BITPIX| × GCOUNT × (PCOUNT + NAXIS1 × ... × NAXISn) bits, the FITS rule
// (random groups leave NAXIS1, which is 0, out); -1 when the header does
// not give them or they exceed 64 bits.
int64_t dataBytesOf(const FitsHeader& header)
{
    const auto bitpix = wholeCard(header, "BITPIX");
    const auto axes = wholeCard(header, "NAXIS");
    if (!bitpix || !axes || *axes < 0 || *axes > mostAxes) return -1;
    const int64_t bytes = std::abs(*bitpix) / 8;
    if (bytes != 1 && bytes != 2 && bytes != 4 && bytes != 8) return -1;
    if (*axes == 0) return 0;
    const bool groups = cardText(header, "GROUPS") == "T" && wholeCard(header, "NAXIS1") == 0;
    int64_t items = 1;
    for (int64_t axis = groups ? 2 : 1; axis <= *axes; ++axis) {
        const auto size = wholeCard(header, axisKeyword(axis));
        if (!size || *size < 0 || __builtin_mul_overflow(items, *size, &items)) return -1;
    }
    const int64_t parameters = wholeCard(header, "PCOUNT").value_or(0);
    const int64_t groupCount = wholeCard(header, "GCOUNT").value_or(1);
    int64_t total = 0;
    if (parameters < 0 || groupCount < 0 || __builtin_add_overflow(items, parameters, &total) ||
        __builtin_mul_overflow(total, groupCount, &total) || __builtin_mul_overflow(total, bytes, &total))
        return -1;
    return total;
}

// Where the HDU after this one starts; empty beyond 64 bits or when its data size is unknown.
std::optional<int64_t> nextStart(const FitsHdu& hdu)
{
    if (hdu.dataBytes < 0) return std::nullopt;
    const int64_t padding = (blockBytes - hdu.dataBytes % blockBytes) % blockBytes;
    int64_t next = 0;
    if (__builtin_add_overflow(hdu.start, hdu.header.headerBytes, &next) ||
        __builtin_add_overflow(next, hdu.dataBytes, &next) || __builtin_add_overflow(next, padding, &next))
        return std::nullopt;
    return next;
}

bool hasEndCard(std::string_view block)
{
    for (std::size_t at = 0; at + fitsCardBytes <= block.size(); at += fitsCardBytes)
        if (isFitsEndCard(block.substr(at, fitsCardBytes))) return true;
    return false;
}

// An image: the primary array or an IMAGE extension with axes of at least one sample.
bool holdsImage(const FitsHdu& hdu)
{
    if (hdu.number != 1 && cardText(hdu.header, "XTENSION") != "IMAGE") return false;
    const auto axes = wholeCard(hdu.header, "NAXIS");
    if (!axes || *axes < 1 || *axes > mostAxes) return false;
    for (int64_t axis = 1; axis <= *axes; ++axis) {
        const auto size = wholeCard(hdu.header, axisKeyword(axis));
        if (!size || *size < 1) return false;
    }
    return true;
}

int64_t axisSize(const FitsHdu& hdu, int64_t axis) { return wholeCard(hdu.header, axisKeyword(axis)).value_or(1); }

bool singlePlane(const FitsHdu& hdu)
{
    const int64_t axes = wholeCard(hdu.header, "NAXIS").value_or(0);
    for (int64_t axis = 3; axis <= axes; ++axis)
        if (axisSize(hdu, axis) != 1) return false;
    return true;
}

// Images that read as bands of one image: the same shape and sample type,
// and the same scaling and BLANK, so that one reading suits them all.
bool alike(const FitsHdu& a, const FitsHdu& b)
{
    if (!singlePlane(b) || axisSize(a, 1) != axisSize(b, 1) || axisSize(a, 2) != axisSize(b, 2)) return false;
    if (wholeCard(a.header, "BITPIX") != wholeCard(b.header, "BITPIX")) return false;
    for (const char* keyword : {"BZERO", "BSCALE", "BLANK"})
        if (cardText(a.header, keyword) != cardText(b.header, keyword)) return false;
    return true;
}

struct ImageRun {
    size_t first = 0;  // index into the HDUs
    size_t count = 1;
    int64_t gap = 0;   // bytes from the end of one image's data to the start of the next
};

// The HDU at `first` and the alike HDUs right after it, the same gap apart.
ImageRun alikeRun(const std::vector<FitsHdu>& hdus, size_t first)
{
    ImageRun run{first, 1, -1};
    if (!singlePlane(hdus[first])) return run;
    for (size_t j = first + 1; j < hdus.size() && holdsImage(hdus[j]) && alike(hdus[first], hdus[j]); ++j) {
        const FitsHdu& before = hdus[j - 1];
        const int64_t gap = (hdus[j].start + hdus[j].header.headerBytes) -
                            (before.start + before.header.headerBytes + before.dataBytes);
        if (run.count > 1 && gap != run.gap) break;
        run.gap = gap;
        ++run.count;
    }
    return run;
}

std::string shapeOf(const FitsHdu& hdu)
{
    std::string shape = std::to_string(axisSize(hdu, 1)) + " samples × " + std::to_string(axisSize(hdu, 2)) + " lines";
    if (!singlePlane(hdu)) shape += " × " + std::to_string(axisSize(hdu, 3)) + " planes";
    const FitsCard* bitpix = hdu.header.find("BITPIX");
    return shape + ", BITPIX " + (bitpix ? bitpix->value : std::string("(absent)"));
}

std::string describeRun(const std::vector<FitsHdu>& hdus, const ImageRun& run)
{
    const FitsHdu& first = hdus[run.first];
    const std::string number = std::to_string(first.number);
    if (run.count == 1)
        return "HDU " + number + ": " + (first.number == 1 ? "the primary image" : "an IMAGE extension") + " of " +
               shapeOf(first);
    return "HDUs " + number + " to " + std::to_string(hdus[run.first + run.count - 1].number) + ": " +
           std::to_string(run.count) + " images of " + shapeOf(first) + ", as bands";
}

Sourced<int64_t> dataStart(const FitsHdu& hdu)
{
    const int64_t start = hdu.start + hdu.header.headerBytes;
    if (hdu.number == 1) {
        const int64_t blocks = hdu.header.headerBytes / blockBytes;
        return {start, decimal(blocks) + " header block" + (blocks == 1 ? "" : "s") + " of 2880 bytes"};
    }
    return {start, "the data of HDU " + std::to_string(hdu.number) + ", after its header"};
}

[[noreturn]] void refuseChoice(const std::vector<FitsHdu>& hdus, int64_t chosen)
{
    std::string numbers;
    for (const FitsHdu& hdu : hdus)
        if (holdsImage(hdu)) numbers += (numbers.empty() ? "" : ", ") + std::to_string(hdu.number);
    const std::string where = numbers.empty() ? "no HDU of the file holds one" : "the images are in HDUs " + numbers;
    throw Error("HDU " + std::to_string(chosen) + " holds no image: " + where);
}

void setBands(LabelLayout& layout, const std::vector<FitsHdu>& hdus, const ImageRun& run)
{
    const std::string source = "HDUs " + std::to_string(hdus[run.first].number) + " to " +
                               std::to_string(hdus[run.first + run.count - 1].number) +
                               ": images alike in shape, BITPIX and scaling, one after another";
    layout.bands = Sourced<int64_t>{static_cast<int64_t>(run.count), source};
    layout.gap = Sourced<int64_t>{run.gap, "the next HDU's header and the padding to 2880 bytes"};
    setBandStructure(layout, BandStructure::BSQ, source);
}

}  // namespace

std::vector<FitsHdu> readFitsHdus(const FitsHeader& primary, const FitsRead& read, int64_t fileSize,
                                  int64_t headerBudget, std::vector<std::string>& notes)
{
    std::vector<FitsHdu> hdus{FitsHdu{1, 0, primary, dataBytesOf(primary)}};
    int64_t budget = headerBudget - primary.headerBytes;
    for (std::optional<int64_t> next = nextStart(hdus.back()); next && *next < fileSize; next = nextStart(hdus.back())) {
        const int64_t number = hdus.back().number + 1;
        std::string text;
        do {
            if (budget < blockBytes) {
                notes.push_back("The HDUs from HDU " + std::to_string(number) + " on lie beyond the " +
                                std::to_string(headerBudget) + " bytes of headers read; they are left out");
                return hdus;
            }
            std::string block = read(*next + static_cast<int64_t>(text.size()), fitsBlockBytes);
            budget -= blockBytes;
            // Bytes after the last HDU that start no extension are no HDU.
            if (block.size() < fitsBlockBytes || (text.empty() && block.compare(0, 9, "XTENSION=") != 0)) return hdus;
            text += block;
        } while (!hasEndCard(std::string_view(text).substr(text.size() - fitsBlockBytes)));
        try {
            FitsHeader header = parseFitsExtension(text);
            const int64_t bytes = dataBytesOf(header);
            hdus.push_back(FitsHdu{number, *next, std::move(header), bytes});
        } catch (const LabelSyntaxError& error) {
            notes.push_back("HDU " + std::to_string(number) + " could not be read (" + error.what() +
                            "); it and the HDUs after it are left out");
            return hdus;
        }
    }
    return hdus;
}

LabelLayout fitsFileLayout(const std::vector<FitsHdu>& hdus, const std::string& labelPath, int64_t chosenHdu)
{
    LabelLayout layout;
    layout.labelKind = "FITS";
    layout.labelPath = labelPath;
    if (hdus.empty() || !fitsConforming(hdus.front().header, layout)) return layout;
    std::vector<size_t> images;
    for (size_t i = 0; i < hdus.size(); ++i)
        if (holdsImage(hdus[i])) images.push_back(i);
    ImageRun run;
    if (chosenHdu != 0) {
        const auto chosen = std::find_if(images.begin(), images.end(),
                                         [&](size_t i) { return hdus[i].number == chosenHdu; });
        if (chosen == images.end()) refuseChoice(hdus, chosenHdu);
        run.first = *chosen;
    } else if (images.empty()) {
        // No image anywhere: the primary header says why.
        readFitsImage(hdus.front().header, dataStart(hdus.front()), layout);
        return layout;
    } else {
        run = alikeRun(hdus, images.front());
    }
    if (readFitsImage(hdus[run.first].header, dataStart(hdus[run.first]), layout) && run.count > 1)
        setBands(layout, hdus, run);
    for (size_t i : images)
        if (i < run.first || i >= run.first + run.count)
            layout.otherImages.push_back({LabelImageChoice{hdus[i].number, ""}, describeRun(hdus, ImageRun{i, 1, 0})});
    if (!layout.otherImages.empty()) layout.image = describeRun(hdus, run);
    return layout;
}

LabelLayout fitsLayout(const FitsHeader& header, const std::string& labelPath)
{
    return fitsFileLayout({FitsHdu{1, 0, header, dataBytesOf(header)}}, labelPath, 0);
}

}  // namespace skeldra
