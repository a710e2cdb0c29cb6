// SPDX-License-Identifier: BSD-3-Clause
// A candidate layout applied to the form reads every sample as the candidate
// does; what the boxes cannot hold is noted, not refused.
#include <gtest/gtest.h>

#include <algorithm>

#include "discover/CandidateForm.h"
#include "label/ApplyLabel.h"
#include "raster/FormatParameters.h"
#include "ui/HeadlessWindow.h"

namespace skeldra {
namespace {

struct FormCase {
    const char* name;
    CandidateLayout layout;
    std::string note;  // empty: the form reads as the candidate
};

class CandidateForm : public ::testing::TestWithParam<FormCase> {};

TEST_P(CandidateForm, ReadsAsTheCandidateOrSaysWhyNot)
{
    const FormCase& c = GetParam();
    HeadlessWindow window;
    ApplyLayout(window, formLayout(c.layout, "candidate 1"), {});
    if (!c.note.empty()) {
        EXPECT_NE(std::find(window.log().begin(), window.log().end(), c.note), window.log().end());
        return;
    }
    ASSERT_TRUE(ReadFormatParameters(window));
    EXPECT_EQ(window.state.Layout, rasterLayout(c.layout));
}

const Encoding msb16{2, DataFormat::SignedInteger, true};

INSTANTIATE_TEST_SUITE_P(
    Cases, CandidateForm,
    ::testing::Values(
        FormCase{"OneBandWithALinePad", {2052, 517, 300, msb16, 1, BandStructure::None, 4, 0, 0}, ""},
        FormCase{"BilWithBandAndLinePads", {100, 301, 50, {4, DataFormat::Real}, 3, BandStructure::BIL, 2, 6, 0}, ""},
        FormCase{"BsqWithAGap", {0, 99, 40, {1}, 2, BandStructure::BSQ, 0, 0, 100}, ""},
        FormCase{"BsqInTiles", {65536, 300, 200, msb16, 3, BandStructure::BSQ, 0, 0, 0, 128, 64}, ""},
        FormCase{"OneBandInTiles", {512, 90, 90, {4, DataFormat::Real}, 1, BandStructure::None, 0, 0, 0, 128, 128}, ""},
        FormCase{"LinesBeyondTheBox",
                 {0, 4, 3000000000, {1}, 1, BandStructure::None, 0, 0, 0},
                 "Not set: Lines 3000000000 (candidate 1) is outside what the box takes; left unchanged"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace skeldra
