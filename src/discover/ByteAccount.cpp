// SPDX-License-Identifier: BSD-3-Clause
#include "discover/ByteAccount.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>

#include <nlohmann/json.hpp>

#include "base/Checked.h"
#include "label/LabelLayout.h"
#include "raster/ByteSource.h"

namespace skeldra {

namespace {

// How much of the file the account reads: enough to judge, bounded whatever the size.
constexpr std::size_t labelScanBytes = std::size_t{1} << 20;
constexpr int64_t sampledPieces = 256;
constexpr std::size_t pieceSampleBytes = 1024;
constexpr std::size_t stretchSampleBytes = std::size_t{64} << 10;
constexpr int64_t sampledLines = 16;
constexpr int64_t lineSampleValues = 4096;
constexpr int64_t leftOverSampleValues = 16384;
constexpr int64_t listedBands = 16;

// ---------------------------------------------------------------- label text

bool isLabelByte(uint8_t b) { return b >= 0x20 || b == '\t' || b == '\r' || b == '\n' || b == '\f'; }

std::string_view trimmedView(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\f')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\f')) text.remove_suffix(1);
    return text;
}

bool isEndWord(std::string_view text)
{
    text = trimmedView(text);
    return text.size() == 3 && (text[0] | 0x20) == 'e' && (text[1] | 0x20) == 'n' && (text[2] | 0x20) == 'd';
}

int64_t fitsCardsEnd(std::string_view text)
{
    constexpr std::size_t card = 80;
    for (std::size_t at = 0; at + card <= text.size(); at += card) {
        const std::string_view c = text.substr(at, card);
        if (!std::all_of(c.begin(), c.end(), [](char b) { return b >= 0x20 && b < 0x7F; })) return 0;
        if (trimmedView(c.substr(0, 8)) == "END") return static_cast<int64_t>(at + card);
    }
    return 0;
}

int64_t vicarLabelSize(std::string_view text)
{
    std::size_t i = 7;  // after LBLSIZE
    while (i < text.size() && text[i] == ' ') ++i;
    if (i >= text.size() || text[i] != '=') return 0;
    ++i;
    while (i < text.size() && text[i] == ' ') ++i;
    int64_t size = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 12; ++i, ++digits)
        size = size * 10 + (text[i] - '0');
    return digits > 0 ? size : 0;
}

// Up to and with the line END (LF, CR-LF or a lone CR ends a line); 0 when
// bytes that no label holds come first.
int64_t endLineEnd(std::string_view text)
{
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<uint8_t>(text[i]);
        if (!isLabelByte(b)) return 0;
        if (b != '\r' && b != '\n') continue;
        const bool end = isEndWord(text.substr(lineStart, i - lineStart));
        if (b == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        lineStart = i + 1;
        if (end) return static_cast<int64_t>(lineStart);
    }
    return isEndWord(text.substr(lineStart)) ? static_cast<int64_t>(text.size()) : 0;
}

// ---------------------------------------------------------------- regions

// Pieces of one role: piece k lies at first + (k / perGroup) × groupStride
// + (k % perGroup) × pieceStride.
struct Pieces {
    int64_t first = 0;
    int64_t count = 0;
    int64_t bytes = 0;  // of each
    int64_t perGroup = 1;
    int64_t pieceStride = 0;
    int64_t groupStride = 0;

    int64_t position(int64_t k) const
    {
        return first + (k / perGroup) * groupStride + (k % perGroup) * pieceStride;
    }
};

// What a sample of bytes holds.
struct Tally {
    std::array<int64_t, 256> counts{};
    int64_t total = 0;

    void add(const uint8_t* bytes, std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i) ++counts[bytes[i]];
        total += static_cast<int64_t>(n);
    }
    int distinct() const
    {
        return static_cast<int>(std::count_if(counts.begin(), counts.end(), [](int64_t c) { return c != 0; }));
    }
    bool mostlyText() const
    {
        int64_t text = counts['\t'] + counts['\r'] + counts['\n'];
        for (int b = 0x20; b < 0x7F; ++b) text += counts[static_cast<std::size_t>(b)];
        return text * 20 >= total * 19;
    }
    std::string content() const
    {
        if (total == 0) return "";
        if (distinct() == 1) {
            char text[16];
            const auto value = std::find_if(counts.begin(), counts.end(), [](int64_t c) { return c != 0; });
            std::snprintf(text, sizeof text, "all 0x%02X", static_cast<unsigned>(value - counts.begin()));
            return text;
        }
        return mostlyText() ? "text" : "varying";
    }
};

