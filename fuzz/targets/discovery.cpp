// SPDX-License-Identifier: BSD-3-Clause
// Layout discovery on any file bytes: it must end, stay within its read
// bounds, and give candidates whose scores lie in 0..1 and whose layouts
// the window can express.
#include <cstdint>
#include <string>

#include "base/Errors.h"
#include "discover/Discovery.h"
#include "support/FuzzFile.h"
#include "support/FuzzWindow.h"

using namespace skeldra;
using fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzzing::writeInputFile(data, size);
    const Discovery discovery = discoverLayout(path);
    require(!discovery.candidates.empty() || !discovery.verdict.empty(), "no candidate and no sentence saying why");
    for (const Candidate& candidate : discovery.candidates) {
        require(candidate.score >= 0 && candidate.score <= 1, "a score outside 0..1");
        require(!candidate.evidence.empty(), "a candidate without evidence");
        try {
            require(!layoutOptions(candidate.layout).empty(), "a candidate without options");
        } catch (const Error&) {
            fuzzing::fail("a candidate the boxes cannot hold");
        }
    }
    return 0;
}
