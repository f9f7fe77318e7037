#include "image/io/GbSafeFile.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Encoders write rows or single bytes; gather them into large writes.
constexpr int32_t kBufferSize = 1 << 20;

}  // namespace

GbSafeFile::GbSafeFile(const std::string& path) : writer_(path), buffer_(new (std::nothrow) uint8_t[kBufferSize]) {
  if (!buffer_) writer_.Abandon();
}

GbSafeFile::~GbSafeFile() = default;

bool GbSafeFile::Drain() {
  if (!writer_.ok()) return false;
  if (bufferLength_ == 0) return true;
  if (!writer_.WriteAt(buffer_.get(), size_t(bufferLength_), uint64_t(bufferStart_))) return false;
  bufferStart_ += bufferLength_;
  bufferLength_ = 0;
  return true;
}

bool GbSafeFile::Commit() { return Drain() && writer_.Commit(); }

bool GbSafeFile::Close() {
  writer_.Abandon();
  bufferLength_ = 0;
  return true;
}

size_t GbSafeFile::Write(const void* buffer, size_t size, size_t count) {
  if (!writer_.ok() || !buffer || size == 0 || count == 0) return 0;
  if (count > size_t(INT32_MAX) / size) return 0;
  const int64_t n = int64_t(size * count);
  const int64_t end = int64_t(position_) + n;
  if (end > INT32_MAX) return 0;
  const int64_t bufferEnd = int64_t(bufferStart_) + bufferLength_;
  if (position_ >= bufferStart_ && position_ <= bufferEnd && end <= int64_t(bufferStart_) + kBufferSize) {
    // Within or right after the buffered run (the usual case, and a header
    // filled in before the run was written out).
    std::memcpy(buffer_.get() + (position_ - bufferStart_), buffer, size_t(n));
    bufferLength_ = int32_t(std::max<int64_t>(bufferLength_, end - bufferStart_));
  } else {
    if (!Drain()) return 0;
    if (n >= kBufferSize) {
      if (!writer_.WriteAt(buffer, size_t(n), uint64_t(position_))) return 0;
      bufferStart_ = int32_t(end);
    } else {
      bufferStart_ = position_;
      std::memcpy(buffer_.get(), buffer, size_t(n));
      bufferLength_ = int32_t(n);
    }
  }
  position_ = int32_t(end);
  size_ = std::max(size_, position_);
  return count;
}

bool GbSafeFile::PutC(uint8_t c) {
  if (writer_.ok() && position_ == bufferStart_ + bufferLength_ && bufferLength_ < kBufferSize) {
    buffer_[size_t(bufferLength_++)] = c;
    ++position_;
    size_ = std::max(size_, position_);
    return true;
  }
  return Write(&c, 1, 1) == 1;
}

size_t GbSafeFile::Read(void* buffer, size_t size, size_t count) {
  if (!writer_.ok() || !buffer || size == 0 || count == 0) return 0;
  if (position_ >= size_) return 0;
  // Reading back is rare (a writer checking what it wrote): read the file.
  if (!Drain()) return 0;
  const size_t available = size_t(size_ - position_);
  const size_t n = count > available / size ? available : size * count;
  const long long got = writer_.ReadAt(buffer, n, uint64_t(position_));
  if (got <= 0) return 0;
  position_ += int32_t(got);
  return size_t(got) / size;
}

bool GbSafeFile::Seek(int32_t offset, int origin) {
  if (!writer_.ok()) return false;
  int64_t target;
  switch (origin) {
    case GB_SEEK_SET: target = offset; break;
    case GB_SEEK_CUR: target = int64_t(position_) + offset; break;
    case GB_SEEK_END: target = int64_t(size_) + offset; break;
    default: return false;
  }
  if (target < 0) target = 0;
  if (target > INT32_MAX) return false;
  position_ = int32_t(target);
  return true;
}

int32_t GbSafeFile::Tell() { return writer_.ok() ? position_ : -1; }

int32_t GbSafeFile::Size() { return writer_.ok() ? size_ : -1; }

bool GbSafeFile::Flush() { return writer_.ok(); }

bool GbSafeFile::Eof() { return !writer_.ok() || position_ >= size_; }

long GbSafeFile::Error() {
  if (!writer_.ok()) return -1;
  return position_ > size_ ? 1 : 0;
}

long GbSafeFile::GetC() {
  uint8_t c;
  return Read(&c, 1, 1) == 1 ? long(c) : -1;
}

long GbSafeFile::Scanf(const char*, void*) { return 0; }
