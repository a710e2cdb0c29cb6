#include "raster/ByteSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/Errors.h"
#include "base/InputFile.h"

namespace skeldra {

ByteSource::ByteSource(const std::string& path, size_t capacity)
    : file_(path), size_(file_.size()), capacity_(capacity), buffer_(makePageBuffer<uint8_t>(capacity))
{
}

void ByteSource::close() { file_.close(); }

int64_t ByteSource::available(int64_t position) const
{
    if (position < 0 || position >= size_) return 0;
    return size_ - position;
}

bool ByteSource::buffered(int64_t position, size_t n) const
{
    // Differences only: a position near 2^63 plus n would overflow.
    if (position < bufferStart_) return false;
    const uint64_t offset = static_cast<uint64_t>(position - bufferStart_);
    return offset <= bufferLength_ && n <= bufferLength_ - offset;
}

const uint8_t* ByteSource::view(int64_t position, size_t n)
{
    if (position < 0) throwIoError(io::NegativeSeek);
    if (buffered(position, n)) return buffer_.get() + (position - bufferStart_);
    fill(position, n, ReadAhead::UpToCapacity);
    return buffer_.get();
}

void ByteSource::loadExactly(int64_t position, size_t n)
{
    if (position < 0) throwIoError(io::NegativeSeek);
    fill(position, n, ReadAhead::None);
}

bool ByteSource::hasByteAt(int64_t position)
{
    if (buffered(position, 1)) return true;
    return load(position, capacity_) > 0;
}

void ByteSource::fill(int64_t position, size_t n, ReadAhead readAhead)
{
    if (n > capacity_) throw std::logic_error("ByteSource::view larger than its buffer");
    if (available(position) < static_cast<int64_t>(n)) {
        // The file may have grown since it was opened.
        struct stat info {};
        if (::fstat(file_.fd(), &info) == 0) size_ = std::max<int64_t>(size_, info.st_size);
        if (available(position) < static_cast<int64_t>(n)) throwIoError(io::ReadBeyondEndOfFile);
    }
    // Read a whole buffer when the file has it, so that the next views hit.
    const auto wanted = readAhead == ReadAhead::None
                            ? n
                            : static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(capacity_), available(position)));
    if (load(position, wanted) < n) throwIoError(io::ReadBeyondEndOfFile);
}

size_t ByteSource::load(int64_t position, size_t wanted)
{
    bufferLength_ = 0;
    size_t got = 0;
    while (got < wanted) {
        const ssize_t r = ::pread(file_.fd(), buffer_.get() + got, wanted - got,
                                  static_cast<off_t>(position + static_cast<int64_t>(got)));
        if (r < 0) {
            if (errno == EINTR) continue;
            throwIoErrorFromErrno(errno);
        }
        if (r == 0) break;
        got += static_cast<size_t>(r);
    }
    bufferStart_ = position;
    bufferLength_ = got;
    return got;
}

}  // namespace skeldra
