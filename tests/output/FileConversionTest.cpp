// SPDX-License-Identifier: BSD-3-Clause
// "Convert File": the bytes of the BMP file and the characters of the text
// file, the row and sample order, the log lines and the save dialog.
#include <gtest/gtest.h>

#include <limits>

#include "OutputHarness.h"

namespace skeldra {
namespace {

using namespace testing;

TEST(ConvertBmp, TwoByTwoFileByteForByte)
{
    OutputHarness h({10, 20, 30, 40}, 2, 2);
    EXPECT_EQ(h.convert(), (Lines{"", "Image converted to: " + h.output}));
    const Bytes file = h.outputBytes();
    ASSERT_EQ(file.size(), 1086u);
    const Bytes header = {0x42, 0x4D, 0x3E, 0x04, 0, 0, 0, 0, 0, 0, 0x36, 0x04, 0, 0, 0x28, 0, 0, 0, 2, 0, 0, 0, 2, 0,
                          0, 0, 1, 0, 8, 0, 0, 0, 0, 0, 8, 0, 0, 0};
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 38), header);
    EXPECT_EQ(Bytes(file.begin() + 38, file.begin() + 54), Bytes(16, 0));
    EXPECT_EQ(file[54 + 4 * 200], 200);  // colour table entry 200: 200, 200, 200, 0
    EXPECT_EQ(file[54 + 4 * 200 + 3], 0);
    // Line 2 first (the bottom row), then line 1.
    EXPECT_EQ(Bytes(file.end() - 8, file.end()), (Bytes{30, 40, 0, 0, 10, 20, 0, 0}));
}

TEST(ConvertBmp, RowsFromTheEndLineUpAndPadded)
{
    OutputHarness h(byteImage(3, 5, [](int l, int s) { return 10 * l + s; }), 5, 3);
    h.convert();
    const Bytes file = h.outputBytes();
    ASSERT_EQ(file.size(), 1102u);
    EXPECT_EQ(file[34], 24);
    EXPECT_EQ(Bytes(file.begin() + 1078, file.end()),
              (Bytes{31, 32, 33, 34, 35, 0, 0, 0, 21, 22, 23, 24, 25, 0, 0, 0, 11, 12, 13, 14, 15, 0, 0, 0}));
}

struct OriginCase {
    const char* origin;
    Bytes row;
};

class OriginRotation : public ::testing::TestWithParam<OriginCase> {};

