#pragma once
// The batch tool's options: one per box of the window (its text, taken as
// typed) and one per check box or radio button.
#include <map>
#include <string>
#include <vector>

#include "port/Controls.h"

namespace skeldra {

struct BoxOption {
    const char* name;  // without the leading "--"
    Box box;
    const char* help;
};

struct ChoiceOption {
    const char* name;
    Choice choice;
    const char* help;
};

const std::vector<BoxOption>& boxOptions();
const std::vector<ChoiceOption>& choiceOptions();

struct ParsedArguments {
    std::string command;
    std::string inputFile;
    std::string outputFile;                 // -o
    std::vector<std::pair<Box, std::string>> boxTexts;  // in the order given
    std::vector<Choice> choices;            // in the order given
    bool fromLabel = false;
    bool allowOutsideData = false;  // follow label pointers out of the label's folder
    bool help = false;
};

// Throws std::invalid_argument with a message for the user on bad usage.
ParsedArguments parseArguments(const std::vector<std::string>& args);

std::string usageText();

}  // namespace skeldra
