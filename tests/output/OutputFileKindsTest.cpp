// SPDX-License-Identifier: BSD-3-Clause
// The file the user named receives the conversion, whatever is at that
// name: nothing, a file, a link, a pipe, or a path at the system's length
// limit; and what is left there after the window is closed mid-conversion.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "OutputHarness.h"

namespace skeldra {
namespace {

using namespace testing;
namespace fs = std::filesystem;

const Bytes image{1, 2, 3, 4};
const std::string imageText = "1\t2\r\n3\t4\r\n";

// Every name under the folder, links not followed, to see that no temporary file is left.
std::vector<std::string> namesUnder(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        names.push_back(entry.path().lexically_relative(folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

// A folder below `dir` deep enough that a file named with `nameLength`
// characters in it has a path of exactly PATH_MAX - 1 bytes.
std::string pathAtTheLimit(const TempDir& dir, size_t nameLength)
{
    std::string folder = dir.path().string();
    while (PATH_MAX - 1 - folder.size() - 1 > nameLength + 200) folder += "/" + std::string(199, 'd');
    folder += "/" + std::string(PATH_MAX - 1 - folder.size() - 2 - nameLength, 'e');
    fs::create_directories(folder);
    return folder + "/" + std::string(nameLength, 'f');
}

struct KindCase {
    const char* name;
    // Makes what is at the target; returns the target and the file that should receive the output.
    std::function<std::pair<std::string, std::string>(const TempDir&)> prepare;
    fs::perms mode;
};

void PrintTo(const KindCase& c, std::ostream* out) { *out << c.name; }

class OutputFileKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(OutputFileKinds, TheFileTheNameLeadsToReceivesTheOutput)
{
    OutputHarness h(image, 2, 2, {}, {Choice::TextOutput});
    const auto [target, receiver] = GetParam().prepare(h.dir);
    const bool wasLink = fs::is_symlink(fs::symlink_status(target));
    std::vector<std::string> before = namesUnder(h.dir.path());
    if (!fs::exists(fs::symlink_status(receiver))) before.push_back(fs::path(receiver).lexically_relative(h.dir.path()).string());
    std::sort(before.begin(), before.end());

    h.window.saveDialogAnswer = target;
    EXPECT_EQ(h.convert(), Lines{"Image converted to: " + target});
    EXPECT_EQ(h.window.errors(), Lines{});
    const Bytes written = readFile(receiver);
    EXPECT_EQ(std::string(written.begin(), written.end()), imageText);
    EXPECT_EQ(fs::is_symlink(fs::symlink_status(target)), wasLink);
    EXPECT_EQ(fs::status(receiver).permissions(), GetParam().mode);
    EXPECT_EQ(namesUnder(h.dir.path()), before);
}

std::pair<std::string, std::string> existingFile(const TempDir& dir, const std::string& name, mode_t mode)
{
    const std::string path = dir.write(name, std::string("earlier"));
    ::chmod(path.c_str(), mode);
    return {path, path};
}

const fs::perms ordinary = [] {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<fs::perms>(0666 & ~mask);
}();

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputFileKinds,
    ::testing::Values(
        KindCase{"new_file", [](const TempDir& d) { return std::pair{d.file("new.txt"), d.file("new.txt")}; },
                 ordinary},
        KindCase{"replaced_file_keeps_its_mode", [](const TempDir& d) { return existingFile(d, "old.txt", 0640); },
                 static_cast<fs::perms>(0640)},
        KindCase{"link_to_a_file",
                 [](const TempDir& d) {
                     existingFile(d, "real.txt", 0604);
                     fs::create_symlink("real.txt", d.file("link.txt"));
                     return std::pair{d.file("link.txt"), d.file("real.txt")};
                 },
                 static_cast<fs::perms>(0604)},
        KindCase{"chain_of_links_into_another_folder",
                 [](const TempDir& d) {
                     fs::create_directory(d.file("sub"));
                     existingFile(d, "sub/real.txt", 0644);
                     fs::create_symlink(d.file("sub/real.txt"), d.file("first.txt"));
                     fs::create_symlink("first.txt", d.file("second.txt"));
                     return std::pair{d.file("second.txt"), d.file("sub/real.txt")};
                 },
                 static_cast<fs::perms>(0644)},
        KindCase{"link_to_a_file_not_yet_there",
                 [](const TempDir& d) {
                     fs::create_symlink("later.txt", d.file("link.txt"));
                     return std::pair{d.file("link.txt"), d.file("later.txt")};
                 },
                 ordinary},
        KindCase{"longest_path_with_the_longest_name",
                 [](const TempDir& d) {
                     const std::string path = pathAtTheLimit(d, NAME_MAX);
                     return std::pair{path, path};
                 },
                 ordinary},
        KindCase{"longest_path_with_a_name_shorter_than_the_temporary_suffix",
                 [](const TempDir& d) {
                     const std::string path = pathAtTheLimit(d, 12);
                     return std::pair{path, path};
                 },
                 ordinary}),
    [](const auto& info) { return std::string(info.param.name); });

// A pipe is written into as the bytes come: it cannot be replaced or rewritten.
class PipeReader {
public:
    explicit PipeReader(const std::string& path) : path_(path)
    {
        ::mkfifo(path.c_str(), 0600);
        thread_ = std::thread([this] {
            std::ifstream in(path_, std::ios::binary);
            bytes_.assign(std::istreambuf_iterator<char>(in), {});
        });
    }
    std::string bytes()
    {
        thread_.join();
        return bytes_;
    }

private:
    std::string path_;
    std::string bytes_;
    std::thread thread_;
};

TEST(OutputToAPipe, IsWrittenInOrder)
{
    OutputHarness h(image, 2, 2, {}, {Choice::TextOutput});
    h.window.saveDialogAnswer = h.dir.file("fifo");
    PipeReader reader(h.dir.file("fifo"));
    EXPECT_EQ(h.convert(), Lines{"Image converted to: " + h.dir.file("fifo")});
    EXPECT_EQ(reader.bytes(), imageText);
    EXPECT_EQ(h.window.errors(), Lines{});
}

TEST(OutputToAPipe, AnAbortedBmpKeepsWhatWasSentAndTheLogSaysSo)
{
    // 3 lines of 4 samples, aborted in the second row written (line 2).
    OutputHarness h(byteImage(3, 4, [](int l, int s) { return 10 * l + s; }), 4, 3);
    h.window.saveDialogAnswer = h.dir.file("fifo");
    PipeReader reader(h.dir.file("fifo"));
    h.window.atPump(6, [&] { h.main.Abort_ButtonClick(); });
    EXPECT_EQ(h.convert(),
              (Lines{"", "Processing aborted...", "Conversion aborted; 1 of 3 rows written to: " + h.dir.file("fifo"),
                     "The output is a stream, which cannot be cut or rewritten: it holds what was sent before the "
                     "abort"}));
    EXPECT_EQ(h.window.errors(), Lines{});
    const std::string sent = reader.bytes();
    // The header announces the three rows; the completed bottom row follows it.
    ASSERT_EQ(sent.size(), 1078u + 4);
    EXPECT_EQ(static_cast<uint8_t>(sent[22]), 3);
    EXPECT_EQ(sent.substr(1078), (std::string{31, 32, 33, 34}));
}

struct CloseCase {
    const char* name;
    std::vector<Choice> choices;
};

void PrintTo(const CloseCase& c, std::ostream* out) { *out << c.name; }

class ClosingTheWindow : public ::testing::TestWithParam<CloseCase> {};

TEST_P(ClosingTheWindow, DuringAConversionLeavesTheTargetAsItWas)
{
    OutputHarness h(byteImage(3, 4, [](int l, int s) { return l + s; }), 4, 3, {}, GetParam().choices);
    const std::string target = h.dir.write("out.bmp", std::string("earlier"));
    h.window.atPump(6, [&] { EXPECT_FALSE(h.main.requestClose()); });
    const Lines log = h.convert();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Conversion aborted; " + target + " left as it was");
    EXPECT_EQ(h.outputText(), "earlier");
    EXPECT_EQ(namesUnder(h.dir.path()), (std::vector<std::string>{"Test.IMG", "out.bmp"}));
    EXPECT_TRUE(h.main.requestClose());
}

INSTANTIATE_TEST_SUITE_P(Cases, ClosingTheWindow,
                         ::testing::Values(CloseCase{"bmp", {}}, CloseCase{"text", {Choice::TextOutput}}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace skeldra
