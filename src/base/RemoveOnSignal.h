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

}  // namespace skeldra
