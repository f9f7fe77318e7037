#include "platform/profile/AppProfile.h"

#include <climits>

#include "platform/profile/PlatformPaths.h"
#include "platform/profile/ProfileFile.h"

namespace gbprofile {

namespace {
// The framework reads its profile through a larger buffer than the settings code.
constexpr size_t kAppProfileBuffer = 4096;
}  // namespace

std::string AppProfileGetString(std::string_view section, std::string_view key, std::string_view def) {
  return GetPrivateProfileString(section, key, def, gbpaths::AppProfileFile(), kAppProfileBuffer);
}

unsigned AppProfileGetInt(std::string_view section, std::string_view key, unsigned def) {
  auto found = FindProfileValue(gbpaths::AppProfileFile(), section, key);
  if (!found) return def;
  std::string_view t = TrimBlanks(*found);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  unsigned long long v = 0;
  for (char c : t) {
    if (c < '0' || c > '9') break;
    v = v * 10 + unsigned(c - '0');
    if (v > UINT_MAX) return UINT_MAX;
  }
  return unsigned(v);
}

}  // namespace gbprofile
