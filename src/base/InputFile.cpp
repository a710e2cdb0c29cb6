// SPDX-License-Identifier: BSD-3-Clause
#include "base/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/Errors.h"

namespace skeldra {
namespace {

const char* kindOf(mode_t mode)
{
    if (S_ISFIFO(mode)) return "a FIFO (named pipe)";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

}  // namespace

InputFile::InputFile(const std::string& path)
{
    if (path.empty()) throwIoError(io::FileNotFound);
    // Without O_NONBLOCK, opening a FIFO waits for a writer.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) throwIoErrorFromErrno(errno, FileCall::Name);
    struct stat info {};
    int error = ::fstat(fd_, &info) != 0 ? errno : 0;
    if (error == 0 && S_ISDIR(info.st_mode)) error = EISDIR;
    if (error == 0 && !S_ISREG(info.st_mode) && !S_ISBLK(info.st_mode)) {
        ::close(fd_);
        throw Error(path + " is " + kindOf(info.st_mode) + ", not a file that can be read");
    }
    const int flags = error == 0 ? ::fcntl(fd_, F_GETFL) : 0;
    if (error == 0 && (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0)) error = errno;
    size_ = info.st_size;
    if (error == 0 && S_ISBLK(info.st_mode)) {
        const off_t end = ::lseek(fd_, 0, SEEK_END);
        if (end < 0) error = errno;
        size_ = end;
    }
    if (error != 0) {
        ::close(fd_);
        throwIoErrorFromErrno(error);
    }
}

size_t InputFile::readAt(int64_t position, uint8_t* destination, size_t wanted) const
{
    size_t got = 0;
    while (got < wanted) {
        const ssize_t r = ::pread(fd_, destination + got, wanted - got, static_cast<off_t>(position + static_cast<int64_t>(got)));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) throwIoErrorFromErrno(errno);
        if (r == 0) break;
        got += static_cast<size_t>(r);
    }
    return got;
}

InputFile::~InputFile()
{
    if (fd_ >= 0) ::close(fd_);
}

void InputFile::close()
{
    if (fd_ < 0) return;
    const int result = ::close(fd_);
    fd_ = -1;
    if (result != 0) throwIoErrorFromErrno(errno);
}

}  // namespace skeldra