// The range and smoothness of decoded values: how far neighbours differ.
struct ValueStats {
    long double min = 0;
    long double max = 0;
    long double stepSum = 0;
    int64_t steps = 0;
    int64_t values = 0;

    void addRow(const std::vector<long double>& row)
    {
        bool havePrevious = false;
        long double previous = 0;
        for (const long double v : row) {
            if (!std::isfinite(v)) {
                havePrevious = false;
                continue;
            }
            min = values == 0 ? v : std::min(min, v);
            max = values == 0 ? v : std::max(max, v);
            ++values;
            if (havePrevious) {
                stepSum += std::fabs(v - previous);
                ++steps;
            }
            previous = v;
            havePrevious = true;
        }
    }
    long double meanStep() const { return steps == 0 ? 0 : stepSum / static_cast<long double>(steps); }
};

std::string percent(int64_t bytes, int64_t whole)
{
    if (whole <= 0) return "";
    const double share = 100.0 * static_cast<double>(bytes) / static_cast<double>(whole);
    if (share > 0 && share < 0.01) return "< 0.01 %";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f %%", share);
    return text;
}

// Names depend on the neighbours: the header beyond a label, line pads
// that are the suffixes left by line prefixes.
struct Naming {
    bool label = false;
    bool prefixed = false;
    int64_t bands = 1;

    explicit Naming(const ByteAccount& account)
        : label(std::any_of(account.regions.begin(), account.regions.end(),
                            [](const Region& r) { return r.role == RegionRole::Label; })),
          prefixed(account.layout.linePrefix > 0), bands(account.layout.bands)
    {
    }
    std::string operator()(const Region& region) const;
};

std::string Naming::operator()(const Region& region) const
{
    switch (region.role) {
    case RegionRole::Label: return "Label text";
    case RegionRole::Header: return label ? "Header beyond the label" : "Header";
    case RegionRole::Samples:
        return region.band == 0 ? "Samples of all " + std::to_string(bands) + " bands"
                                : "Samples of band " + std::to_string(region.band);
    case RegionRole::LinePrefixes: return "Line prefixes";
    case RegionRole::LinePads: return prefixed ? "Line suffixes" : "Line pads";
    case RegionRole::BandPads: return "Band pads";
    case RegionRole::Gaps: return "Gaps";
    case RegionRole::LeftOver: return "Left over at the end";
    case RegionRole::Missing: return "Missing at the end";
    case RegionRole::TilePadding: return "Edge tile padding";
    }
    return "";
}

const char* roleKey(RegionRole role)
{
    switch (role) {
    case RegionRole::Label: return "label";
    case RegionRole::Header: return "header";
    case RegionRole::Samples: return "samples";
    case RegionRole::LinePrefixes: return "line prefixes";
    case RegionRole::LinePads: return "line pads";
    case RegionRole::BandPads: return "band pads";
    case RegionRole::Gaps: return "gaps";
    case RegionRole::LeftOver: return "left over";
    case RegionRole::Missing: return "missing";
    case RegionRole::TilePadding: return "tile padding";
    }
    return "";
}

// Why the layout places no sample; empty when it places them.
std::optional<std::string> layoutProblem(const AccountLayout& layout)
{
    if (layout.samples < 1) return "Samples per line is " + std::to_string(layout.samples) + ", so no sample has a place";
    if (layout.bytesPerSample < 1) return "Bits per sample give no whole byte per sample";
    if (layout.bands < 1) return "Bands is " + std::to_string(layout.bands) + ", so no band has a place";
    if (layout.headerBytes < 0) return "Header bytes is negative";
    if (layout.linePad < 0 || layout.bandPad < 0 || layout.gap < 0 || layout.lines < 0)
        return "a pad, gap or line count is negative";
    if (layout.linePrefix < 0 || layout.linePrefix > layout.linePad || layout.linePrefix > layout.headerBytes)
        return "the line prefix does not fit in the line pad and the header";
    if (layout.tileSamples != 0 || layout.tileLines != 0) {
        if (layout.tileSamples < 1 || layout.tileLines < 1) return "a tile has no samples or no lines";
        if (layout.structure == BandStructure::BIL || layout.structure == BandStructure::BIP || layout.linePad != 0)
            return "tiles are stored band after band, without line pads";
    }
    return std::nullopt;
}

