// GbSafeFile: a GbFile that writes a picture straight into the temporary of
// a safe write, so a large picture is never held twice in memory. It behaves as
// GbMemFile does for an encoder (seeks back, reads of what was written, a gap
// left by a seek past the end reads as zeros, positions within 2 GiB), and
// nothing appears at the target until Commit.
#pragma once

#include <memory>
#include <string>

#include "image/io/GbFile.h"
#include "platform/SafeWrite.h"

class GbSafeFile : public GbFile {
 public:
  explicit GbSafeFile(const std::string& path);
  ~GbSafeFile() override;

  // False when the temporary could not be made; Error() says why.
  bool IsOpen() const { return writer_.ok(); }
  // The system's reason once a write has failed, prefixed with the path as
  // the safe writer words it; empty while all is well.
  const std::string& WriteError() const { return writer_.Error(); }
  // Writes what is buffered, syncs and renames over the target.
  bool Commit();

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
  // Writes the buffered run to the file; false once the file has failed.
  bool Drain();

  gbfile::SafeWriter writer_;
  std::unique_ptr<uint8_t[]> buffer_;
  int32_t bufferStart_ = 0;  // file offset of buffer_[0]
  int32_t bufferLength_ = 0;
  int32_t size_ = 0;  // the file's length, buffered bytes included
  int32_t position_ = 0;
};
