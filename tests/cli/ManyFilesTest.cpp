// SPDX-License-Identifier: BSD-3-Clause
// The batch tool over several files: one block per file in the order given,
// the worst status, a summary, outputs named after the inputs, JSON Lines.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <sstream>
#include <thread>

#include "support/CliRun.h"

namespace skeldra {
namespace {

using testing::TempDir;

// A PDS3 label of one 300-byte record, then 2 lines of 2 one-byte samples.
std::string writeLabelled(const TempDir& dir, const std::string& name, std::string samples)
{
    std::string label =
        "PDS_VERSION_ID = PDS3\r\nRECORD_TYPE = FIXED_LENGTH\r\nRECORD_BYTES = 300\r\nFILE_RECORDS = 2\r\n"
        "LABEL_RECORDS = 1\r\n^IMAGE = 2\r\nOBJECT = IMAGE\r\n  LINES = 2\r\n  LINE_SAMPLES = 2\r\n"
        "  SAMPLE_TYPE = UNSIGNED_INTEGER\r\n  SAMPLE_BITS = 8\r\nEND_OBJECT = IMAGE\r\nEND\r\n";
    label.resize(300, ' ');
    return dir.write(name, label + samples);
}

std::vector<nlohmann::json> jsonLines(const std::string& out)
{
    std::vector<nlohmann::json> objects;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) objects.push_back(nlohmann::json::parse(line));
    return objects;
}

TEST(ManyFiles, JsonLinesInTheOrderGivenAndTheWorstStatus)
{
    TempDir dir;
    std::string files;
    // More files than jobs, so that later files finish while earlier ones wait.
    for (int i = 0; i < 5; ++i)
        files += " " + writeLabelled(dir, "f" + std::to_string(i) + ".IMG", {char(13), char(10), char(i), char(7)});
    files += " " + dir.file("missing.IMG");
    const auto r = testing::runCli(SKELDRA_CLI, "stats" + files + " --from-label --json --jobs 2", dir);
    EXPECT_EQ(r.status, 1);
    const auto objects = jsonLines(r.out);
    ASSERT_EQ(objects.size(), 5u) << r.out;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(objects[i]["file"], dir.file("f" + std::to_string(i) + ".IMG"));
        EXPECT_EQ(objects[i]["min"], i);
        EXPECT_EQ(objects[i]["min_line"], 2);
        EXPECT_EQ(objects[i]["max"], 13);
        EXPECT_EQ(objects[i]["status"], 0);
    }
    EXPECT_EQ(r.err, "skeldra-cli: " + dir.file("missing.IMG") + ": error: File not found.\n"
                     "skeldra-cli: 5 of 6 files succeeded; failed: " + dir.file("missing.IMG") + "\n");
}

TEST(ManyFiles, EachLogIsOneBlockStartingWithItsInputFile)
{
    TempDir dir;
    const std::string a = writeLabelled(dir, "a.IMG", {char(1), char(2), char(3), char(4)});
    const std::string b = writeLabelled(dir, "b.IMG", {char(5), char(6), char(7), char(8)});
    const auto r = testing::runCli(SKELDRA_CLI, "point " + a + " " + b + " --from-label --line 2 --sample 2", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("Input file: " + a + "\n\nLayout from PDS3 label: " + a + "\n"), 0u) << r.out;
    EXPECT_NE(r.out.find("Data: 4\nInput file: " + b + "\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - 8), "Data: 8\n");
    EXPECT_EQ(r.err, "skeldra-cli: 2 of 2 files succeeded\n");
}

TEST(ManyFiles, ConvertWritesIntoTheFolderUnderTheInputsNames)
{
    TempDir dir;
    const std::string a = writeLabelled(dir, "a.IMG", {char(1), char(2), char(3), char(4)});
    const std::string b = writeLabelled(dir, "b.IMG", {char(5), char(6), char(7), char(8)});
    std::filesystem::create_directory(dir.path() / "out");
    struct Case {
        std::string arguments;
        int status;
        std::vector<std::string> written;
    };
    for (const Case& c : std::vector<Case>{
             {"-o " + dir.file("out") + " --text", 0, {"a.txt", "b.txt"}},
             {"-o " + dir.file("out") + " --min 0 --max 8", 0, {"a.bmp", "b.bmp"}},
             {"-o " + dir.file("a.IMG"), 2, {""}},       // not a folder
             {"-o " + dir.file("out") + " " + a, 2, {""}},  // the same name twice
         }) {
        std::filesystem::remove_all(dir.path() / "out");
        std::filesystem::create_directory(dir.path() / "out");
        const auto r = testing::runCli(SKELDRA_CLI, "convert " + a + " " + b + " --from-label " + c.arguments, dir);
        EXPECT_EQ(r.status, c.status) << c.arguments << "\n" << r.err;
        std::vector<std::string> written;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "out"))
            written.push_back(entry.path().filename().string());
        std::sort(written.begin(), written.end());
        EXPECT_EQ(written, c.status == 0 ? c.written : std::vector<std::string>{}) << c.arguments;
        if (c.written.front() == "a.txt") {
            const auto text = testing::readFile(dir.file("out/b.txt"));
            EXPECT_EQ(std::string(text.begin(), text.end()), "5\t6\r\n7\t8\r\n");
        }
    }
}

