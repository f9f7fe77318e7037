// Saving a sheet as a project file and rebuilding a sheet from an unpacked
// one. The container itself (packing, unpacking, staging names) is
// app/ProjectFile.h.
#pragma once
#include <string>
#include <vector>

#include "app/ProjectFile.h"
#include "compose/model/SheetModel.h"

struct ProjectSaveOptions {
  std::string settingsFile;   // becomes member 0; the save writes its two keys into it
  std::string stagingFolder;  // where the pictures are written before packing
};

// Writes "CombinationIndex" and "ComPictureFlag" into the settings file,
// writes the three pictures of every used slot into the staging folder (the
// empty-slot picture stands in for a missing frame) and packs them. A
// picture that can't be written fails the save before anything is packed;
// the container is replaced only when complete. error receives the reason.
bool SaveProject(const SheetModel& sheet, const CSysHelper& helper, const ProjectSaveOptions& options,
                 const std::string& containerPath, std::string* error = nullptr);

struct ProjectOpenResult {
  int layout = -1;               // the layout set up, -1 when nothing was opened
  std::vector<int> listedSlots;  // the slots "ComPictureFlag" names, rising
  std::vector<int> loadedSlots;  // the slots filled
  bool stoppedEarly = false;     // a listed slot beyond the layout or without its members
};

// Rebuilds the sheet from an unpacked file list (entry 0 the settings file,
// then three pictures per listed slot): reads the settings into store (when
// given), sets up the layout and fills the listed slots in rising order. A
// slot whose pictures can't be read stays empty. False for an empty list.
bool OpenProject(SheetModel& sheet, const std::vector<std::string>& unpacked, const CSysHelper& helper,
                 SettingsStore* store, ProjectOpenResult* result = nullptr);
