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

// Checks every output path before any work is done: its folder exists, it
// is not a folder itself, it is none of the inputs and no other output names
// the same file. False with a message otherwise.
bool CliCheckOutputPaths(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs,
                         const char* command);

// Reads a photo, frame or background as 24-bit colour. The extension picks
// the decoder; when it names no known type the content decides, as convert
// reads it. False with a message naming the file.
bool CliLoadPicture(const std::string& path, GbImage& image, std::string& error);

// A private folder under the temp directory, removed with the object.
class CliTempFolder {
 public:
  CliTempFolder();
  ~CliTempFolder();
  CliTempFolder(const CliTempFolder&) = delete;
  CliTempFolder& operator=(const CliTempFolder&) = delete;
  bool ok() const { return !path_.empty(); }
  const std::string& path() const { return path_; }  // ends in "/"
  // Why the folder could not be made, naming the temp directory.
  const std::string& problem() const { return problem_; }

 private:
  std::string path_;
  std::string problem_;
};

// An integer option within [low, high]; false with a message otherwise.
bool CliIntInRange(const CliArgs& args, const char* name, long low, long high, long fallback, long& out,
                   const char* command);
