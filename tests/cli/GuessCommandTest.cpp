// SPDX-License-Identifier: BSD-3-Clause
// `guess`: the JSON parses, and the first candidate's options, pasted into
// another command, read the samples that were written.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "support/CliRun.h"

namespace skeldra {
namespace {

using testing::TempDir;

constexpr int samples = 431, lines = 240, prefix = 4, header = 1500;

int value(int line, int sample)
{
    return static_cast<int>(std::lround(3000 + 1200 * std::sin(line / 29.0) * std::cos(sample / 41.0) +
                                        500 * std::sin((line + 2 * sample) / 77.0))) +
           (line * 7 + sample * 13) % 5;
}

// 16-bit big-endian samples, each line after a 4-byte line counter.
std::string writeImage(const TempDir& dir)
{
    std::string bytes(header, ' ');
    bytes.replace(0, 21, "SOURCE = TEST\r\nEND\r\n\r\n");
    for (int l = 1; l <= lines; ++l) {
        bytes += std::string{0, 0, static_cast<char>(l >> 8), static_cast<char>(l)};
        for (int s = 1; s <= samples; ++s) {
            const int v = value(l, s);
            bytes += std::string{static_cast<char>(v >> 8), static_cast<char>(v & 255)};
        }
    }
    return dir.write("g.raw", bytes);
}

TEST(GuessCommand, FirstCandidatesOptionsReadTheImage)
{
    TempDir dir;
    const std::string image = writeImage(dir);
    const auto guessed = testing::runCli(SKELDRA_CLI, "guess " + image + " --json --top 3", dir);
    ASSERT_EQ(guessed.status, 0) << guessed.err;
    const nlohmann::json candidates = nlohmann::json::parse(guessed.out);
    ASSERT_TRUE(candidates.is_array());
    ASSERT_FALSE(candidates.empty());
    ASSERT_LE(candidates.size(), 3u);
    std::string options;
    for (const auto& token : candidates[0]["options"]) options += " " + token.get<std::string>();
    for (const auto& candidate : candidates) {
        EXPECT_GE(candidate["score"].get<double>(), 0.0);
        EXPECT_LE(candidate["score"].get<double>(), 1.0);
        EXPECT_FALSE(candidate["evidence"].get<std::string>().empty());
    }

    for (auto [line, sample] : {std::pair{1, 1}, {120, 200}, {lines, samples}}) {
        const auto point = testing::runCli(
            SKELDRA_CLI, "point " + image + options + " --line " + std::to_string(line) + " --sample " + std::to_string(sample), dir);
        EXPECT_EQ(point.status, 0) << options << "\n" << point.err;
        EXPECT_NE(point.out.find("Data: " + std::to_string(value(line, sample))), std::string::npos)
            << options << "\n" << point.out;
    }
}

TEST(GuessCommand, RejectsABadTop)
{
    TempDir dir;
    const std::string image = writeImage(dir);
    EXPECT_EQ(testing::runCli(SKELDRA_CLI, "guess " + image + " --top 0", dir).status, 2);
}

}  // namespace
}  // namespace skeldra
