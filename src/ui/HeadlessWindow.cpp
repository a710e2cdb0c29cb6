// SPDX-License-Identifier: BSD-3-Clause
#include "ui/HeadlessWindow.h"

#include "ui/ControlCatalog.h"

namespace skeldra {

HeadlessWindow::HeadlessWindow()
{
    for (int i = 0; i < boxCount; ++i) {
        const BoxSpec& described = boxSpec(static_cast<Box>(i));
        auto entry = std::make_unique<NumericEntry>(
            [this](const std::string& text) { showMessage(text); }, described.inputType, described.defaultText);
        if (!described.inputMin.empty()) entry->setInputMin(described.inputMin);
        if (!described.inputMax.empty()) entry->setInputMax(described.inputMax);
        boxes_[static_cast<size_t>(i)] = std::move(entry);
        boxVisible_[static_cast<size_t>(i)] = true;
    }
    for (int i = 0; i < choiceCount; ++i)
        checked_[static_cast<size_t>(i)] = choiceSpec(static_cast<Choice>(i)).checkedByDefault;
}

void HeadlessWindow::check(Choice choice)
{
    const ChoiceGroup group = choiceSpec(choice).group;
    if (group != ChoiceGroup::None)
        for (int i = 0; i < choiceCount; ++i)
            if (choiceSpec(static_cast<Choice>(i)).group == group) checked_[static_cast<size_t>(i)] = false;
    checked_[index(choice)] = true;
}

void HeadlessWindow::setChecked(Choice choice, bool checked)
{
    if (choiceSpec(choice).group != ChoiceGroup::None) {
        if (checked) check(choice);
        return;
    }
    checked_[index(choice)] = checked;
}

std::optional<std::string> HeadlessWindow::askOpenFileName(const std::string&)
{
    return openDialogAnswer;
}

std::optional<std::string> HeadlessWindow::askSaveFileName(const std::string& proposed)
{
    lastSaveProposal_ = proposed;
    return saveDialogAnswer;
}

std::optional<size_t> HeadlessWindow::chooseCandidate(const std::string&,
                                                      const std::vector<CandidateView>& candidates)
{
    candidatesShown_ = candidates;
    return candidateAnswer;
}

}  // namespace skeldra
