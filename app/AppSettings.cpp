#include "app/AppSettings.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/profile/AppProfile.h"
#include "platform/profile/PlatformPaths.h"
#include "platform/profile/ProfileFile.h"

using gbprofile::RegRoot;

const TemplateFolderKey kTemplateFolderKeys[6] = {
    {"PathFrame", "FramePath", "Frame", &SettingsStore::PathFrame},
    {"PathPortrait", "PortraitPath", "Portrait", &SettingsStore::PathPortrait},
    {"PathBackGround", "BackGroundPath", "Background", &SettingsStore::PathBackGround},
    {"PathMask", "MaskPath", "Mask", &SettingsStore::PathMask},
    {"PathEmotion", "EmotionPath", "Emotion", &SettingsStore::PathEmotion},
    {"PathBaseMap", "BaseMapPath", "BaseMap", &SettingsStore::PathBaseMap},
};

namespace {

const TemplateFolderKey& FolderKey(const char* settingsKey) {
  for (const auto& k : kTemplateFolderKeys)
    if (std::strcmp(k.settingsKey, settingsKey) == 0) return k;
  return kTemplateFolderKeys[0];
}

// The key store writes them in this order when it is new.
const char* const kRegistryFolderOrder[6] = {"PathFrame",   "PathPortrait",   "PathMask",
                                             "PathEmotion", "PathBackGround", "PathBaseMap"};

// An empty stored folder would point at "/"; treat it like a missing one.
bool ReadRegFolder(const CSysHelper& helper, const char* name, std::string& value) {
  std::string v;
  if (!helper.ReadRegString(RegRoot::CurrentUser, GB_REGISTRY_SUBKEY, name, v) || v.empty()) return false;
  value = std::move(v);
  return true;
}

void ReadNumbers(SettingsStore& store, const CSysHelper& helper) {
  const std::string& f = store.settingsFile;
  store.PrintWidth = helper.ReadProfileInt(f, GB_SECTION_CONFIGURE, "PrintWidth");
  store.PrintHeight = helper.ReadProfileInt(f, GB_SECTION_CONFIGURE, "PrintHeight");
  store.AutoChangeFrame = helper.ReadProfileInt(f, GB_SECTION_CONFIGURE, "AutoChangeFrame");
  store.Alpha = helper.ReadProfileInt(f, GB_SECTION_CONFIGURE, "Alpha");
}

// Copies text into a fixed field, cut at a character boundary, NUL-terminated.
void CopyFaceName(char (&dest)[LF_FACESIZE], const std::string& src) {
  size_t n = std::min(src.size(), size_t(LF_FACESIZE - 1));
  if (n < src.size())
    while (n > 0 && (static_cast<unsigned char>(src[n]) & 0xC0) == 0x80) --n;
  std::memset(dest, 0, sizeof dest);
  std::memcpy(dest, src.data(), n);
}

}  // namespace

std::string DefaultTemplateFolder(const std::string& appDirectory, const char* name) {
  return gbpaths::WithSlash(appDirectory) + "Image/" + name;
}

std::string LoadRegistryValues(SettingsStore& store, const CSysHelper& helper) {
  std::string version;
  if (!helper.ReadRegString(RegRoot::CurrentUser, GB_REGISTRY_SUBKEY, "Version", version) || version.empty()) {
    version = GB_VERSION;
    helper.WriteRegString(RegRoot::CurrentUser, GB_REGISTRY_SUBKEY, "Version", version);
  }

  if (!ReadRegFolder(helper, "SavePath", store.PathSave)) {
    store.PathSave = gbpaths::DefaultSaveFolder();
    helper.WriteRegString(RegRoot::CurrentUser, GB_REGISTRY_SUBKEY, "SavePath", store.PathSave);
  }
  CSysHelper::EnsureFolder(store.PathSave);

  for (const char* key : kRegistryFolderOrder) {
    const TemplateFolderKey& k = FolderKey(key);
    std::string& folder = store.*k.field;
    if (!ReadRegFolder(helper, k.registryName, folder)) {
      folder = DefaultTemplateFolder(store.appDirectory, k.defaultFolder);
      helper.WriteRegString(RegRoot::CurrentUser, GB_REGISTRY_SUBKEY, k.registryName, folder);
    }
  }
  return version;
}

