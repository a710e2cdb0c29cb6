// SPDX-License-Identifier: BSD-3-Clause
#include "support/FuzzWindow.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <regex>

namespace skeldra::fuzzing {

void FuzzWindow::processEvents()
{
    ++pumps_;
    if ((abortAtPump > 0 && pumps_ == abortAtPump) || pumps_ == maxPumps) {
        aborted_ = true;
        main_.Abort_ButtonClick();
    }
}

PumpPolicy FuzzWindow::pumpPolicy() const
{
    // Runs end by count only, so that a finding replays the same way.
    return {samplesPerRun, std::chrono::hours(1)};
}

void FuzzWindow::run(void (MainWindow::*handler)())
{
    pumps_ = 0;
    aborted_ = false;
    const size_t errorsBefore = errors().size();
    (main_.*handler)();
    require(!main_.operationRunning(), "the operation guard stayed set");
    require(!progressVisible(), "the progress bar stayed visible");
    require(!abortVisible(), "the Abort button stayed visible");
    require(errors().size() <= errorsBefore + 1, "more than one error box for one click");
    if (errors().size() > errorsBefore)
        require(isSystemErrorText(errors().back()), "unexpected error text: " + errors().back());
}

void fail(const std::string& what)
{
    std::fprintf(stderr, "FUZZ FINDING: %s\n", what.c_str());
    std::abort();
}

bool isSystemErrorText(const std::string& text)
{
    static const std::regex known(
        "(File not found|Invalid filename|Too many open files|File access denied|"
        "Read beyond end of file|Disk full|Invalid numeric input|I/O error [0-9]+|"
        "Integer overflow|Range check error|Invalid floating point operation|"
        "Floating point division by zero|Floating point overflow|"
        "TProgressBar property out of range|Gamma must not be negative|"
        "The end sample lies before the start sample|The end line lies before the start line|"
        "The preview size must be 1 or more|The output file must not be the input file|"
        "Tile samples and Tile lines must both be 0 \\(no tiles\\) or both 1 or more|"
        "Tiles are stored band after band: choose the band structure None or BSQ|"
        "Tiled bands have no line pad: set Line pad to 0)\\.?");
    return std::regex_match(text, known);
}

}  // namespace skeldra::fuzzing
