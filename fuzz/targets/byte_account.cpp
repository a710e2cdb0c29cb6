// SPDX-License-Identifier: BSD-3-Clause
// The byte account: any file, any layout. It either ends with the layout's
// own error (an overflow) or accounts for every byte once: the regions cover
// the file, less what the layout needs beyond its end, in file order.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "discover/ByteAccount.h"
#include "support/FuzzFile.h"
#include "support/FuzzWindow.h"

using namespace skeldra;
using fuzzing::require;

namespace {

// Mostly small values, sometimes anything, so that overflows are reached too.
int64_t amount(FuzzedDataProvider& input, int64_t small)
{
    if (input.ConsumeIntegralInRange(0, 15) == 0) return input.ConsumeIntegral<int32_t>();
    return input.ConsumeIntegralInRange<int64_t>(0, small);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    AccountLayout layout;
    layout.headerBytes = amount(input, 300);
    layout.samples = amount(input, 40);
    layout.bytesPerSample = input.PickValueInArray({1, 2, 4, 8});
    layout.bands = amount(input, 5);
    layout.structure = input.PickValueInArray(
        {BandStructure::None, BandStructure::BIL, BandStructure::BIP, BandStructure::BSQ});
    layout.lines = amount(input, 40);
    layout.linePad = amount(input, 8);
    layout.bandPad = amount(input, 8);
    layout.gap = amount(input, 20);
    layout.linePrefix = amount(input, 8);
    layout.format.kind = input.PickValueInArray({SampleKind::U8, SampleKind::I16, SampleKind::U32, SampleKind::F32,
                                                 SampleKind::F64, SampleKind::None});
    layout.format.mostSignificantFirst = input.ConsumeBool();
    const std::vector<uint8_t> bytes = input.ConsumeRemainingBytes<uint8_t>();
    const std::string path = fuzzing::writeInputFile(bytes.data(), bytes.size());

    ByteAccount account;
    try {
        account = accountBytes(path, layout);
    } catch (const Error& error) {
        require(std::string(error.what()) == text::IntegerOverflow, std::string("unexpected error ") + error.what());
        return 0;
    }
    int64_t placed = 0;
    int64_t missing = 0;
    for (size_t i = 0; i < account.regions.size(); ++i) {
        const Region& region = account.regions[i];
        require(region.bytes > 0, "an empty region");
        require(i == 0 || account.regions[i - 1].first <= region.first, "regions out of file order");
        (region.role == RegionRole::Missing ? missing : placed) += region.bytes;
    }
    require(placed - missing == static_cast<int64_t>(bytes.size()), "bytes accounted twice or not at all");
    require(!describeAccount(account).empty() && !accountJson(account).empty(), "no account given");
    return 0;
}