TEST_P(OriginRotation, BmpAndTextHoldTheSameOrder)
{
    const OriginCase& c = GetParam();
    OutputHarness bmp(byteImage(2, 5, [](int, int s) { return s; }), 5, 2, {{Box::OriginSample, c.origin}});
    bmp.convert();
    EXPECT_EQ(bmp.bmpRowsFromTop(5, 2), (std::vector<Bytes>{c.row, c.row}));

    OutputHarness text(byteImage(1, 5, [](int, int s) { return s; }), 5, 1, {{Box::OriginSample, c.origin}},
                       {Choice::TextOutput});
    text.convert();
    std::string line;
    for (uint8_t v : c.row) line += (line.empty() ? "" : "\t") + std::to_string(v);
    EXPECT_EQ(text.outputText(), line + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Origins, OriginRotation,
                         ::testing::Values(OriginCase{"4", {4, 5, 1, 2, 3}}, OriginCase{"0", {1, 2, 3, 4, 5}},
                                           OriginCase{"6", {1, 2, 3, 4, 5}},
                                           OriginCase{"5", {5, 1, 2, 3, 4}}));

TEST(ConvertBmp, SubAreaOfABandWithMappingAndNonData)
{
    // BIL, 2 bands of 4 unsigned 16-bit samples a line; band 2, lines 2..3, samples 2..3.
    Bytes bytes;
    for (int line = 1; line <= 3; ++line)
        for (int band = 1; band <= 2; ++band)
            for (int s = 1; s <= 4; ++s) {
                const uint16_t v = static_cast<uint16_t>(band == 2 ? 1000 * line + 100 * s : 9);
                bytes.push_back(static_cast<uint8_t>(v & 0xFF));
                bytes.push_back(static_cast<uint8_t>(v >> 8));
            }
    OutputHarness h(bytes, 4, 3,
                    {{Box::BitsPerSample, "16"}, {Box::NumBands, "2"}, {Box::BandNum, "2"}, {Box::StartLine, "2"},
                     {Box::StartSample, "2"}, {Box::EndSample, "3"}, {Box::MinData, "2000"},
                     {Box::MaxData, "3300"}, {Box::Gamma, "0.5"}, {Box::NonDataValue, "3300"}},
                    {Choice::BIL, Choice::IgnoreNonDataValue});
    h.convert();
    // 255 * sqrt((v - 2000) / 1300): 2200 -> 100.02, 2300 -> 122.498, 3200 -> 244.996.
    // 3300 is the non-data value, drawn like the minimum.
    EXPECT_EQ(h.bmpRowsFromTop(2, 2), (std::vector<Bytes>{{100, 122}, {245, 0}}));
}

TEST(ConvertBmp, LogLinesWithAndWithoutAuto)
{
    OutputHarness plain({1}, 1, 1);
    EXPECT_EQ(plain.convert(), (Lines{"", "Image converted to: " + plain.output}));

    OutputHarness withAuto({1}, 1, 1, {}, {Choice::AutoStretchPreview});
    EXPECT_EQ(withAuto.convert(),
              (Lines{"Note: although \"Auto\" stretch is checked for Preview images, the BMP output will be scaled to",
                     "  the current values in \"Min data\" and \"Max data\" boxes -- make sure they are set as intended.",
                     "", "Image converted to: " + withAuto.output}));

    OutputHarness text({1}, 1, 1, {}, {Choice::AutoStretchPreview, Choice::TextOutput});
    EXPECT_EQ(text.convert(), (Lines{"Image converted to: " + text.output}));
}

TEST(ConvertBmp, ProgressStepsOncePerRowAndHidesAtTheEnd)
{
    OutputHarness h(Bytes(6, 1), 2, 3);
    h.convert();
    Lines progress;
    for (const Event& e : h.window.events)
        if (e.kind == Event::Kind::ProgressMax || e.kind == Event::Kind::ProgressPosition ||
            e.kind == Event::Kind::ProgressVisible || e.kind == Event::Kind::AbortVisible)
            progress.push_back(e.text);
    EXPECT_EQ(progress, (Lines{"3", "0", "shown", "shown", "0", "1", "2", "hidden", "hidden"}));
}

TEST(ConvertEmptyHeight, GivesHeaderOnlyAndAnEmptyText)
{
    OutputHarness bmp({1, 2}, 2, 1, {{Box::StartLine, "2"}, {Box::EndLine, "1"}});
    EXPECT_EQ(bmp.convert(), (Lines{"", "Image converted to: " + bmp.output}));
    const Bytes file = bmp.outputBytes();
    ASSERT_EQ(file.size(), 1078u);
    EXPECT_EQ(file[22], 0);
    EXPECT_EQ(file[2], 0x36);

    OutputHarness text({1, 2}, 2, 1, {{Box::StartLine, "2"}, {Box::EndLine, "1"}}, {Choice::TextOutput});
    EXPECT_EQ(text.convert(), (Lines{"Image converted to: " + text.output}));
    EXPECT_EQ(text.outputText(), "");
}

struct TextCase {
    const char* name;
    Bytes bytes;
    int samples;
    BoxTexts boxes;
    std::vector<Choice> choices;
    std::string text;
};

void PrintTo(const TextCase& c, std::ostream* out) { *out << c.name; }

class TextOutput : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextOutput, WritesTheValues)
{
    const TextCase& c = GetParam();
    std::vector<Choice> choices = c.choices;
    choices.push_back(Choice::TextOutput);
    OutputHarness h(c.bytes, c.samples, 1, c.boxes, choices);
    h.convert();
    EXPECT_TRUE(h.window.errors().empty()) << h.window.errors().front();
    EXPECT_EQ(h.outputText(), c.text);
}

const BoxTexts bits16 = {{Box::BitsPerSample, "16"}};
const BoxTexts bits32 = {{Box::BitsPerSample, "32"}};

