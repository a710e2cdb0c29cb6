// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The file the user named, written so that an earlier file there survives
// anything but a finished write:
// - a regular file (or none) is written as a temporary file in the target's
//   folder, which takes the replaced file's permissions, is flushed to disk
//   and renamed over the target at commit(). Until then the target stays as
//   it was; an object destroyed without commit() removes its temporary file,
//   and so does SIGINT, SIGTERM, SIGHUP or SIGXFSZ in a program that called
//   removeRegisteredFilesOnSignals();
// - a symbolic link is followed: the file it leads to is written, the link
//   stays a link;
// - a pipe, a terminal or a device is a stream, written into sequentially:
//   what was sent cannot be taken back or rewritten.
//
// Failure: the system's I/O errors ("Disk full", "File access denied",
// "Invalid filename" for a folder that does not exist, ...). Running out of
// memory creates no file: the buffer is allocated first.
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/PageBuffer.h"
#include "base/RemoveOnSignal.h"
#include "port/FormState.h"

namespace skeldra {

// Refuses an output path that names the input file or the label its layout
// came from (also through another name or link): the conversion would
// destroy what it reads.
void checkNotInputFile(const FormState& state, const std::string& outputPath);

class AtomicOutputFile {
public:
    static constexpr size_t bufferBytes = size_t{1} << 20;

    // Refuses a target that is a folder or a file the user may not write.
    explicit AtomicOutputFile(const std::string& target);
    ~AtomicOutputFile();
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

    void write(const uint8_t* data, size_t n);
    void write(const std::string& text) { write(reinterpret_cast<const uint8_t*>(text.data()), text.size()); }
    void put(uint8_t byte)
    {
        if (used_ == bufferBytes) flush();
        buffer_[used_++] = byte;
    }
    // Room for n bytes (n <= bufferBytes) at the end of the file, to be
    // filled by the caller before the next call.
    uint8_t* append(size_t n);

    // Bytes written so far.
    int64_t size() const { return flushed_ + static_cast<int64_t>(used_); }
    // Whether bytes already written can be overwritten or cut: not on a stream.
    bool rewritable() const { return !stream_; }
    // Overwrites bytes already written, at the given position; on a stream
    // this is the system's error for seeking a pipe.
    void overwrite(int64_t position, const std::vector<uint8_t>& bytes);
    // Drops everything from `newSize` on; on a stream only what has not been sent yet.
    void truncate(int64_t newSize);

    // Writes out the rest, closes the file and renames it over the target.
    void commit();
    // Removes the temporary file now: the target keeps what it held. A
    // stream keeps what was sent.
    void abandon() { discard(); }

private:
    void openStream(const std::string& target);
    void createTemporary(const std::string& target, const struct stat* replaced);
    void flush();
    void send(const uint8_t* data, size_t n, int64_t position);
    void discard();

    std::string target_;
    std::string temporary_;
    SignalRemoval removal_;
    // A device, pipe or terminal at the target is written straight into: it
    // cannot be replaced by a file, and replacing it would destroy it.
    bool stream_ = false;
    int fd_ = -1;
    PageBuffer<uint8_t> buffer_;  // bufferBytes
    size_t used_ = 0;
    int64_t flushed_ = 0;
};

}  // namespace skeldra