void WriteFoldersToRegistry(const SettingsStore& store, const CSysHelper& helper) {
  for (const char* key : kRegistryFolderOrder) {
    const TemplateFolderKey& k = FolderKey(key);
    helper.WriteRegString(RegRoot::CurrentUser, GB_REGISTRY_SUBKEY, k.registryName, store.*k.field);
  }
  helper.WriteRegString(RegRoot::CurrentUser, GB_REGISTRY_SUBKEY, "SavePath", store.PathSave);
}

void LoadSettings(SettingsStore& store, const CSysHelper& helper) {
  const std::string& f = store.settingsFile;
  store.ShottingDelay = helper.ReadProfileInt(f, GB_SECTION_CONFIGURE, "ShottingDelay");
  store.PathCurrent = helper.ReadProfileString(f, GB_SECTION_CONFIGURE, "PathCurrent");

  struct Folder {
    const char* key;
    std::string* value;
  };
  const Folder folders[] = {
      {"PathFrame", &store.PathFrame}, {"PathPortrait", &store.PathPortrait}, {"PathBackGround", &store.PathBackGround},
      {"PathMask", &store.PathMask},   {"PathEmotion", &store.PathEmotion},   {"PathBaseMap", &store.PathBaseMap},
      {"PathSave", &store.PathSave},
  };
  for (const auto& folder : folders) {
    std::string v = helper.ReadProfileString(f, GB_SECTION_CONFIGURE, folder.key);
    if (!v.empty())
      *folder.value = std::move(v);
    else
      helper.WriteProfileString(f, GB_SECTION_CONFIGURE, folder.key, *folder.value);
  }
  ReadNumbers(store, helper);
}

bool LoadSettingsAtStartup(SettingsStore& store, const CSysHelper& helper) {
  std::string bytes;
  const gbprofile::FileState state = gbprofile::ReadProfileBytes(store.settingsFile, bytes);
  const bool firstRun = state == gbprofile::FileState::Missing || (state == gbprofile::FileState::Ok && bytes.empty());
  if (firstRun) {
    ApplyDefaultNumbers(store);
    store.PathCurrent.clear();
    // When the file cannot be written the numbers stay in memory for this run.
    if (!SaveSettings(store, helper)) return true;
  }
  LoadSettings(store, helper);
  // The save folder may have been changed by the file; it has to exist too.
  CSysHelper::EnsureFolder(store.PathSave);
  return firstRun;
}

void ReloadSettings(SettingsStore& store, const CSysHelper& helper) {
  const std::string& f = store.settingsFile;
  store.ShottingDelay = helper.ReadProfileInt(f, GB_SECTION_CONFIGURE, "ShottingDelay");
  store.PathCurrent = helper.ReadProfileString(f, GB_SECTION_CONFIGURE, "PathCurrent");
  if (store.PathCurrent.empty()) store.PathCurrent = gbpaths::HomeDirectory();
  for (const auto& k : kTemplateFolderKeys)
    store.*k.field = helper.ReadProfileString(f, GB_SECTION_CONFIGURE, k.settingsKey);
  store.PathSave = helper.ReadProfileString(f, GB_SECTION_CONFIGURE, "PathSave");
  ReadNumbers(store, helper);
}

