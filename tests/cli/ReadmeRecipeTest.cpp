// SPDX-License-Identifier: BSD-3-Clause
// The README's recipe for GNU parallel, run as the README writes it, on this
// host instead of two others: the documented command line must stay true.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/CliRun.h"

namespace skeldra {
namespace {

std::string readmeLine(const std::string& start)
{
    std::ifstream readme(SKELDRA_README);
    for (std::string line; std::getline(readme, line);)
        if (line.rfind(start, 0) == 0) return line;
    return "";
}

TEST(ReadmeRecipe, GnuParallelRunsEveryFileAndLogsItsStatus)
{
    if (std::system("command -v parallel >/dev/null") != 0) GTEST_SKIP() << "GNU parallel is not installed";
    std::string recipe = readmeLine("find vol -name '*.IMG' | parallel");
    ASSERT_FALSE(recipe.empty()) << "the README no longer holds the recipe";
    const std::string hosts = "-S 2/node1,2/node2";
    const size_t at = recipe.find(hosts);
    ASSERT_NE(at, std::string::npos) << recipe;
    recipe.replace(at, hosts.size(), "-S 2/:");  // ":" is this host, without ssh

    testing::TempDir dir;
    std::filesystem::create_directories(dir.path() / "vol" / "orbit1");
    const std::string label = "PDS_VERSION_ID = PDS3\nRECORD_TYPE = UNDEFINED\n^IMAGE = 200 <BYTES>\nOBJECT = IMAGE\n"
                              "LINES = 2\nLINE_SAMPLES = 2\nSAMPLE_BITS = 8\nSAMPLE_TYPE = UNSIGNED_INTEGER\n"
                              "END_OBJECT = IMAGE\nEND\n";
    for (int i = 0; i < 5; ++i) {
        std::string file = label;
        file.resize(199, ' ');
        file += {char(9), char(i), char(3), char(4)};
        dir.write("vol/orbit1/F" + std::to_string(i) + ".IMG", file);
    }
    const std::string path = std::filesystem::path(SKELDRA_CLI).parent_path().string();
    const auto r = testing::runCli("cd " + dir.path().string() + " && export PATH=" + path + ":$PATH && " + recipe, "", dir);
    ASSERT_EQ(r.status, 0) << r.err;

    std::ifstream lines(dir.file("stats.jsonl"));
    int files = 0;
    for (std::string line; std::getline(lines, line); ++files) {
        const auto object = nlohmann::json::parse(line);
        EXPECT_EQ(object["max"], 9) << line;
        EXPECT_EQ(object["status"], 0) << line;
    }
    EXPECT_EQ(files, 5);
    std::ifstream log(dir.file("stats.log"));
    std::string header, entry;
    std::getline(log, header);
    ASSERT_NE(header.find("Exitval"), std::string::npos) << header;
    while (std::getline(log, entry)) EXPECT_NE(entry.find("\t0\t0\t"), std::string::npos) << entry;
}

}  // namespace
}  // namespace skeldra
