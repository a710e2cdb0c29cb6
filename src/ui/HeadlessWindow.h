// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The main window without a screen: real numeric boxes (NumericEntry) with
// the window's defaults, check boxes and radio buttons, and plain state for
// everything shown. The batch tool and the tests' scripted window build on it
// and override what they show or record.
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "port/WindowPort.h"
#include "ui/NumericEntry.h"

namespace skeldra {

class HeadlessWindow : public WindowPort {
public:
    HeadlessWindow();

    NumericEntry& entry(Box box) { return *boxes_[index(box)]; }

    int32_t IntegerValue(Box box) override { return entry(box).IntegerValue(); }
    long double ExtendedValue(Box box) override { return entry(box).ExtendedValue(); }
    std::string boxText(Box box) override { return entry(box).text(); }
    void setBoxText(Box box, const std::string& text) override { entry(box).setText(text); }
    void setBoxVisible(Box box, bool visible) override { boxVisible_[index(box)] = visible; }
    bool boxAcceptsQuietly(Box box) override { return entry(box).acceptsQuietly(); }
    bool isBoxVisible(Box box) const { return boxVisible_[index(box)]; }

    bool isChecked(Choice choice) override { return checked_[index(choice)]; }
    void check(Choice choice) override;
    void setChecked(Choice choice, bool checked) override;
    void setBandGroupHeight(int pixels) override { bandGroupHeight_ = pixels; }
    int bandGroupHeight() const { return bandGroupHeight_; }

    void appendLog(const std::string& line) override { log_.push_back(line); }
    void clearLog() override { log_.clear(); }
    const std::vector<std::string>& log() const { return log_; }
    void showMessage(const std::string& text) override { messages_.push_back(text); }
    void showError(const std::string& text) override { errors_.push_back(text); }
    const std::vector<std::string>& messages() const { return messages_; }
    // Questions are recorded and answered with yesNoAnswer (No unless set).
    bool yesNoAnswer = false;
    bool askYesNo(const std::string& question) override
    {
        questions_.push_back(question);
        return yesNoAnswer;
    }
    const std::vector<std::string>& questions() const { return questions_; }
    const std::vector<std::string>& errors() const { return errors_; }
    void beep() override { ++beeps_; }
    int beeps() const { return beeps_; }
    void showInputFilenameLabel(const std::string& path) override { filenameLabel_ = path; }
    const std::string& filenameLabel() const { return filenameLabel_; }

    void setProgressMaximum(int64_t maximum) override { progressMaximum_ = maximum; }
    void setProgressPosition(int64_t position) override { progressPosition_ = position; }
    void setProgressVisible(bool visible) override { progressVisible_ = visible; }
    void setAbortVisible(bool visible) override { abortVisible_ = visible; }
    bool progressVisible() const { return progressVisible_; }
    bool abortVisible() const { return abortVisible_; }
    int64_t progressMaximum() const { return progressMaximum_; }
    int64_t progressPosition() const { return progressPosition_; }
    void processEvents() override {}

    // The dialogs answer with what was set here; nothing set means "cancel".
    std::optional<std::string> openDialogAnswer;
    std::optional<std::string> saveDialogAnswer;
    std::optional<std::string> askOpenFileName(const std::string& proposed) override;
    std::optional<std::string> askSaveFileName(const std::string& proposed) override;
    const std::string& lastSaveProposal() const { return lastSaveProposal_; }
    // Find Layout's list is kept and answered with candidateAnswer (Cancel unless set).
    std::optional<size_t> candidateAnswer;
    std::optional<size_t> chooseCandidate(const std::string& verdict,
                                          const std::vector<CandidateView>& candidates) override;
    const std::vector<CandidateView>& candidatesShown() const { return candidatesShown_; }

    void setBusyPointer(bool busy) override { busy_ = busy; }
    bool busyPointer() const { return busy_; }
    void showPreview(const PreviewPicture& picture) override { preview_ = picture; }
    const std::optional<PreviewPicture>& preview() const { return preview_; }

private:
    static size_t index(Box box) { return static_cast<size_t>(box); }
    static size_t index(Choice choice) { return static_cast<size_t>(choice); }

    std::array<std::unique_ptr<NumericEntry>, boxCount> boxes_;
    std::array<bool, boxCount> boxVisible_{};
    std::array<bool, choiceCount> checked_{};
    int bandGroupHeight_ = 100;
    std::vector<std::string> log_;
    std::vector<std::string> messages_;
    std::vector<std::string> errors_;
    std::vector<std::string> questions_;
    int beeps_ = 0;
    std::string filenameLabel_;
    int64_t progressMaximum_ = 100;
    int64_t progressPosition_ = 0;
    bool progressVisible_ = true;
    bool abortVisible_ = true;
    std::string lastSaveProposal_;
    std::vector<CandidateView> candidatesShown_;
    bool busy_ = false;
    std::optional<PreviewPicture> preview_;
};

}  // namespace skeldra