class Accountant {
public:
    Accountant(const std::string& path, const AccountLayout& layout) : source_(path)
    {
        account_.path = path;
        account_.fileSize = source_.size();
        account_.layout = layout;
    }

    ByteAccount run()
    {
        AccountLayout& layout = account_.layout;
        if (layout.structure == BandStructure::None) {
            layout.bands = 1;
            layout.linePad = layout.bandPad = layout.gap = layout.linePrefix = 0;
        }
        if (layout.structure != BandStructure::BIL) layout.bandPad = 0;
        if (layout.structure != BandStructure::BSQ) layout.gap = 0;
        const int64_t labelBytes = std::min(labelTextBytes(scanStart(), scanLength()), account_.fileSize);
        if (const auto problem = layoutProblem(layout)) {
            addStretch(RegionRole::Label, 0, labelBytes);
            addStretch(RegionRole::LeftOver, labelBytes, account_.fileSize - labelBytes);
            account_.flags.push_back("The layout places no samples: " + *problem + ".");
            return account_;
        }
        computeStrides();
        placeHeader(labelBytes);
        placeImage();
        placeEnd();
        std::stable_sort(account_.regions.begin(), account_.regions.end(),
                         [](const Region& a, const Region& b) { return a.first < b.first; });
        return account_;
    }

private:
    const uint8_t* scanStart() { return scanLength() == 0 ? nullptr : source_.view(0, scanLength()); }
    std::size_t scanLength() const
    {
        return static_cast<std::size_t>(std::min<int64_t>(account_.fileSize, labelScanBytes));
    }

    bool tiled() const { return account_.layout.tileSamples > 0; }

    // A row of tiles is the inner step; a band image (BSQ) the outer one.
    void computeTileStrides()
    {
        AccountLayout& l = account_.layout;
        tileLineBytes_ = mul64(l.tileSamples, l.bytesPerSample);
        tileBytes_ = mul64(tileLineBytes_, l.tileLines);
        tilesAcross_ = (l.samples - 1) / l.tileSamples + 1;
        inner_ = outer_ = mul64(tilesAcross_, tileBytes_);
        if (l.structure == BandStructure::BSQ) {
            tileRows_ = l.lines > 0 ? (l.lines - 1) / l.tileLines + 1 : 0;
            outer_ = add64(l.gap, mul64(tileRows_, inner_));
        } else {
            tileRows_ = account_.fileSize > start_ ? (account_.fileSize - start_) / inner_ : 0;
            l.lines = mul64(tileRows_, l.tileLines);
        }
        end_ = add64(start_, l.structure == BandStructure::BSQ ? mul64(outer_, l.bands) : mul64(inner_, tileRows_));
    }

    void computeStrides()
    {
        const AccountLayout& l = account_.layout;
        lineBytes_ = mul64(l.samples, l.bytesPerSample);
        start_ = l.headerBytes - l.linePrefix;
        if (tiled()) return computeTileStrides();
        switch (l.structure) {
        case BandStructure::None: inner_ = outer_ = lineBytes_; break;
        case BandStructure::BIL:
            inner_ = add64(lineBytes_, l.bandPad);
            outer_ = add64(l.linePad, mul64(inner_, l.bands));
            break;
        case BandStructure::BIP:
            inner_ = mul64(l.bands, l.bytesPerSample);
            outer_ = add64(l.linePad, mul64(lineBytes_, l.bands));
            break;
        case BandStructure::BSQ:
            inner_ = add64(lineBytes_, l.linePad);
            outer_ = add64(l.gap, mul64(inner_, l.lines));
            break;
        }
        if (l.structure != BandStructure::BSQ)
            account_.layout.lines = account_.fileSize > start_ ? (account_.fileSize - start_) / outer_ : 0;
        end_ = add64(start_, mul64(outer_, l.structure == BandStructure::BSQ ? l.bands : account_.layout.lines));
    }

