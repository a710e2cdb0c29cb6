// SPDX-License-Identifier: BSD-3-Clause
// The ASCII header in the log: line ends, limits, the END line, abort.
#include <gtest/gtest.h>

#include <fstream>

#include "header/HeaderReader.h"
#include "support/ScriptedWindow.h"
#include "support/TempFiles.h"
#include "window/MainWindow.h"

namespace skeldra {
namespace {

using testing::Event;
using testing::ScriptedWindow;
using testing::TempDir;
using Lines = std::vector<std::string>;

const std::string pdsStart = std::string("PDS_VERSION_ID = PDS3\r\nEND\r\n") + std::string("\x00\x07\x07\x03", 4);

struct Reading {
    TempDir dir;
    ScriptedWindow window;
    MainWindow main{window};
    std::string path;

    explicit Reading(const std::string& content, const std::string& maxLength = "0",
                     const std::string& maxLines = "0")
    {
        main.FormCreate();
        path = dir.write("Test.IMG", content);
        window.state.InputFilename = path;
        window.setBoxText(Box::MaxHeaderLineLength, maxLength);
        window.setBoxText(Box::MaxHeaderLines, maxLines);
        window.events.clear();
    }

    // The log after the two opening lines, which name the file.
    Lines run()
    {
        main.ReadHeader_ButtonClick();
        Lines log = window.eventTexts(Event::Kind::Log);
        if (log.size() < 2) return log;
        EXPECT_EQ(log[0], "Reading ASCII header of " + path);
        EXPECT_EQ(log[1], "");
        return Lines(log.begin() + 2, log.end());
    }
};

Lines done(int lines) { return {"", "Done!  " + std::to_string(lines) + " lines displayed", ""}; }

Lines operator+(Lines a, const Lines& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct HeaderCase {
    const char* name;
    std::string content;
    const char* maxLength;
    const char* maxLines;
    Lines log;
};

class HeaderReading : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderReading, ShowsTheLinesAndTheSummary)
{
    const HeaderCase& c = GetParam();
    Reading reading(c.content, c.maxLength, c.maxLines);
    EXPECT_EQ(reading.run(), c.log);
    EXPECT_TRUE(reading.window.errors().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeaderReading,
    ::testing::Values(
        HeaderCase{"pds_label_stops_after_end", pdsStart, "0", "0", Lines{"PDS_VERSION_ID = PDS3", "END"} + done(2)},
        HeaderCase{"length_limit_cuts_the_first_line", pdsStart, "10", "0",
                   {"PDS_VERSIO*****", "", "Done!  1 lines displayed; final line length = 10"}},
        HeaderCase{"end_in_lower_case_with_blanks", "A\n  end \t\nB\n", "0", "0", Lines{"A", "  end \t"} + done(2)},
        HeaderCase{"end_followed_by_words_does_not_stop", "END more\nX\nY", "0", "0", Lines{"END more", "X"} + done(2)},
        HeaderCase{"end_with_control_bytes_around", std::string("\x01" "End\x1f\n" "X\n"), "0", "0",
                   Lines{"\x01" "End\x1f"} + done(1)},
        HeaderCase{"line_limit_ignores_end", "a\nEND\nc\nd\ne\nf\n", "0", "5", Lines{"a", "END", "c", "d", "e"} + done(5)},
        HeaderCase{"any_limit_ignores_end", "END\nB\n", "0", "100", Lines{"END", "B"} + done(2)},
        HeaderCase{"lf_line_ends", "A\nB\nEND\n", "0", "0", Lines{"A", "B", "END"} + done(3)},
        HeaderCase{"lone_cr_line_ends", "A\rB\rEND\r", "0", "0", Lines{"A", "B", "END"} + done(3)},
        HeaderCase{"cr_cr_lf_keeps_the_second_cr", "A\r\r\nB\n", "0", "0", Lines{"A", "\r", "B"} + done(3)},
        HeaderCase{"lf_cr_is_two_line_ends", "A\n\rB\n", "0", "0", Lines{"A", "", "B"} + done(3)},
        HeaderCase{"cr_at_the_end_of_the_file", "A\r", "0", "0", Lines{"A"} + done(1)},
        HeaderCase{"unfinished_last_line_is_not_shown", "A\nB", "0", "0", Lines{"A"} + done(1)},
        HeaderCase{"empty_file", "", "0", "0", done(0)},
        HeaderCase{"line_of_exactly_the_length_limit", "ABCDE\r\nX", "5", "0",
                   {"ABCDE*****", "", "Done!  1 lines displayed; final line length = 5"}},
        HeaderCase{"line_limit_leaves_the_next_line_unshown", "A\nBC", "0", "1", Lines{"A"} + done(1)},
        HeaderCase{"negative_line_limit", "A\n", "0", "-3", done(0)},
        HeaderCase{"negative_length_limit", "A\n", "-1", "0",
                   {"*****", "", "Done!  1 lines displayed; final line length = 0"}},
        HeaderCase{"bytes_pass_through_unchanged", std::string("\x01\xff\t\x00Z\n", 6), "0", "0",
                   Lines{std::string("\x01\xff\t\x00Z", 5)} + done(1)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HeaderReader, ReadsLinesAcrossBufferRefills)
{
    std::string content;
    for (int i = 0; i < 2600; ++i) content += std::string(999, static_cast<char>('a' + i % 26)) + "\n";
    content += "END\n";
    Reading reading(content);
    reading.window.pumpEverySample = false;
    const Lines log = reading.run();
    ASSERT_EQ(log.size(), 2601u + 3u);
    EXPECT_EQ(log[1234], std::string(999, static_cast<char>('a' + 1234 % 26)));
    EXPECT_EQ(log[2600], "END");
    EXPECT_EQ(log[2602], "Done!  2601 lines displayed");
}

// A file without line breaks (samples, a disk image) is not held whole: the
// reading stops at a line no header has, as at a length limit, and says why.
TEST(HeaderReader, StopsAtALineNoHeaderHolds)
{
    const int longest = 1 << 20;
    Reading reading(std::string(3 * longest, '\0'));
    reading.window.pumpEverySample = false;
    const Lines log = reading.run();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0], std::string(longest, '\0') + "*****");
    EXPECT_EQ(log[2], "Done!  1 lines displayed; final line length = " + std::to_string(longest));
    EXPECT_EQ(log[3], "Stopped at a line of more than 1048576 bytes, which is no header text");
}

TEST(HeaderReader, EndOfFileIsFoundByReadingNotFromTheSizeAtOpening)
{
    // A file that grows while it is shown: lines added after the first byte are shown too.
    Reading growing("A\n");
    growing.window.atPump(1, [&] { std::ofstream(growing.path, std::ios::app) << "B\nEND\n"; });
    EXPECT_EQ(growing.run(), (Lines{"A", "B", "END"} + done(3)));

    // Files under /proc report a size of 0 and still hold lines.
    Reading proc("");
    proc.window.state.InputFilename = proc.path = "/proc/self/status";
    proc.window.setBoxText(Box::MaxHeaderLines, "1");
    const Lines log = proc.run();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].rfind("Name:", 0), 0u) << log[0];
}

TEST(HeaderReader, AbortStopsAfterTheCurrentByteAndStillSummarises)
{
    Reading reading("L1\nL2\nL3\n");
    // The fourth pump follows the fourth byte, the "L" of the second line.
    reading.window.atPump(4, [&] { reading.main.Abort_ButtonClick(); });
    EXPECT_EQ(reading.run(), (Lines{"L1", "Processing aborted..."} + done(1)));
    EXPECT_EQ(reading.window.pumps(), 4);
    EXPECT_EQ(reading.window.eventTexts(Event::Kind::AbortVisible), (Lines{"shown", "hidden", "hidden"}));
    EXPECT_FALSE(reading.window.abortVisible());
}

TEST(HeaderReader, AnEarlierAbortRequestIsCleared)
{
    Reading reading("A\nEND\n");
    reading.window.state.AbortRequested = true;
    EXPECT_EQ(reading.run(), (Lines{"A", "END"} + done(2)));
}

TEST(HeaderReader, AbortButtonIsShownOnlyWhileReading)
{
    Reading reading("A\n");
    reading.main.ReadHeader_ButtonClick();
    std::vector<Event> shownEvents;
    for (const Event& e : reading.window.events)
        if (e.kind == Event::Kind::Log || e.kind == Event::Kind::AbortVisible) shownEvents.push_back(e);
    const std::vector<Event> expected = {
        {Event::Kind::Log, "Reading ASCII header of " + reading.path}, {Event::Kind::Log, ""},
        {Event::Kind::AbortVisible, "shown"},  {Event::Kind::Log, "A"},
        {Event::Kind::AbortVisible, "hidden"}, {Event::Kind::Log, ""},
        {Event::Kind::Log, "Done!  1 lines displayed"}, {Event::Kind::Log, ""}};
    EXPECT_EQ(shownEvents, expected);
}

TEST(HeaderReader, MissingFileIsAnErrorAfterTheOpeningLines)
{
    Reading reading("");
    reading.window.state.InputFilename = reading.dir.file("absent.img");
    reading.main.ReadHeader_ButtonClick();
    EXPECT_EQ(reading.window.eventTexts(Event::Kind::Log),
              (Lines{"Reading ASCII header of " + reading.dir.file("absent.img"), ""}));
    EXPECT_EQ(reading.window.errors(), Lines{"File not found."});
    EXPECT_TRUE(reading.window.eventTexts(Event::Kind::AbortVisible).empty());
}

}  // namespace
}  // namespace skeldra
