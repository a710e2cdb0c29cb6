// SPDX-License-Identifier: BSD-3-Clause
#include "base/Errors.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace skeldra {
namespace {

TEST(Errors, IoErrorTextOfEveryCode)
{
    struct Row {
        int code;
        const char* text;
    };
    const Row rows[] = {
        {2, "File not found"},         {3, "Invalid filename"},
        {4, "Too many open files"},    {5, "File access denied"},
        {100, "Read beyond end of file"}, {101, "Disk full"},
        {106, "Invalid numeric input"}, {7, "I/O error 7"},
        {131, "I/O error 131"},        {0, "I/O error 0"},
        {-1, "I/O error -1"},
    };
    for (const Row& row : rows) EXPECT_EQ(ioErrorText(row.code), row.text);
}

TEST(Errors, ErrnoGivesTheCauseItMeansOrItsOwnNumber)
{
    struct Row {
        int errnoValue;
        FileCall call;
        std::string text;
    };
    const Row rows[] = {
        {ENOENT, FileCall::Name, "File not found"},
        {ENOTDIR, FileCall::Name, "Invalid filename"},
        {ENAMETOOLONG, FileCall::Name, "Invalid filename"},
        {EINVAL, FileCall::Name, "Invalid filename"},
        // An invalid argument to a read or write says nothing about a name.
        {EINVAL, FileCall::Data, "I/O error " + std::to_string(EINVAL)},
        {EMFILE, FileCall::Name, "Too many open files"},
        {ENFILE, FileCall::Name, "Too many open files"},
        {EACCES, FileCall::Name, "File access denied"},
        {EPERM, FileCall::Name, "File access denied"},
        {EISDIR, FileCall::Name, "File access denied"},
        {EROFS, FileCall::Data, "File access denied"},
        {ENOSPC, FileCall::Data, "Disk full"},
        {EDQUOT, FileCall::Data, "Disk full"},
        {EFBIG, FileCall::Data, "Disk full"},
        // Errno values whose numbers are codes of other causes are never read as those.
        {EIO, FileCall::Data, "I/O error " + std::to_string(EIO)},
        {EINTR, FileCall::Data, "I/O error " + std::to_string(EINTR)},
        {ESPIPE, FileCall::Data, "I/O error " + std::to_string(ESPIPE)},
        {ENETDOWN, FileCall::Data, "I/O error " + std::to_string(ENETDOWN)},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ioErrorTextFromErrno(row.errnoValue, row.call), row.text) << row.errnoValue;
        try {
            throwIoErrorFromErrno(row.errnoValue, row.call);
            ADD_FAILURE() << "no exception for " << row.errnoValue;
        } catch (const Error& e) {
            EXPECT_EQ(e.what(), row.text);
        }
    }
}

TEST(Errors, ErrorBoxAppendsAFullStopAfterCharactersBeyondThePoint)
{
    struct Row {
        const char* text;
        const char* box;
    };
    const Row rows[] = {
        {"File not found", "File not found."},
        {"I/O error 7", "I/O error 7."},
        {"Integer overflow", "Integer overflow."},
        {"Ends with a point.", "Ends with a point."},
        {"Closed (here)", "Closed (here)"},
        {"Stop!", "Stop!"},
        {"Trailing blank ", "Trailing blank "},
        {"a/", "a/."},  // "/" comes right after "." in character-code order
        {"-", "-"},     // and "-" right before it
        {"", ""},
    };
    for (const Row& row : rows) EXPECT_EQ(errorBoxText(row.text), row.box);
}

}  // namespace
}  // namespace skeldra
