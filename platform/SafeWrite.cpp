#include "platform/SafeWrite.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <mutex>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace gbfile {

namespace {

std::string Resolved(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string out(real);
  std::free(real);
  return out;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Six letters that differ between calls and processes; O_EXCL settles clashes.
std::string Suffix() {
  static std::atomic<unsigned long> counter{0};
  unsigned long long v = (unsigned long long)std::chrono::steady_clock::now().time_since_epoch().count();
  v ^= (unsigned long long)::getpid() << 20;
  v += 0x9E3779B97F4A7C15ull * (counter.fetch_add(1) + 1);
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string s(6, 'a');
  for (char& c : s) {
    c = kLetters[v % 36];
    v /= 36;
  }
  return s;
}

// A file-size limit must end a write with an error that is cleaned up after,
// not kill the process and leave the temporary behind. A handler someone
// installed is left alone.
void KeepFileSizeLimitFromKilling() {
#ifdef SIGXFSZ
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction current {};
    if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
      struct sigaction ignore {};
      ignore.sa_handler = SIG_IGN;
      sigemptyset(&ignore.sa_mask);
      ::sigaction(SIGXFSZ, &ignore, nullptr);
    }
  });
#endif
}

}  // namespace

SafeWriter::SafeWriter(const std::string& path, WriteOptions options) : display_(path), options_(options) {
  KeepFileSizeLimitFromKilling();
  if (path.empty()) {
    error_ = "no file name";
    return;
  }
  target_ = options.throughLink ? Resolved(path) : path;
  if (!target_.empty() && target_.back() == '/') {
    error_ = path + ": is a folder";
    return;
  }
  struct stat st {};
  mode_t keepMode = 0;
  if (::lstat(target_.c_str(), &st) == 0) {
    if (!options.replace) {
      error_ = path + ": already exists";
      return;
    }
    if (S_ISDIR(st.st_mode)) {
      error_ = path + ": is a folder";
      return;
    }
    if (S_ISREG(st.st_mode)) {
      // Renaming would get round a file's protection; honour it as writing
      // in place would (no write bit at all counts even for the superuser).
      if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(target_.c_str(), W_OK) != 0) {
        error_ = path + ": the file is read-only";
        return;
      }
      keepMode = st.st_mode & 07777;
    }
  }
  // Keep the temporary's name within the folder's name limit.
  const std::string folder = FolderOf(target_);
  std::string name = NameOf(target_);
  if (name.size() > 200) name.resize(200);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_ = folder + "/." + name + "." + Suffix() + ".part";
    fd_ = ::open(temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ >= 0 || errno != EEXIST) break;
  }
  if (fd_ < 0) {
    const int err = errno;
    temp_.clear();
    error_ = path + ": " + (err == ENOENT ? std::string("the folder does not exist") : std::strerror(err));
    return;
  }
  if (keepMode && ::fchmod(fd_, keepMode) != 0) {
    // The new file keeps the default mode; the contents matter more.
  }
}

SafeWriter::~SafeWriter() { Abandon(); }

void SafeWriter::Fail(const std::string& what, int err) {
  if (error_.empty()) error_ = display_ + ": " + what + std::strerror(err);
  Abandon();
}

void SafeWriter::Abandon() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

bool SafeWriter::Write(const void* data, size_t size) {
  if (!WriteAt(data, size, written_)) return false;
  written_ += size;
  return true;
}

bool SafeWriter::WriteAt(const void* data, size_t size, uint64_t offset) {
  if (!ok()) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    if (offset > uint64_t(std::numeric_limits<off_t>::max())) {
      Fail("", EFBIG);
      return false;
    }
    const ssize_t n = ::pwrite(fd_, p, size < size_t(SSIZE_MAX) ? size : size_t(SSIZE_MAX), off_t(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("", errno);
      return false;
    }
    p += n;
    size -= size_t(n);
    offset += uint64_t(n);
  }
  return true;
}

long long SafeWriter::ReadAt(void* data, size_t size, uint64_t offset) {
  if (!ok()) return -1;
  char* p = static_cast<char*>(data);
  long long total = 0;
  while (size > 0 && offset <= uint64_t(std::numeric_limits<off_t>::max())) {
    const ssize_t n = ::pread(fd_, p, size < size_t(SSIZE_MAX) ? size : size_t(SSIZE_MAX), off_t(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("", errno);
      return -1;
    }
    if (n == 0) break;
    p += n;
    size -= size_t(n);
    offset += uint64_t(n);
    total += n;
  }
  return total;
}

bool SafeWriter::Commit() {
  if (!ok()) {
    Abandon();
    return false;
  }
  if (::fsync(fd_) != 0) {
    Fail("", errno);
    return false;
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    Fail("", errno);
    return false;
  }
  if (options_.replace) {
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
      Fail("cannot replace the file: ", errno);
      return false;
    }
  } else {
    // link() refuses an existing name, so nothing that appeared meanwhile is lost.
    if (::link(temp_.c_str(), target_.c_str()) != 0) {
      const int err = errno;
      if (err == EEXIST) error_ = display_ + ": already exists";
      Fail("", err);
      return false;
    }
    ::unlink(temp_.c_str());
  }
  temp_.clear();
  // The rename itself must reach the disk too; a folder that can't be synced
  // still holds the complete file.
  const int dir = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool SafeWriteFile(const std::string& path, std::string_view bytes, std::string* error, WriteOptions options) {
  SafeWriter writer(path, options);
  const bool done = writer.Write(bytes) && writer.Commit();
  if (!done && error) *error = writer.Error();
  return done;
}

}  // namespace gbfile
