// SPDX-License-Identifier: BSD-3-Clause
// The batch tool as a whole process: options become box texts, the log goes
// to standard output, messages and errors to standard error.
#include <gtest/gtest.h>

#include "support/CliRun.h"

namespace skeldra {
namespace {

using testing::TempDir;

testing::CliResult runCli(const std::string& arguments, const TempDir& dir)
{
    return testing::runCli(SKELDRA_CLI, arguments, dir);
}

struct CliCase {
    const char* arguments;
    int status;
    const char* out;
    const char* err;
};

class PointCommand : public ::testing::TestWithParam<CliCase> {};

TEST_P(PointCommand, PrintsTheLogAndExitsWithItsStatus)
{
    const CliCase& c = GetParam();
    TempDir dir;
    std::vector<uint8_t> bytes(16);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i + 1);
    bytes[0] = 0xFF;
    bytes[1] = 0xFE;
    const std::string file = dir.write("p.raw", bytes);
    const testing::CliResult r = runCli(std::string("point ") + file + " " + c.arguments, dir);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, c.out);
    if (c.err) EXPECT_EQ(r.err, c.err);
    else EXPECT_NE(r.err.find("Usage: skeldra-cli"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PointCommand,
    ::testing::Values(
        CliCase{"--header-bytes 0 --samples 4 --line 2 --sample 3", 0, "Line: 2  Sample: 3   Data: 7\n", ""},
        CliCase{"--header-bytes 0 --bits 16", 0, "Line: 1  Sample: 1   Data: 65279\n", ""},
        CliCase{"--header-bytes 0 --bits 16 --signed", 0, "Line: 1  Sample: 1   Data: -257\n", ""},
        CliCase{"--header-bytes 0 --bits 16 --msb", 0, "Line: 1  Sample: 1   Data: 65534\n", ""},
        CliCase{"--header-bytes 0 --samples 2 --bands 2 --band 2 --bil", 0,
                "Band: 2  Line: 1  Sample: 1   Data: 3\n", ""},
        CliCase{"--header-bytes 0 --sample 17", 1, "", "skeldra-cli: error: Read beyond end of file.\n"},
        CliCase{"--bits 12", 3, "", "skeldra-cli: Unsupported data type: 12 bits per sample\n"},
        CliCase{"--header-bytes 4 --samples 4 --line abc", 3, "Line: 0  Sample: 1   Data: 255\n",
                "skeldra-cli: \"abc\" is not a valid integer; error at position 1\n"
                "skeldra-cli: Substituting \"0\" for \"abc\" (invalid entry)\n"},
        CliCase{"--no-such-option", 2, "", nullptr},
        CliCase{"--header-bytes 0 >/dev/full", 1, "", "skeldra-cli: error: Disk full.\n"}));

TEST(PointCommandErrors, MissingFile)
{
    TempDir dir;
    const testing::CliResult r = runCli("point " + dir.file("absent.IMG"), dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "skeldra-cli: error: File not found.\n");
}

}  // namespace
}  // namespace skeldra
