// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The logic of one numeric box, without any toolkit: the text, lazy
// validation, the integer and real syntax, the bounds and the substitution
// messages. The Qt TNumericEdit and the headless window both hold one.
//
// Failure: nothing throws. Every problem is reported through the message
// sink, and IntegerValue/ExtendedValue always return a number.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace skeldra {

enum class TInputType : int { tInteger = 0, tExtended = 1 };

class NumericEntry {
public:
    using MessageSink = std::function<void(const std::string&)>;

    explicit NumericEntry(MessageSink sink, TInputType type = TInputType::tExtended,
                          std::string text = "0");

    const std::string& text() const { return text_; }
    // Every change of the text clears the validation state; setting the same
    // text again is no change.
    void setText(const std::string& text);

    TInputType InputType() const { return inputType_; }
    void setInputType(TInputType type) { inputType_ = type; }

    const std::string& InputMin() const { return inputMin_; }
    const std::string& InputMax() const { return inputMax_; }
    // Parsed at once; an invalid text keeps the old one and shows a message.
    void setInputMin(const std::string& text);
    void setInputMax(const std::string& text);

    int32_t IntegerValue();
    long double ExtendedValue();

    // Exposed for tests and for the Qt box, which mirrors the edit control.
    bool entryValidated() const { return entryValidated_; }

    // Whether reading the value now would neither show a message nor change
    // the text (trimming included), so that a trial run never interrupts typing.
    bool acceptsQuietly() const;

private:
    struct Validation {
        bool valid = true;
        std::optional<int32_t> integer;        // set for integer boxes
        std::optional<long double> extended;   // set for real boxes
        std::string problem;                   // the message, empty when valid
    };
    Validation validate(const std::string& text) const;
    void ValidateEntry();
    void message(const std::string& text) const;

    MessageSink sink_;
    TInputType inputType_;
    std::string text_;
    std::string inputMin_;
    std::string inputMax_;
    bool entryValidated_ = false;
    bool entryValid_ = false;
    int32_t integerResult_ = 0;
    long double extendedResult_ = 0;
    long double minValue_ = 0;
    long double maxValue_ = 0;
    bool minValid_ = false;
    bool maxValid_ = false;
};

// Removes trailing blanks and tabs, then leading ones while two or more
// characters remain.
std::string TrimBlanksAndTabs(std::string text);

// The syntaxes of the boxes. On failure the result holds the 1-based error
// position instead of a value.
struct IntegerParse {
    std::optional<int32_t> value;
    int errorPosition = 0;
};
struct RealParse {
    std::optional<long double> value;
    int errorPosition = 0;
};
IntegerParse parseInteger(const std::string& text);
RealParse parseReal(const std::string& text);

}  // namespace skeldra
