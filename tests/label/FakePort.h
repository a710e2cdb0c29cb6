// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A window port that keeps box texts and button states in maps and records
// every change and log line, for the Layout from Label tests.
#include <map>
#include <string>
#include <vector>

#include "port/WindowPort.h"

namespace skeldra::testing {

class FakePort : public WindowPort {
public:
    std::map<Box, std::string> texts;
    std::map<Choice, bool> checked;
    std::vector<std::string> log;
    int changes = 0;  // box texts set and buttons checked
    std::string shownInputFilename;

    bool has(Box box) const { return texts.count(box) != 0; }
    std::string text(Box box) const { return has(box) ? texts.at(box) : std::string(); }
    bool isOn(Choice choice) const { return checked.count(choice) != 0 && checked.at(choice); }

    int32_t IntegerValue(Box box) override { return std::stoi(text(box)); }
    long double ExtendedValue(Box box) override { return std::stold(text(box)); }
    std::string boxText(Box box) override { return text(box); }
    void setBoxText(Box box, const std::string& value) override
    {
        texts[box] = value;
        ++changes;
    }
    void setBoxVisible(Box, bool) override {}
    bool boxAcceptsQuietly(Box box) override { return has(box); }

    bool isChecked(Choice choice) override { return isOn(choice); }
    void check(Choice choice) override
    {
        for (const auto& group : groups())
            for (const Choice member : group)
                if (member == choice)
                    for (const Choice other : group) checked[other] = false;
        checked[choice] = true;
        ++changes;
    }
    void setChecked(Choice choice, bool on) override
    {
        if (on) {
            check(choice);
            return;
        }
        checked[choice] = false;
        ++changes;
    }
    void setBandGroupHeight(int) override {}

    void appendLog(const std::string& line) override { log.push_back(line); }
    void clearLog() override { log.clear(); }
    void showMessage(const std::string& message) override { log.push_back("message: " + message); }
    void showError(const std::string& message) override { log.push_back("error: " + message); }
    // Questions go into the log; the answer is yesNoAnswer.
    bool yesNoAnswer = false;
    bool askYesNo(const std::string& question) override
    {
        log.push_back("question: " + question);
        return yesNoAnswer;
    }
    void beep() override {}
    void showInputFilenameLabel(const std::string& path) override { shownInputFilename = path; }

    void setProgressMaximum(int64_t) override {}
    void setProgressPosition(int64_t) override {}
    void setProgressVisible(bool) override {}
    void setAbortVisible(bool) override {}
    void processEvents() override {}
    std::optional<std::string> askOpenFileName(const std::string&) override { return std::nullopt; }
    std::optional<std::string> askSaveFileName(const std::string&) override { return std::nullopt; }
    std::optional<size_t> chooseCandidate(const std::string&, const std::vector<CandidateView>&) override
    {
        return std::nullopt;
    }
    // The list of a label's images: logged; the answer is imageAnswer.
    std::optional<size_t> imageAnswer = 0;
    std::optional<size_t> chooseLabelImage(const std::string& question, const std::vector<std::string>& images) override
    {
        std::string list;
        for (const std::string& image : images) list += " [" + image + "]";
        log.push_back("choice: " + question + list);
        return imageAnswer;
    }
    void setBusyPointer(bool) override {}
    void showPreview(const PreviewPicture&) override {}

private:
    static std::vector<std::vector<Choice>> groups()
    {
        return {{Choice::UnsignedInteger, Choice::SignedInteger, Choice::Real},
                {Choice::NoBands, Choice::BIL, Choice::BIP, Choice::BSQ},
                {Choice::BMPOutput, Choice::TextOutput, Choice::PNGOutput, Choice::PNG16Output, Choice::TIFFOutput}};
    }
};

}  // namespace skeldra::testing
