// GbFile: the byte stream every codec reads and writes through, so one
// decoder serves disk files, resources in memory and growing buffers alike.
// Positions and sizes are signed 32-bit: a stream is limited to 2 GiB.
#pragma once

#include <cstddef>
#include <cstdint>

class GbFile {
 public:
  virtual ~GbFile() = default;

  // Releases the underlying resource when this stream owns it.
  virtual bool Close() = 0;
  // Reads up to size * count bytes; returns the number of whole elements.
  virtual size_t Read(void* buffer, size_t size, size_t count) = 0;
  virtual size_t Write(const void* buffer, size_t size, size_t count) = 0;
  // origin: 0 from the start, 1 from the current position, 2 from the end.
  virtual bool Seek(int32_t offset, int origin) = 0;
  virtual int32_t Tell() = 0;
  virtual int32_t Size() = 0;
  virtual bool Flush() = 0;
  virtual bool Eof() = 0;
  virtual long Error() = 0;
  virtual bool PutC(uint8_t c) { return Write(&c, 1, 1) == 1; }
  // The next byte (0..255), or -1 at the end.
  virtual long GetC() = 0;
  // A line of at most n - 1 characters, line feed included; null at the
  // end of the data, even in the middle of a line.
  virtual char* GetS(char* buffer, int n);
  // Formatted read of one item.
  virtual long Scanf(const char* format, void* output) = 0;

  GbFile() = default;
  GbFile(const GbFile&) = delete;
  GbFile& operator=(const GbFile&) = delete;
};

inline char* GbFile::GetS(char* buffer, int n) {
  if (!buffer || n <= 0) return nullptr;
  int stored = 0;
  while (stored < n - 1) {
    const long c = GetC();
    if (c < 0) return nullptr;
    buffer[stored++] = char(c);
    if (c == '\n') break;
  }
  buffer[stored] = 0;
  return buffer;
}

constexpr int GB_SEEK_SET = 0;
constexpr int GB_SEEK_CUR = 1;
constexpr int GB_SEEK_END = 2;
