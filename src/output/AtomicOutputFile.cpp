#include "output/AtomicOutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "base/Errors.h"

namespace skeldra {
namespace {

// Creating a file in a folder that does not exist is the "path not found"
// code of the system, whose text is "Invalid filename".
[[noreturn]] void throwCreateError(int errnoValue)
{
    if (errnoValue == ENOENT) throwIoError(io::InvalidFilename);
    throwIoErrorFromErrno(errnoValue);
}

std::string temporaryName(const std::string& target, int attempt)
{
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path path(target);
    const std::string folder = path.parent_path().string();
    // Kept short enough that the longest allowed target name still gives a valid name.
    const std::string name = "." + path.filename().string().substr(0, 200) + ".skeldra-" + std::to_string(::getpid()) +
                             "-" + std::to_string(counter++) + "-" + std::to_string(attempt) + ".tmp";
    return folder.empty() ? name : folder + "/" + name;
}

void writeAll(int fd, const uint8_t* data, size_t n, int64_t position)
{
    while (n > 0) {
        const ssize_t written = ::pwrite(fd, data, n, static_cast<off_t>(position));
        if (written < 0) {
            if (errno == EINTR) continue;
            throwIoErrorFromErrno(errno);
        }
        data += written;
        n -= static_cast<size_t>(written);
        position += written;
    }
}

}  // namespace

void checkNotInputFile(const std::string& inputPath, const std::string& outputPath)
{
    std::error_code error;
    if (inputPath == outputPath || std::filesystem::equivalent(inputPath, outputPath, error))
        throw Error("The output file must not be the input file");
}

AtomicOutputFile::AtomicOutputFile(const std::string& target) : target_(target)
{
    if (target.empty()) throwIoError(io::FileNotFound);
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) throwIoError(io::FileAccessDenied);
        if (::access(target.c_str(), W_OK) != 0) throwIoErrorFromErrno(errno);
        direct_ = S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode);
    }
    if (direct_) {
        fd_ = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd_ < 0) throwIoErrorFromErrno(errno);
    }
    for (int attempt = 0; fd_ < 0; ++attempt) {
        temporary_ = temporaryName(target, attempt);
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && (errno != EEXIST || attempt >= 100)) throwCreateError(errno);
    }
    buffer_ = makePageBuffer<uint8_t>(bufferBytes);
}

AtomicOutputFile::~AtomicOutputFile() { discard(); }

void AtomicOutputFile::discard()
{
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
    if (!direct_) ::unlink(temporary_.c_str());
}

void AtomicOutputFile::flush()
{
    writeAll(fd_, buffer_.get(), used_, flushed_);
    flushed_ += static_cast<int64_t>(used_);
    used_ = 0;
}

void AtomicOutputFile::write(const uint8_t* data, size_t n)
{
    if (n >= bufferBytes) {
        flush();
        writeAll(fd_, data, n, flushed_);
        flushed_ += static_cast<int64_t>(n);
        return;
    }
    if (used_ + n > bufferBytes) flush();
    std::copy(data, data + n, buffer_.get() + used_);
    used_ += n;
}

uint8_t* AtomicOutputFile::append(size_t n)
{
    if (used_ + n > bufferBytes) flush();
    uint8_t* room = buffer_.get() + used_;
    used_ += n;
    return room;
}

void AtomicOutputFile::overwrite(int64_t position, const std::vector<uint8_t>& bytes)
{
    flush();
    writeAll(fd_, bytes.data(), bytes.size(), position);
}

void AtomicOutputFile::truncate(int64_t newSize)
{
    flush();
    if (!direct_ && ::ftruncate(fd_, static_cast<off_t>(newSize)) != 0) throwIoErrorFromErrno(errno);
    flushed_ = newSize;
}

void AtomicOutputFile::commit()
{
    flush();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        if (!direct_) ::unlink(temporary_.c_str());
        throwIoErrorFromErrno(error);
    }
    if (direct_) return;
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary_.c_str());
        throwIoErrorFromErrno(error);
    }
}

}  // namespace skeldra
