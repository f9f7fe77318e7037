// Packing and unpacking the project container, and the staging folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/FacecraftApp.h"
#include "app/ProjectFile.h"
#include "platform/profile/PlatformPaths.h"

namespace {

constexpr size_t kChunk = 64 * 1024;

// Closes a descriptor when it goes out of scope.
struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  // Closes now and reports whether the close succeeded.
  bool Close() {
    const int f = fd;
    fd = -1;
    return f < 0 || ::close(f) == 0;
  }
};

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= size_t(n);
  }
  return true;
}

// Reads exactly size bytes at offset; false when fewer are there.
bool ReadAt(int fd, uint8_t* data, size_t size, uint64_t offset) {
  while (size > 0) {
    const ssize_t n = ::pread(fd, data, size, off_t(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= size_t(n);
    offset += uint64_t(n);
  }
  return true;
}

uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void Scan(int fd, uint64_t size, ProjectContents& contents) {
  contents = ProjectContents{};
  contents.fileSize = size;
  uint64_t offset = 0;
  while (offset < size) {
    uint8_t len[4];
    if (size - offset < 4 || !ReadAt(fd, len, 4, offset)) {
      contents.complete = false;
      contents.badOffset = offset;
      return;
    }
    const uint32_t length = Get32(len);
    if (length > size - offset - 4) {  // claims more than the file holds
      contents.complete = false;
      contents.badOffset = offset;
      return;
    }
    contents.members.push_back({offset + 4, length});
    offset += 4 + uint64_t(length);
  }
}

// Opens a regular file for reading; -1 otherwise. size receives its length.
int OpenRegular(const std::string& path, uint64_t& size) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  size = uint64_t(st.st_size);
  return fd;
}

// Copies length bytes from src at offset into a new file at path, which
// replaces whatever was there. The file is removed again on failure.
bool CopyMember(int src, uint64_t offset, uint32_t length, const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) return false;
  Fd out(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (out.fd < 0) return false;
  std::vector<uint8_t> buffer(std::min<size_t>(kChunk, std::max<uint32_t>(length, 1)));
  uint64_t left = length;
  bool ok = true;
  while (ok && left > 0) {
    const size_t n = size_t(std::min<uint64_t>(left, buffer.size()));
    ok = ReadAt(src, buffer.data(), n, offset) && WriteAll(out.fd, buffer.data(), n);
    offset += n;
    left -= n;
  }
  if (!out.Close() || !ok) {
    ::unlink(path.c_str());
    return false;
  }
  return true;
}

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

}  // namespace

std::string ProjectStagingFolder(const std::string& tempDirectory) {
  return gbpaths::WithSlash(tempDirectory) + "Glimmerbox/";
}

