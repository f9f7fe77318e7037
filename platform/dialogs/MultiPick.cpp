#include "platform/dialogs/MultiPick.h"

#include <filesystem>

namespace gbdlg {

std::vector<std::string> CollectPickedPaths(std::string folder, const std::vector<std::string>& selected,
                                            const std::string& nameField) {
  std::vector<std::string> out;
  if (folder.empty() || folder.back() != '/') folder += '/';
  size_t folders = 0;
  for (const auto& path : selected) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
      out.push_back(path);
      ++folders;
    }
  }
  if (selected.size() <= folders) return out;
  if (nameField.find('"') == std::string::npos) {
    if (!nameField.empty()) out.push_back(folder + nameField);
    return out;
  }
  // Every double-quoted name.
  size_t pos = 0;
  while (true) {
    size_t open = nameField.find('"', pos);
    if (open == std::string::npos) break;
    size_t close = nameField.find('"', open + 1);
    if (close == std::string::npos) break;
    std::string name = nameField.substr(open + 1, close - open - 1);
    if (!name.empty()) out.push_back(folder + name);
    pos = close + 1;
  }
  return out;
}

}  // namespace gbdlg
