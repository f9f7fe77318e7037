// GbMemFile: a GbFile over a heap buffer that grows in 64 KiB steps, or over
// a caller's block that it reads without owning.
#pragma once

#include "image/io/GbFile.h"

class GbMemFile : public GbFile {
 public:
  // With data: reads that block (size bytes) without owning it. Without
  // data: closed until Open.
  explicit GbMemFile(uint8_t* data = nullptr, int32_t size = 0);
  ~GbMemFile() override;

  // Starts an empty owned buffer; only when no buffer is held.
  bool Open();
  // The buffer (malloc'ed when owned). With detach the caller takes it over
  // and frees it with free().
  uint8_t* GetBuffer(bool detach = false);
  int32_t Capacity() const { return capacity_; }

  bool Close() override;
  size_t Read(void* buffer, size_t size, size_t count) override;
  size_t Write(const void* buffer, size_t size, size_t count) override;
  bool Seek(int32_t offset, int origin) override;
  int32_t Tell() override;
  int32_t Size() override;
  bool Flush() override;
  bool Eof() override;
  long Error() override;
  bool PutC(uint8_t c) override;
  long GetC() override;
  long Scanf(const char* format, void* output) override;

 private:
  // Reallocates to the 64 KiB boundary above n bytes; the buffer becomes owned.
  bool Grow(int64_t n);
  // Zero-fills a gap left by a seek past the end before data lands after it.
  void FillGapTo(int32_t position);

  uint8_t* buffer_ = nullptr;
  int32_t size_ = 0;  // valid bytes, the end for reading
  bool owns_ = false;
  int32_t position_ = 0;
  int32_t capacity_ = 0;  // bytes allocated
};
