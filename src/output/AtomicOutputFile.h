#pragma once
// An output file that appears at its target only when it is complete: the
// bytes go to a temporary file in the target's folder, which is renamed over
// the target at commit(). Until then a file at the target stays as it was;
// an object destroyed without commit() removes its temporary file.
//
// Failure: the system's I/O errors ("Disk full", "File access denied",
// "Invalid filename" for a folder that does not exist, ...).
#include <cstddef>
#include <cstdint>
#include <string>
#include <memory>

#include "base/PageBuffer.h"
#include <vector>

namespace skeldra {

// Refuses an output path that names the input file (also through another
// name or link): the conversion would destroy what it reads.
void checkNotInputFile(const std::string& inputPath, const std::string& outputPath);

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
    // Overwrites bytes already written, at the given position.
    void overwrite(int64_t position, const std::vector<uint8_t>& bytes);
    // Drops everything from `newSize` on.
    void truncate(int64_t newSize);

    // Writes out the rest, closes the file and renames it over the target.
    void commit();

private:
    void flush();
    void discard();

    std::string target_;
    std::string temporary_;
    // A device or pipe at the target is written straight into: it cannot be
    // replaced by a file, and replacing it would destroy it.
    bool direct_ = false;
    int fd_ = -1;
    PageBuffer<uint8_t> buffer_;  // bufferBytes
    size_t used_ = 0;
    int64_t flushed_ = 0;
};

}  // namespace skeldra
