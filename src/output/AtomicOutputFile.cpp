// SPDX-License-Identifier: BSD-3-Clause
#include "output/AtomicOutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "base/Errors.h"

namespace skeldra {
namespace {

// Read once at start-up, before any thread exists: umask() can only be read by setting it.
const mode_t processUmask = [] {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}();

// Creating a file in a folder that does not exist is the "path not found"
// code of the system, whose text is "Invalid filename".
[[noreturn]] void throwCreateError(int errnoValue)
{
    if (errnoValue == ENOENT) throwIoError(io::InvalidFilename);
    throwIoErrorFromErrno(errnoValue, FileCall::Name);
}

// The file a chain of symbolic links at `path` leads to, which need not exist yet.
std::string followLinks(std::string path)
{
    namespace fs = std::filesystem;
    for (int hops = 0; hops < 40; ++hops) {  // the system's own limit
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
        const fs::path link = fs::read_symlink(path, error);
        if (error) throwIoErrorFromErrno(error.value(), FileCall::Name);
        path = link.is_absolute() ? link.string() : (fs::path(path).parent_path() / link).string();
    }
    throwIoErrorFromErrno(ELOOP, FileCall::Name);
}

std::string folderPrefix(const std::string& target)
{
    const std::string folder = std::filesystem::path(target).parent_path().string();
    return folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

// A hidden name beside the target that says whose it is, cut so that it is
// no longer than the folder's names and the system's paths allow; empty when
// the target's own name leaves too little room for it.
std::string temporaryName(const std::string& target, int attempt)
{
    static std::atomic<unsigned> counter{0};
    const std::string prefix = folderPrefix(target);
    const long nameMax = ::pathconf(prefix.empty() ? "." : prefix.c_str(), _PC_NAME_MAX);
    const std::string suffix = ".skeldra-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
                               std::to_string(attempt) + ".tmp";
    const auto fixed = static_cast<long>(1 + suffix.size());
    const long room = std::min(nameMax > 0 ? nameMax - fixed : 255 - fixed,
                               PATH_MAX - 1 - static_cast<long>(prefix.size()) - fixed);
    if (room < 0) return {};
    const std::string name = std::filesystem::path(target).filename().string();
    return prefix + "." + name.substr(0, static_cast<size_t>(room)) + suffix;
}

}  // namespace

namespace {

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return a == b || std::filesystem::equivalent(a, b, error);
}

}  // namespace

void checkNotInputFile(const FormState& state, const std::string& outputPath)
{
    if (sameFile(state.InputFilename, outputPath)) throw Error("The output file must not be the input file");
    if (!state.LabelFilename.empty() && sameFile(state.LabelFilename, outputPath))
        throw Error("The output file must not be the label of the input file");
}

AtomicOutputFile::AtomicOutputFile(const std::string& target) : target_(target)
{
    if (target.empty()) throwIoError(io::FileNotFound);
    // Before any file exists: running out of memory must leave nothing behind.
    buffer_ = makePageBuffer<uint8_t>(bufferBytes);
    struct stat info {};
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (exists) {
        if (S_ISDIR(info.st_mode)) throwIoError(io::FileAccessDenied);
        if (::access(target.c_str(), W_OK) != 0) throwIoErrorFromErrno(errno, FileCall::Name);
    }
    if (exists && !S_ISREG(info.st_mode))
        openStream(target);
    else
        createTemporary(followLinks(target), exists ? &info : nullptr);
}

void AtomicOutputFile::openStream(const std::string& target)
{
    fd_ = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) throwIoErrorFromErrno(errno, FileCall::Name);
    stream_ = true;
}

void AtomicOutputFile::createTemporary(const std::string& target, const struct stat* replaced)
{
    target_ = target;
    const RemovalSignalsHeld held;
    for (int attempt = 0; fd_ < 0; ++attempt) {
        temporary_ = temporaryName(target, attempt);
        if (!temporary_.empty()) {
            fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0) break;
            if (errno != ENAMETOOLONG) {
                if (errno != EEXIST || attempt >= 100) throwCreateError(errno);
                continue;
            }
        }
        // A short name the system makes up, for a target whose name is too short to hold ours.
        temporary_ = folderPrefix(target) + ".XXXXXX";
        fd_ = ::mkostemp(temporary_.data(), O_CLOEXEC);
        if (fd_ < 0) throwCreateError(errno);
    }
    removal_ = SignalRemoval(temporary_);
    // The replaced file's owner (where allowed) and permissions; a new file those of an ordinary creation.
    if (replaced) static_cast<void>(::fchown(fd_, replaced->st_uid, replaced->st_gid));
    const mode_t mode = replaced ? replaced->st_mode & 07777 : 0666 & ~processUmask;
    if (::fchmod(fd_, mode) != 0) {
        const int error = errno;
        discard();
        throwIoErrorFromErrno(error);
    }
}

AtomicOutputFile::~AtomicOutputFile() { discard(); }

void AtomicOutputFile::discard()
{
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
    if (!stream_) ::unlink(temporary_.c_str());
    removal_.release();
}

void AtomicOutputFile::send(const uint8_t* data, size_t n, int64_t position)
{
    while (n > 0) {
        const ssize_t written = stream_ ? ::write(fd_, data, n) : ::pwrite(fd_, data, n, static_cast<off_t>(position));
        if (written < 0) {
            if (errno == EINTR) continue;
            throwIoErrorFromErrno(errno);
        }
        data += written;
        n -= static_cast<size_t>(written);
        position += written;
    }
}

void AtomicOutputFile::flush()
{
    send(buffer_.get(), used_, flushed_);
    flushed_ += static_cast<int64_t>(used_);
    used_ = 0;
}

void AtomicOutputFile::write(const uint8_t* data, size_t n)
{
    if (n >= bufferBytes) {
        flush();
        send(data, n, flushed_);
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
    if (stream_) throwIoErrorFromErrno(ESPIPE);
    flush();
    send(bytes.data(), bytes.size(), position);
}

void AtomicOutputFile::truncate(int64_t newSize)
{
    if (newSize >= flushed_) {
        // Bytes not yet sent are simply dropped.
        used_ = static_cast<size_t>(std::min(newSize, size()) - flushed_);
        return;
    }
    used_ = 0;
    if (stream_) return;
    if (::ftruncate(fd_, static_cast<off_t>(newSize)) != 0) throwIoErrorFromErrno(errno);
    flushed_ = newSize;
}

void AtomicOutputFile::commit()
{
    flush();
    // On disk before the rename: a crash must not leave an empty file where the old one was.
    if (!stream_ && ::fsync(fd_) != 0) {
        const int error = errno;
        discard();
        throwIoErrorFromErrno(error);
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        if (!stream_) ::unlink(temporary_.c_str());
        removal_.release();
        throwIoErrorFromErrno(error);
    }
    if (stream_) return;
    // Released first, so that a signal can never remove the finished file;
    // held back until the rename, so that it cannot leave the temporary one.
    const RemovalSignalsHeld held;
    removal_.release();
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary_.c_str());
        throwIoErrorFromErrno(error, FileCall::Name);
    }
}

}  // namespace skeldra
