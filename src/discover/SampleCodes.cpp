// SPDX-License-Identifier: BSD-3-Clause
#include "discover/SampleCodes.h"

#include <algorithm>
#include <cmath>

namespace skeldra {

SampleCodes sampleCodes(std::span<const uint8_t> bytes, int64_t offset, const Encoding& encoding,
                        const ValueRange& range, size_t step)
{
    SampleCodes codes;
    codes.offset = offset;
    const size_t width = static_cast<size_t>(encoding.bytes);
    if (bytes.size() < width) return codes;
    const size_t count = bytes.size() - width + 1;
    codes.code.resize(count);
    const double span = range.high > range.low ? range.high - range.low : 1.0;
    const double scale = 60000.0 / span;
    for (size_t j = 0; j < count; j += step) {
        const double value = decodeValue(bytes.data() + j, encoding);
        if (std::isnan(value)) {
            codes.code[j] = notANumberCode;
            continue;
        }
        const double scaled = std::clamp((value - range.low) * scale - 30000.0, -double{codeLimit}, double{codeLimit});
        // Rounded by truncating a positive number: llround costs a call per sample.
        codes.code[j] = static_cast<int16_t>(static_cast<int32_t>(scaled + 32768.5) - 32768);
    }
    return codes;
}

double quantile(std::vector<double>& values, double share)
{
    if (values.empty()) return 0;
    const auto at = static_cast<size_t>(std::clamp(share, 0.0, 1.0) * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at), values.end());
    return values[at];
}

}  // namespace skeldra
