#include "image/io/GbIOFile.h"

#include <climits>

GbIOFile::~GbIOFile() { Close(); }

bool GbIOFile::Open(const char* path, const char* mode) {
  if (fp_ || !path || !mode) return false;
  fp_ = std::fopen(path, mode);
  if (!fp_) return false;
  owns_ = true;
  return true;
}

bool GbIOFile::Close() {
  bool ok = true;
  if (fp_ && owns_) ok = std::fclose(fp_) == 0;
  fp_ = nullptr;
  return ok;
}

size_t GbIOFile::Read(void* buffer, size_t size, size_t count) {
  if (!fp_ || !buffer) return 0;
  return std::fread(buffer, size, count, fp_);
}

size_t GbIOFile::Write(const void* buffer, size_t size, size_t count) {
  if (!fp_ || !buffer) return 0;
  return std::fwrite(buffer, size, count, fp_);
}

bool GbIOFile::Seek(int32_t offset, int origin) {
  if (!fp_) return false;
  return std::fseek(fp_, long(offset), origin) == 0;
}

int32_t GbIOFile::Tell() {
  if (!fp_) return 0;
  const long pos = std::ftell(fp_);
  // Beyond what a 32-bit position can express.
  if (pos > INT32_MAX) return -1;
  return int32_t(pos);
}

int32_t GbIOFile::Size() {
  if (!fp_) return -1;
  const long pos = std::ftell(fp_);
  if (pos < 0 || std::fseek(fp_, 0, SEEK_END) != 0) return -1;
  const long end = std::ftell(fp_);
  std::fseek(fp_, pos, SEEK_SET);
  if (end < 0 || end > INT32_MAX) return -1;
  return int32_t(end);
}

bool GbIOFile::Flush() { return fp_ && std::fflush(fp_) == 0; }

bool GbIOFile::Eof() { return !fp_ || std::feof(fp_) != 0; }

long GbIOFile::Error() { return fp_ ? std::ferror(fp_) : -1; }

bool GbIOFile::PutC(uint8_t c) { return fp_ && std::fputc(c, fp_) == int(c); }

long GbIOFile::GetC() { return fp_ ? std::fgetc(fp_) : -1; }

char* GbIOFile::GetS(char* buffer, int n) {
  if (!fp_ || !buffer || n <= 0) return nullptr;
  return std::fgets(buffer, n, fp_);
}

long GbIOFile::Scanf(const char* format, void* output) {
  if (!fp_ || !format) return -1;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  return std::fscanf(fp_, format, output);
#pragma GCC diagnostic pop
}
