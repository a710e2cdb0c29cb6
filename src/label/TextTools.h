// SPDX-License-Identifier: BSD-3-Clause
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

// How deep values and objects of a label may nest. Real labels stay within
// a handful of levels; the bound keeps a hostile label from exhausting the
// stack of the recursive readers (and of the destructors of what they build).
inline constexpr int labelNestingLimit = 64;
inline constexpr const char* tooDeeplyNested = "label too deeply nested";

// Without leading and trailing blanks, tabs and line ends.
std::string trimmed(std::string_view text);
std::string upperTrimmed(std::string_view text);
bool equalsIgnoringCase(std::string_view a, std::string_view b);
bool startsWithIgnoringCase(std::string_view text, std::string_view prefix);

}  // namespace skeldra
