// The process-wide record of folders and numbers that every window reads and
// writes directly. Folders end in "/" only where a path was chosen with the
// folder picker; the defaults do not.
#pragma once
#include <string>

struct SettingsStore {
  std::string appDirectory;   // ends in "/"
  std::string tempDirectory;  // ends in "/"
  std::string settingsFile;   // appDirectory + "Glimmerbox.ini"

  // The six template folders.
  std::string PathFrame;
  std::string PathPortrait;
  std::string PathBackGround;
  std::string PathMask;
  std::string PathEmotion;
  std::string PathBaseMap;

  std::string PathCurrent;  // last folder the user chose
  std::string PathSave;     // save folder, created at start-up

  int ShottingDelay = 0;  // seconds before a webcam snapshot
  int PrintWidth = 0;     // print size in printer pixels
  int PrintHeight = 0;
  int AutoChangeFrame = 0;  // 1: next frame after each sticker
  int Alpha = 0;            // frame opacity 0..255
};

// The one record of the running program.
SettingsStore& TheSettings();
