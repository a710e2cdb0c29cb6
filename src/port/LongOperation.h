// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The progress and abort protocol of long operations.
#include <chrono>
#include <cstdint>
#include <string>

#include "base/Errors.h"
#include "port/WindowPort.h"

namespace skeldra {

// The progress bar refuses a negative maximum with its class's error.
inline void checkProgressMaximum(int64_t maximum)
{
    if (maximum < 0) throw Error("TProgressBar property out of range");
}

// Shows the progress bar (when asked) and the Abort button for its lifetime,
// and hides them on every way out, errors included.
class ProgressSession {
public:
    enum class Bar { Shown, None };

    ProgressSession(WindowPort& port, int64_t maximum, Bar bar = Bar::Shown)
        : port_(port), bar_(bar == Bar::Shown)
    {
        if (bar_) {
            checkProgressMaximum(maximum);
            port_.setProgressMaximum(maximum);
            port_.setProgressPosition(0);
            port_.setProgressVisible(true);
        }
        port_.setAbortVisible(true);
    }
    ~ProgressSession() { finish(); }
    ProgressSession(const ProgressSession&) = delete;
    ProgressSession& operator=(const ProgressSession&) = delete;

    void setPosition(int64_t position)
    {
        if (bar_) port_.setProgressPosition(position);
    }

    // Hides the bar, then the Abort button; later calls do nothing.
    void finish()
    {
        if (finished_) return;
        finished_ = true;
        if (bar_) port_.setProgressVisible(false);
        port_.setAbortVisible(false);
    }

private:
    WindowPort& port_;
    bool bar_;
    bool finished_ = false;
};

// Decides when a long operation lets the window process its events. Between
// two pumps no control can change, so processing a run of samples and reading
// the controls once per run gives the same result as reading them per sample.
class RunPacer {
public:
    explicit RunPacer(WindowPort& port)
        : port_(port), policy_(port.pumpPolicy()), runStart_(clock::now())
    {
    }

    // The most samples to process before calling advance() again.
    int64_t runLength() const
    {
        return policy_.maxSamplesPerRun > samplesInRun_ ? policy_.maxSamplesPerRun - samplesInRun_ : 1;
    }

    // Counts processed samples and pumps the events when the run is over.
    // Returns whether an abort has been requested.
    bool advance(int64_t samples)
    {
        samplesInRun_ += samples;
        if (samplesInRun_ >= policy_.maxSamplesPerRun || clock::now() - runStart_ >= policy_.maxRunTime)
            pump();
        return port_.state.AbortRequested;
    }

    void pump()
    {
        port_.processEvents();
        samplesInRun_ = 0;
        runStart_ = clock::now();
    }

private:
    using clock = std::chrono::steady_clock;
    WindowPort& port_;
    PumpPolicy policy_;
    int64_t samplesInRun_ = 0;
    clock::time_point runStart_;
};

}  // namespace skeldra
