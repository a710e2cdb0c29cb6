// SPDX-License-Identifier: BSD-3-Clause
// Bad input through the batch tool and the scripted window: files that are
// not there, cannot be read or are too short, numbers no layout can have,
// outputs that cannot be written. Every case must end with the system's
// exact text and exit status, and leave every file but the intended output
// as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <sstream>

#include "CliProcess.h"
#include "FolderSnapshot.h"
#include "Options.h"
#include "support/ScriptedWindow.h"
#include "ui/ControlCatalog.h"
#include "support/TempFiles.h"
#include "window/MainWindow.h"

namespace skeldra {
namespace {

using namespace skeldra::testing;
namespace fs = std::filesystem;

// The folder every case runs in. in.img is a 4 x 4 image of 8-bit samples
// 1 to 16 with no header.
struct Workspace {
    TempDir dir;
    Workspace()
    {
        std::vector<uint8_t> image(16);
        for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i + 1);
        dir.write("in.img", image);
        dir.write("empty.img", std::vector<uint8_t>{});
        dir.write("short.img", std::vector<uint8_t>(50, 7));
        dir.write("noread.img", image);
        fs::permissions(dir.file("noread.img"), fs::perms::none);
        dir.write("old.bmp", std::string("an earlier picture"));
        fs::create_directory(dir.path() / "sub");
        fs::create_directory(dir.path() / "ro");
        fs::permissions(dir.path() / "ro", fs::perms::owner_read | fs::perms::owner_exec |
                                               fs::perms::group_read | fs::perms::group_exec |
                                               fs::perms::others_read | fs::perms::others_exec);
    }
    // "@" at the start of an argument stands for the folder.
    std::vector<std::string> expand(const std::vector<std::string>& args) const
    {
        std::vector<std::string> out;
        for (const auto& a : args) out.push_back(a.rfind('@', 0) == 0 ? dir.path().string() + a.substr(1) : a);
        return out;
    }
};

struct BadInput {
    std::string name;
    std::vector<std::string> args;
    int status;
    // Messages and errors in order; an error is written "error: TEXT".
    std::vector<std::string> reports;
    std::string changed = "";  // the one entry that may change, "" none
    bool needsPermissions = false;  // meaningful only for a user whom permissions stop
    bool batchOnly = false;         // the window shows its preview instead of writing a file
};

std::ostream& operator<<(std::ostream& os, const BadInput& c) { return os << c.name; }

const std::vector<std::string> layout = {"--header-bytes", "0", "--samples", "4", "--end-line", "4", "--end-sample", "4"};

std::vector<std::string> with(std::vector<std::string> head, const std::vector<std::string>& tail = {})
{
    head.insert(head.end(), layout.begin(), layout.end());
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

const std::vector<BadInput> badInputs = {
    {"MissingFile", with({"stats", "@/missing.img"}), 1, {"error: File not found."}},
    {"FolderAsFile", with({"stats", "@/sub"}), 1, {"error: File access denied."}},
    {"FolderAsFileForTheHeader", {"header", "@/sub"}, 1, {"error: File access denied."}},
    {"NoReadPermission", with({"point", "@/noread.img"}), 1, {"error: File access denied."}, "", true},
    {"EmptyFilePoint", with({"point", "@/empty.img"}), 1, {"error: Read beyond end of file."}},
    {"EmptyFileStatistics", with({"stats", "@/empty.img"}), 1, {"error: Read beyond end of file."}},
    {"EmptyFileConversion", with({"convert", "@/empty.img", "-o", "@/out.bmp"}), 1,
     {"error: Read beyond end of file."}},
    {"EmptyFileHeader", {"header", "@/empty.img"}, 0, {}},
    {"FileShorterThanItsHeader", with({"point", "@/short.img"}, {"--header-bytes", "100"}), 1,
     {"error: Read beyond end of file."}},
    {"ShortFileKeepsAnEarlierOutput", with({"convert", "@/short.img", "-o", "@/old.bmp"}, {"--header-bytes", "100"}), 1,
     {"error: Read beyond end of file."}},
    {"NegativeLine", with({"point", "@/in.img"}, {"--line", "-1"}), 1, {"error: I/O error 131."}},
    {"NegativeHeaderBytes", with({"point", "@/in.img"}, {"--header-bytes", "-20"}), 1, {"error: I/O error 131."}},
    {"HugeLine", with({"point", "@/in.img"}, {"--line", "99999999999"}), 1,
     {"\"99999999999\" is not a valid integer; error at position 10",
      "Substituting \"0\" for \"99999999999\" (invalid entry)", "error: I/O error 131."}},
    {"LargestHeaderBytes", with({"point", "@/in.img"}, {"--header-bytes", "2147483647"}), 1,
     {"error: Read beyond end of file."}},
    {"LargestSamplesPerLine", with({"stats", "@/in.img"}, {"--samples", "2147483647"}), 1,
     {"error: Read beyond end of file."}},
    {"EndLineBeforeStartLine", with({"stats", "@/in.img"}, {"--start-line", "3", "--end-line", "1"}), 1,
     {"error: TProgressBar property out of range."}},
    {"EndSampleBeforeStartSampleConversion",
     with({"convert", "@/in.img", "-o", "@/out.bmp"}, {"--start-sample", "3", "--end-sample", "2"}), 1,
     {"error: The end sample lies before the start sample."}},
    {"EndLineBeforeStartLineConversion",
     with({"convert", "@/in.img", "-o", "@/old.bmp"}, {"--start-line", "4", "--end-line", "2"}), 1,
     {"error: TProgressBar property out of range."}},
    {"EndLineBeforeStartLinePreview", with({"preview", "@/in.img", "-o", "@/out.bmp"}, {"--start-line", "4", "--end-line", "2"}),
     1, {"error: The end line lies before the start line."}},
    {"SamplesPerLineZero", with({"point", "@/in.img"}, {"--samples", "0", "--line", "3"}), 0, {}},
    {"BitsZero", with({"stats", "@/in.img"}, {"--bits", "0"}), 3, {"Unsupported data type: 0 bits per sample"}},
    {"BitsTwelve", with({"convert", "@/in.img", "-o", "@/out.bmp"}, {"--bits", "12"}), 3,
     {"Unsupported data type: 12 bits per sample"}},
    {"BitsHundredTwentyEight", with({"point", "@/in.img"}, {"--bits", "128"}), 3,
     {"Unsupported data type: 128 bits per sample"}},
    {"BandBeyondTheBands", with({"point", "@/in.img"}, {"--bands", "2", "--band", "5", "--bil", "--samples", "2"}), 3,
     {"Correcting illegal Band #"}},
    {"NegativeGamma", with({"convert", "@/in.img", "-o", "@/old.bmp"}, {"--min", "0", "--max", "16", "--gamma", "-1"}), 1,
     {"error: Gamma must not be negative."}},
    {"PreviewSizeZero", with({"preview", "@/in.img", "-o", "@/out.bmp"}, {"--preview-size", "0"}), 1,
     {"error: The preview size must be 1 or more."}},
    {"OutputInAMissingFolder", with({"convert", "@/in.img", "-o", "@/nowhere/out.bmp"}), 1,
     {"error: Invalid filename."}},
    {"OutputInAReadOnlyFolder", with({"convert", "@/in.img", "-o", "@/ro/out.bmp"}), 1,
     {"error: File access denied."}, "", true},
    {"OutputAFolder", with({"convert", "@/in.img", "-o", "@/sub"}), 1, {"error: File access denied."}},
    {"OutputOnAFullDisk", with({"convert", "@/in.img", "-o", "/dev/full"}), 1, {"error: Disk full."}},
    {"TextOutputOnAFullDisk", with({"convert", "@/in.img", "-o", "/dev/full", "--text"}), 1, {"error: Disk full."}},
    {"InputAsOutput", with({"convert", "@/in.img", "-o", "@/in.img"}), 1,
     {"error: The output file must not be the input file."}},
    {"InputAsOutputByAnotherName", with({"convert", "@/in.img", "-o", "@/sub/../in.img"}, {"--text"}), 1,
     {"error: The output file must not be the input file."}},
    {"PreviewOverItsInput", with({"preview", "@/in.img", "-o", "@/in.img"}), 1,
     {"error: The output file must not be the input file."}, "", false, true},
    // The cases that work, so that the table also shows what may change.
    {"ConversionWritesItsOutput", with({"convert", "@/in.img", "-o", "@/out.bmp"}), 0, {}, "out.bmp"},
    {"ConversionReplacesAnEarlierOutput", with({"convert", "@/in.img", "-o", "@/old.bmp"}, {"--text"}), 0, {},
     "old.bmp"},
};

std::string reportsAsStderr(const std::vector<std::string>& reports)
{
    std::string text;
    for (const auto& r : reports) text += "skeldra-cli: " + r + "\n";
    return text;
}

class BadInputThroughTheBatchTool : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputThroughTheBatchTool, GivesTheExactTextAndStatusAndChangesOnlyTheOutput)
{
    const BadInput& c = GetParam();
    const bool unprivileged = c.needsPermissions && runningAsRoot();
    if (unprivileged && !canRunUnprivileged())
        GTEST_SKIP() << "running as root, who may read and write everything, and no setpriv to drop that";
    Workspace ws;
    const FolderSnapshot before = snapshot(ws.dir.path());
    const CliResult r = runCli(ws.expand(c.args), unprivileged);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, reportsAsStderr(c.reports));
    const auto changed = changedEntries(before, snapshot(ws.dir.path()));
    if (c.changed.empty()) EXPECT_TRUE(changed.empty()) << ::testing::PrintToString(changed);
    else EXPECT_EQ(changed, std::vector<std::string>{c.changed});
    struct stat full {};
    ASSERT_EQ(::stat("/dev/full", &full), 0);
    EXPECT_TRUE(S_ISCHR(full.st_mode)) << "the device was replaced";
}

