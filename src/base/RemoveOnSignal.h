// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Files that must not outlive an interrupted process: a temporary output file
// registered here is removed when SIGINT, SIGTERM, SIGHUP or SIGXFSZ ends the
// process, which then ends with the usual status for the signal.
//
// The handler only unlinks the registered names and re-raises the signal
// with its default action: both are async-signal-safe. Registration is
// lock-free, so threads may register and release names at any time. A name
// is released before the file is renamed, so that the handler can never
// remove the finished file. When every slot is taken a name is simply not
// registered: the file is then left behind by a signal, as without this.
#include <signal.h>

#include <string>

namespace skeldra {

// Installs the handler for the four signals, except those the process was
// started ignoring (nohup). Call once, early in main.
void removeRegisteredFilesOnSignals();

// The registration of one name, released when destroyed or by release().
class SignalRemoval {
public:
    SignalRemoval() = default;
    explicit SignalRemoval(const std::string& path);
    ~SignalRemoval() { release(); }
    SignalRemoval(SignalRemoval&& other) noexcept : slot_(other.slot_) { other.slot_ = -1; }
    SignalRemoval& operator=(SignalRemoval&& other) noexcept;
    SignalRemoval(const SignalRemoval&) = delete;
    SignalRemoval& operator=(const SignalRemoval&) = delete;

    void release();

private:
    int slot_ = -1;
};

// Holds the four signals back in this thread while it lives, so that a file
// is never between being created and being registered (or between being
// released and renamed) when one of them ends the process.
class RemovalSignalsHeld {
public:
    RemovalSignalsHeld();
    ~RemovalSignalsHeld();
    RemovalSignalsHeld(const RemovalSignalsHeld&) = delete;
    RemovalSignalsHeld& operator=(const RemovalSignalsHeld&) = delete;

private:
    sigset_t previous_;
};

}  // namespace skeldra