bool SaveSettings(const SettingsStore& store, const CSysHelper& helper) {
  const std::string& f = store.settingsFile;
  bool ok = helper.WriteProfileInt(f, GB_SECTION_CONFIGURE, "ShottingDelay", store.ShottingDelay);
  ok &= helper.WriteProfileString(f, GB_SECTION_CONFIGURE, "PathCurrent", store.PathCurrent);
  for (const auto& k : kTemplateFolderKeys)
    ok &= helper.WriteProfileString(f, GB_SECTION_CONFIGURE, k.settingsKey, store.*k.field);
  ok &= helper.WriteProfileString(f, GB_SECTION_CONFIGURE, "PathSave", store.PathSave);
  ok &= helper.WriteProfileInt(f, GB_SECTION_CONFIGURE, "PrintWidth", store.PrintWidth);
  ok &= helper.WriteProfileInt(f, GB_SECTION_CONFIGURE, "PrintHeight", store.PrintHeight);
  ok &= helper.WriteProfileInt(f, GB_SECTION_CONFIGURE, "AutoChangeFrame", store.AutoChangeFrame);
  ok &= helper.WriteProfileInt(f, GB_SECTION_CONFIGURE, "Alpha", store.Alpha);
  return ok;
}

void ApplyDefaultNumbers(SettingsStore& store) {
  store.ShottingDelay = GB_DEFAULT_SHOTTING_DELAY;
  store.PrintWidth = GB_DEFAULT_PRINT_WIDTH;
  store.PrintHeight = GB_DEFAULT_PRINT_HEIGHT;
  store.AutoChangeFrame = GB_DEFAULT_AUTO_CHANGE_FRAME;
  store.Alpha = GB_DEFAULT_ALPHA;
}

void ApplyDefaultSettings(SettingsStore& store) {
  ApplyDefaultNumbers(store);
  for (const auto& k : kTemplateFolderKeys) store.*k.field = DefaultTemplateFolder(store.appDirectory, k.defaultFolder);
}

void LoadTextToolSettings(TextSettings& t) {
  using gbprofile::AppProfileGetInt;
  InitTextSettings(t);
  CopyFaceName(t.font.lfFaceName, gbprofile::AppProfileGetString("TextTool", "lfFaceName", "Times New Roman"));
  t.font.lfCharSet = uint8_t(AppProfileGetInt("TextTool", "lfCharSet", 238));
  t.font.lfWeight = int32_t(std::min<unsigned>(AppProfileGetInt("TextTool", "lfWeight", 0), INT32_MAX));
  t.font.lfItalic = uint8_t(AppProfileGetInt("TextTool", "lfItalic", 0));
  t.font.lfUnderline = uint8_t(AppProfileGetInt("TextTool", "lfUnderline", 0));
  t.textColor = COLORREF(AppProfileGetInt("TextTool", "fcolor", 0xA0FFFF));
  t.boxColor = COLORREF(AppProfileGetInt("TextTool", "bcolor", 0xA05000));
  t.opaque = uint8_t(AppProfileGetInt("TextTool", "opaque", 1));
  // The record's ranges: opacity 0..1, radius at most 50 percent.
  t.boxOpacity = float(std::min<unsigned>(AppProfileGetInt("TextTool", "opacity", 0), 100)) / 100.0f;
  t.roundRadius = uint8_t(std::min<unsigned>(AppProfileGetInt("TextTool", "roundradius", 25), 50));
  t.smooth = uint8_t(AppProfileGetInt("TextTool", "antialias", 1));
}

ImageOptions LoadImageOptions() {
  using gbprofile::AppProfileGetInt;
  ImageOptions o;
  const double fraction = AppProfileGetInt("Options", "JpegQualityF", 0);
  const double whole = AppProfileGetInt("Options", "JpegQualityI", 90);
  o.jpegQuality = float(whole + fraction * 0.001);
  o.jpegOptions = AppProfileGetInt("Options", "JpegOptions", 0);
  o.rawOptions = AppProfileGetInt("Options", "RawOptions", 0);
  o.docType = int(std::min<unsigned>(AppProfileGetInt("General", "DocType", 0), INT_MAX));
  return o;
}
