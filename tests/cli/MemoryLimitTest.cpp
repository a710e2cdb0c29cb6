// SPDX-License-Identifier: BSD-3-Clause
// The layout search under a memory limit: whatever allocation fails first,
// the batch tool reports it and exits, never dies of a signal.
#include <gtest/gtest.h>

#include <random>

#include "support/CliRun.h"
#include "support/Sanitizers.h"
#include "support/TempFiles.h"


namespace skeldra {
namespace {

TEST(MemoryLimit, TheSearchFailsCleanlyWhateverTheLimit)
{
#ifdef SKELDRA_UNDER_ASAN
    GTEST_SKIP() << "the sanitizers reserve more address space than any limit tried here";
#endif
    testing::TempDir dir;
    std::vector<uint8_t> noise(size_t{4} << 20);
    std::mt19937 random(7);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
    const std::string file = dir.write("noise.raw", noise);
    // From too little to start up to enough for the whole search.
    for (int megabytes = 30; megabytes <= 90; megabytes += 3) {
        SCOPED_TRACE(megabytes);
        const auto r = testing::runCli("ulimit -v " + std::to_string(megabytes * 1024) + "; exec " + SKELDRA_CLI,
                                       "guess " + file, dir);
        EXPECT_TRUE(r.status == 1 || r.status == 3) << r.status << " " << r.err;
    }
}

}  // namespace
}  // namespace skeldra
