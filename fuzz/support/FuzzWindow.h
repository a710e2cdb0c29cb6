// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The window the fuzz targets drive: the headless window with a click on
// Abort at a chosen event pump, a hard cap on the pumps of one operation
// (so that a huge area over a tiny file ends in bounded time), and the
// checks every operation must pass whatever its input.
#include <cstdint>
#include <string>

#include "ui/HeadlessWindow.h"
#include "window/MainWindow.h"

namespace skeldra::fuzzing {

class FuzzWindow : public HeadlessWindow {
public:
    FuzzWindow() : main_(*this) { main_.FormCreate(); }

    MainWindow& main() { return main_; }

    // 0: never. Counted from the start of each operation run through run().
    int abortAtPump = 0;
    int maxPumps = 64;
    int64_t samplesPerRun = 1 << 16;

    void processEvents() override;
    PumpPolicy pumpPolicy() const override;

    // Clicks one button and checks what must hold after any operation.
    void run(void (MainWindow::*handler)());

    // Whether the last run() was ended by the Abort click.
    bool aborted() const { return aborted_; }

private:
    MainWindow main_;
    int pumps_ = 0;
    bool aborted_ = false;
};

// Stops the fuzzer with a message: a finding.
[[noreturn]] void fail(const std::string& what);
inline void require(bool condition, const std::string& what)
{
    if (!condition) fail(what);
}

// Whether an error box text is one of the system's texts, not a leaked
// library exception such as "basic_string::substr".
bool isSystemErrorText(const std::string& text);

}  // namespace skeldra::fuzzing
