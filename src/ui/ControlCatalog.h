// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The controls of the main window: object names, captions, defaults, input
// types, bounds and hints. One table that the Qt window and the headless
// window both build from.
#include <string>
#include <vector>

#include "port/Controls.h"
#include "ui/NumericEntry.h"

namespace skeldra {

struct BoxSpec {
    Box box;
    std::string objectName;   // e.g. "HeaderBytes_LabeledNumericEdit"
    std::string caption;      // Item_Label; may be empty
    std::string defaultText;
    TInputType inputType;
    std::string inputMin;     // empty: not set
    std::string inputMax;
    std::string hint;         // of the whole box
    std::string captionHint;  // own hint of Item_Label, empty when it has none
    std::string editHint;     // own hint of the edit field, empty when it has none
    bool boldRedCaption = false;
    int editWidth = 47;       // pixels
};

enum class ChoiceGroup { None, DataFormat, BandStructure, OutputKind };

struct ChoiceSpec {
    Choice choice;
    std::string objectName;   // e.g. "ReverseBytes_CheckBox"
    std::string caption;
    bool checkedByDefault = false;
    std::string hint;
    ChoiceGroup group = ChoiceGroup::None;  // None: a check box
};

// Buttons, group boxes, the label, the progress bar and the log.
struct ControlSpec {
    std::string objectName;
    std::string caption;
    std::string hint;
};

const BoxSpec& boxSpec(Box box);
const ChoiceSpec& choiceSpec(Choice choice);
// All the other named controls, in no particular order; look up by name.
const std::vector<ControlSpec>& otherControls();
const ControlSpec& controlSpec(const std::string& objectName);

}  // namespace skeldra
