// Packing and unpacking the project container, and the staging folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/FacecraftApp.h"
#include "app/ProjectFile.h"
#include "platform/SafeWrite.h"
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

void Scan(int fd, uint64_t size, ProjectContents& contents, size_t maxMembers) {
  contents = ProjectContents{};
  contents.fileSize = size;
  uint64_t offset = 0;
  while (offset < size) {
    if (contents.members.size() >= maxMembers) {
      contents.excess = true;
      return;
    }
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

// Copies length bytes from src at offset into a file at path. Only a
// complete copy appears there; replace false refuses an existing name.
bool CopyMember(int src, uint64_t offset, uint32_t length, const std::string& path, bool replace, std::string* error) {
  gbfile::WriteOptions options;
  options.replace = replace;
  gbfile::SafeWriter out(path, options);
  std::vector<uint8_t> buffer(std::min<size_t>(kChunk, std::max<uint32_t>(length, 1)));
  uint64_t left = length;
  bool ok = out.ok();
  while (ok && left > 0) {
    const size_t n = size_t(std::min<uint64_t>(left, buffer.size()));
    if (!ReadAt(src, buffer.data(), n, offset)) {
      if (error) *error = "the project file changed while it was read";
      return false;
    }
    ok = out.Write(buffer.data(), n);
    offset += n;
    left -= n;
  }
  if (ok && out.Commit()) return true;
  if (error) *error = out.Error();
  return false;
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

bool ScanProjectContainer(const std::string& containerPath, ProjectContents& contents, size_t maxMembers) {
  uint64_t size = 0;
  Fd fd(OpenRegular(containerPath, size));
  if (fd.fd < 0) return false;
  Scan(fd.fd, size, contents, maxMembers);
  return true;
}

bool ReadProjectContents(const std::string& containerPath, ProjectContents& contents, std::string& why) {
  struct stat st {};
  if (::stat(containerPath.c_str(), &st) != 0) {
    why = errno == ENOENT ? "no such file" : std::strerror(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    why = "is a folder, not a Glimmerbox project";
    return false;
  }
  uint64_t size = 0;
  Fd fd(OpenRegular(containerPath, size));
  if (fd.fd < 0) {
    why = S_ISREG(st.st_mode) ? std::string(std::strerror(errno)) : "not a Glimmerbox project (not a regular file)";
    return false;
  }
  // One more than a project uses, so "too many" can still be told.
  Scan(fd.fd, size, contents, GB_PROJECT_MAX_MEMBERS + 1);
  const char* const kNot = "not a Glimmerbox project";
  if (size == 0) {
    why = std::string(kNot) + " (the file is empty)";
    return false;
  }
  // Every project starts with its settings file: a non-empty text.
  if (contents.members.empty() || contents.members[0].length == 0) {
    why = std::string(kNot) + " (it does not start with a settings file)";
    return false;
  }
  uint8_t head[4096];
  const size_t n = std::min<size_t>(sizeof head, contents.members[0].length);
  if (!ReadAt(fd.fd, head, n, contents.members[0].offset)) {
    why = "cannot be read";
    return false;
  }
  for (size_t i = 0; i < n; ++i)
    if (head[i] < 0x20 && head[i] != '\t' && head[i] != '\n' && head[i] != '\r') {
      why = std::string(kNot) + " (its first member is not a settings file)";
      return false;
    }
  return true;
}

bool PackProjectFiles(const std::vector<std::string>& paths, const std::string& containerPath, std::string* error) {
  if (containerPath.empty()) {
    SetError(error, "no project file name");
    return false;
  }
  // Only a complete container replaces an existing project.
  gbfile::SafeWriter out(containerPath);
  auto fail = [&](std::string text) {
    out.Abandon();
    SetError(error, std::move(text));
    return false;
  };
  std::vector<uint8_t> buffer(kChunk);
  for (const std::string& path : paths) {
    uint64_t size = 0;
    Fd in(OpenRegular(path, size));
    if (in.fd < 0) return fail("cannot read " + path);
    if (size == 0) return fail(path + " is empty");
    if (size > 0xFFFFFFFFu) return fail(path + " is too large for a project member");
    const uint8_t len[4] = {uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16), uint8_t(size >> 24)};
    if (!out.Write(len, 4)) return fail(out.Error());
    uint64_t offset = 0;
    while (offset < size) {
      const size_t n = size_t(std::min<uint64_t>(size - offset, buffer.size()));
      if (!ReadAt(in.fd, buffer.data(), n, offset)) return fail(path + " changed while it was packed");
      if (!out.Write(buffer.data(), n)) return fail(out.Error());
      offset += n;
    }
  }
  if (!out.Commit()) return fail(out.Error());
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
  Scan(in.fd, size, contents, GB_PROJECT_MAX_MEMBERS);
  for (size_t k = 0; k < contents.members.size() && k < GB_PROJECT_MAX_MEMBERS; ++k) {
    const std::string path = UnpackedMemberPath(stagingFolder, k);
    if (!CopyMember(in.fd, contents.members[k].offset, contents.members[k].length, path, true, nullptr)) break;
    list.push_back(path);
  }
  return true;
}

bool ExtractProjectMember(const std::string& containerPath, const ProjectMember& member, const std::string& path,
                          bool replace, std::string* error) {
  uint64_t size = 0;
  Fd in(OpenRegular(containerPath, size));
  if (in.fd < 0 || member.offset > size || member.length > size - member.offset) {
    if (error) *error = "cannot read " + containerPath;
    return false;
  }
  return CopyMember(in.fd, member.offset, member.length, path, replace, error);
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
