// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// UTF-8 checks for names that go into other formats (XML, JSON), which can
// carry only valid UTF-8, while file names on disk are any bytes but "/" and NUL.
#include <string>
#include <string_view>

namespace skeldra {

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, no
// surrogates, nothing beyond U+10FFFF.
bool isValidUtf8(std::string_view text);

// Whether the text holds a C0 control character or DEL.
bool hasControlCharacter(std::string_view text);

// The bytes of a name as printable ASCII: "\\" for a backslash, "\xHH" for
// any byte outside 0x20..0x7E; reversible, so two names never look alike.
std::string escapedBytes(std::string_view text);

}  // namespace skeldra