INSTANTIATE_TEST_SUITE_P(
    Cases, TextOutput,
    ::testing::Values(
        TextCase{"signed_16", samplesOf<int16_t>({-5, 0, 17}), 3, bits16, {Choice::SignedInteger}, "-5\t0\t17\r\n"},
        TextCase{"unsigned_32_in_full", samplesOf<uint32_t>({4294967295u, 0}), 2, bits32, {},
                 "4294967295\t0\r\n"},
        TextCase{"nondata_as_min_rounded_down", samplesOf<int16_t>({7, 9}), 2,
                 {{Box::BitsPerSample, "16"}, {Box::NonDataValue, "9"}, {Box::MinData, "2.5"}},
                 {Choice::IgnoreNonDataValue}, "7\t2\r\n"},
        TextCase{"nondata_as_min_rounded_up", samplesOf<int16_t>({7, 9}), 2,
                 {{Box::BitsPerSample, "16"}, {Box::NonDataValue, "9"}, {Box::MinData, "3.5"}},
                 {Choice::IgnoreNonDataValue}, "7\t4\r\n"},
        TextCase{"float_reals", samplesOf<float>({1.5f, -0.25f}), 2, bits32, {Choice::Real},
                 "1.5000000E+00\t-2.5000000E-01\r\n"},
        TextCase{"float_nondata_as_real_min", samplesOf<float>({0.1f, 2}), 2,
                 {{Box::BitsPerSample, "32"}, {Box::NonDataValue, "0.1"}, {Box::MinData, "2.5"}},
                 {Choice::Real, Choice::IgnoreNonDataValue}, "2.5000000E+00\t2.0000000E+00\r\n"},
        TextCase{"double_reals_and_nan", samplesOf<double>({1e300, std::numeric_limits<double>::quiet_NaN()}), 2,
                 {{Box::BitsPerSample, "64"}}, {}, "1.000000000000000E+300\tNAN\r\n"},
        TextCase{"float_nan_keeps_its_sign",
                 samplesOf<float>({-std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::quiet_NaN()}),
                 2, bits32, {Choice::Real}, "-NAN\tNAN\r\n"},
        // The text holds the values, not gray levels: the gamma is not used.
        TextCase{"negative_gamma_unused", Bytes{7, 200}, 2, {{Box::Gamma, "-1"}}, {}, "7\t200\r\n"},
        TextCase{"msb_first", samplesOf<uint16_t>({4660}, true), 1, bits16, {Choice::ReverseBytes}, "4660\r\n"}));

TEST(ConvertText, RowsTopDownEachEndedByCrLf)
{
    OutputHarness h(byteImage(3, 2, [](int l, int s) { return 10 * l + s; }), 2, 3, {{Box::StartLine, "2"}},
                    {Choice::TextOutput});
    h.convert();
    EXPECT_EQ(h.outputText(), "21\t22\r\n31\t32\r\n");
}

TEST(ConvertText, ControlsChangedDuringAPumpApplyFromTheNextSample)
{
    // Ticking the ignore box during the conversion switches the test on with
    // both forms 0; the signed type chosen later reads 0xFFFF as -1.
    OutputHarness h(samplesOf<uint16_t>({0, 0, 65535, 0, 65535}), 5, 1, bits16, {Choice::TextOutput});
    h.window.setBoxText(Box::MinData, "-7");
    h.window.atPump(1, [&] { h.window.setChecked(Choice::IgnoreNonDataValue, true); });
    h.window.atPump(3, [&] { h.window.check(Choice::SignedInteger); });
    h.convert();
    EXPECT_EQ(h.outputText(), "0\t-7\t65535\t-7\t-1\r\n");
}

TEST(SaveDialog, ProposesTheExtensionOfTheOutputKind)
{
    const struct { const char* current; bool text; const char* proposal; } cases[] = {
        {"C:\\maps.old\\scene", true, "C:\\maps.old\\scene.txt"},
        {"scene.old.bmp", true, "scene.old.txt"},
        {"data.v2/scene", false, "data.v2/scene.bmp"},
        {"/data/scene.img", false, "/data/scene.bmp"},
        {"", false, ".bmp"},
    };
    for (const auto& c : cases) {
        OutputHarness h({1}, 1, 1, {}, c.text ? std::vector<Choice>{Choice::TextOutput} : std::vector<Choice>{});
        h.window.state.SaveDialogFileName = c.current;
        h.window.saveDialogAnswer.reset();
        EXPECT_EQ(h.convert(), Lines{});
        EXPECT_EQ(h.window.lastSaveProposal(), c.proposal);
        // Cancelled: the proposal stays as the dialog's name and nothing is written.
        EXPECT_EQ(h.window.state.SaveDialogFileName, c.proposal);
        EXPECT_FALSE(std::filesystem::exists(h.output));
    }
}

TEST(SaveDialog, AcceptedNameBecomesTheNextProposal)
{
    OutputHarness h({1}, 1, 1);
    h.window.saveDialogAnswer = h.dir.file("chosen.name.bmp");
    h.convert();
    h.window.check(Choice::TextOutput);
    h.window.saveDialogAnswer.reset();
    h.convert();
    EXPECT_EQ(h.window.lastSaveProposal(), h.dir.file("chosen.name.txt"));
}

}  // namespace
}  // namespace skeldra
