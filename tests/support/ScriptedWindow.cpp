// SPDX-License-Identifier: BSD-3-Clause
#include "support/ScriptedWindow.h"

#include "ui/ControlCatalog.h"

namespace skeldra::testing {

ScriptedWindow::ScriptedWindow() = default;

std::vector<std::string> ScriptedWindow::eventTexts(Event::Kind kind) const
{
    std::vector<std::string> texts;
    for (const Event& event : events)
        if (event.kind == kind) texts.push_back(event.text);
    return texts;
}

void ScriptedWindow::appendLog(const std::string& line)
{
    HeadlessWindow::appendLog(line);
    record(Event::Kind::Log, line);
}

void ScriptedWindow::clearLog()
{
    HeadlessWindow::clearLog();
    record(Event::Kind::Log, "<clear>");
}

void ScriptedWindow::showMessage(const std::string& text)
{
    HeadlessWindow::showMessage(text);
    record(Event::Kind::Message, text);
}

void ScriptedWindow::showError(const std::string& text)
{
    HeadlessWindow::showError(text);
    record(Event::Kind::Error, text);
}

bool ScriptedWindow::askYesNo(const std::string& question)
{
    record(Event::Kind::Question, question);
    return HeadlessWindow::askYesNo(question);
}

void ScriptedWindow::setBoxText(Box box, const std::string& text)
{
    HeadlessWindow::setBoxText(box, text);
    record(Event::Kind::BoxText, boxSpec(box).objectName + "=" + text);
}

void ScriptedWindow::setBoxVisible(Box box, bool visible)
{
    HeadlessWindow::setBoxVisible(box, visible);
    record(Event::Kind::BoxVisible, boxSpec(box).objectName + (visible ? " shown" : " hidden"));
}

void ScriptedWindow::check(Choice choice)
{
    HeadlessWindow::check(choice);
    record(Event::Kind::Check, choiceSpec(choice).objectName);
}

void ScriptedWindow::setChecked(Choice choice, bool checked)
{
    // Radio buttons come back through check(), which records them.
    HeadlessWindow::setChecked(choice, checked);
    if (choiceSpec(choice).group == ChoiceGroup::None)
        record(Event::Kind::Check, choiceSpec(choice).objectName + (checked ? "" : " unchecked"));
}

void ScriptedWindow::setBandGroupHeight(int pixels)
{
    HeadlessWindow::setBandGroupHeight(pixels);
    record(Event::Kind::GroupHeight, std::to_string(pixels));
}

void ScriptedWindow::beep()
{
    HeadlessWindow::beep();
    record(Event::Kind::Beep, "");
}

void ScriptedWindow::setProgressMaximum(int64_t maximum)
{
    HeadlessWindow::setProgressMaximum(maximum);
    record(Event::Kind::ProgressMax, std::to_string(maximum));
}

void ScriptedWindow::setProgressPosition(int64_t position)
{
    HeadlessWindow::setProgressPosition(position);
    record(Event::Kind::ProgressPosition, std::to_string(position));
}

void ScriptedWindow::setProgressVisible(bool visible)
{
    HeadlessWindow::setProgressVisible(visible);
    record(Event::Kind::ProgressVisible, visible ? "shown" : "hidden");
}

void ScriptedWindow::setAbortVisible(bool visible)
{
    HeadlessWindow::setAbortVisible(visible);
    record(Event::Kind::AbortVisible, visible ? "shown" : "hidden");
}

void ScriptedWindow::processEvents()
{
    ++pumps_;
    const auto action = pumpActions_.find(pumps_);
    if (action != pumpActions_.end()) action->second();
}

PumpPolicy ScriptedWindow::pumpPolicy() const
{
    if (!pumpEverySample) return HeadlessWindow::pumpPolicy();
    return {1, std::chrono::hours(1)};
}

void ScriptedWindow::setBusyPointer(bool busy)
{
    HeadlessWindow::setBusyPointer(busy);
    record(Event::Kind::Busy, busy ? "on" : "off");
}

void ScriptedWindow::showPreview(const PreviewPicture& picture)
{
    HeadlessWindow::showPreview(picture);
    record(Event::Kind::Preview, std::to_string(picture.Width) + "x" + std::to_string(picture.Height));
}

}  // namespace skeldra::testing
