// SPDX-License-Identifier: BSD-3-Clause
#include "output/SaveLayout.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "analysis/AreaReset.h"
#include "base/Errors.h"
#include "base/FileNames.h"
#include "output/AtomicOutputFile.h"
#include "output/ColourComposite.h"
#include "output/NoDataText.h"
#include "raster/FormatParameters.h"
#include "raster/NonDataTest.h"
#include "raster/SampleReader.h"
#include "raster/Strides.h"

namespace skeldra {
namespace {

constexpr LayoutKind allKinds[] = {LayoutKind::Vrt, LayoutKind::Envi, LayoutKind::Pds3};

std::optional<LayoutKind> kindOfName(const std::string& name)
{
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    for (LayoutKind kind : allKinds) {
        const std::string extension = layoutExtension(kind);
        if (lower.size() > extension.size() && lower.ends_with(extension)) return kind;
    }
    return std::nullopt;
}

std::vector<std::string> dialogFilters()
{
    std::vector<std::string> filters;
    for (LayoutKind kind : allKinds)
        filters.push_back(std::string(layoutKindName(kind)) + " (*" + layoutExtension(kind) + ")");
    return filters;
}

// Lines of one band image: the Lines box for BSQ; otherwise the whole lines
// the file holds after its header.
int64_t bandImageLines(WindowPort& port, const RasterLayout& layout)
{
    if (layout.Structure == BandStructure::BSQ) return port.IntegerValue(Box::NumSingleImageLines);
    const std::optional<int64_t> size = sizeOnDisk(port.state.InputFilename);
    if (!size) throwIoError(io::FileNotFound);
    if (layout.OuterStepBytes <= 0) throw Error("Illegal bytes per image line");
    return std::max<int64_t>(0, *size - layout.HeaderBytes) / layout.OuterStepBytes;
}

// Why a header of this kind cannot describe tiles.
std::string tilesRefusal(LayoutKind kind)
{
    switch (kind) {
    case LayoutKind::Vrt: return "A GDAL VRT cannot describe a tiled layout: its raw bands are read line after line";
    case LayoutKind::Envi: return "An ENVI header cannot describe a tiled layout: ENVI stores bands as BSQ, BIL or "
                                  "BIP lines";
    case LayoutKind::Pds3: return "A PDS3 label cannot describe a tiled layout: a PDS3 IMAGE object stores lines";
    }
    return "";
}

// The raw file as seen from the header's folder.
std::string rawPathFrom(const std::string& raw, const std::string& header)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path folder = fs::absolute(fs::path(header), error).parent_path();
    const fs::path relative = fs::absolute(fs::path(raw), error).lexically_relative(folder);
    return relative.empty() ? fs::absolute(fs::path(raw), error).string() : relative.generic_string();
}

}  // namespace

void SaveLayout(WindowPort& port, std::optional<LayoutKind> kind)
{
    if (!ReadFormatParameters(port)) return;
    const std::string& input = port.state.InputFilename;
    const std::string proposed = changeFileExtension(input, layoutExtension(kind.value_or(LayoutKind::Vrt)));
    const auto name = port.askSaveFileNameWithFilters(proposed, dialogFilters());
    if (!name) return;
    if (!kind) kind = kindOfName(*name);
    if (!kind) throw Error("A layout header is named .vrt, .hdr or .lbl");
    checkNotInputFile(port.state, *name);

    const RasterLayout& layout = port.state.Layout;
    if (isTiled(layout)) throw Error(tilesRefusal(*kind));
    const int64_t lines = bandImageLines(port, layout);
    const int32_t linePad = layout.Structure == BandStructure::None ? 0 : port.IntegerValue(Box::NumRowPadBytes);
    const SampleFormat format = currentSampleFormat(port, layout.BytesPerSample);
    RawFileLayout described = describeLayout(layout, lines, format.kind, format.mostSignificantFirst, linePad);
    described.rawPath = rawPathFrom(input, *name);
    if (port.isChecked(Choice::IgnoreNonDataValue))
        described.noData = noDataText(MakeNonDataTest(port, true), layout.BytesPerSample);
    if (*kind == LayoutKind::Vrt) described.rgbBands = chosenRgbBands(port);
    AtomicOutputFile out(*name);
    writeLayoutHeader(*kind, described, [&](const std::string& piece) { out.write(piece); });
    out.commit();
    port.appendLog(std::string(layoutKindName(*kind)) + " written to: " + *name);
    if (*kind == LayoutKind::Pds3)
        for (const std::string& caveat : pds3GdalCaveats(described))
            port.appendLog("Note: " + caveat + "; for GDAL and QGIS, save the layout as a VRT");
    // ENVI finds a header by the raw file's name with .hdr in place of its
    // extension; GDAL also with .hdr appended.
    const std::string expected = changeFileExtension(input, ".hdr");
    std::error_code error;
    if (*kind == LayoutKind::Envi && !std::filesystem::equivalent(expected, *name, error) &&
        !std::filesystem::equivalent(input + ".hdr", *name, error))
        port.appendLog("Note: ENVI and GDAL look for the header of " + input + " as " + expected);
}

}  // namespace skeldra