TEST(JsonValues, RealsCarryTheirLogText)
{
    TempDir dir;
    // 1.5f and -2.25f, least significant byte first.
    const std::string file = dir.write("r.raw", std::vector<uint8_t>{0, 0, 0xC0, 0x3F, 0, 0, 0x10, 0xC0});
    const std::string layout = " --header-bytes 0 --bits 32 --real --samples 2 --end-line 1 --end-sample 2";
    const auto point = jsonLines(testing::runCli(SKELDRA_CLI, "point " + file + layout + " --sample 2 --json", dir).out);
    ASSERT_EQ(point.size(), 1u);
    EXPECT_EQ(point[0]["value"], -2.25);
    EXPECT_EQ(point[0]["sample"], 2);
    const auto log = testing::runCli(SKELDRA_CLI, "point " + file + layout + " --sample 2", dir).out;
    EXPECT_EQ(log, "Line: 1  Sample: 2   Data: " + point[0]["value_text"].get<std::string>() + "\n");

    const auto stats = jsonLines(testing::runCli(SKELDRA_CLI, "stats " + file + layout + " --json", dir).out);
    ASSERT_EQ(stats.size(), 1u);
    EXPECT_EQ(stats[0]["min"], -2.25);
    EXPECT_EQ(stats[0]["max"], 1.5);
    EXPECT_EQ(stats[0]["max_sample"], 1);
}

TEST(JsonValues, EveryCommandCarriesTheValuesOfItsLog)
{
    TempDir dir;
    const std::string image = writeLabelled(dir, "l.IMG", {char(1), char(2), char(3), char(4), char(5)});
    struct Case {
        std::string arguments;
        std::string pointer;
        nlohmann::json expected;
    };
    for (const Case& c : std::vector<Case>{
             {"header --max-lines 2", "/lines", {"PDS_VERSION_ID = PDS3", "RECORD_TYPE = FIXED_LENGTH"}},
             {"header --max-lines 2", "/lines_displayed", 2},
             {"label", "/set/Header bytes", 300},
             {"label", "/source/Lines", "LINES 2"},
             {"reset --header-bytes 300 --samples 2", "/size_on_disk", 305},
             {"reset --header-bytes 300 --samples 2", "/expected_size", 304},
             {"reset --header-bytes 300 --samples 2", "/set/End line", 2},
             {"stats --from-label", "/layout/label_kind", "PDS3"},
             {"stats --from-label", "/max", 4},
         }) {
        const std::string command = c.arguments.substr(0, c.arguments.find(' '));
        const std::string rest = c.arguments.substr(command.size());
        const auto objects = jsonLines(testing::runCli(SKELDRA_CLI, command + " " + image + rest + " --json", dir).out);
        ASSERT_EQ(objects.size(), 1u) << c.arguments;
        EXPECT_EQ(objects[0].value(nlohmann::json::json_pointer(c.pointer), nlohmann::json()), c.expected)
            << c.arguments << " " << c.pointer;
    }
}

// Blocks that wait for a slow first file hold no descriptors each: with few
// descriptors allowed, every file still succeeds.
TEST(ManyFiles, FinishedBlocksWaitWithoutOpenFiles)
{
    TempDir dir;
    std::vector<uint8_t> noise(size_t{20} << 20);
    std::mt19937 random(3);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
    std::string files = " " + dir.write("slow.raw", noise);
    for (int i = 0; i < 100; ++i) files += " " + dir.write("s" + std::to_string(i) + ".raw", std::string("\1\2\3\4"));
    const auto r = testing::runCli("ulimit -n 40; exec " + std::string(SKELDRA_CLI), "guess" + files + " --jobs 2", dir);
    EXPECT_NE(r.err.find("skeldra-cli: 101 of 101 files succeeded"), std::string::npos) << r.err.substr(r.err.size() - 300);
}

// Messages name the temporary folder when it is the cause.
TEST(ManyFiles, AMissingTemporaryFolderIsNamed)
{
    TempDir dir;
    const std::string a = writeLabelled(dir, "a.IMG", {char(1), char(2), char(3), char(4)});
    const auto r = testing::runCli("TMPDIR=" + dir.file("gone") + " " + SKELDRA_CLI, "stats " + a + " " + a, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(a + ": no temporary file can be made in " + dir.file("gone") +
                         " (TMPDIR): No such file or directory"),
              std::string::npos)
        << r.err;
}

// An interruption of the batch reaches its children: they stop and leave no
// output or temporary file behind, and the batch ends as interrupted.
TEST(ManyFiles, AnInterruptionEndsTheChildrenToo)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "out");
    std::string files;
    for (const char* name : {"a.raw", "b.raw", "c.raw"}) {
        files += " " + dir.file(name);
        std::filesystem::resize_file(dir.write(name, std::string()), uintmax_t{2} << 30);  // sparse
    }
    for (int signalNumber : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signalNumber);
        const std::string command = std::string(SKELDRA_CLI) + " convert" + files +
                                    " --header-bytes 0 --samples 30000 --end-line 70000 --end-sample 30000"
                                    " --min 0 --max 1 --jobs 2 -o " + dir.file("out") + " 2>/dev/null";
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::signal(SIGINT, SIG_DFL);  // a shell would leave it so for a command it starts
            execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::kill(pid, signalNumber);
        int raw = 0;
        ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(raw) && WTERMSIG(raw) == signalNumber) << raw;
        // Children still running would go on writing into the folder.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "out"));
    }
}

}  // namespace
}  // namespace skeldra
