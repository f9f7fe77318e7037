// The common dialogs every window asks for: open and save files, pick several
// files and folders, pick a folder, a colour or a font. Windows call them
// through Dialogs(); tests install a ScriptedDialogs that answers instead of
// a person.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

class QWidget;

namespace gbdlg {

// Filter in the "Name|*.a;*.b|Name|*.c|" form the windows use.
struct FileRequest {
  QWidget* parent = nullptr;
  std::string title;
  std::string initialFolder;  // empty: the dialog's own choice
  std::string fileName;       // proposed name
  std::string filter;
  std::string defaultExt;  // added to a typed name without extension
  bool overwritePrompt = false;
  // Captions for the multi-pick dialog.
  std::string acceptCaption = "Select";
  std::string cancelCaption = "Cancel";
  std::string nameLabel = "Item name:";
};

struct FolderRequest {
  QWidget* parent = nullptr;
  std::string title;          // shown to the user
  std::string initialFolder;  // selected when the dialog opens
  std::string rootFolder;     // browsing is limited below it; empty: everywhere
};

// The fields of a font description that the pickers round-trip.
struct FontDescription {
  std::string face;
  int height = 0;  // negative: character height in pixels; positive: cell height
  int weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  int charSet = 0;
};

using CustomColours = std::array<COLORREF, 16>;

class CommonDialogs {
 public:
  virtual ~CommonDialogs() = default;
  // One existing file; nullopt when cancelled.
  virtual std::optional<std::string> OpenFile(const FileRequest& request) = 0;
  // Several existing files; nullopt when cancelled.
  virtual std::optional<std::vector<std::string>> OpenFiles(const FileRequest& request) = 0;
  virtual std::optional<std::string> SaveFile(const FileRequest& request) = 0;
  // Files and folders chosen together (folders are listed as folders).
  virtual std::optional<std::vector<std::string>> PickFilesAndFolders(const FileRequest& request) = 0;
  // A folder path without a trailing separator (except the root "/").
  virtual std::optional<std::string> PickFolder(const FolderRequest& request) = 0;
  // custom may be null; when given, the picker may update it.
  virtual std::optional<COLORREF> PickColour(QWidget* parent, COLORREF initial, CustomColours* custom) = 0;
  virtual std::optional<FontDescription> PickFont(QWidget* parent, const FontDescription& initial, COLORREF colour) = 0;
};

// The dialogs in use: the Qt ones unless a test installed others.
CommonDialogs& Dialogs();
// Installs dialogs (not owned); nullptr goes back to the Qt ones.
void SetDialogs(CommonDialogs* dialogs);

// Splits a "Name|pattern|Name|pattern|" filter into Qt's "Name (pattern)" list.
std::vector<std::string> QtFilterList(const std::string& filter);

}  // namespace gbdlg
