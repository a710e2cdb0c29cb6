// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A reader of PDS3 labels in the Object Description Language: statements
// KEY = VALUE, values with units, quoted strings, sets and sequences,
// comments, values continued over lines, OBJECT and GROUP nesting, and END.
//
// Failure: a text that is not ODL raises OdlError naming the line. Reading
// stops at END, so the binary data after an attached label is never parsed.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "label/TextTools.h"

namespace skeldra {

using OdlError = LabelSyntaxError;

struct OdlValue {
    enum class Kind : uint8_t { Integer, Real, Text, Symbol, Sequence, Set };
    Kind kind = Kind::Symbol;
    // Integer: the value; for a based integer (16#FF7FFFFB#) the bit pattern.
    int64_t integer = 0;
    bool based = false;
    long double real = 0;
    // Text: the contents without quotes; Symbol: the word as written;
    // Integer and Real: the number as written.
    std::string text;
    std::string unit;  // the text between < and >, empty without a unit
    std::vector<OdlValue> items;  // Sequence and Set

    bool isNumber() const { return kind == Kind::Integer || kind == Kind::Real; }
    // Text or Symbol contents, upper-cased and trimmed: the word to compare.
    std::string word() const;
};

struct OdlStatement {
    std::string key;  // upper case, "^" kept for pointers
    OdlValue value;
    int line = 0;
};

struct OdlObject {
    std::string kind;  // "OBJECT" or "GROUP"; empty for the whole label
    std::string name;  // upper case
    std::vector<OdlStatement> statements;
    std::vector<OdlObject> children;

    const OdlValue* find(std::string_view key) const;
};

struct OdlLabel {
    OdlObject root;
    // Byte offset just after the line holding END.
    std::size_t endOffset = 0;
};

// Reads a label from the start of `text` up to END (or the end of the text,
// when it contains no END and `requireEnd` is false).
OdlLabel parseOdl(std::string_view text, bool requireEnd = true);

}  // namespace skeldra