    void placeHeader(int64_t labelBytes)
    {
        const int64_t labelPart = std::min(labelBytes, start_);
        addStretch(RegionRole::Label, 0, labelPart);
        addStretch(RegionRole::Header, labelPart, start_ - labelPart);
        if (labelBytes > start_)
            account_.flags.push_back("The header ends inside the label: the image starts at byte " +
                                     std::to_string(start_) + ", but the label text runs to byte " +
                                     std::to_string(labelBytes - 1) + ", so the first " +
                                     std::to_string(labelBytes - start_) +
                                     " bytes that the layout reads as image data are label text.");
        if (account_.layout.lines == 0 && account_.layout.structure != BandStructure::BSQ)
            account_.flags.push_back("The file holds no whole " + std::string(tiled() ? "row of tiles" : "line") +
                                     " of " + std::to_string(outer_) + " bytes after the header.");
    }

    // Lines of every band, in the frame where each line starts with its prefix.
    void placeImage()
    {
        if (tiled()) return placeTiles();
        const AccountLayout& l = account_.layout;
        const int64_t p = l.linePrefix;
        const int64_t lines = l.lines;
        const int64_t suffix = l.linePad - p;
        switch (l.structure) {
        case BandStructure::None:
        case BandStructure::BIL:
            placeSamples(Pieces{start_ + p, lines, lineBytes_, 1, 0, outer_}, inner_,
                         Pieces{start_ + p, mul64(lines, l.bands), lineBytes_, l.bands, inner_, outer_});
            addPieces(RegionRole::BandPads, Pieces{start_ + p + lineBytes_, mul64(lines, l.bands), l.bandPad, l.bands,
                                                   inner_, outer_});
            addPieces(RegionRole::LinePrefixes, Pieces{start_, lines, p, 1, 0, outer_});
            addPieces(RegionRole::LinePads, Pieces{start_ + p + inner_ * l.bands, lines, suffix, 1, 0, outer_});
            break;
        case BandStructure::BIP:
            placeSamples(Pieces{start_ + p, mul64(lines, l.samples), l.bytesPerSample, l.samples, inner_, outer_},
                         l.bytesPerSample, Pieces{start_ + p, mul64(lines, l.samples), inner_, l.samples, inner_, outer_});
            addPieces(RegionRole::LinePrefixes, Pieces{start_, lines, p, 1, 0, outer_});
            addPieces(RegionRole::LinePads, Pieces{start_ + p + lineBytes_ * l.bands, lines, suffix, 1, 0, outer_});
            break;
        case BandStructure::BSQ:
            placeSamples(Pieces{start_ + p, lines, lineBytes_, 1, 0, inner_}, outer_,
                         Pieces{start_ + p, mul64(lines, l.bands), lineBytes_, lines, inner_, outer_});
            addPieces(RegionRole::LinePrefixes, Pieces{start_, mul64(lines, l.bands), p, lines, inner_, outer_});
            addPieces(RegionRole::LinePads,
                      Pieces{start_ + p + lineBytes_, mul64(lines, l.bands), suffix, lines, inner_, outer_});
            addPieces(RegionRole::Gaps, Pieces{start_ + outer_ - l.gap, l.bands, l.gap, 1, 0, outer_});
            break;
        }
    }

    // Each band's samples fill its tiles but for the padding of the tiles at
    // the right and bottom edges, which is named with the tiles holding it.
    void placeTiles()
    {
        const AccountLayout& l = account_.layout;
        if (tileRows_ <= 0) return;
        const int64_t tiles = mul64(tilesAcross_, tileRows_);
        const int64_t sampleBytes = mul64(mul64(l.samples, l.lines), l.bytesPerSample);
        const int64_t bandCount = l.bands > listedBands ? 1 : l.bands;
        for (int64_t b = 0; b < bandCount; ++b) {
            Region band{RegionRole::Samples, l.bands > listedBands ? 0 : b + 1, sampleBytes, start_ + b * outer_,
                        tiles, tileBytes_, ""};
            if (l.bands > listedBands) band.bytes = mul64(sampleBytes, l.bands), band.pieces = mul64(tiles, l.bands);
            band.tiles = true;
            account_.regions.push_back(band);
        }
        placeTilePadding(sub64(mul64(tiles, tileBytes_), sampleBytes));
        if (l.structure == BandStructure::BSQ)
            addPieces(RegionRole::Gaps, Pieces{start_ + outer_ - l.gap, l.bands, l.gap, 1, 0, outer_});
        gatherImageStats();
    }

