// The folder picker, the multi-selection file dialog and the coloured
// read-only edit. The pickers ask the common dialogs in use (gbdlg::Dialogs()),
// so tests answer them through gbdlg::ScriptedDialogs.
#pragma once
#include <QLineEdit>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

class QWidget;

class CBrowseFolder {
 public:
  // The chosen folder ending in "/", or "" when cancelled or not a folder of
  // the file system. An empty title shows "Open folder".
  std::string BrowseForFolder(const std::string& title, const std::string& initialFolder,
                              const std::string& rootFolder = {}, QWidget* parent = nullptr);
  const std::string& Title() const { return title_; }
  const std::string& DisplayName() const { return displayName_; }

  // The trailing-separator rule on its own: "/a/b" -> "/a/b/", "/" stays "/".
  static std::string WithTrailingSeparator(std::string path);

 private:
  std::string title_;
  std::string displayName_;
};

// The paths chosen by the last accepted CMultiPickDialog.
extern std::vector<std::string> SelectedPaths;
// The folder the last CMultiPickDialog showed.
extern std::string MultiPickFolder;

class CMultiPickDialog {
 public:
  CMultiPickDialog(bool open, const std::string& defaultExt, const std::string& fileName, DWORD flags,
                   const std::string& filter, QWidget* parent);

  // Captions callers may replace before DoModal.
  std::string acceptCaption = "Select";
  std::string cancelCaption = "Cancel";
  std::string nameLabel = "Item name:";
  std::string title;
  std::string initialFolder;

  // IDOK with SelectedPaths filled, or IDCANCEL (SelectedPaths kept).
  int DoModal();

 private:
  bool open_;
  std::string defaultExt_;
  std::string fileName_;
  DWORD flags_;
  std::string filter_;
  QWidget* parent_;
};

class CReadOnlyEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit CReadOnlyEdit(QWidget* parent = nullptr);
  void SetBackgroundColour(COLORREF colour);
  void SetTextColour(COLORREF colour);
  COLORREF BackgroundColour() const { return background_; }

 private:
  void Apply();
  COLORREF text_ = 0;
  COLORREF background_ = 0xFFFFFF;
};