INSTANTIATE_TEST_SUITE_P(Table, BadInputThroughTheBatchTool, ::testing::ValuesIn(badInputs),
                         [](const auto& info) { return info.param.name; });

// The same table through the window's handlers.
const std::map<std::string, std::function<void(MainWindow&)>> handlers = {
    {"point", [](MainWindow& w) { w.RetrievePoint_ButtonClick(); }},
    {"header", [](MainWindow& w) { w.ReadHeader_ButtonClick(); }},
    {"stats", [](MainWindow& w) { w.Histogram_ButtonClick(); }},
    {"convert", [](MainWindow& w) { w.ConvertFile_ButtonClick(); }},
    {"preview", [](MainWindow& w) { w.Preview_ButtonClick(); }},
};

class BadInputThroughTheWindow : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputThroughTheWindow, GivesTheExactTextAndChangesOnlyTheOutput)
{
    const BadInput& c = GetParam();
    if (c.needsPermissions && runningAsRoot())
        GTEST_SKIP() << "running as root, who may read and write everything; the batch tool case covers it";
    if (c.batchOnly) GTEST_SKIP() << "a case of the batch tool's output file";
    Workspace ws;
    const ParsedArguments args = parseArguments(ws.expand(c.args));
    ScriptedWindow window;
    MainWindow main(window);
    main.FormCreate();
    window.state.InputFilename = args.inputFiles.front();
    for (const auto& [box, text] : args.boxTexts) window.setBoxText(box, text);
    for (Choice choice : args.choices) window.setChecked(choice, true);
    if (!args.outputFile.empty()) window.saveDialogAnswer = args.outputFile;
    const FolderSnapshot before = snapshot(ws.dir.path());
    window.events.clear();
    handlers.at(args.command)(main);