    void placeTilePadding(int64_t bytesPerBand)
    {
        const AccountLayout& l = account_.layout;
        if (bytesPerBand <= 0) return;
        const int64_t rightUsed = l.samples - (tilesAcross_ - 1) * l.tileSamples;  // samples of the right tiles
        const int64_t bottomUsed = l.lines - (tileRows_ - 1) * l.tileLines;        // lines of the bottom tiles
        const int64_t lastRow = start_ + (tileRows_ - 1) * inner_;
        // Of band 1: the ends of the right tiles' lines, and the bottom tiles' lines below the picture.
        const Pieces right{start_ + (tilesAcross_ - 1) * tileBytes_ + rightUsed * l.bytesPerSample,
                           mul64(tileRows_, l.tileLines), (l.tileSamples - rightUsed) * l.bytesPerSample,
                           l.tileLines, tileLineBytes_, inner_};
        const Pieces bottom{lastRow + bottomUsed * tileLineBytes_, tilesAcross_,
                            (l.tileLines - bottomUsed) * tileLineBytes_, 1, 0, tileBytes_};
        Tally tally = tallyPieces(right);
        const Tally below = tallyPieces(bottom);
        for (size_t i = 0; i < tally.counts.size(); ++i) tally.counts[i] += below.counts[i];
        tally.total += below.total;
        const int64_t edgeTiles = (right.bytes > 0 ? tileRows_ : 0) + (bottom.bytes > 0 ? tilesAcross_ : 0) -
                                  (right.bytes > 0 && bottom.bytes > 0 ? 1 : 0);
        std::string content = tally.content();
        if (content == "varying")
            if (const auto value = constantSample(right.bytes > 0 ? right : bottom)) content = "every sample " + *value;
        Region padding{RegionRole::TilePadding, 0, mul64(bytesPerBand, l.bands),
                       right.bytes > 0 ? right.first : bottom.first, mul64(edgeTiles, l.bands), 0, content};
        padding.tiles = true;
        account_.regions.push_back(padding);
    }

    // The value every sample of the pieces holds (a padding of the non-data
    // value), as text; empty when they differ or are not whole samples.
    std::optional<std::string> constantSample(const Pieces& pieces)
    {
        const AccountLayout& l = account_.layout;
        if (l.format.kind == SampleKind::None || pieces.bytes % l.bytesPerSample != 0) return std::nullopt;
        std::optional<long double> value;
        for (const int64_t k : sampledIndicesOf(pieces.count, sampledPieces)) {
            const auto [data, n] = bytesAt(pieces.position(k), pieces.bytes, pieceSampleBytes);
            for (std::size_t at = 0; at + static_cast<std::size_t>(l.bytesPerSample) <= n;
                 at += static_cast<std::size_t>(l.bytesPerSample)) {
                const long double v = decodeSample(data + at, l.format);
                if (value && !(v == *value)) return std::nullopt;
                value = v;
            }
        }
        if (!value) return std::nullopt;
        char text[48];
        std::snprintf(text, sizeof text, "%.9Lg", *value);
        return std::string(text);
    }

    // One region per band, each `bandStride` after the one before; beyond
    // listedBands bands one region for all of them, so that the account
    // stays short whatever the band count.
    void placeSamples(const Pieces& firstBand, int64_t bandStride, const Pieces& allBands)
    {
        const AccountLayout& l = account_.layout;
        if (firstBand.count <= 0) return;
        if (l.bands > listedBands) {
            account_.regions.push_back(Region{RegionRole::Samples, 0, mul64(allBands.count, allBands.bytes),
                                              allBands.first, allBands.count, allBands.bytes, ""});
        } else {
            for (int64_t b = 0; b < l.bands; ++b) {
                Pieces band = firstBand;
                band.first += b * bandStride;
                account_.regions.push_back(Region{RegionRole::Samples, b + 1, mul64(band.count, band.bytes),
                                                  band.first, band.count, band.bytes, ""});
            }
        }
        gatherImageStats();
    }

