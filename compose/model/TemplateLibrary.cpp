#include "compose/model/TemplateLibrary.h"

#include <algorithm>

#include "image/core/GbImage.h"

namespace {

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  const size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

}  // namespace

const FolderEntry* TemplateList::Current() const {
  return index >= 0 && index < size() ? &entries[size_t(index)] : nullptr;
}

void ScanTemplateFolder(const std::string& folder, TemplateList& list) {
  CSysHelper::ScanFolder(folder, list.entries);
  list.index = -1;
}

bool IsUsableTemplate(const FolderEntry& entry) { return GbImage::TypeFromPath(entry.listed) != GB_TYPE_UNKNOWN; }

bool FirstUsableEntry(TemplateList& list) {
  while (list.index + 1 < list.size()) {
    ++list.index;
    if (IsUsableTemplate(list.entries[size_t(list.index)])) return true;
  }
  return false;
}

bool PreviousUsableEntry(TemplateList& list) {
  while (list.index > 0 && !list.empty()) {
    --list.index;
    if (list.index < list.size() && IsUsableTemplate(list.entries[size_t(list.index)])) return true;
  }
  return false;
}

bool NextUsableEntry(TemplateList& list) {
  while (list.index < list.size() - 1 && !list.empty()) {
    ++list.index;
    if (IsUsableTemplate(list.entries[size_t(list.index)])) return true;
  }
  return false;
}

bool StepEntry(TemplateList& list, int direction) {
  const int next = list.index + (direction < 0 ? -1 : 1);
  if (list.empty() || next < 0 || next >= list.size()) return false;
  list.index = next;
  return true;
}

const char* RecentSection(TemplateCategory category) {
  switch (category) {
    case TemplateCategory::Frame: return "RecentlyFrame";
    case TemplateCategory::Portrait: return "RecentlyPortrait";
    default: return nullptr;
  }
}

bool RememberRecent(const CSysHelper& helper, const std::string& settingsFile, TemplateCategory category,
                    const std::string& path) {
  const char* section = RecentSection(category);
  if (!section || path.empty()) return false;
  std::vector<std::string> entries;
  int firstEmpty = -1;
  for (int k = 0; k < GB_RECENT_COUNT; ++k) {
    std::string v = Trim(helper.ReadProfileString(settingsFile, section, std::to_string(k)));
    if (v.empty()) {
      firstEmpty = k;
      break;
    }
    entries.push_back(std::move(v));
  }
  // Whole entries are compared: a path that is only part of another one is
  // still new.
  if (std::find(entries.begin(), entries.end(), path) != entries.end()) return true;
  if (firstEmpty >= 0) return helper.WriteProfileString(settingsFile, section, std::to_string(firstEmpty), path);
  bool ok = true;
  for (int k = GB_RECENT_COUNT - 1; k >= 1; --k)
    ok &= helper.WriteProfileString(settingsFile, section, std::to_string(k), entries[size_t(k - 1)]);
  return helper.WriteProfileString(settingsFile, section, "0", path) && ok;
}

std::vector<std::string> ReadRecent(const CSysHelper& helper, const std::string& settingsFile,
                                    TemplateCategory category) {
  std::vector<std::string> out;
  const char* section = RecentSection(category);
  if (!section) return out;
  for (int k = 0; k < GB_RECENT_COUNT; ++k) {
    std::string v = Trim(helper.ReadProfileString(settingsFile, section, std::to_string(k)));
    if (!v.empty()) out.push_back(std::move(v));
  }
  return out;
}
