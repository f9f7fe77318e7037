#include "skin/Pickers.h"

#include <QPalette>
#include <filesystem>

#include "platform/dialogs/CommonDialogs.h"
#include "skin/SkinTypes.h"

std::vector<std::string> SelectedPaths;
std::string MultiPickFolder;

std::string CBrowseFolder::WithTrailingSeparator(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

std::string CBrowseFolder::BrowseForFolder(const std::string& title, const std::string& initialFolder,
                                           const std::string& rootFolder, QWidget* parent) {
  title_ = title;
  std::error_code ec;
  if (!rootFolder.empty() && !std::filesystem::is_directory(rootFolder, ec)) return {};  // root cannot be parsed
  gbdlg::FolderRequest request;
  request.parent = parent;
  request.title = title.empty() ? "Open folder" : title;
  request.initialFolder = initialFolder;
  request.rootFolder = rootFolder;
  std::optional<std::string> chosen = gbdlg::Dialogs().PickFolder(request);
  if (!chosen || chosen->empty()) return {};
  // Only folders of the file system count.
  if (!std::filesystem::is_directory(*chosen, ec)) return {};
  displayName_ = std::filesystem::path(*chosen).filename().string();
  return WithTrailingSeparator(*chosen);
}

CMultiPickDialog::CMultiPickDialog(bool open, const std::string& defaultExt, const std::string& fileName, DWORD flags,
                                   const std::string& filter, QWidget* parent)
    : open_(open), defaultExt_(defaultExt), fileName_(fileName), flags_(flags), filter_(filter), parent_(parent) {}

int CMultiPickDialog::DoModal() {
  gbdlg::FileRequest request;
  request.parent = parent_;
  request.title = title;
  request.initialFolder = initialFolder;
  request.fileName = fileName_;
  request.filter = filter_;
  request.defaultExt = defaultExt_;
  request.acceptCaption = acceptCaption;
  request.cancelCaption = cancelCaption;
  request.nameLabel = nameLabel;
  std::optional<std::vector<std::string>> picked = gbdlg::Dialogs().PickFilesAndFolders(request);
  if (!picked || picked->empty()) return IDCANCEL;
  SelectedPaths = *picked;
  std::filesystem::path first(picked->front());
  MultiPickFolder = CBrowseFolder::WithTrailingSeparator(first.parent_path().string());
  return IDOK;
}

CReadOnlyEdit::CReadOnlyEdit(QWidget* parent) : QLineEdit(parent) {
  setReadOnly(true);
  Apply();
}

void CReadOnlyEdit::SetBackgroundColour(COLORREF colour) {
  background_ = colour;
  Apply();
}

void CReadOnlyEdit::SetTextColour(COLORREF colour) {
  text_ = colour;
  Apply();
}

void CReadOnlyEdit::Apply() {
  QPalette pal = palette();
  pal.setColor(QPalette::Base, QColorFromRef(background_));
  pal.setColor(QPalette::Text, QColorFromRef(text_));
  setPalette(pal);
  update();
}
