// SPDX-License-Identifier: BSD-3-Clause
// A sparse file of 5 GiB, band sequential, whose third band starts beyond
// 4 GiB: every operation must read the bytes at the full 64-bit positions,
// not at positions cut to 32 bits, and print sizes above 2^31 as they are.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>

#include "support/ScriptedWindow.h"
#include "support/TempFiles.h"
#include "window/MainWindow.h"

namespace skeldra {
namespace {

using namespace skeldra::testing;

constexpr int64_t fileSize = int64_t{5} << 30;
constexpr int64_t header = 512;
constexpr int64_t samples = 1024, lines = 1024, bytesPerSample = 2;
constexpr int64_t gap = 2147483647;
constexpr int64_t bandBytes = samples * lines * bytesPerSample;
constexpr int64_t fourGiB = int64_t{1} << 32;

constexpr int64_t position(int64_t band, int64_t line, int64_t sample)
{
    return header + (band - 1) * (bandBytes + gap) + (line - 1) * samples * bytesPerSample +
           (sample - 1) * bytesPerSample;
}
static_assert(position(3, 1, 1) > fourGiB);
static_assert(position(3, lines, samples) + bytesPerSample < fileSize);

void put16(int fd, int64_t at, uint16_t value)
{
    const uint8_t bytes[2] = {static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>(value >> 8)};
    ASSERT_EQ(::pwrite(fd, bytes, 2, at), 2);
}

class LargeFile : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new TempDir;
        path_ = dir_->writeSparse("big.img", fileSize, 0, {});
        const int fd = ::open(path_.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        put16(fd, position(3, 1, 1), 4660);
        put16(fd, position(3, 700, 300), 258);
        put16(fd, position(3, lines, samples), 65535);
        // Decoys where a position cut to 32 bits, or the wrong band, would read.
        put16(fd, position(3, lines, samples) - fourGiB, 7);
        put16(fd, position(3, 1, 1) - fourGiB, 8);
        put16(fd, position(2, lines, samples), 9);
        ::close(fd);
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }

    void SetUp() override
    {
        main_.FormCreate();
        window_.pumpEverySample = false;
        window_.state.InputFilename = path_;
        window_.setBoxText(Box::HeaderBytes, std::to_string(header));
        window_.setBoxText(Box::NumSamples, std::to_string(samples));
        window_.setBoxText(Box::BitsPerSample, "16");
        window_.check(Choice::BSQ);
        main_.BandStructure_RadioButtonClick();
        window_.setBoxText(Box::NumBands, "3");
        window_.setBoxText(Box::BandNum, "3");
        window_.setBoxText(Box::NumSingleImageLines, std::to_string(lines));
        window_.setBoxText(Box::NumBandGapBytes, std::to_string(gap));
    }

    void area(int startLine, int endLine, int startSample, int endSample)
    {
        window_.setBoxText(Box::StartLine, std::to_string(startLine));
        window_.setBoxText(Box::EndLine, std::to_string(endLine));
        window_.setBoxText(Box::StartSample, std::to_string(startSample));
        window_.setBoxText(Box::EndSample, std::to_string(endSample));
        window_.setBoxText(Box::OriginSample, std::to_string(startSample));
    }

    std::string point(int line, int sample)
    {
        window_.setBoxText(Box::Line, std::to_string(line));
        window_.setBoxText(Box::Sample, std::to_string(sample));
        main_.Clear_ButtonClick();
        main_.RetrievePoint_ButtonClick();
        return window_.log().empty() ? "" : window_.log().front();
    }

    static TempDir* dir_;
    static std::string path_;
    ScriptedWindow window_;
    MainWindow main_{window_};
};

TempDir* LargeFile::dir_ = nullptr;
std::string LargeFile::path_;

TEST_F(LargeFile, PointsOfTheLastBandReadTheirOwnBytes)
{
    EXPECT_EQ(point(1, 1), "Band: 3  Line: 1  Sample: 1   Data: 4660");
    EXPECT_EQ(point(700, 300), "Band: 3  Line: 700  Sample: 300   Data: 258");
    EXPECT_EQ(point(1024, 1024), "Band: 3  Line: 1024  Sample: 1024   Data: 65535");
    EXPECT_EQ(point(1024, 1023), "Band: 3  Line: 1024  Sample: 1023   Data: 0");
    EXPECT_TRUE(window_.errors().empty()) << window_.errors().front();
}

TEST_F(LargeFile, StatisticsOfAnAreaBeyondFourGiB)
{
    area(1023, 1024, 1020, 1024);
    main_.Histogram_ButtonClick();
    ASSERT_TRUE(window_.errors().empty()) << window_.errors().front();
    const auto& log = window_.log();
    EXPECT_NE(std::find(log.begin(), log.end(), "Min data: 0 at (1023, 1020)   Max data: 65535  at (1024, 1024)"),
              log.end())
        << ::testing::PrintToString(log);
    EXPECT_EQ(window_.boxText(Box::MaxData), "65535");
}

TEST_F(LargeFile, ResetPrintsSizesAboveTwoGiB)
{
    main_.ResetArea_ButtonClick();
    ASSERT_TRUE(window_.errors().empty()) << window_.errors().front();
    EXPECT_EQ(window_.boxText(Box::EndLine), "1024");
    EXPECT_EQ(window_.boxText(Box::EndSample), "1024");
    const int64_t expected = header + 3 * (bandBytes + gap);
    std::ostringstream line;
    line << "Reset error:  Size on disk = " << fileSize << "   Expected (for current parameters) = " << expected
         << "   Excess = " << fileSize - expected << " bytes";
    EXPECT_EQ(window_.log().back(), line.str());
}

TEST_F(LargeFile, TextConversionOfTheLastRows)
{
    area(1023, 1024, 1021, 1024);
    window_.check(Choice::TextOutput);
    window_.saveDialogAnswer = dir_->file("rows.txt");
    main_.ConvertFile_ButtonClick();
    ASSERT_TRUE(window_.errors().empty()) << window_.errors().front();
    const auto bytes = readFile(dir_->file("rows.txt"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "0\t0\t0\t0\r\n0\t0\t0\t65535\r\n");
}

TEST_F(LargeFile, BmpConversionOfTheFirstRow)
{
    area(1, 1, 1, 4);
    window_.setBoxText(Box::MinData, "0");
    window_.setBoxText(Box::MaxData, "4660");
    window_.saveDialogAnswer = dir_->file("row.bmp");
    main_.ConvertFile_ButtonClick();
    ASSERT_TRUE(window_.errors().empty()) << window_.errors().front();
    const auto bytes = readFile(dir_->file("row.bmp"));
    ASSERT_EQ(bytes.size(), 1078u + 4u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 1078, bytes.end()), (std::vector<uint8_t>{255, 0, 0, 0}));
}

}  // namespace
}  // namespace skeldra
