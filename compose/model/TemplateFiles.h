// Importing picture files into a template folder and removing them from it,
// as the configuration window does. Nothing is ever overwritten, and only
// files that lie directly inside the folder are ever deleted.
#pragma once
#include <string>
#include <vector>

struct TemplateFileResult {
  std::vector<std::string> done;     // the files copied or deleted
  std::vector<std::string> refused;  // with the reason: "name: reason"
};

// Copies each file into the folder under its own name. A name already in
// the folder is left alone and reported; a copy cut short (full disk, no
// room) leaves nothing behind under the name.
TemplateFileResult ImportTemplateFiles(const std::vector<std::string>& files, const std::string& folder);

// Deletes each file that is a regular file directly inside the folder;
// anything else (a file elsewhere, a sub-folder) is reported, not deleted.
TemplateFileResult RemoveTemplateFiles(const std::vector<std::string>& files, const std::string& folder);