    void placeEnd()
    {
        const int64_t size = account_.fileSize;
        if (end_ < size) {
            addStretch(RegionRole::LeftOver, end_, size - end_);
            judgeLeftOver(account_.regions.back());
        }
        if (end_ > size) {
            account_.regions.push_back(Region{RegionRole::Missing, 0, end_ - size, size, 1, end_ - size, ""});
            account_.flags.push_back("The file is " + std::to_string(end_ - size) +
                                     " bytes shorter than the layout, which ends at byte " + std::to_string(end_ - 1) +
                                     ".");
        }
    }

    void addStretch(RegionRole role, int64_t first, int64_t bytes)
    {
        if (bytes <= 0) return;
        Region region{role, 0, bytes, first, 1, bytes, ""};
        if (role != RegionRole::Label && role != RegionRole::LeftOver)
            region.content = tallyAt(first, bytes).content();
        account_.regions.push_back(region);
    }

    Tally tallyPieces(const Pieces& pieces)
    {
        Tally tally;
        if (pieces.count <= 0 || pieces.bytes <= 0) return tally;
        for (const int64_t k : sampledIndicesOf(pieces.count, sampledPieces)) {
            const auto [data, n] = bytesAt(pieces.position(k), pieces.bytes, pieceSampleBytes);
            tally.add(data, n);
        }
        return tally;
    }

    void addPieces(RegionRole role, const Pieces& pieces)
    {
        if (pieces.count <= 0 || pieces.bytes <= 0) return;
        const Tally tally = tallyPieces(pieces);
        Region region{role, 0, mul64(pieces.count, pieces.bytes), pieces.first, pieces.count, pieces.bytes,
                      tally.content()};
        account_.regions.push_back(region);
        if (role != RegionRole::LinePrefixes && tally.distinct() > 1)
            account_.flags.push_back("The " + lowerName(region) + " are not constant: a sample of " +
                                     std::to_string(std::min(pieces.count, sampledPieces)) + " of them holds " +
                                     std::to_string(tally.distinct()) +
                                     " different byte values, so they may hold data (line prefixes or suffixes, time "
                                     "codes) or the layout may be off.");
    }

    std::string lowerName(const Region& region) const
    {
        std::string name = Naming(account_)(region);
        name[0] = static_cast<char>(name[0] - 'A' + 'a');
        return name;
    }

    // The pieces lie far apart: each is read as it is, without read-ahead,
    // so that the account reads little more than it looks at.
    const uint8_t* readExactly(int64_t position, std::size_t n)
    {
        source_.loadExactly(position, n);
        return source_.view(position, n);
    }

    // The bytes of [first, first + bytes) within the file, at most `limit`.
    std::pair<const uint8_t*, std::size_t> bytesAt(int64_t first, int64_t bytes, std::size_t limit)
    {
        const int64_t n = std::min<int64_t>({bytes, source_.available(first), static_cast<int64_t>(limit)});
        if (n <= 0 || first < 0) return {nullptr, 0};
        return {readExactly(first, static_cast<std::size_t>(n)), static_cast<std::size_t>(n)};
    }

    Tally tallyAt(int64_t first, int64_t bytes)
    {
        Tally tally;
        const auto [data, n] = bytesAt(first, bytes, stretchSampleBytes);
        tally.add(data, n);
        return tally;
    }

