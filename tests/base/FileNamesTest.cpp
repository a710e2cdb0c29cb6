// SPDX-License-Identifier: BSD-3-Clause
// The save dialog's extension rule and the file name label's shortening.
#include <gtest/gtest.h>

#include "base/FileNames.h"

namespace skeldra {
namespace {

TEST(FileExtension, OnlyAFullStopAfterTheLastSeparatorStartsAnExtension)
{
    EXPECT_EQ(changeFileExtension("C:\\maps.old\\scene", ".txt"), "C:\\maps.old\\scene.txt");
    EXPECT_EQ(changeFileExtension("scene.old.bmp", ".txt"), "scene.old.txt");
    EXPECT_EQ(changeFileExtension("", ".bmp"), ".bmp");
    EXPECT_EQ(changeFileExtension("/x/.y/z", ".bmp"), "/x/.y/z.bmp");
}

// A typed extension of any kind offered names that kind; only a name without
// one gets the selected kind's.
TEST(SaveFilter, ATypedExtensionOfAnyKindIsKept)
{
    const std::vector<std::string> filters = {"GDAL VRT (*.vrt)", "ENVI header (*.hdr)", "PDS3 label (*.lbl)"};
    EXPECT_EQ(nameForSaveFilter("big16.hdr", filters[0], filters), "big16.hdr");
    EXPECT_EQ(nameForSaveFilter("big16.LBL", filters[0], filters), "big16.LBL");
    EXPECT_EQ(nameForSaveFilter("big16", filters[1], filters), "big16.hdr");
    EXPECT_EQ(nameForSaveFilter("big16.raw", filters[0], filters), "big16.raw.vrt");
    EXPECT_EQ(nameForSaveFilter("", filters[0], filters), "");
    EXPECT_EQ(filterExtension("All files (*)"), "");
}

TEST(ShortenPath, DropsLeadingFoldersOneAtATime)
{
    const std::string path = "C:\\data\\mars\\img\\a.img";
    const std::vector<std::string> steps = {"C:\\data\\mars\\img\\a.img", "C:\\...\\mars\\img\\a.img",
                                            "C:\\...\\img\\a.img", "C:\\...\\a.img", "...\\a.img",
                                            "a.img"};
    for (size_t i = 0; i < steps.size(); ++i) {
        const size_t width = steps[i].size();
        EXPECT_EQ(shortenPath(path, [&](const std::string& s) { return s.size() <= width; }), steps[i]);
    }
    // A bare name that does not fit stays whole.
    EXPECT_EQ(shortenPath(path, [](const std::string&) { return false; }), "a.img");
    EXPECT_EQ(shortenPath("/home/u/data/f.IMG", [](const std::string& s) { return s.size() <= 14; }),
              "/.../f.IMG");
}

}  // namespace
}  // namespace skeldra
