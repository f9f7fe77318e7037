// Reading the settings that a project carries.
#include "app/AppSettings.h"
#include "app/ProjectFile.h"

void ReadProjectSettings(SettingsStore& store, const CSysHelper& helper, const std::string& settingsFile) {
  const auto text = [&](const char* key) { return helper.ReadProfileString(settingsFile, GB_SECTION_CONFIGURE, key); };
  const auto number = [&](const char* key) { return helper.ReadProfileInt(settingsFile, GB_SECTION_CONFIGURE, key); };

  store.ShottingDelay = number("ShottingDelay");
  store.PathCurrent = text("PathCurrent");
  if (store.PathCurrent.empty()) store.PathCurrent = store.appDirectory;
  // A project without a folder value must not leave the program with none.
  if (std::string v = text("PathSave"); !v.empty()) store.PathSave = std::move(v);
  for (const auto& k : kTemplateFolderKeys)
    if (std::string v = text(k.settingsKey); !v.empty()) store.*k.field = std::move(v);
  store.PrintWidth = number("PrintWidth");
  store.PrintHeight = number("PrintHeight");
}
