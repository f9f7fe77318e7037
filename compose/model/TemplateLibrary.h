// The template library: a category folder as a list of files, stepping
// through a list to the next usable picture, and the two recent-item lists
// of the settings file.
#pragma once
#include <string>
#include <vector>

#include "app/SysHelper.h"

enum class TemplateCategory { Frame, Portrait, Background, Mask, Emotion, BaseMap };

// A list of a folder's files with the current index (-1 before the first).
struct TemplateList {
  std::vector<FolderEntry> entries;
  int index = -1;

  bool empty() const { return entries.empty(); }
  int size() const { return int(entries.size()); }
  // The entry at the index, or null.
  const FolderEntry* Current() const;
};

// Fills the list with the folder's files (enumeration order, names listed in
// lower case, stored case kept for opening) and resets the index to -1.
void ScanTemplateFolder(const std::string& folder, TemplateList& list);

// A file whose extension gives a picture type.
bool IsUsableTemplate(const FolderEntry& entry);

// Each moves the index and returns true when it stopped on a usable file,
// which the caller then loads. Off the end the index stays at the last
// position tried and false comes back.
bool FirstUsableEntry(TemplateList& list);     // from the index + 1 on
bool PreviousUsableEntry(TemplateList& list);  // nothing at index 0
bool NextUsableEntry(TemplateList& list);      // nothing at the last entry
// While the camera preview is live: one step without any type test.
bool StepEntry(TemplateList& list, int direction);

// Recent items: sections "RecentlyFrame" and "RecentlyPortrait" of the
// settings file, keys "0" to "19".
constexpr int GB_RECENT_COUNT = 20;
const char* RecentSection(TemplateCategory category);  // null for other categories
// Adds a path: nothing when it is already listed; otherwise into the first
// empty entry, or, with all 20 in use, as entry "0" with the others moved down
// one and the old entry "19" dropped. False when the settings file could not
// be written or the category has no list.
bool RememberRecent(const CSysHelper& helper, const std::string& settingsFile, TemplateCategory category,
                    const std::string& path);
// The non-empty entries in key order, trimmed of blanks.
std::vector<std::string> ReadRecent(const CSysHelper& helper, const std::string& settingsFile,
                                    TemplateCategory category);
