#include "app/FacecraftApp.h"

#include <filesystem>
#include <new>

#include "app/ProjectFile.h"
#include "app/StarterArtwork.h"

namespace {
CFacecraftApp* gCurrentApp = nullptr;
}

CFacecraftApp::CFacecraftApp(SettingsStore& settings) : projectUnpacker(UnpackStartupProject), settings_(settings) {
  gCurrentApp = this;
}

CFacecraftApp::~CFacecraftApp() {
  if (gCurrentApp == this) gCurrentApp = nullptr;
}

CFacecraftApp* CFacecraftApp::Current() { return gCurrentApp; }

void CFacecraftApp::SetCommandLine(std::vector<std::string> arguments) { arguments_ = std::move(arguments); }

void CFacecraftApp::ParseCommandLine() {
  // The first argument that is not an option names the project file.
  projectPath.clear();
  bool optionsEnded = false;
  for (const auto& a : arguments_) {
    if (!optionsEnded && a == "--") {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && !a.empty() && a[0] == '-') continue;
    if (a.empty()) continue;
    std::error_code ec;
    const auto abs = std::filesystem::absolute(a, ec);
    projectPath = ec ? a : abs.string();
    break;
  }
}

void CFacecraftApp::UnpackProjectAtStartup() {
  if (projectUnpacker) projectUnpacker(*this);
}

void CFacecraftApp::LoadFoldersAndRegistry() {
  CSysHelper& h = *sysHelper_;
  settings_.appDirectory = h.GetAppDirectory();
  // The fallback application directory may not exist yet on a first run.
  CSysHelper::EnsureFolder(settings_.appDirectory);
  settings_.tempDirectory = h.GetTempDirectory();
  settings_.settingsFile = settings_.appDirectory + GB_SETTINGS_FILE_NAME;
  version = LoadRegistryValues(settings_, h);
  firstRun = LoadSettingsAtStartup(settings_, h);
  // A new installation (or a deleted default folder) starts with the
  // templates shipped with the program.
  FillMissingTemplateFolders(settings_, StarterArtworkDirectory());
}

bool CFacecraftApp::StartUp() {
  ParseCommandLine();
  unpackedFiles.clear();
  if (!projectPath.empty()) UnpackProjectAtStartup();

  try {
    sysHelper_ = std::make_unique<CSysHelper>();
  } catch (const std::bad_alloc&) {
    return false;
  }

  LoadFoldersAndRegistry();

  LoadTextToolSettings(textTool);
  const ImageOptions options = LoadImageOptions();
  jpegQuality = options.jpegQuality;
  jpegOptions = options.jpegOptions;
  rawOptions = options.rawOptions;
  docType = options.docType;

  processing = ProcessingDefaults{};
  clipboardFormat = CF_GBIMAGE_NAME;
  return true;
}

bool CFacecraftApp::InitInstance() {
  if (!StartUp()) return false;
  if (mainWindowRunner) mainWindowRunner(*this);
  return false;
}

int CFacecraftApp::ExitInstance() {
  if (sysHelper_) WriteFoldersToRegistry(settings_, *sysHelper_);
  sysHelper_.reset();
  return 0;
}