    // Rows of band 1 spread over the image, for judging what is left over.
    void gatherImageStats()
    {
        const AccountLayout& l = account_.layout;
        if (l.format.kind == SampleKind::None) return;
        const int64_t sampleStride = l.structure == BandStructure::BIP ? inner_ : l.bytesPerSample;
        const int64_t lineStride = l.structure == BandStructure::BSQ ? inner_ : outer_;
        const int64_t perRow = std::min<int64_t>(
            {tiled() ? l.tileSamples : l.samples, lineSampleValues,
             (static_cast<int64_t>(ByteSource::bufferBytes) - l.bytesPerSample) / sampleStride + 1});
        // A tiled line is read within its first tile.
        const auto lineStart = [&](int64_t line) {
            return tiled() ? start_ + line / l.tileLines * inner_ + line % l.tileLines * tileLineBytes_
                           : start_ + l.linePrefix + line * lineStride;
        };
        for (const int64_t line : sampledIndicesOf(l.lines, sampledLines))
            image_.addRow(decodeRow(lineStart(line), perRow, sampleStride));
    }

    static std::vector<int64_t> sampledIndicesOf(int64_t count, int64_t most)
    {
        std::vector<int64_t> indices;
        const int64_t n = std::min(count, most);
        if (n == 1) return {0};
        // i × (count - 1) / (n - 1), without the product that could overflow
        const int64_t whole = (count - 1) / (n - 1);
        const int64_t rest = (count - 1) % (n - 1);
        for (int64_t i = 0; i < n; ++i) indices.push_back(i * whole + i * rest / (n - 1));
        return indices;
    }

    std::vector<long double> decodeRow(int64_t first, int64_t count, int64_t stride)
    {
        std::vector<long double> row;
        const int64_t span = (count - 1) * stride + account_.layout.bytesPerSample;
        if (first < 0 || source_.available(first) < span) return row;
        const uint8_t* data = readExactly(first, static_cast<std::size_t>(span));
        for (int64_t i = 0; i < count; ++i) row.push_back(decodeSample(data + i * stride, account_.layout.format));
        return row;
    }

    // Left-over bytes are judged against the image: text, padding, or
    // values within the image's range and as smooth as its rows.
    void judgeLeftOver(Region& region)
    {
        const Tally tally = tallyAt(region.first, region.bytes);
        region.content = tally.content();
        if (region.content != "varying" || image_.values == 0) return;
        const int64_t width = account_.layout.bytesPerSample;
        const int64_t count = std::min(region.bytes / width, leftOverSampleValues);
        if (count < 16) return;
        const std::vector<long double> row = decodeRow(region.first, count, width);
        ValueStats left;
        left.addRow(row);
        int64_t inside = 0;
        for (const long double v : row) inside += std::isfinite(v) && v >= image_.min && v <= image_.max;
        const bool inRange = inside * 20 >= static_cast<int64_t>(row.size()) * 19;
        const long double slack = (image_.max - image_.min) / 100;
        const bool smooth = left.meanStep() <= 2 * image_.meanStep() + slack;
        if (!inRange || !smooth) return;
        std::string more;
        const int64_t record = account_.layout.structure == BandStructure::BSQ ? inner_ : outer_;
        const std::string unit = tiled() ? " more row of tiles" : " more line";
        if (record > 0 && region.bytes >= record)
            more = " They would fill " + std::to_string(region.bytes / record) +
                   (region.bytes / record == 1 ? unit : tiled() ? " more rows of tiles" : unit + "s") + ".";
        account_.flags.push_back("The " + std::to_string(region.bytes) +
                                 " bytes left over at the end look like image data: their values lie within the "
                                 "image's range and are as smooth as its rows, so the layout may hold too few lines "
                                 "or bands." + more);
    }

    ByteSource source_;
    ByteAccount account_;
    int64_t lineBytes_ = 0;
    int64_t inner_ = 0;
    int64_t outer_ = 0;
    int64_t tileLineBytes_ = 0;
    int64_t tileBytes_ = 0;
    int64_t tilesAcross_ = 0;
    int64_t tileRows_ = 0;  // of one band
    int64_t start_ = 0;  // where the first line (its prefix included) starts
    int64_t end_ = 0;    // just after the last byte the layout places
    ValueStats image_;
};

}  // namespace

int64_t labelTextBytes(const uint8_t* start, std::size_t size)
{
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(start), size);
    if (text.substr(0, 9) == "SIMPLE  =") return fitsCardsEnd(text);
    if (text.substr(0, 7) == "LBLSIZE") return vicarLabelSize(text);
    return endLineEnd(text);
}

