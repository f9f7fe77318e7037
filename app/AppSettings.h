// Loading and saving the settings: section "Configure" of the settings file,
// the folder values of the key store, and the start values of the text tool
// and the image options from the application profile.
#pragma once
#include <cstdint>
#include <string>

#include "app/SettingsStore.h"
#include "app/SysHelper.h"
#include "image/core/TextSettings.h"

constexpr const char* GB_SETTINGS_FILE_NAME = "Glimmerbox.ini";
constexpr const char* GB_SECTION_CONFIGURE = "Configure";
constexpr const char* GB_REGISTRY_SUBKEY = "Software\\Glimmerbox\\General";
constexpr const char* GB_VERSION = "1.0.5";

// The values the Default command restores, which a fresh settings file carries too.
constexpr int GB_DEFAULT_SHOTTING_DELAY = 3;
constexpr int GB_DEFAULT_PRINT_WIDTH = 364;
constexpr int GB_DEFAULT_PRINT_HEIGHT = 274;  // two less than the sheet's 276
constexpr int GB_DEFAULT_AUTO_CHANGE_FRAME = 1;
constexpr int GB_DEFAULT_ALPHA = 255;

// One template category: its settings key, key-store value and default folder.
struct TemplateFolderKey {
  const char* settingsKey;    // "PathFrame"
  const char* registryName;   // "FramePath"
  const char* defaultFolder;  // "Frame": appDirectory + "Image/" + this
  std::string SettingsStore::*field;
};
// In the order of section "Configure": Frame, Portrait, BackGround, Mask, Emotion, BaseMap.
extern const TemplateFolderKey kTemplateFolderKeys[6];

// appDirectory + "Image/" + name.
std::string DefaultTemplateFolder(const std::string& appDirectory, const char* name);

// Key-store values at start-up: "Version" (returned; written when missing),
// "SavePath" into PathSave (default written when missing, folder created), and
// the six folders (defaults written when missing).
std::string LoadRegistryValues(SettingsStore& store, const CSysHelper& helper);
// Shutdown: the six folders and PathSave back into the key store.
void WriteFoldersToRegistry(const SettingsStore& store, const CSysHelper& helper);

// Section "Configure" by the start-up rules: numbers and PathCurrent as read
// (0 and "" when absent); a non-empty folder value replaces the one in the
// store, an empty or missing one is filled in from the store and written back.
void LoadSettings(SettingsStore& store, const CSysHelper& helper);
// Start-up: like LoadSettings, but a settings file that is missing or empty
// is first given the Default command's numbers and the store's folders, so a
// first run starts with usable values. Returns true for such a first run.
bool LoadSettingsAtStartup(SettingsStore& store, const CSysHelper& helper);
// The main window's reading when no project is open: every value as it
// stands, except that an empty PathCurrent becomes the home folder.
void ReloadSettings(SettingsStore& store, const CSysHelper& helper);
// Writes ShottingDelay, PathCurrent, the six folders, PathSave, PrintWidth,
// PrintHeight, AutoChangeFrame and Alpha, in that order. False when any
// write failed.
bool SaveSettings(const SettingsStore& store, const CSysHelper& helper);
// The Default command's values (numbers and the six folders; PathCurrent and
// PathSave stay). The caller saves.
void ApplyDefaultSettings(SettingsStore& store);
void ApplyDefaultNumbers(SettingsStore& store);

// The text-tool record: built-in defaults overridden from section "TextTool".
void LoadTextToolSettings(TextSettings& record);

// Sections "Options" and "General" of the application profile.
struct ImageOptions {
  float jpegQuality = 90.0f;  // JpegQualityI + JpegQualityF * 0.001
  uint32_t jpegOptions = 0;
  uint32_t rawOptions = 0;
  int docType = 0;
};
ImageOptions LoadImageOptions();
