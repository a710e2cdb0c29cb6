// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A headless window for benchmarks: the real boxes and buttons, a log that
// keeps only its last line, and warnings that stop the benchmark, so that a
// figure never comes from a run that went wrong.
#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>

#include "ui/HeadlessWindow.h"

namespace skeldra::bench {

class BenchWindow : public HeadlessWindow {
public:
    std::string lastLine;
    int64_t pumps = 0;
    std::chrono::steady_clock::time_point lastPump;
    std::chrono::steady_clock::duration longestGap{};

    void appendLog(const std::string& line) override { lastLine = line; }
    void showMessage(const std::string& text) override { throw std::runtime_error(text); }
    void showError(const std::string& text) override { throw std::runtime_error(text); }

    // Records the longest time the window would have gone without answering.
    void processEvents() override
    {
        ++pumps;
        const auto now = std::chrono::steady_clock::now();
        longestGap = std::max(longestGap, now - lastPump);
        lastPump = now;
    }
    void startTiming()
    {
        lastPump = std::chrono::steady_clock::now();
        longestGap = {};
    }
};

}  // namespace skeldra::bench
