#include "platform/profile/ProfileFile.h"

#include "platform/SafeWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace gbprofile {

namespace {

// Cuts to at most maxBytes without splitting a UTF-8 sequence.
void CutUtf8(std::string& s, size_t maxBytes) {
  if (s.size() <= maxBytes) return;
  size_t cut = maxBytes;
  while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
  s.resize(cut);
}

}  // namespace

FileState ReadProfileBytes(const std::string& path, std::string& bytes) {
  bytes.clear();
  if (path.empty()) return FileState::Missing;
  // Non-blocking open so a FIFO in the settings file's place cannot hang us.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return (errno == ENOENT || errno == ENOTDIR) ? FileState::Missing : FileState::Unreadable;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 || uint64_t(st.st_size) > kMaxProfileFileBytes) {
    ::close(fd);
    return FileState::Unreadable;
  }
  std::vector<char> buf(64 * 1024);
  for (;;) {
    const ssize_t n = ::read(fd, buf.data(), buf.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      bytes.clear();
      return FileState::Unreadable;
    }
    if (n == 0) break;
    if (bytes.size() + size_t(n) > kMaxProfileFileBytes) {  // grew while reading
      ::close(fd);
      bytes.clear();
      return FileState::Unreadable;
    }
    bytes.append(buf.data(), size_t(n));
  }
  ::close(fd);
  return FileState::Ok;
}

bool IsReadOnlyFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  // No write bit at all is the read-only attribute; honour it even as root.
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
  return ::access(path.c_str(), W_OK) != 0;
}

bool WriteProfileBytes(const std::string& path, std::string_view bytes) {
  if (path.empty()) return false;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && (!S_ISREG(st.st_mode) || IsReadOnlyFile(path))) return false;
  // A settings file reached through a link stays a link to the new file.
  gbfile::WriteOptions options;
  options.throughLink = true;
  return gbfile::SafeWriteFile(path, bytes, nullptr, options);
}

ProfileDocument LoadProfile(const std::string& path) {
  std::string bytes;
  if (ReadProfileBytes(path, bytes) != FileState::Ok) return {};
  return ProfileDocument(bytes);
}

std::optional<std::string> FindProfileValue(const std::string& file, std::string_view section, std::string_view key) {
  return LoadProfile(file).Find(section, key);
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view def,
                                    const std::string& file, size_t bufferSize) {
  std::string value;
  if (auto found = FindProfileValue(file, section, key))
    value = std::move(*found);
  else
    value = std::string(def);
  CutUtf8(value, bufferSize == 0 ? 0 : bufferSize - 1);
  return value;
}

int ParseDecimalInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    v = v * 10 + (text[i] - '0');
    if (v > (long long)INT_MAX + 1) v = (long long)INT_MAX + 1;  // saturate, keep going
  }
  if (negative) return v > INT_MAX ? INT_MIN : -int(v);
  return v > INT_MAX ? INT_MAX : int(v);
}

int GetPrivateProfileInt(std::string_view section, std::string_view key, int def, const std::string& file) {
  auto found = FindProfileValue(file, section, key);
  if (!found) return def;
  return ParseDecimalInt(*found);
}

namespace {

// Loads, applies the change and writes back only when something changed.
template <typename Change>
bool EditProfile(const std::string& file, Change change) {
  if (file.empty()) return false;
  std::string bytes;
  const FileState state = ReadProfileBytes(file, bytes);
  // Never rewrite a file we could not read: that would throw its contents away.
  if (state == FileState::Unreadable) return false;
  ProfileDocument doc(bytes);
  if (!change(doc)) return false;
  std::string updated = doc.Bytes();
  if (state == FileState::Ok && updated == bytes) return !IsReadOnlyFile(file);
  return WriteProfileBytes(file, updated);
}

}  // namespace

bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::string& file) {
  return EditProfile(file, [&](ProfileDocument& doc) { return doc.Set(section, key, value); });
}

bool DeletePrivateProfileKey(std::string_view section, std::string_view key, const std::string& file) {
  std::string bytes;
  if (ReadProfileBytes(file, bytes) == FileState::Missing) return true;
  return EditProfile(file, [&](ProfileDocument& doc) {
    doc.Remove(section, key);
    return true;
  });
}

bool DeletePrivateProfileSection(std::string_view section, const std::string& file) {
  std::string bytes;
  if (ReadProfileBytes(file, bytes) == FileState::Missing) return true;
  return EditProfile(file, [&](ProfileDocument& doc) {
    doc.RemoveSection(section);
    return true;
  });
}

std::vector<std::string> GetPrivateProfileSectionNames(const std::string& file) {
  return LoadProfile(file).SectionNames();
}

std::vector<std::string> GetPrivateProfileKeyNames(std::string_view section, const std::string& file) {
  return LoadProfile(file).KeyNames(section);
}

}  // namespace gbprofile
