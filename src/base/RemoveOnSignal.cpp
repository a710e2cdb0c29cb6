// SPDX-License-Identifier: BSD-3-Clause
#include "base/RemoveOnSignal.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>

namespace skeldra {
namespace {

constexpr int removalSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};

enum SlotState : int { Free, Writing, Ready };

struct Slot {
    std::atomic<int> state{Free};
    char path[PATH_MAX];
};

// Enough for the files one process writes at the same time.
Slot slots[32];

extern "C" void removeAndReraise(int signalNumber)
{
    for (Slot& slot : slots)
        if (slot.state.load(std::memory_order_acquire) == Ready) ::unlink(slot.path);
    // The action is already the default one (SA_RESETHAND); the signal is
    // delivered again when the handler returns.
    ::raise(signalNumber);
}

}  // namespace

void removeRegisteredFilesOnSignals()
{
    for (int signalNumber : removalSignals) {
        struct sigaction current {};
        if (::sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = removeAndReraise;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        ::sigaction(signalNumber, &action, nullptr);
    }
}

SignalRemoval::SignalRemoval(const std::string& path)
{
    if (path.size() >= PATH_MAX) return;
    for (int i = 0; i < static_cast<int>(std::size(slots)); ++i) {
        int expected = Free;
        if (!slots[i].state.compare_exchange_strong(expected, Writing, std::memory_order_acquire)) continue;
        std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
        slots[i].state.store(Ready, std::memory_order_release);
        slot_ = i;
        return;
    }
}

SignalRemoval& SignalRemoval::operator=(SignalRemoval&& other) noexcept
{
    if (this != &other) {
        release();
        slot_ = other.slot_;
        other.slot_ = -1;
    }
    return *this;
}

void SignalRemoval::release()
{
    if (slot_ < 0) return;
    slots[slot_].state.store(Free, std::memory_order_release);
    slot_ = -1;
}

RemovalSignalsHeld::RemovalSignalsHeld()
{
    sigset_t held;
    sigemptyset(&held);
    for (int signalNumber : removalSignals) sigaddset(&held, signalNumber);
    ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

RemovalSignalsHeld::~RemovalSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

}  // namespace skeldra
