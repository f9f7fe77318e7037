// Buffered reading of a GbFile for the small run-length codecs: a byte at a
// time without a virtual call per byte, and exact block reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "image/io/GbFile.h"

class ByteReader {
 public:
  explicit ByteReader(GbFile* f) : f_(f) {}

  // The next byte (0..255), or -1 at the end of the stream.
  int Next() {
    if (pos_ == len_ && !Refill()) return -1;
    return buf_[pos_++];
  }

  // Reads exactly n bytes; false when the stream ends first.
  bool Read(void* out, size_t n) {
    uint8_t* dst = static_cast<uint8_t*>(out);
    while (n > 0) {
      if (pos_ == len_) {
        if (n >= sizeof buf_) {  // large blocks go straight through
          const size_t got = f_->Read(dst, 1, n);
          return got == n;
        }
        if (!Refill()) return false;
      }
      const size_t take = n < len_ - pos_ ? n : len_ - pos_;
      std::memcpy(dst, buf_ + pos_, take);
      pos_ += take;
      dst += take;
      n -= take;
    }
    return true;
  }

  // Bytes left from the reading position (buffered ones included); -1
  // when the stream cannot tell.
  int64_t Left() {
    const int64_t size = f_->Size(), at = f_->Tell();
    if (size < 0 || at < 0) return -1;
    return (size > at ? size - at : 0) + int64_t(len_ - pos_);
  }

  bool Skip(size_t n) {
    uint8_t scratch[256];
    while (n > 0) {
      const size_t take = n < sizeof scratch ? n : sizeof scratch;
      if (!Read(scratch, take)) return false;
      n -= take;
    }
    return true;
  }

 private:
  bool Refill() {
    len_ = f_->Read(buf_, 1, sizeof buf_);
    pos_ = 0;
    return len_ > 0;
  }

  GbFile* f_;
  uint8_t buf_[8192];
  size_t pos_ = 0, len_ = 0;
};
