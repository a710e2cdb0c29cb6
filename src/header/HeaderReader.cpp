// SPDX-License-Identifier: BSD-3-Clause
#include "header/HeaderReader.h"

#include <algorithm>
#include <limits>

#include "base/Checked.h"
#include "base/Format.h"
#include "port/LongOperation.h"
#include "raster/ByteSource.h"

namespace skeldra {
namespace {

constexpr int32_t unlimited = std::numeric_limits<int32_t>::max();
// The longest line held: a file without line breaks (samples, a disk image)
// would otherwise be held, and logged, whole.
constexpr int32_t longestLine = int32_t{1} << 20;
constexpr uint8_t CR = 13;
constexpr uint8_t LF = 10;

int32_t limitFromBox(WindowPort& port, Box box)
{
    const int32_t value = port.IntegerValue(box);
    return value == 0 ? unlimited : value;
}

// Whether a header line ends a label: "END" once blanks and control bytes
// around it are removed, in any mix of case.
bool isEndLine(const std::string& line)
{
    size_t first = 0;
    size_t last = line.size();
    while (first < last && static_cast<uint8_t>(line[first]) <= 32) ++first;
    while (last > first && static_cast<uint8_t>(line[last - 1]) <= 32) --last;
    if (last - first != 3) return false;
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    return upper(line[first]) == 'E' && upper(line[first + 1]) == 'N' && upper(line[first + 2]) == 'D';
}

// The working state of one reading, and its steps.
class HeaderScan {
public:
    HeaderScan(WindowPort& port, ByteSource& source, int32_t lengthLimit, int32_t lineLimit)
        : port_(port), source_(source), lengthLimit_(std::min(lengthLimit, longestLine)), lineLimit_(lineLimit),
          stopAtEnd_(lengthLimit == unlimited && lineLimit == unlimited), cutByUs_(lengthLimit > longestLine)
    {
    }

    // The loop's conditions, apart from the abort request, which can change
    // only while events are processed. The end of the file is found by
    // reading, not from its size at opening: /proc files report 0, and a
    // file may grow while it is shown.
    bool canGoOn()
    {
        return !endSeen_ && lineCount_ < lineLimit_ && lineLength_ < lengthLimit_ && source_.hasByteAt(position_);
    }

    // One step: one byte, or a CR with the byte after it.
    void step()
    {
        const uint8_t byte = nextByte();
        if (byte != CR && byte != LF) {
            append(byte);
            return;
        }
        port_.appendLog(line_);
        port_.reportListItem("lines", line_);
        if (stopAtEnd_ && isEndLine(line_)) endSeen_ = true;
        line_.clear();
        lineLength_ = 0;
        lineCount_ = add32(lineCount_, 1);
        if (byte == CR && source_.hasByteAt(position_)) {
            const uint8_t follower = nextByte();
            if (follower != LF) append(follower);
        }
    }

    void writeSummary()
    {
        if (lineCount_ >= lineLimit_ || lineLength_ < lengthLimit_) {
            port_.appendLog("");
            port_.appendLog(format("Done!  %d lines displayed", {int64_t{lineCount_}}));
            port_.appendLog("");
            port_.reportInteger("lines_displayed", lineCount_);
            return;
        }
        lineCount_ = add32(lineCount_, 1);
        port_.appendLog(line_ + "*****");
        port_.reportListItem("lines", line_);
        port_.reportInteger("lines_displayed", lineCount_);
        port_.reportInteger("final_line_length", lineLength_);
        port_.appendLog("");
        port_.appendLog(format("Done!  %d lines displayed; final line length = %d",
                               {int64_t{lineCount_}, int64_t{lineLength_}}));
        if (cutByUs_)
            port_.appendLog(format("Stopped at a line of more than %d bytes, which is no header text",
                                   {int64_t{longestLine}}));
    }

private:
    uint8_t nextByte() { return *source_.view(position_++, 1); }

    void append(uint8_t byte)
    {
        line_.push_back(static_cast<char>(byte));
        lineLength_ = add32(lineLength_, 1);
    }

    WindowPort& port_;
    ByteSource& source_;
    const int32_t lengthLimit_;
    const int32_t lineLimit_;
    const bool stopAtEnd_;
    const bool cutByUs_;  // the length limit is ours, not the box's
    int64_t position_ = 0;
    std::string line_;
    int32_t lineLength_ = 0;
    int32_t lineCount_ = 0;
    bool endSeen_ = false;
};

}  // namespace

void ReadAsciiHeader(WindowPort& port)
{
    port.appendLog("Reading ASCII header of " + port.state.InputFilename);
    port.appendLog("");
    ByteSource source(port.state.InputFilename);
    const int32_t lengthLimit = limitFromBox(port, Box::MaxHeaderLineLength);
    const int32_t lineLimit = limitFromBox(port, Box::MaxHeaderLines);

    HeaderScan scan(port, source, lengthLimit, lineLimit);
    port.state.AbortRequested = false;
    ProgressSession session(port, 0, ProgressSession::Bar::None);
    // The bytes are read through the buffer in runs between event pumps; the
    // abort request, the only input that can change, changes only in a pump.
    RunPacer pacer(port);
    bool aborted = false;
    while (!aborted && scan.canGoOn()) {
        const int64_t runLength = pacer.runLength();
        int64_t steps = 0;
        while (steps < runLength && scan.canGoOn()) {
            scan.step();
            ++steps;
        }
        aborted = pacer.advance(steps);
    }
    session.finish();
    source.close();
    scan.writeSummary();
}

}  // namespace skeldra
