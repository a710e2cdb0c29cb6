// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Errors that end the running operation. what() is the exact text the user
// reads; the front end catches them in one place and shows them in the error box.
#include <optional>
#include <stdexcept>
#include <string>

namespace skeldra {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace text {
inline constexpr const char* IntegerOverflow = "Integer overflow";
inline constexpr const char* RangeCheckError = "Range check error";
inline constexpr const char* InvalidFloatingPointOperation = "Invalid floating point operation";
inline constexpr const char* FloatingPointDivisionByZero = "Floating point division by zero";
inline constexpr const char* FloatingPointOverflow = "Floating point overflow";
}  // namespace text

// I/O error codes of the system; each has its own text (ioErrorText).
namespace io {
inline constexpr int FileNotFound = 2;
inline constexpr int InvalidFilename = 3;
inline constexpr int TooManyOpenFiles = 4;
inline constexpr int FileAccessDenied = 5;
inline constexpr int NegativeSeek = 131;
inline constexpr int ReadBeyondEndOfFile = 100;
inline constexpr int DiskFull = 101;
inline constexpr int InvalidNumericInput = 106;
}  // namespace io

std::string ioErrorText(int code);

// What a failed file call worked on: a name (open, stat, rename) or the data
// of an open file (read, write, seek, close). EINVAL means a bad name only
// for the first.
enum class FileCall { Name, Data };

// The system's I/O error code of an errno value that means one of its causes;
// empty for every other errno, which is shown as itself ("I/O error 5" for EIO).
std::optional<int> ioCodeFromErrno(int errnoValue, FileCall call = FileCall::Data);
// The text of a failed file call: the cause's text, or "I/O error <errno>".
std::string ioErrorTextFromErrno(int errnoValue, FileCall call = FileCall::Data);

[[noreturn]] void throwIoError(int code);
[[noreturn]] void throwIoErrorFromErrno(int errnoValue, FileCall call = FileCall::Data);
[[noreturn]] void throwIntegerOverflow();
[[noreturn]] void throwRangeCheckError();
[[noreturn]] void throwInvalidFloatingPointOperation();
[[noreturn]] void throwFloatingPointDivisionByZero();
[[noreturn]] void throwFloatingPointOverflow();

// The text of the error box: a full stop is appended when the last character
// comes after "." in character-code order (a letter or digit does).
std::string errorBoxText(const std::string& errorText);

}  // namespace skeldra
