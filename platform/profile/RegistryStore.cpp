#include "platform/profile/RegistryStore.h"

#include <filesystem>

#include "platform/profile/PlatformPaths.h"
#include "platform/profile/ProfileFile.h"

namespace gbprofile {

std::string RegSectionName(RegRoot root, std::string_view subkey) {
  const char* rootName = "HKEY_CURRENT_USER";
  if (root == RegRoot::ClassesRoot) rootName = "HKEY_CLASSES_ROOT";
  if (root == RegRoot::LocalMachine) rootName = "HKEY_LOCAL_MACHINE";
  while (!subkey.empty() && subkey.front() == '\\') subkey.remove_prefix(1);
  while (!subkey.empty() && subkey.back() == '\\') subkey.remove_suffix(1);
  std::string section = rootName;
  if (!subkey.empty()) section += "\\" + std::string(subkey);
  return section;
}

bool RegQueryString(RegRoot root, std::string_view subkey, std::string_view name, std::string& value) {
  auto found = FindProfileValue(gbpaths::KeyStoreFile(), RegSectionName(root, subkey), name);
  if (!found || found->size() + 1 > kRegMaxValueBytes) return false;
  value = std::move(*found);
  return true;
}

bool RegSetString(RegRoot root, std::string_view subkey, std::string_view name, std::string_view value) {
  if (value.size() + 1 > kRegMaxValueBytes) return false;
  const std::string file = gbpaths::KeyStoreFile();
  std::error_code ec;
  std::filesystem::create_directories(gbpaths::ConfigDirectory(), ec);
  const std::string quoted = "\"" + std::string(value) + "\"";
  return WritePrivateProfileString(RegSectionName(root, subkey), name, quoted, file);
}

bool RegDeleteValue(RegRoot root, std::string_view subkey, std::string_view name) {
  return DeletePrivateProfileKey(RegSectionName(root, subkey), name, gbpaths::KeyStoreFile());
}

}  // namespace gbprofile
