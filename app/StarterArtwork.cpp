#include "app/StarterArtwork.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "app/AppSettings.h"
#include "platform/SafeWrite.h"
#include "platform/profile/PlatformPaths.h"

namespace fs = std::filesystem;

namespace {

bool IsFolder(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(p, ec);
}

std::string Trimmed(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// A synced copy, so the folder renamed into place never holds empty files
// after a crash.
bool CopyFile(const fs::path& from, const fs::path& to) {
  std::ifstream in(from, std::ios::binary);
  if (!in) return false;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return !in.bad() && gbfile::SafeWriteFile(to.string(), bytes);
}

// Copies the regular files of from into a fresh folder beside target and
// renames it to target, so a full disk never leaves a half-filled folder.
bool FillFolder(const fs::path& from, const fs::path& target) {
  std::error_code ec;
  fs::create_directories(target.parent_path(), ec);
  std::string pattern = target.string() + ".XXXXXX";
  if (!::mkdtemp(pattern.data())) return false;
  const fs::path temp = pattern;
  bool ok = true;
  if (IsFolder(from)) {
    for (fs::directory_iterator it(from, ec), end; ok && !ec && it != end; it.increment(ec)) {
      if (!it->is_regular_file(ec)) continue;
      ok = CopyFile(it->path(), temp / it->path().filename());
    }
    ok = ok && !ec;
  }
  if (ok) {
    fs::permissions(temp,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    ec);
    fs::rename(temp, target, ec);
    ok = !ec;
  }
  if (!ok) fs::remove_all(temp, ec);
  return ok;
}

}  // namespace

std::string StarterArtworkDirectory() {
  if (const char* env = std::getenv("GLIMMERBOX_STARTER"); env && *env)
    return IsFolder(env) ? gbpaths::WithSlash(env) : std::string();
  const std::string exe = gbpaths::ExecutablePath();
  if (!exe.empty()) {
    const fs::path dir = fs::path(exe).parent_path();
    for (const fs::path& candidate : {dir / "starter", dir / ".." / "share" / "glimmerbox" / "starter"})
      if (IsFolder(candidate)) return gbpaths::WithSlash(fs::path(candidate).lexically_normal().string());
  }
#ifdef GB_SOURCE_STARTER_DIR
  if (IsFolder(GB_SOURCE_STARTER_DIR)) return gbpaths::WithSlash(GB_SOURCE_STARTER_DIR);
#endif
  return {};
}

int FillMissingTemplateFolders(const SettingsStore& store, const std::string& starterDirectory) {
  if (starterDirectory.empty() || store.appDirectory.empty()) return 0;
  int filled = 0;
  for (const auto& k : kTemplateFolderKeys) {
    const std::string folder = Trimmed(store.*k.field);
    if (folder.empty() || folder != Trimmed(DefaultTemplateFolder(store.appDirectory, k.defaultFolder))) continue;
    std::error_code ec;
    if (fs::exists(fs::symlink_status(folder, ec))) continue;
    if (FillFolder(fs::path(starterDirectory) / k.defaultFolder, folder)) ++filled;
  }
  return filled;
}
