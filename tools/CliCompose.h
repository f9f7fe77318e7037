// Helpers of the sticker, sheet and project sub-commands.
#pragma once
#include <string>
#include <vector>

#include "image/core/GbImage.h"
#include "tools/Cli.h"

// The positional arguments with "-o OUT" taken out (OUT also from --output).
// False with a message when -o has no value.
bool CliSplitOutput(const CliArgs& args, const char* command, std::vector<std::string>& rest, std::string& out);

// Checks that OUT names a picture type this build can write; false with a
// message otherwise.
bool CliCheckPictureOutput(const std::string& out, const char* command);

// Writes a picture by its extension, as the save-picture dialog does: a
// ".jpg" name gets quality 99 (and colour pictures 24 bits).
bool CliSavePicture(GbImage& image, const std::string& out, const char* command);

// A private folder under the temp directory, removed with the object.
class CliTempFolder {
 public:
  CliTempFolder();
  ~CliTempFolder();
  CliTempFolder(const CliTempFolder&) = delete;
  CliTempFolder& operator=(const CliTempFolder&) = delete;
  bool ok() const { return !path_.empty(); }
  const std::string& path() const { return path_; }  // ends in "/"

 private:
  std::string path_;
};

// An integer option within [low, high]; false with a message otherwise.
bool CliIntInRange(const CliArgs& args, const char* name, long low, long high, long fallback, long& out,
                   const char* command);
