#pragma once
// Errors that end the running operation. what() is the exact text the user
// reads; the front end catches them in one place and shows them in the error box.
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
// Maps an errno value of a failed file call to the system's I/O error code.
int ioCodeFromErrno(int errnoValue);

[[noreturn]] void throwIoError(int code);
[[noreturn]] void throwIoErrorFromErrno(int errnoValue);
[[noreturn]] void throwIntegerOverflow();
[[noreturn]] void throwRangeCheckError();
[[noreturn]] void throwInvalidFloatingPointOperation();
[[noreturn]] void throwFloatingPointDivisionByZero();
[[noreturn]] void throwFloatingPointOverflow();

// The text of the error box: a full stop is appended when the last character
// comes after "." in character-code order (a letter or digit does).
std::string errorBoxText(const std::string& errorText);

}  // namespace skeldra