    std::vector<std::string> reports;
    for (const Event& e : window.events) {
        if (e.kind == Event::Kind::Message) reports.push_back(e.text);
        if (e.kind == Event::Kind::Error) reports.push_back("error: " + e.text);
    }
    EXPECT_EQ(reports, c.reports);
    EXPECT_FALSE(window.progressVisible());
    EXPECT_FALSE(window.abortVisible());
    const auto changed = changedEntries(before, snapshot(ws.dir.path()));
    // The window shows its preview instead of writing it.
    if (c.changed.empty()) EXPECT_TRUE(changed.empty()) << ::testing::PrintToString(changed);
    else EXPECT_EQ(changed, std::vector<std::string>{c.changed});
}

INSTANTIATE_TEST_SUITE_P(Table, BadInputThroughTheWindow, ::testing::ValuesIn(badInputs),
                         [](const auto& info) { return info.param.name; });

// Negative and huge numbers in every box, each through the operation that
// reads it. There is no single right text for all of them; what must hold is
// a clear outcome: an exit status the tool documents, only its own texts on
// standard error (no leaked library error), the typed text named when a box
// substitutes it, and no file changed but the output.
struct BoxProbe {
    std::string option;
    Box box;
    std::string value;
};

std::ostream& operator<<(std::ostream& os, const BoxProbe& p) { return os << p.option << "=" << p.value; }

