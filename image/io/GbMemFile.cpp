#include "image/io/GbMemFile.h"

#include <cstdlib>
#include <cstring>

GbMemFile::GbMemFile(uint8_t* data, int32_t size)
    : buffer_(data),
      size_(data && size > 0 ? size : 0),
      owns_(data == nullptr),
      position_(0),
      capacity_(data && size > 0 ? size : 0) {}

GbMemFile::~GbMemFile() { Close(); }

bool GbMemFile::Open() {
  if (buffer_) return false;
  size_ = capacity_ = position_ = 0;
  buffer_ = static_cast<uint8_t*>(std::malloc(1));
  owns_ = true;
  return buffer_ != nullptr;
}

uint8_t* GbMemFile::GetBuffer(bool detach) {
  if (detach) owns_ = false;
  return buffer_;
}

bool GbMemFile::Close() {
  if (buffer_ && owns_) std::free(buffer_);
  // Forget the block either way so nothing reads a freed or foreign buffer.
  buffer_ = nullptr;
  size_ = capacity_ = position_ = 0;
  return true;
}

bool GbMemFile::Grow(int64_t n) {
  const int64_t newCapacity = (n & ~int64_t(0xFFFF)) + 65536;
  if (newCapacity > INT32_MAX) return false;
  uint8_t* grown;
  if (owns_) {
    grown = static_cast<uint8_t*>(std::realloc(buffer_, size_t(newCapacity)));
  } else {
    // A caller's block cannot be reallocated: copy it into our own.
    grown = static_cast<uint8_t*>(std::malloc(size_t(newCapacity)));
    if (grown && buffer_ && size_ > 0) std::memcpy(grown, buffer_, size_t(size_));
  }
  if (!grown) return false;
  buffer_ = grown;
  capacity_ = int32_t(newCapacity);
  owns_ = true;
  return true;
}

void GbMemFile::FillGapTo(int32_t position) {
  if (position > size_) std::memset(buffer_ + size_, 0, size_t(position - size_));
}

size_t GbMemFile::Read(void* buffer, size_t size, size_t count) {
  if (!buffer_ || !buffer || size == 0 || count == 0) return 0;
  if (position_ >= size_) return 0;
  const size_t available = size_t(size_ - position_);
  // size * count may not fit; anything above the available bytes is clamped.
  const size_t wanted = count > available / size ? available : size * count;
  const size_t n = wanted < available ? wanted : available;
  std::memcpy(buffer, buffer_ + position_, n);
  position_ += int32_t(n);
  return n / size;
}

size_t GbMemFile::Write(const void* buffer, size_t size, size_t count) {
  if (!buffer_ || !buffer || size == 0 || count == 0) return 0;
  if (count > size_t(INT32_MAX) / size) return 0;
  const int64_t n = int64_t(size * count);
  const int64_t end = int64_t(position_) + n;
  if (end > INT32_MAX) return 0;
  if (end > capacity_ && !Grow(end)) return 0;
  FillGapTo(position_);
  std::memcpy(buffer_ + position_, buffer, size_t(n));
  position_ = int32_t(end);
  if (position_ > size_) size_ = position_;
  return count;
}

bool GbMemFile::PutC(uint8_t c) {
  if (!buffer_) return false;
  if (position_ == INT32_MAX) return false;
  // Grows one byte early, so 65,536 single bytes end with 128 KiB reserved.
  if (int64_t(position_) + 1 >= capacity_ && !Grow(int64_t(position_) + 1)) return false;
  FillGapTo(position_);
  buffer_[position_++] = c;
  if (position_ > size_) size_ = position_;
  return true;
}

bool GbMemFile::Seek(int32_t offset, int origin) {
  if (!buffer_) return false;
  int64_t target;
  switch (origin) {
    case 0: target = offset; break;
    case 1: target = int64_t(position_) + offset; break;
    case 2: target = int64_t(size_) + offset; break;
    default: return false;
  }
  if (target < 0) target = 0;
  if (target > INT32_MAX) return false;
  position_ = int32_t(target);
  return true;
}

int32_t GbMemFile::Tell() { return buffer_ ? position_ : -1; }

int32_t GbMemFile::Size() { return buffer_ ? size_ : -1; }

bool GbMemFile::Flush() { return buffer_ != nullptr; }

bool GbMemFile::Eof() { return !buffer_ || position_ >= size_; }

long GbMemFile::Error() {
  if (!buffer_) return -1;
  return position_ > size_ ? 1 : 0;
}

long GbMemFile::GetC() {
  if (!buffer_ || position_ >= size_) return -1;
  return buffer_[position_++];
}

long GbMemFile::Scanf(const char*, void*) { return 0; }
