// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A headless window for tests: real NumericEntry boxes, and a record of every
// log line, message, error and control change in the order they happened.
// Actions can be scheduled to run at a given event pump, as if the user had
// clicked while a long operation processed its events.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/HeadlessWindow.h"

namespace skeldra::testing {

struct Event {
    enum class Kind { Log, Message, Error, BoxText, BoxVisible, Check, GroupHeight, ProgressMax,
                      ProgressPosition, ProgressVisible, AbortVisible, Beep, Busy, Preview, Question };
    Kind kind;
    std::string text;
    bool operator==(const Event&) const = default;
};

class ScriptedWindow : public HeadlessWindow {
public:
    ScriptedWindow();

    std::vector<Event> events;

    // Pumps after every sample, so that scheduled actions hit exact samples.
    bool pumpEverySample = true;
    // Runs `action` during the n-th event pump (1-based).
    void atPump(int n, std::function<void()> action) { pumpActions_[n] = std::move(action); }
    int pumps() const { return pumps_; }

    std::vector<std::string> eventTexts(Event::Kind kind) const;

    void appendLog(const std::string& line) override;
    void clearLog() override;
    void showMessage(const std::string& text) override;
    void showError(const std::string& text) override;
    bool askYesNo(const std::string& question) override;
    void setBoxText(Box box, const std::string& text) override;
    void setBoxVisible(Box box, bool visible) override;
    void check(Choice choice) override;
    void setChecked(Choice choice, bool checked) override;
    void setBandGroupHeight(int pixels) override;
    void beep() override;
    void setProgressMaximum(int64_t maximum) override;
    void setProgressPosition(int64_t position) override;
    void setProgressVisible(bool visible) override;
    void setAbortVisible(bool visible) override;
    void processEvents() override;
    PumpPolicy pumpPolicy() const override;
    void setBusyPointer(bool busy) override;
    void showPreview(const PreviewPicture& picture) override;

private:
    void record(Event::Kind kind, std::string text) { events.push_back({kind, std::move(text)}); }

    std::map<int, std::function<void()>> pumpActions_;
    int pumps_ = 0;
};

}  // namespace skeldra::testing
