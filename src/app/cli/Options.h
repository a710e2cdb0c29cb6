// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The batch tool's options: one per box of the window (its text, taken as
// typed) and one per check box or radio button, plus the tool's own
// (-o, --from-label, ...). Each table entry is an option and its help line.
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "port/Controls.h"
#include "port/FormState.h"

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
// The kinds of convert's --format, each a radio button of the output kind.
const std::vector<ChoiceOption>& formatOptions();
// The kinds of --format, each a radio button of the output kind.
const std::vector<ChoiceOption>& formatOptions();

struct ParsedArguments {
    std::string command;
    std::vector<std::string> inputFiles;
    std::string outputFile;                             // -o
    std::vector<std::pair<Box, std::string>> boxTexts;  // in the order given
    std::vector<Choice> choices;                        // in the order given
    std::string layoutKind;                             // --as: vrt, envi or pds3 (describe)
    bool fromLabel = false;
    LabelImageChoice labelImage;  // --hdu, --object
    bool allowOutsideData = false;  // follow label pointers out of the label's folder
    int jobs = 0;                   // files processed at once; 0 for one per core
    bool json = false;              // one JSON object per file instead of the log
    std::string top = "5";          // guess: how many candidates
    std::string rgb;                // --rgb R,G,B as typed; parsed into boxTexts and choices
    std::string histogramFile;      // stats: where the histogram picture goes (PNG)
    bool histogramLog = false;      // stats: the picture's counts on a log scale
    bool help = false;
    bool version = false;
};

// Bad usage; the message is for the user.
class UsageError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Throws UsageError. With --help, the rest is not checked.
ParsedArguments parseArguments(const std::vector<std::string>& args);

std::string helpText();
// "skeldra-cli VERSION", the first line help2man reads.
std::string versionText();
// The first line of the help, shown after a usage error.
std::string usageLine();

}  // namespace skeldra
