// SPDX-License-Identifier: BSD-3-Clause
// The ASCII header reader: any bytes, any limits, an abort at any pump. The
// log must equal what reading the file one byte at a time gives.
#include <fuzzer/FuzzedDataProvider.h>

#include <limits>
#include <string>
#include <vector>

#include "base/Format.h"
#include "support/FuzzFile.h"
#include "support/FuzzWindow.h"

using namespace skeldra;
using fuzzing::FuzzWindow;
using fuzzing::require;

namespace {

// A limit box's text: mostly a small number, sometimes any 32-bit value or
// any text at all.
std::string limitText(FuzzedDataProvider& input)
{
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0: return "0";
    case 1: return std::to_string(input.ConsumeIntegralInRange(-3, 300));
    case 2: return std::to_string(input.ConsumeIntegral<int32_t>());
    default: return input.ConsumeRandomLengthString(12);
    }
}

// The reading byte by byte, as the log must show it without an abort.
std::vector<std::string> referenceLog(const std::string& path, const std::vector<uint8_t>& bytes,
                                      int32_t lengthLimit, int32_t lineLimit)
{
    constexpr int32_t unlimited = std::numeric_limits<int32_t>::max();
    if (lengthLimit == 0) lengthLimit = unlimited;
    if (lineLimit == 0) lineLimit = unlimited;
    const bool stopAtEnd = lengthLimit == unlimited && lineLimit == unlimited;
    std::vector<std::string> log = {"Reading ASCII header of " + path, ""};
    std::string line;
    int32_t lines = 0;
    bool end = false;
    size_t at = 0;
    while (!end && lines < lineLimit && static_cast<int32_t>(line.size()) < lengthLimit && at < bytes.size()) {
        const uint8_t b = bytes[at++];
        if (b != 13 && b != 10) {
            line.push_back(static_cast<char>(b));
            continue;
        }
        log.push_back(line);
        if (stopAtEnd) {
            std::string core = line;
            while (!core.empty() && static_cast<uint8_t>(core.back()) <= 32) core.pop_back();
            size_t first = 0;
            while (first < core.size() && static_cast<uint8_t>(core[first]) <= 32) ++first;
            core = core.substr(first);
            for (char& c : core)
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
            end = core == "END";
        }
        line.clear();
        ++lines;
        if (b == 13 && at < bytes.size()) {
            const uint8_t follower = bytes[at++];
            if (follower != 10) line.push_back(static_cast<char>(follower));
        }
    }
    const int32_t length = static_cast<int32_t>(line.size());
    if (lines >= lineLimit || length < lengthLimit) {
        log.insert(log.end(), {"", format("Done!  %d lines displayed", {int64_t{lines}}), ""});
    } else {
        log.insert(log.end(), {line + "*****", "",
                               format("Done!  %d lines displayed; final line length = %d",
                                      {int64_t{lines + 1}, int64_t{length}})});
    }
    return log;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    FuzzWindow window;
    window.setBoxText(Box::MaxHeaderLineLength, limitText(input));
    window.setBoxText(Box::MaxHeaderLines, limitText(input));
    window.abortAtPump = input.ConsumeIntegralInRange(0, 8);
    window.maxPumps = 0;  // the file is small; only the chosen abort ends early
    window.samplesPerRun = input.ConsumeIntegralInRange<int64_t>(1, 4096);
    const std::vector<uint8_t> bytes = input.ConsumeRemainingBytes<uint8_t>();
    const std::string path = fuzzing::writeInputFile(bytes.data(), bytes.size());
    window.state.InputFilename = path;

    window.run(&MainWindow::ReadHeader_ButtonClick);
    if (!window.errors().empty()) fuzzing::fail("reading a readable file failed: " + window.errors().front());
    if (window.aborted()) return 0;

    // The limits as the boxes gave them (a bad entry is substituted by the box).
    const int32_t lengthLimit = window.IntegerValue(Box::MaxHeaderLineLength);
    const int32_t lineLimit = window.IntegerValue(Box::MaxHeaderLines);
    require(window.log() == referenceLog(path, bytes, lengthLimit, lineLimit),
            "the log differs from reading byte by byte");
    return 0;
}
