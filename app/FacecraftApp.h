// CFacecraftApp: the application object. It loads every setting, runs the
// main window and, when the framework closes that window, writes the folders
// back to the key store. The settings part runs without any window, so the
// command-line tool and the tests drive it directly.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AppSettings.h"
#include "app/SettingsStore.h"
#include "app/SysHelper.h"
#include "image/core/TextSettings.h"

class DlgFacecraft;

// Name of the clipboard format that carries a serialized GbImage.
constexpr const char* CF_GBIMAGE_NAME = "CF_GBIMAGE";

// Fixed arguments of the photo editor's processing commands, set once at
// start-up and read by the editor.
struct ProcessingDefaults {
  double gamma = 1.23;       // Gamma command
  int thresholdLevel = 128;  // Threshold command: grey above this becomes white
};

class CFacecraftApp {
 public:
  explicit CFacecraftApp(SettingsStore& settings = TheSettings());
  ~CFacecraftApp();
  CFacecraftApp(const CFacecraftApp&) = delete;
  CFacecraftApp& operator=(const CFacecraftApp&) = delete;

  // The application object of the running program (the last one made), or null.
  static CFacecraftApp* Current();

  // The program's arguments, without the program name.
  void SetCommandLine(std::vector<std::string> arguments);

  // Start-up, then the main window; returns false so that the process ends
  // when the main window has closed.
  bool InitInstance();
  // Shutdown: folders and save folder to the key store, helper deleted.
  int ExitInstance();

  // The start-up steps that need no window: project path from the command
  // line, the helper, folders and key-store values, section "Configure", the
  // text-tool record, the image options, the processing defaults and the
  // clipboard format. False when the helper could not be created.
  bool StartUp();

  SettingsStore& settings() { return settings_; }
  const SettingsStore& settings() const { return settings_; }
  CSysHelper* sysHelper() { return sysHelper_.get(); }

  // Fills unpackedFiles from projectPath; the project container reader
  // (UnpackStartupProject, app/ProjectFile.h) unless replaced.
  std::function<void(CFacecraftApp&)> projectUnpacker;
  // Runs the main window modally. Installed by the window layer.
  std::function<void(CFacecraftApp&)> mainWindowRunner;

  std::string projectPath;                 // empty when no project is open
  std::vector<std::string> unpackedFiles;  // entry 0: the settings file
  std::string clipboardFormat;             // the registered name, "CF_GBIMAGE"
  TextSettings textTool{};                 // start of every new text layer
  float jpegQuality = 90.0f;
  uint32_t jpegOptions = 0;
  uint32_t rawOptions = 0;
  int docType = 0;
  ProcessingDefaults processing;
  std::string version;    // key-store "Version", shown in the about box
  bool firstRun = false;  // the settings file was missing or empty
  DlgFacecraft* mainWindow = nullptr;

 private:
  void ParseCommandLine();
  void UnpackProjectAtStartup();
  void LoadFoldersAndRegistry();

  SettingsStore& settings_;
  std::unique_ptr<CSysHelper> sysHelper_;
  std::vector<std::string> arguments_;
};
