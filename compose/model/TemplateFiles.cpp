#include "compose/model/TemplateFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string NameOf(const std::string& path) { return fs::path(path).filename().string(); }

// Copies from into a new file beside `to`, then links it in under its name;
// link() fails when the name exists, so a file that appeared meanwhile is
// not overwritten either.
bool CopyWithoutOverwriting(const std::string& from, const std::string& to, std::string& why) {
  const std::string part = to + ".part-XXXXXX";
  std::string temp = part;
  const int out = ::mkstemp(temp.data());
  if (out < 0) {
    why = std::strerror(errno);
    return false;
  }
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  bool ok = in >= 0;
  if (!ok) why = std::strerror(errno);
  char buffer[1 << 16];
  while (ok) {
    const ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      why = std::strerror(errno);
      ok = false;
      break;
    }
    for (ssize_t done = 0; done < n && ok;) {
      const ssize_t w = ::write(out, buffer + done, size_t(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        why = w < 0 ? std::strerror(errno) : "the disk is full";
        ok = false;
      } else {
        done += w;
      }
    }
  }
  if (in >= 0) ::close(in);
  if (ok && ::fsync(out) != 0) {
    why = std::strerror(errno);
    ok = false;
  }
  if (::close(out) != 0 && ok) {
    why = std::strerror(errno);
    ok = false;
  }
  if (ok && ::link(temp.c_str(), to.c_str()) != 0) {
    why = errno == EEXIST ? "a file of that name is already there" : std::strerror(errno);
    ok = false;
  }
  ::unlink(temp.c_str());
  return ok;
}

bool SameFolder(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec);
}

}  // namespace

TemplateFileResult ImportTemplateFiles(const std::vector<std::string>& files, const std::string& folder) {
  TemplateFileResult result;
  for (const std::string& file : files) {
    const std::string name = NameOf(file);
    std::error_code ec;
    if (name.empty() || !fs::is_regular_file(file, ec)) {
      result.refused.push_back(name + ": not a file");
      continue;
    }
    const std::string target = (fs::path(folder) / name).string();
    if (fs::exists(target, ec)) {
      result.refused.push_back(name + ": a file of that name is already there");
      continue;
    }
    std::string why;
    if (CopyWithoutOverwriting(file, target, why))
      result.done.push_back(target);
    else
      result.refused.push_back(name + ": " + why);
  }
  return result;
}

TemplateFileResult RemoveTemplateFiles(const std::vector<std::string>& files, const std::string& folder) {
  TemplateFileResult result;
  for (const std::string& file : files) {
    const fs::path path(file);
    std::error_code ec;
    if (!SameFolder(path.parent_path(), folder) || !fs::is_regular_file(fs::symlink_status(path, ec))) {
      result.refused.push_back(path.filename().string() + ": not a file of this folder");
      continue;
    }
    if (fs::remove(path, ec))
      result.done.push_back(file);
    else
      result.refused.push_back(path.filename().string() + ": " + (ec ? ec.message() : "cannot be deleted"));
  }
  return result;
}
