// GbIOFile: a GbFile over a C stdio stream.
#pragma once

#include <cstdio>

#include "image/io/GbFile.h"

class GbIOFile : public GbFile {
 public:
  // Wraps a handle without owning it. Given null, the stream is closed until
  // Open, and owns what Open opens.
  explicit GbIOFile(std::FILE* handle = nullptr) : fp_(handle), owns_(handle == nullptr) {}
  ~GbIOFile() override;

  // Fails when a handle is already held or the file cannot be opened.
  bool Open(const char* path, const char* mode);
  std::FILE* Handle() const { return fp_; }

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
  char* GetS(char* buffer, int n) override;
  long Scanf(const char* format, void* output) override;

 private:
  std::FILE* fp_;
  bool owns_;
};
