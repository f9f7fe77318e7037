#include "platform/profile/PlatformPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace gbpaths {

namespace {

// XDG rules: unset, empty or relative values are ignored.
std::string AbsoluteEnv(const char* name) {
  const char* v = std::getenv(name);
  if (!v || v[0] != '/') return {};
  return v;
}

}  // namespace

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string HomeDirectory() {
  std::string home = AbsoluteEnv("HOME");
  if (home.empty()) {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(size > 0 ? size_t(size) : 16384);
    struct passwd pw {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
      home = found->pw_dir;
  }
  if (home.empty()) home = "/";
  return WithSlash(home);
}

std::string ConfigDirectory() {
  std::string base = AbsoluteEnv("XDG_CONFIG_HOME");
  if (base.empty()) base = HomeDirectory() + ".config";
  return WithSlash(base) + "Glimmerbox/";
}

std::string DataDirectory() {
  std::string base = AbsoluteEnv("XDG_DATA_HOME");
  if (base.empty()) base = HomeDirectory() + ".local/share";
  return WithSlash(base) + "Glimmerbox/";
}

std::string ExecutablePath() {
  std::error_code ec;
  auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : p.string();
}

std::string ApplicationDirectory() {
  if (const char* v = std::getenv("GLIMMERBOX_HOME"); v && *v) {
    std::error_code ec;
    auto abs = std::filesystem::absolute(v, ec);
    return WithSlash(ec ? std::string(v) : abs.string());
  }
  const std::string exe = ExecutablePath();
  const size_t slash = exe.rfind('/');
  if (slash != std::string::npos) {
    const std::string dir = exe.substr(0, slash + 1);
    // An installed program (bin/ beside share/glimmerbox/) keeps its folder
    // clean even when it could write there, as root can write to /usr/bin;
    // its users' files belong in their homes.
    std::error_code ec;
    const bool installed = std::filesystem::is_directory(dir + "../share/glimmerbox", ec);
    if (!installed && ::access(dir.c_str(), W_OK) == 0) return dir;
  }
  return DataDirectory();
}

std::string TempDirectory() {
  std::string t = AbsoluteEnv("TMPDIR");
  if (t.empty()) t = "/tmp";
  return WithSlash(t);
}

std::string DefaultSaveFolder() { return HomeDirectory() + "Pictures/Glimmerbox"; }

std::string KeyStoreFile() { return ConfigDirectory() + "registry.ini"; }
std::string AppProfileFile() { return ConfigDirectory() + "profile.ini"; }
std::string SystemProfileFile() { return ConfigDirectory() + "system.ini"; }

}  // namespace gbpaths
