// CSysHelper: the profile-file, key-store, path, folder-scan and folder-picker
// functions every window uses. It holds no state that matters beyond the
// process except the folder picker in use.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/profile/RegistryStore.h"

// One file of a scanned folder. Names are listed and compared in lower case,
// but this file system tells cases apart, so the stored name opens the file.
struct FolderEntry {
  std::string path;    // folder + "/" + name as stored: open this
  std::string listed;  // folder + "/" + lower-case name: show and compare this
};

class CSysHelper {
 public:
  // (title, start folder) -> chosen folder, or empty when cancelled.
  using FolderPicker = std::function<std::string(const std::string& title, const std::string& startFolder)>;

  // ---- profile files: an empty file name means the system-wide profile ----
  // At most 259 characters; empty when absent.
  std::string ReadProfileString(const std::string& file, const std::string& section, const std::string& key) const;
  // Decimal value of the string; 0 when absent or empty.
  int ReadProfileInt(const std::string& file, const std::string& section, const std::string& key) const;
  bool WriteProfileString(const std::string& file, const std::string& section, const std::string& key,
                          const std::string& value) const;
  bool WriteProfileInt(const std::string& file, const std::string& section, const std::string& key, int value) const;

  // ---- key store -----------------------------------------------------------
  bool ReadRegString(gbprofile::RegRoot root, const std::string& subkey, const std::string& name,
                     std::string& value) const;
  // Creates the key when missing.
  bool WriteRegString(gbprofile::RegRoot root, const std::string& subkey, const std::string& name,
                      const std::string& value) const;

  // ---- paths ---------------------------------------------------------------
  // The application directory (ends in "/"); optionally the executable's
  // file name and extension (with its dot).
  std::string GetAppDirectory(std::string* fileName = nullptr, std::string* extension = nullptr) const;
  // Ends in "/".
  std::string GetTempDirectory() const;

  enum PathPart { Drive = 0, Directory = 1, FileName = 2, Extension = 3, DriveDirectory = 4, NameExtension = 5 };
  // Directory keeps its trailing "/"; Extension keeps its dot; Drive is always
  // empty here. An unknown part gives an empty string.
  static std::string SplitPath(const std::string& path, int part);
  // Text after the last "."; the whole path when there is none.
  static std::string ExtensionOf(const std::string& path);
  // Creates the folder and every missing parent. True when it exists afterwards.
  static bool EnsureFolder(const std::string& path);
  static bool FileExists(const std::string& path);

  // Fills list with the folder's files (not subfolders), in the order the
  // directory gives them. A missing or unreadable folder gives an empty list.
  static void ScanFolder(const std::string& folder, std::vector<FolderEntry>& list);

  // The chosen folder, ending in "/", or empty when cancelled or when no
  // picker is installed.
  std::string BrowseForFolder(const std::string& title, const std::string& startFolder) const;
  void SetFolderPicker(FolderPicker picker) { picker_ = std::move(picker); }

  // File-dialog filter of every picture type the engine knows.
  static const char* SupportedTypesFilter();

 private:
  static std::string ProfilePath(const std::string& file);

  FolderPicker picker_;
};
