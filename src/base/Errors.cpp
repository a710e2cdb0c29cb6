// SPDX-License-Identifier: BSD-3-Clause
#include "base/Errors.h"

#include <cerrno>

namespace skeldra {

std::string ioErrorText(int code)
{
    switch (code) {
    case io::FileNotFound: return "File not found";
    case io::InvalidFilename: return "Invalid filename";
    case io::TooManyOpenFiles: return "Too many open files";
    case io::FileAccessDenied: return "File access denied";
    case io::ReadBeyondEndOfFile: return "Read beyond end of file";
    case io::DiskFull: return "Disk full";
    case io::InvalidNumericInput: return "Invalid numeric input";
    default: return "I/O error " + std::to_string(code);
    }
}

std::optional<int> ioCodeFromErrno(int errnoValue, FileCall call)
{
    switch (errnoValue) {
    case ENOENT: return io::FileNotFound;
    case EINVAL:
        if (call == FileCall::Name) return io::InvalidFilename;
        return std::nullopt;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return io::InvalidFilename;
    case EMFILE:
    case ENFILE: return io::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return io::FileAccessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return io::DiskFull;
    default: return std::nullopt;
    }
}

std::string ioErrorTextFromErrno(int errnoValue, FileCall call)
{
    const std::optional<int> code = ioCodeFromErrno(errnoValue, call);
    return code ? ioErrorText(*code) : "I/O error " + std::to_string(errnoValue);
}

void throwIoError(int code) { throw Error(ioErrorText(code)); }
void throwIoErrorFromErrno(int errnoValue, FileCall call) { throw Error(ioErrorTextFromErrno(errnoValue, call)); }
void throwIntegerOverflow() { throw Error(text::IntegerOverflow); }
void throwRangeCheckError() { throw Error(text::RangeCheckError); }
void throwInvalidFloatingPointOperation() { throw Error(text::InvalidFloatingPointOperation); }
void throwFloatingPointDivisionByZero() { throw Error(text::FloatingPointDivisionByZero); }
void throwFloatingPointOverflow() { throw Error(text::FloatingPointOverflow); }

std::string errorBoxText(const std::string& errorText)
{
    if (!errorText.empty() && static_cast<unsigned char>(errorText.back()) > '.')
        return errorText + ".";
    return errorText;
}

}  // namespace skeldra