ByteAccount accountBytes(const std::string& path, AccountLayout layout) { return Accountant(path, layout).run(); }

namespace {

// "1 byte", "2 bytes"
std::string counted(int64_t n, const std::string& unit) { return std::to_string(n) + " " + unit + (n == 1 ? "" : "s"); }

}  // namespace

std::vector<std::string> describeAccount(const ByteAccount& account)
{
    const AccountLayout& l = account.layout;
    std::vector<std::string> lines;
    lines.push_back("Where the bytes of " + account.path + " go (" + counted(account.fileSize, "byte") + "):");
    std::string layout = "Layout: " + counted(l.bands, "band") + " (" + bandStructureCaption(l.structure) + ") of " +
                         counted(l.lines, "line") + " of " + counted(l.samples, "sample") + " of " +
                         counted(l.bytesPerSample, "byte");
    if (l.linePrefix > 0)
        layout += "; each line starts with a prefix of " + counted(l.linePrefix, "byte") + " (from the label)";
    if (l.tileSamples > 0)
        layout += "; stored in tiles of " + std::to_string(l.tileSamples) + " × " + std::to_string(l.tileLines) +
                  " samples, the edge tiles whole";
    lines.push_back(layout);
    const Naming name(account);
    for (const Region& region : account.regions) {
        std::string line = name(region) + ": " + counted(region.bytes, "byte");
        if (region.role == RegionRole::Missing) {
            lines.push_back(line + " that the layout needs beyond the end of the file");
            continue;
        }
        line += " (" + percent(region.bytes, account.fileSize) + ")";
        if (region.tiles && region.pieceBytes == 0)
            line += ", in " + counted(region.pieces, "edge tile") + ", the first at byte " +
                    std::to_string(region.first);
        else if (region.tiles)
            line += ", in " + counted(region.pieces, "tile") + " of " + counted(region.pieceBytes, "byte") +
                    ", the first at byte " + std::to_string(region.first);
        else if (region.bytes == 1)
            line += ", byte " + std::to_string(region.first);
        else if (region.pieces == 1)
            line += ", bytes " + std::to_string(region.first) + " to " + std::to_string(region.first + region.bytes - 1);
        else
            line += ", " + std::to_string(region.pieces) + " of " + counted(region.pieceBytes, "byte") +
                    ", the first at byte " + std::to_string(region.first);
        if (!region.content.empty()) line += ", " + region.content;
        lines.push_back(line);
    }
    for (const std::string& flag : account.flags) lines.push_back("Flag: " + flag);
    return lines;
}

std::string accountJson(const ByteAccount& account)
{
    const AccountLayout& l = account.layout;
    nlohmann::json regions = nlohmann::json::array();
    const Naming name(account);
    for (const Region& region : account.regions) {
        nlohmann::json entry = {
            {"role", roleKey(region.role)},
            {"name", name(region)},
            {"bytes", region.bytes},
            {"share", account.fileSize > 0 ? static_cast<double>(region.bytes) / static_cast<double>(account.fileSize)
                                           : 0.0},
            {"first", region.first},
            {"pieces", region.pieces},
            {"piece_bytes", region.pieceBytes},
        };
        if (region.role == RegionRole::Samples) entry["band"] = region.band;
        if (!region.content.empty()) entry["content"] = region.content;
        regions.push_back(std::move(entry));
    }
    nlohmann::json json = {
        {"file", account.path},
        {"size", account.fileSize},
        {"layout",
         {{"header_bytes", l.headerBytes},
          {"samples", l.samples},
          {"bytes_per_sample", l.bytesPerSample},
          {"bands", l.bands},
          {"structure", bandStructureCaption(l.structure)},
          {"lines", l.lines},
          {"line_pad", l.linePad},
          {"band_pad", l.bandPad},
          {"gap", l.gap},
          {"line_prefix", l.linePrefix}}},
        {"regions", regions},
        {"flags", account.flags},
    };
    if (l.tileSamples > 0) {
        json["layout"]["tile_samples"] = l.tileSamples;
        json["layout"]["tile_lines"] = l.tileLines;
    }
    // Paths and label bytes need not be UTF-8; they are replaced, not refused.
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace skeldra
