#pragma once
// Small text helpers shared by the label readers.
#include <stdexcept>
#include <string>
#include <string_view>

namespace skeldra {

// A label that does not follow its format's syntax; the text says where.
class LabelSyntaxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Without leading and trailing blanks, tabs and line ends.
std::string trimmed(std::string_view text);
std::string upperTrimmed(std::string_view text);
bool equalsIgnoringCase(std::string_view a, std::string_view b);
bool startsWithIgnoringCase(std::string_view text, std::string_view prefix);

}  // namespace skeldra
