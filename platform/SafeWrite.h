// Writing a file so that a failure never costs the file that was there.
//
// Every file the program writes (pictures, projects, settings, the key store,
// extracted members, starter artwork) goes through here: the bytes go to a
// temporary file in the target's folder, are flushed and synced, and only a
// complete file is renamed over the target. A full disk, a file-size limit or
// an I/O error leaves the old file as it was and removes the temporary.
//
// Plain POSIX, no Qt, so the raster engine and the windows can both use it.
// The first writer makes the file-size-limit signal (SIGXFSZ) ignored unless
// a handler is installed, so the limit ends a write with an error instead of
// killing the process with a temporary left behind.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace gbfile {

struct WriteOptions {
  // False: fail with "already exists" instead of replacing a file (or
  // anything else) at the path; the check and the rename are one step.
  bool replace = true;
  // True: when the path is a symbolic link, replace the file it points to
  // and keep the link (settings files). False: the link itself is replaced.
  bool throughLink = false;
};

// A file being written. Nothing appears at the path until Commit succeeds;
// a writer destroyed without a successful Commit removes its temporary.
// A replaced file's permission bits are kept, and a read-only file is not
// replaced; a new file gets 0666 less the umask, as any new file does.
class SafeWriter {
 public:
  explicit SafeWriter(const std::string& path, WriteOptions options = {});
  ~SafeWriter();
  SafeWriter(const SafeWriter&) = delete;
  SafeWriter& operator=(const SafeWriter&) = delete;

  // False once anything has failed; Error() then says what.
  bool ok() const { return fd_ >= 0 && error_.empty(); }
  bool Write(const void* data, size_t size);
  bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
  // Positioned access for writers that go back to fill in a header or read
  // what they wrote (Write goes on where it stopped). A gap left before
  // offset reads as zeros.
  bool WriteAt(const void* data, size_t size, uint64_t offset);
  // Bytes read, which is short at the end of what was written; -1 on error.
  long long ReadAt(void* data, size_t size, uint64_t offset);
  // Syncs, closes and renames over the target. False (temporary removed,
  // the target untouched) on any failure.
  bool Commit();
  // Drops what was written; the target stays as it was.
  void Abandon();
  const std::string& Error() const { return error_; }

 private:
  void Fail(const std::string& what, int err);

  std::string target_;  // the path finally written (a link resolved when asked)
  std::string temp_;
  std::string display_;  // the path as given, for messages
  WriteOptions options_;
  int fd_ = -1;
  uint64_t written_ = 0;  // where Write goes on
  std::string error_;
};

// The whole file in one call. error, when given, receives a message naming
// the path and the reason ("no space left on device", "File too large", ...).
bool SafeWriteFile(const std::string& path, std::string_view bytes, std::string* error = nullptr,
                   WriteOptions options = {});

}  // namespace gbfile
