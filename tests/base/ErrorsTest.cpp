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

TEST(Errors, ThrownIoErrorCarriesTheText)
{
    try {
        throwIoErrorFromErrno(ENOENT);
        FAIL() << "no exception";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "File not found");
    }
    EXPECT_EQ(ioCodeFromErrno(EACCES), io::FileAccessDenied);
    EXPECT_EQ(ioCodeFromErrno(ENOSPC), io::DiskFull);
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
