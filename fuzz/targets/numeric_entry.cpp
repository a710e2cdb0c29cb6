// SPDX-License-Identifier: BSD-3-Clause
// The numeric box: any text, any bounds, both input types. The value always
// comes back as a number, a valid entry in range comes back exactly, and
// anything else is reported and substituted.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/Format.h"
#include "support/FuzzWindow.h"
#include "ui/NumericEntry.h"

using namespace skeldra;
using fuzzing::require;

namespace {

bool contains(const std::vector<std::string>& messages, const std::string& start)
{
    for (const auto& m : messages)
        if (m.rfind(start, 0) == 0) return true;
    return false;
}

std::string withPoints(std::string text)
{
    for (char& c : text)
        if (c == ',') c = '.';
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const auto type = input.ConsumeBool() ? TInputType::tInteger : TInputType::tExtended;
    const bool setMin = input.ConsumeBool();
    const bool setMax = input.ConsumeBool();
    const std::string minText = input.ConsumeRandomLengthString(40);
    const std::string maxText = input.ConsumeRandomLengthString(40);
    const std::string text = input.ConsumeRandomLengthString(200);
    const bool askOtherKind = input.ConsumeBool();

    std::vector<std::string> messages;
    NumericEntry entry([&](const std::string& m) { messages.push_back(m); }, type, "0");
    if (setMin) entry.setInputMin(minText);
    if (setMax) entry.setInputMax(maxText);
    const auto min = setMin ? parseReal(minText).value : std::nullopt;
    const auto max = setMax ? parseReal(maxText).value : std::nullopt;
    const bool ranged = min && max;
    messages.clear();

    entry.setText(text);
    const std::string trimmed = TrimBlanksAndTabs(text);
    if (type == TInputType::tInteger) {
        const int32_t value = entry.IntegerValue();
        const auto parsed = parseInteger(trimmed);
        const bool inRange = parsed.value && (!ranged || (*parsed.value >= *min && *parsed.value <= *max));
        if (inRange) {
            require(value == *parsed.value, "a valid integer entry changed: " + text);
            require(messages.empty(), "a valid integer entry was reported: " + text);
        } else {
            require(contains(messages, "Substituting \""), "an invalid integer entry was not substituted");
            if (!parsed.value) require(value == 0, "an unreadable integer entry did not become 0");
        }
        const bool boundsFit = ranged && *min >= INT32_MIN && *max <= INT32_MAX;
        if (boundsFit && *min <= *max && parsed.value)
            require(value >= std::floor(*min) - 1 && value <= std::ceil(*max) + 1,
                    "an integer beyond its bounds came back");
        // What the box prints, it reads back.
        NumericEntry again(nullptr, type, formatInteger(value));
        require(again.IntegerValue() == value, "an integer did not read back: " + formatInteger(value));
    } else {
        const long double value = entry.ExtendedValue();
        require(std::isfinite(value), "a real box gave a value that is not finite: " + text);
        const auto parsed = parseReal(withPoints(trimmed));
        const bool inRange = parsed.value && (!ranged || (*parsed.value >= *min && *parsed.value <= *max));
        if (inRange) {
            require(value == *parsed.value, "a valid real entry changed: " + text);
            require(messages.empty(), "a valid real entry was reported: " + text);
        } else {
            require(contains(messages, "Substituting \""), "an invalid real entry was not substituted");
        }
        if (ranged && *min <= *max && parsed.value)
            require(value >= *min && value <= *max, "a real beyond its bounds came back");
    }
    // Asking a box for the other kind of value is reported, never fatal.
    if (askOtherKind) {
        messages.clear();
        if (type == TInputType::tInteger) {
            require(std::isfinite(entry.ExtendedValue()), "an integer box gave a real that is not finite");
            require(contains(messages, "Requesting extended value"), "the wrong kind was not reported");
        } else {
            entry.IntegerValue();
            require(contains(messages, "Requesting integer value"), "the wrong kind was not reported");
        }
    }
    // A second reading of an unchanged box validates nothing again.
    const size_t reported = messages.size();
    if (type == TInputType::tInteger) entry.IntegerValue();
    else entry.ExtendedValue();
    for (size_t i = reported; i < messages.size(); ++i)
        require(messages[i].rfind("Substituting \"", 0) == 0, "an unchanged box was validated again");
    return 0;
}