std::vector<BoxProbe> everyBoxProbe()
{
    std::vector<BoxProbe> probes;
    for (const BoxOption& option : boxOptions())
        for (const char* value : {"-1", "-2147483648", "2147483647", "99999999999", "-1e4933"})
            probes.push_back({option.name, option.box, value});
    return probes;
}

std::string commandReading(const std::string& option)
{
    if (option == "line" || option == "sample") return "point";
    if (option == "max-line-length" || option == "max-lines") return "header";
    if (option == "preview-size") return "preview";
    if (option == "lines" || option == "gap") return "stats --bsq";
    if (option == "band-pad" || option == "line-pad") return "stats --bil";
    if (option == "min" || option == "max" || option == "gamma" || option == "origin") return "convert";
    return "stats";
}

bool isOwnErrorText(const std::string& text)
{
    static const std::regex known(
        "(File not found|File access denied|Read beyond end of file|Disk full|Invalid filename|"
        "I/O error [0-9]+|Integer overflow|Range check error|Invalid floating point operation|"
        "Floating point division by zero|Floating point overflow|TProgressBar property out of range|"
        "Gamma must not be negative|The end sample lies before the start sample|"
        "The end line lies before the start line|The preview size must be 1 or more|Clip % must lie between 0 and 50|"
        "Tile samples and Tile lines must both be 0 \\(no tiles\\) or both 1 or more)\\.");
    return std::regex_match(text, known);
}

class EveryBox : public ::testing::TestWithParam<BoxProbe> {};

TEST_P(EveryBox, NegativeAndHugeNumbersGiveAClearOutcome)
{
    const BoxProbe& p = GetParam();
    Workspace ws;
    const std::string command = commandReading(p.option);
    std::vector<std::string> args = with({command.substr(0, command.find(' ')), "@/in.img", "-o", "@/out.bmp"},
                                         {"--" + p.option, p.value});
    if (command.find(' ') != std::string::npos) args.push_back(command.substr(command.find(' ') + 1));
    const FolderSnapshot before = snapshot(ws.dir.path());
    const CliResult r = runCli(ws.expand(args));
    ASSERT_TRUE(r.status == 0 || r.status == 1 || r.status == 3) << r.status << "\n" << r.err;

    std::vector<std::string> lines;
    std::stringstream err(r.err);
    for (std::string line; std::getline(err, line);) lines.push_back(line);
    for (size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(lines[i].rfind("skeldra-cli: ", 0), 0u) << lines[i];
        const bool isError = lines[i].rfind("skeldra-cli: error: ", 0) == 0;
        if (isError) {
            EXPECT_EQ(i + 1, lines.size()) << "an error ends the operation";
            EXPECT_TRUE(isOwnErrorText(lines[i].substr(20))) << lines[i];
        }
    }
    EXPECT_EQ(r.status == 1, !lines.empty() && lines.back().rfind("skeldra-cli: error: ", 0) == 0);
    // Beyond what the box's kind can hold: 32 bits for an integer, the
    // extended range for a real.
    const bool integerBox = boxSpec(p.box).inputType == TInputType::tInteger;
    if (p.value == (integerBox ? "99999999999" : "-1e4933"))
        EXPECT_NE(r.err.find("Substituting"), std::string::npos) << "a value no box can hold must be reported";

    const auto changed = changedEntries(before, snapshot(ws.dir.path()));
    EXPECT_TRUE(changed.empty() || (changed == std::vector<std::string>{"out.bmp"} && r.status != 1))
        << ::testing::PrintToString(changed);
}

INSTANTIATE_TEST_SUITE_P(Table, EveryBox, ::testing::ValuesIn(everyBoxProbe()), [](const auto& info) {
    std::string name = info.param.option + "_" + info.param.value;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

}  // namespace
}  // namespace skeldra
