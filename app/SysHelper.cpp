#include "app/SysHelper.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/profile/PlatformPaths.h"
#include "platform/profile/ProfileFile.h"

std::string CSysHelper::ProfilePath(const std::string& file) {
  return file.empty() ? gbpaths::SystemProfileFile() : file;
}

std::string CSysHelper::ReadProfileString(const std::string& file, const std::string& section,
                                          const std::string& key) const {
  return gbprofile::GetPrivateProfileString(section, key, "", ProfilePath(file), gbprofile::kProfileBufferSize);
}

int CSysHelper::ReadProfileInt(const std::string& file, const std::string& section, const std::string& key) const {
  return gbprofile::ParseDecimalInt(ReadProfileString(file, section, key));
}

bool CSysHelper::WriteProfileString(const std::string& file, const std::string& section, const std::string& key,
                                    const std::string& value) const {
  const std::string path = ProfilePath(file);
  if (file.empty()) EnsureFolder(gbpaths::ConfigDirectory());
  return gbprofile::WritePrivateProfileString(section, key, value, path);
}

bool CSysHelper::WriteProfileInt(const std::string& file, const std::string& section, const std::string& key,
                                 int value) const {
  return WriteProfileString(file, section, key, std::to_string(value));
}

bool CSysHelper::ReadRegString(gbprofile::RegRoot root, const std::string& subkey, const std::string& name,
                               std::string& value) const {
  return gbprofile::RegQueryString(root, subkey, name, value);
}

bool CSysHelper::WriteRegString(gbprofile::RegRoot root, const std::string& subkey, const std::string& name,
                                const std::string& value) const {
  return gbprofile::RegSetString(root, subkey, name, value);
}

std::string CSysHelper::GetAppDirectory(std::string* fileName, std::string* extension) const {
  if (fileName || extension) {
    const std::string exe = gbpaths::ExecutablePath();
    if (fileName) *fileName = SplitPath(exe, FileName);
    if (extension) *extension = SplitPath(exe, Extension);
  }
  return gbpaths::ApplicationDirectory();
}

std::string CSysHelper::GetTempDirectory() const { return gbpaths::TempDirectory(); }

std::string CSysHelper::SplitPath(const std::string& path, int part) {
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string nameExt = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = nameExt.rfind('.');
  const std::string name = dot == std::string::npos ? nameExt : nameExt.substr(0, dot);
  const std::string ext = dot == std::string::npos ? std::string() : nameExt.substr(dot);
  switch (part) {
    case Drive: return {};
    case Directory: return dir;
    case FileName: return name;
    case Extension: return ext;
    case DriveDirectory: return dir;
    case NameExtension: return nameExt;
    default: return {};
  }
}

std::string CSysHelper::ExtensionOf(const std::string& path) {
  const size_t dot = path.rfind('.');
  return dot == std::string::npos ? path : path.substr(dot + 1);
}

bool CSysHelper::EnsureFolder(const std::string& path) {
  if (path.empty()) return false;
  const std::string folder = gbpaths::WithSlash(path);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return std::filesystem::is_directory(folder, ec);
}

bool CSysHelper::FileExists(const std::string& path) { return !path.empty() && ::access(path.c_str(), F_OK) == 0; }

void CSysHelper::ScanFolder(const std::string& folder, std::vector<FolderEntry>& list) {
  list.clear();
  if (folder.empty()) return;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (const struct dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "/" + name;
    struct stat st {};
    // Subfolders are skipped; so are dangling links, which no one could open.
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
    std::string lower = name;
    for (char& c : lower)
      if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    list.push_back({path, folder + "/" + lower});
  }
  ::closedir(dir);
}

std::string CSysHelper::BrowseForFolder(const std::string& title, const std::string& startFolder) const {
  if (!picker_) return {};
  std::string chosen = picker_(title, startFolder);
  if (chosen.empty()) return {};
  return gbpaths::WithSlash(std::move(chosen));
}

const char* CSysHelper::SupportedTypesFilter() {
  return "BMP|*.bmp|JPG|*.jpg|GIF|*.gif|ICO|*.ico|PCX|*.pcx|JP2|*.jp2|JPC|*.jpc|PNG|*.png|TIF|*.tif|"
         "TGA|*.tga|WMF|*.wmf|RAW|*.raw|WBMP|*.wbmp|RAS|*.ras|PNM|*.pnm|PGX|*.pgx|MNG|*.mng|SKA|*.ska|";
}
