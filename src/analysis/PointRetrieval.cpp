#include "analysis/PointRetrieval.h"

#include "base/Format.h"
#include "base/Rounding.h"
#include "raster/FormatParameters.h"
#include "raster/RealFormat.h"
#include "raster/SampleReader.h"

namespace skeldra {

void RetrievePoint(WindowPort& port)
{
    if (!ReadFormatParameters(port)) return;
    const int32_t line = port.IntegerValue(Box::Line);
    const int32_t band = port.IntegerValue(Box::BandNum);
    const int32_t sample = port.IntegerValue(Box::Sample);
    const RasterLayout& layout = port.state.Layout;
    const std::string prefix =
        layout.Structure != BandStructure::None ? format("Band: %d  ", {int64_t{band}}) : "";

    SampleReader reader(port);
    const long double value = reader.ReadDataValue(line, band, sample);
    reader.close();

    const std::string text =
        port.state.LastValueIsReal
            ? format("Line: %d  Sample: %d   Data: %s",
                     {int64_t{line}, int64_t{sample}, FormatRealValue(value, layout.BytesPerSample)})
            : format("Line: %d  Sample: %d   Data: %d",
                     {int64_t{line}, int64_t{sample}, roundToInt64(value)});
    port.appendLog(prefix + text);
}

}  // namespace skeldra
