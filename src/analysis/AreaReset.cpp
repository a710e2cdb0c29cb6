// SPDX-License-Identifier: BSD-3-Clause
#include "analysis/AreaReset.h"

#include <filesystem>
#include <limits>
#include <system_error>

#include "base/Checked.h"
#include "base/Format.h"
#include "raster/FormatParameters.h"
#include "raster/Strides.h"

namespace skeldra {

std::optional<int64_t> sizeOnDisk(const std::string& path)
{
    if (path.empty()) return std::nullopt;
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) return std::nullopt;
    if (!std::filesystem::is_regular_file(status)) return 0;
    const auto size = std::filesystem::file_size(path, error);
    if (error) return std::nullopt;
    return static_cast<int64_t>(size);
}

void ResetArea(WindowPort& port)
{
    if (!ReadFormatParameters(port)) return;
    const std::string& name = port.state.InputFilename;
    const std::optional<int64_t> size = sizeOnDisk(name);
    if (!size) {
        port.appendLog("Reset error: file \"" + name + "\" not found");
        port.reportText("error", "file not found");
        port.beep();
        return;
    }

    port.setBoxText(Box::OriginSample, "1");
    port.setBoxText(Box::StartSample, "1");
    port.setBoxText(Box::StartLine, "1");
    port.setBoxText(Box::EndSample, port.boxText(Box::NumSamples));

    // Sizes are 64-bit: real products exceed 2 GiB.
    const RasterLayout& layout = port.state.Layout;
    const int64_t header = layout.HeaderBytes;
    int64_t expected = header;
    if (layout.Structure == BandStructure::BSQ) {
        port.setBoxText(Box::EndLine, port.boxText(Box::NumSingleImageLines));
        expected = add64(mul64(layout.NumBands, layout.OuterStepBytes), header);
    } else if (layout.OuterStepBytes > 0) {
        // The outer step of a tiled band is a row of tiles: the file holds
        // whole rows of tiles, the last one padded to full tiles.
        const int64_t steps = sub64(*size, header) / layout.OuterStepBytes;
        const int64_t lines = isTiled(layout) ? mul64(steps, layout.TileLines) : steps;
        // Box values are 32-bit: a longer count is an overflow like any other.
        if (lines > std::numeric_limits<int32_t>::max()) throwIntegerOverflow();
        port.setBoxText(Box::EndLine, formatInteger(lines));
        expected = add64(mul64(steps, layout.OuterStepBytes), header);
    } else {
        port.showMessage("Illegal bytes per image line");
        port.setBoxText(Box::EndLine, "0");
    }

    port.reportInteger("size_on_disk", *size);
    port.reportInteger("expected_size", expected);
    if (expected != *size) {
        port.appendLog(format(
            "Reset error:  Size on disk = %d   Expected (for current parameters) = %d   Excess = %d bytes",
            {*size, expected, sub64(*size, expected)}));
        port.beep();
    }
}

}  // namespace skeldra
