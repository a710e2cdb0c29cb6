// SPDX-License-Identifier: BSD-3-Clause
// Every command of the batch tool on a small labelled file: the whole
// standard output, the exit status and the file it writes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/CliRun.h"

namespace skeldra {
namespace {

using testing::TempDir;

// A 12-byte label, then 2 lines of 2 one-byte samples: 13 10 / 0 7, and one
// byte more than the layout describes.
std::string writeImage(const TempDir& dir)
{
    std::string bytes = "A = 1\r\nEND\r\n";
    bytes += std::string{'\x0D', '\x0A', '\x00', '\x07', '\x09'};
    return dir.write("c.img", bytes);
}

const std::string layout = " --header-bytes 12 --samples 2 --end-line 2 --end-sample 2";

struct CommandCase {
    const char* name;
    std::string arguments;  // after "COMMAND FILE"
    int status;
    std::string out;        // "OUT" stands for the output path
};

class Commands : public ::testing::TestWithParam<CommandCase> {};

TEST_P(Commands, PrintTheLogOfTheOperation)
{
    const CommandCase& c = GetParam();
    TempDir dir;
    const std::string image = writeImage(dir);
    const std::string output = dir.file("out.dat");
    std::string arguments = c.arguments;
    for (size_t at; (at = arguments.find("OUT")) != std::string::npos;) arguments.replace(at, 3, output);
    std::string expected = c.out;
    for (size_t at; (at = expected.find("OUT")) != std::string::npos;) expected.replace(at, 3, output);
    for (size_t at; (at = expected.find("FILE")) != std::string::npos;) expected.replace(at, 4, image);

    const auto r = testing::runCli(SKELDRA_CLI, c.name + (" " + image) + arguments, dir);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.out, expected);
    if (c.status != 0) {
        EXPECT_FALSE(std::filesystem::exists(output)) << "a failed command wrote its output";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Commands,
    ::testing::Values(
        CommandCase{"header", "", 0,
                    "Reading ASCII header of FILE\n\nA = 1\nEND\n\nDone!  2 lines displayed\n\n"},
        CommandCase{"stats", layout + " --nodata 0 --list-points", 0,
                    "Line: 1  Sample: 1   Data: 13\nLine: 1  Sample: 2   Data: 10\n"
                    "Line: 2  Sample: 1   Data: 0\nLine: 2  Sample: 2   Data: 7\n\n"
                    "Min data: 7 at (2, 2)   Max data: 13  at (1, 1)\n"
                    "1 points with Non-data value: 0 \n\n"},
        CommandCase{"reset", " --header-bytes 12 --samples 2", 0,
                    "Reset error:  Size on disk = 17   Expected (for current parameters) = 16   "
                    "Excess = 1 bytes\n"
                    "Origin sample = 1\nStart sample = 1\nStart line = 1\nEnd sample = 2\nEnd line = 2\n"},
        CommandCase{"convert", layout + " --text -o OUT", 0, "Image converted to: OUT\n"},
        CommandCase{"convert", layout + " --min 0 --max 13 -o OUT", 0, "\nImage converted to: OUT\n"},
        CommandCase{"preview", layout + " --auto -o OUT", 0,
                    "Preview based on  Min data: 0 at (2, 1)   Max data: 13  at (1, 1)\n\n"},
        CommandCase{"map", " --header-bytes 12 --samples 2", 0,
                    "Where the bytes of FILE go (17 bytes):\n"
                    "Layout: 1 band (None) of 2 lines of 2 samples of 1 byte\n"
                    "Label text: 12 bytes (70.59 %), bytes 0 to 11\n"
                    "Samples of band 1: 4 bytes (23.53 %), 2 of 2 bytes, the first at byte 12\n"
                    "Left over at the end: 1 byte (5.88 %), byte 16, all 0x09\n\n"},
        CommandCase{"map", " --header-bytes 12 --samples 2 --bil --bands 2 --json", 0,
                    "{\"file\":\"FILE\",\"flags\":[],\"layout\":{\"band_pad\":0,\"bands\":2,"
                    "\"bytes_per_sample\":1,\"gap\":0,\"header_bytes\":12,\"line_pad\":0,\"line_prefix\":0,"
                    "\"lines\":1,\"samples\":2,\"structure\":\"BIL\"},\"regions\":[{\"bytes\":12,\"first\":0,"
                    "\"name\":\"Label text\",\"piece_bytes\":12,\"pieces\":1,\"role\":\"label\","
                    "\"share\":0.7058823529411765},{\"band\":1,\"bytes\":2,\"first\":12,"
                    "\"name\":\"Samples of band 1\",\"piece_bytes\":2,\"pieces\":1,\"role\":\"samples\","
                    "\"share\":0.11764705882352941},{\"band\":2,\"bytes\":2,\"first\":14,"
                    "\"name\":\"Samples of band 2\",\"piece_bytes\":2,\"pieces\":1,\"role\":\"samples\","
                    "\"share\":0.11764705882352941},{\"bytes\":1,\"content\":\"all 0x09\",\"first\":16,"
                    "\"name\":\"Left over at the end\",\"piece_bytes\":1,\"pieces\":1,\"role\":\"left over\","
                    "\"share\":0.058823529411764705}],\"size\":17}\n"},
        CommandCase{"label", "", 0,
                    "No PDS3, VICAR, PDS4, ENVI, ISIS3 or FITS label found for FILE; nothing changed\n"},
        // The label's layout was asked for and there is none: the defaults must not be used.
        CommandCase{"convert", " --from-label -o OUT", 1,
                    "No PDS3, VICAR, PDS4, ENVI, ISIS3 or FITS label found for FILE; nothing changed\n"},
        CommandCase{"convert", layout, 2, ""},
        CommandCase{"convert", layout + " -o ''", 2, ""},
        // A log that cannot be written is a failure, and the listing stops.
        CommandCase{"stats", layout + " --list-points >/dev/full", 1, ""},
        CommandCase{"header", " >/dev/full", 1, ""},
        // 4 points, 25 % is rank 1 from each end: the extremes.
        CommandCase{"stats", layout + " --clip 25", 0,
                    "Min data: 0 at (2, 1)   Max data: 13  at (1, 1)\nClip 25 %:  Min data: 0   Max data: 13\n\n"},
        // 50 %: rank 2 from each end, then the conversion with them.
        CommandCase{"convert", layout + " --clip 50 --format png16 -o OUT", 0,
                    "Min data: 0 at (2, 1)   Max data: 13  at (1, 1)\nClip 50 %:  Min data: 7   Max data: 10\n\n"
                    "Image converted to: OUT\n"},
        CommandCase{"convert", layout + " --format tiff -o OUT", 0, "Image converted to: OUT\n"},
        CommandCase{"convert", layout + " --format gif -o OUT", 2, ""},
        CommandCase{"describe", layout + " --as vrt -o OUT", 0, "GDAL VRT written to: OUT\n"},
        CommandCase{"describe", layout + " --bil --bands 1 --line-pad 1 --as envi -o OUT", 1, ""}),
    [](const auto& info) { return std::string(info.param.name) + std::to_string(info.index); });

TEST(ConvertCommand, WritesTheTextValuesRowByRow)
{
    TempDir dir;
    const std::string image = writeImage(dir);
    const std::string output = dir.file("out.txt");
    const auto r = testing::runCli(SKELDRA_CLI, "convert " + image + layout + " --text -o " + output, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto text = testing::readFile(output);
    EXPECT_EQ(std::string(text.begin(), text.end()), "13\t10\r\n0\t7\r\n");
}

TEST(ConvertCommand, WritesABmpOfTheGrayLevels)
{
    TempDir dir;
    const std::string image = writeImage(dir);
    const std::string output = dir.file("out.bmp");
    const auto r = testing::runCli(SKELDRA_CLI, "convert " + image + layout + " --min 0 --max 13 -o " + output, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto bmp = testing::readFile(output);
    ASSERT_EQ(bmp.size(), 1078u + 8u);
    // Bottom row first: line 2 (0, 7 -> 137), then line 1 (13 -> 255, 10 -> 196).
    EXPECT_EQ(std::vector<uint8_t>(bmp.end() - 8, bmp.end()),
              (std::vector<uint8_t>{0, 137, 0, 0, 255, 196, 0, 0}));
}

TEST(PreviewCommand, WritesA24BitPicture)
{
    TempDir dir;
    const std::string image = writeImage(dir);
    const std::string output = dir.file("p.bmp");
    const auto r = testing::runCli(SKELDRA_CLI, "preview " + image + layout + " --min 0 --max 13 -o " + output, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto bmp = testing::readFile(output);
    ASSERT_GE(bmp.size(), 30u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[28], 24);  // bits per pixel
}

}  // namespace
}  // namespace skeldra

namespace skeldra {
namespace {

// A label that names a file out of its folder: refused unless allowed, and
// the refusal names the path; the file is read when allowed.
TEST(LabelCommand, FollowsAPointerOutOfTheLabelsFolderOnlyWhenAllowed)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "labels");
    dir.write("secret.dat", std::string{'\x2A', '\x2B'});
    const std::string label = dir.write(
        "labels/x.lbl", "PDS_VERSION_ID = PDS3\nRECORD_BYTES = 2\n^IMAGE = (\"../secret.dat\", 1)\nOBJECT = IMAGE\n"
                        "LINES = 1\nLINE_SAMPLES = 2\nSAMPLE_BITS = 8\nEND_OBJECT = IMAGE\nEND\n");
    const std::string point = "point " + label + " --from-label --line 1 --sample 2";

    const auto refused = testing::runCli(SKELDRA_CLI, point, dir);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("../secret.dat"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("--allow-outside-data"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.out.find("Data:"), std::string::npos) << refused.out;

    const auto allowed = testing::runCli(SKELDRA_CLI, point + " --allow-outside-data", dir);
    EXPECT_EQ(allowed.status, 0) << allowed.err;
    EXPECT_NE(allowed.out.find("Data: 43"), std::string::npos) << allowed.out;
}

}  // namespace
}  // namespace skeldra

namespace skeldra {
namespace {

// An output never replaces a file the operation read: the label named, nor
// the label found for a data file named directly.
TEST(OutputFiles, NeverReplaceTheLabelTheLayoutCameFrom)
{
    TempDir dir;
    const auto labelOf = [](const std::string& data) {
        return "PDS_VERSION_ID = PDS3\n^IMAGE = (\"" + data + "\", 1 <BYTES>)\nOBJECT = IMAGE\n"
               "LINES = 1\nLINE_SAMPLES = 2\nSAMPLE_BITS = 8\nEND_OBJECT = IMAGE\nEND\n";
    };
    const std::string label = labelOf("a.img");
    const std::string labelPath = dir.write("a.lbl", label);
    const std::string dataPath = dir.write("a.img", std::string{'\x01', '\x02'});
    dir.write("b.img", std::string{'\x01', '\x02'});
    const std::string otherLabel = dir.write("b.lbl", labelOf("b.img"));
    const std::vector<std::string> runs = {
        "convert " + labelPath + " --from-label -o " + labelPath,
        "describe " + labelPath + " " + otherLabel + " --from-label --as pds3 -o " + dir.path().string() + "/",
        "convert " + dataPath + " --from-label -o " + labelPath,
    };
    for (const std::string& run : runs) {
        SCOPED_TRACE(run);
        const auto r = testing::runCli(SKELDRA_CLI, run, dir);
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_NE(r.err.find("must not be the label of the input file"), std::string::npos) << r.err;
        const auto kept = testing::readFile(labelPath);
        EXPECT_EQ(std::string(kept.begin(), kept.end()), label);
    }
}

// One picture path for several files would keep only the last file's picture.
TEST(OutputFiles, OneHistogramPictureIsNotSharedBySeveralFiles)
{
    TempDir dir;
    const std::string a = dir.write("a.raw", std::string(16, '\x05'));
    const std::string b = dir.write("b.raw", std::string(16, '\x07'));
    const std::string picture = dir.file("h.png");
    const auto r = testing::runCli(
        SKELDRA_CLI, "stats " + a + " " + b + " --header-bytes 0 --samples 4 --lines 4 --histogram " + picture, dir);
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_NE(r.err.find("--histogram cannot name one picture for each"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(picture));
}

}  // namespace
}  // namespace skeldra

namespace skeldra {
namespace {

// FITS cards of 80 characters, padded out to a block of 2880 bytes.
std::string fitsHeader(const std::vector<std::string>& cards)
{
    std::string text;
    for (std::string card : cards) text += card.append(80 - card.size(), ' ');
    text += std::string(80, ' ').replace(0, 3, "END");
    return text.append((2880 - text.size() % 2880) % 2880, ' ');
}

struct PartialLabelCase {
    const char* name;
    std::string file;
    int status;
    const char* named;  // what the error names
};

// --from-label reads the file with the label's layout, all of it, or not at
// all: a value the boxes cannot take would leave the box's old value in use.
// Notes on what the values mean (a scaling) do not stop it.
TEST(FromLabel, RefusesALayoutItCannotSetInFull)
{
    const std::string samples(16, '\x01');
    const std::string isis = "Object = IsisCube\n  Object = Core\n    Format = BandSequential\n"
                             "    Group = Dimensions\n      Samples = 4\n      Lines = 2\n      Bands = 1\n"
                             "    End_Group\n    Group = Pixels\n      Type = UnsignedByte\n      ByteOrder = Lsb\n"
                             "    End_Group\n  End_Object\nEnd_Object\nEnd\n";
    const std::vector<PartialLabelCase> cases = {
        {"pds3 header beyond the box",
         "PDS_VERSION_ID = PDS3\n^IMAGE = 3000000001 <BYTES>\nOBJECT = IMAGE\nLINES = 2\nLINE_SAMPLES = 4\n"
         "SAMPLE_BITS = 8\nSAMPLE_TYPE = UNSIGNED_INTEGER\nEND_OBJECT = IMAGE\nEND\n" + samples,
         1, "Header bytes 3000000000"},
        {"fits 64-bit integers",
         fitsHeader({"SIMPLE  =                    T", "BITPIX  =                   64", "NAXIS   =                    2",
                     "NAXIS1  =                    2", "NAXIS2  =                    1"}) + samples,
         1, "BITPIX 64"},
        {"isis3 without StartByte", isis + samples, 1, "StartByte"},
        {"fits with a scaling only",
         fitsHeader({"SIMPLE  =                    T", "BITPIX  =                   16", "NAXIS   =                    2",
                     "NAXIS1  =                    4", "NAXIS2  =                    2", "BZERO   =                32768"}) +
             samples,
         0, ""},
    };
    for (const PartialLabelCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string file = dir.write("f.dat", c.file);
        const auto r = testing::runCli(SKELDRA_CLI, "stats " + file + " --from-label", dir);
        EXPECT_EQ(r.status, c.status) << r.err;
        if (c.status == 0) continue;
        EXPECT_NE(r.err.find("cannot be set in full"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << "nothing is done";
    }
}

}  // namespace
}  // namespace skeldra

namespace skeldra {
namespace {

// What is not a file is refused at once and said plainly: a FIFO without a
// writer would block every command (and a whole batch) for ever, and a
// character device never ends.
TEST(InputFiles, AFifoOrADeviceIsRefusedAtOnce)
{
    TempDir dir;
    const std::string fifo = dir.file("pipe.img");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string cli = std::string("timeout 20 ") + SKELDRA_CLI;
    for (const std::string& command : {"stats", "header", "guess", "label", "map", "point"}) {
        for (const auto& [path, kind] : {std::pair<std::string, std::string>{fifo, "a FIFO (named pipe)"},
                                         {"/dev/zero", "a character device"}}) {
            SCOPED_TRACE(command + " " + path);
            const auto r = testing::runCli(cli, command + " " + path, dir);
            EXPECT_EQ(r.status, 1) << r.err;
            EXPECT_NE(r.err.find(path + " is " + kind + ", not a file that can be read."), std::string::npos) << r.err;
        }
    }
    // A folder fails as every command has always said it.
    const auto folder = testing::runCli(cli, "label " + dir.path().string(), dir);
    EXPECT_EQ(folder.status, 1);
    EXPECT_NE(folder.err.find("File access denied."), std::string::npos) << folder.err;
}

}  // namespace
}  // namespace skeldra
