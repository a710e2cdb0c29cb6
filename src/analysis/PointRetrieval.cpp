// SPDX-License-Identifier: BSD-3-Clause
#include "analysis/PointRetrieval.h"

#include "base/Format.h"
#include "base/Rounding.h"
#include "raster/FormatParameters.h"
#include "raster/RealFormat.h"
#include "raster/SampleReader.h"
#include "raster/Strides.h"

namespace skeldra {
namespace {

// "Band: %d  " when the file has bands, then the line, the sample and the value.
std::string pointLine(const RasterLayout& layout, int32_t band, int32_t line, int32_t sample, long double value,
                      bool isReal)
{
    const std::string prefix =
        layout.Structure != BandStructure::None ? format("Band: %d  ", {int64_t{band}}) : "";
    const std::string text =
        isReal ? format("Line: %d  Sample: %d   Data: %s",
                        {int64_t{line}, int64_t{sample}, FormatRealValue(value, layout.BytesPerSample)})
               : format("Line: %d  Sample: %d   Data: %d", {int64_t{line}, int64_t{sample}, roundToInt64(value)});
    return prefix + text;
}

DataType dataTypeOf(Choice button)
{
    return button == Choice::SignedInteger ? DataType::Signed
         : button == Choice::Real          ? DataType::Real
                                           : DataType::Unsigned;
}

}  // namespace

void RetrievePoint(WindowPort& port)
{
    if (!ReadFormatParameters(port)) return;
    const int32_t line = port.IntegerValue(Box::Line);
    const int32_t band = port.IntegerValue(Box::BandNum);
    const int32_t sample = port.IntegerValue(Box::Sample);

    SampleReader reader(port);
    const long double value = reader.ReadDataValue(line, band, sample);
    reader.close();

    const RasterLayout& layout = port.state.Layout;
    port.appendLog(pointLine(layout, band, line, sample, value, port.state.LastValueIsReal));

    if (layout.Structure != BandStructure::None) port.reportInteger("band", band);
    port.reportInteger("line", line);
    port.reportInteger("sample", sample);
    if (port.state.LastValueIsReal)
        port.reportReal("value", value, FormatRealValue(value, layout.BytesPerSample));
    else
        port.reportInteger("value", roundToInt64(value));
}

std::string DescribePoint(const PreviewSource& source, int32_t line, int32_t sample)
{
    const RasterLayout& layout = source.Layout;
    const SampleFormat format{sampleKind(layout.BytesPerSample, dataTypeOf(source.DataType)), source.ReverseBytes};
    const size_t width = format.kind == SampleKind::None ? 0 : static_cast<size_t>(layout.BytesPerSample);
    ByteSource file(source.InputFilename, 8);
    const auto valueIn = [&](int32_t band) {
        return decodeSample(file.view(samplePosition(layout, line, band, sample), width), format);
    };
    if (!source.Rgb) {
        const long double value = valueIn(source.Band);
        file.close();
        return pointLine(layout, source.Band, line, sample, value, isRealKind(format.kind));
    }
    // A colour pixel: the three values, each with its band.
    std::string text = skeldra::format("Line: %d  Sample: %d  ", {int64_t{line}, int64_t{sample}});
    const char* names[3] = {"R", "G", "B"};
    for (int c = 0; c < 3; ++c) {
        const long double value = valueIn(source.RgbBands[c]);
        const std::string shown = isRealKind(format.kind) ? FormatRealValue(value, layout.BytesPerSample)
                                                          : formatInteger(roundToInt64(value));
        text += skeldra::format(" %s (band %d): %s", {std::string(names[c]), int64_t{source.RgbBands[c]}, shown});
    }
    file.close();
    return text;
}

}  // namespace skeldra