bool PrepareStagingFolder(const std::string& folder) {
  ::rmdir(folder.c_str());  // only succeeds when empty
  if (!CSysHelper::EnsureFolder(folder)) return false;
  // In a shared temp directory the folder must be our own real folder, not a
  // link someone placed to redirect the files.
  std::string plain = folder;
  while (plain.size() > 1 && plain.back() == '/') plain.pop_back();
  struct stat st {};
  return ::lstat(plain.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

std::string StagedStickerPath(const std::string& folder, int slot) {
  return gbpaths::WithSlash(folder) + std::to_string(slot) + ".bmp";
}
std::string StagedFramePath(const std::string& folder, int slot) {
  return gbpaths::WithSlash(folder) + std::to_string(slot) + "Frame.bmp";
}
std::string StagedPlainPath(const std::string& folder, int slot) {
  return gbpaths::WithSlash(folder) + std::to_string(slot) + "Bk.bmp";
}
std::string UnpackedMemberPath(const std::string& folder, size_t member) {
  if (member == 0) return gbpaths::WithSlash(folder) + "Glimmerbox.ini";
  return gbpaths::WithSlash(folder) + std::to_string(member - 1) + ".bmp";
}

bool ScanProjectContainer(const std::string& containerPath, ProjectContents& contents) {
  uint64_t size = 0;
  Fd fd(OpenRegular(containerPath, size));
  if (fd.fd < 0) return false;
  Scan(fd.fd, size, contents);
  return true;
}

bool PackProjectFiles(const std::vector<std::string>& paths, const std::string& containerPath, std::string* error) {
  if (containerPath.empty()) {
    SetError(error, "no project file name");
    return false;
  }
  // A new file keeps the mode of the project it replaces.
  mode_t mode = 0644;
  struct stat old {};
  if (::stat(containerPath.c_str(), &old) == 0) mode = old.st_mode & 07777;

  std::string temp = containerPath + ".XXXXXX";
  Fd out(::mkstemp(temp.data()));
  if (out.fd < 0) {
    SetError(error, "cannot create " + temp + ": " + std::strerror(errno));
    return false;
  }
  auto fail = [&](std::string text) {
    out.Close();
    ::unlink(temp.c_str());
    SetError(error, std::move(text));
    return false;
  };
  ::fchmod(out.fd, mode);

  std::vector<uint8_t> buffer(kChunk);
  for (const std::string& path : paths) {
    uint64_t size = 0;
    Fd in(OpenRegular(path, size));
    if (in.fd < 0) return fail("cannot read " + path);
    if (size == 0) return fail(path + " is empty");
    if (size > 0xFFFFFFFFu) return fail(path + " is too large for a project member");
    const uint8_t len[4] = {uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16), uint8_t(size >> 24)};
    if (!WriteAll(out.fd, len, 4)) return fail("cannot write " + temp + ": " + std::strerror(errno));
    uint64_t offset = 0;
    while (offset < size) {
      const size_t n = size_t(std::min<uint64_t>(size - offset, buffer.size()));
      if (!ReadAt(in.fd, buffer.data(), n, offset)) return fail(path + " changed while it was packed");
      if (!WriteAll(out.fd, buffer.data(), n)) return fail("cannot write " + temp + ": " + std::strerror(errno));
      offset += n;
    }
  }
  if (::fsync(out.fd) != 0) return fail("cannot write " + temp + ": " + std::strerror(errno));
  if (!out.Close()) {
    ::unlink(temp.c_str());
    SetError(error, "cannot write " + temp + ": " + std::strerror(errno));
    return false;
  }
  if (::rename(temp.c_str(), containerPath.c_str()) != 0) {
    const int e = errno;
    ::unlink(temp.c_str());
    SetError(error, "cannot replace " + containerPath + ": " + std::strerror(e));
    return false;
  }
  return true;
}

bool UnpackProjectFiles(const std::string& containerPath, const std::string& stagingFolder,
                        std::vector<std::string>& list) {
  uint64_t size = 0;
  Fd in(OpenRegular(containerPath, size));
  if (in.fd < 0) return false;
  list.clear();
  if (!PrepareStagingFolder(stagingFolder)) return true;
  ProjectContents contents;
  Scan(in.fd, size, contents);
  for (size_t k = 0; k < contents.members.size() && k < GB_PROJECT_MAX_MEMBERS; ++k) {
    const std::string path = UnpackedMemberPath(stagingFolder, k);
    if (!CopyMember(in.fd, contents.members[k].offset, contents.members[k].length, path)) break;
    list.push_back(path);
  }
  return true;
}

bool ExtractProjectMember(const std::string& containerPath, const ProjectMember& member, const std::string& path) {
  uint64_t size = 0;
  Fd in(OpenRegular(containerPath, size));
  if (in.fd < 0 || member.offset > size || member.length > size - member.offset) return false;
  return CopyMember(in.fd, member.offset, member.length, path);
}

void UnpackStartupProject(CFacecraftApp& app) {
  if (app.projectPath.empty()) return;
  UnpackProjectFiles(app.projectPath, ProjectStagingFolder(gbpaths::TempDirectory()), app.unpackedFiles);
}

std::string FormatComPictureFlag(const std::vector<int>& slots) {
  std::string text;
  for (int s : slots) text += std::to_string(s) + ",";
  return text;
}

std::vector<int> ParseComPictureList(const std::string& text) {
  std::vector<int> out;
  size_t start = 0;
  for (size_t comma = text.find(','); comma != std::string::npos; comma = text.find(',', start)) {
    const std::string entry = text.substr(start, comma - start);
    int v = -1;
    if (!entry.empty() && entry.size() <= 9 && entry.find_first_not_of("0123456789") == std::string::npos)
      v = std::stoi(entry);
    out.push_back(v);
    start = comma + 1;
  }
  return out;
}

bool ComPictureFlagLists(const std::string& flag, int slot) {
  const std::string wanted = std::to_string(slot);
  size_t start = 0;
  for (size_t comma = flag.find(','); comma != std::string::npos; comma = flag.find(',', start)) {
    if (flag.compare(start, comma - start, wanted) == 0) return true;
    start = comma + 1;
  }
  return false;
}
