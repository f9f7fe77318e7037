// DlgThumNail, the asset browser: the picture files of one folder as pages
// of 20 thumbnails, the recently chosen frames or photos first, a search by
// file name, and the chosen file's path with the folder it browsed.
// CThumbCell is one thumbnail with its caption; it lifts under the mouse and
// reports presses and double clicks.
#pragma once
#include <QImage>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/SettingsStore.h"
#include "app/SysHelper.h"
#include "skin/SkinDialog.h"

class SkStatic;
class ThumbnailMaker;
class QLineEdit;

// The notifications a thumbnail sends, by their fixed names.
constexpr const char* GB_THUMBCELL_LCLICKED = "GB_THUMBCELL_LCLICKED_{6F1C2A47-93D5-4E0B-B8A1-2D7C5E4F9A13}";
constexpr const char* GB_THUMBCELL_RCLICKED = "GB_THUMBCELL_RCLICKED_{A4E97B02-5C3F-4D81-9E6A-71B2C8D05F34}";
constexpr const char* GB_THUMBCELL_DBCLICKED = "GB_THUMBCELL_DBCLICKED_{0D8B3E91-7A24-4C6F-A5D3-9E1F2B7C4A68}";

class CThumbCell : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 120;
  static constexpr int kHeight = 90;
  static constexpr COLORREF kHoverCaption = 13811380;  // RGB 180, 190, 210

  CThumbCell(const std::string& path, const std::string& caption, QWidget* parent = nullptr);
  const std::string& Path() const { return path_; }
  const QString& Caption() const { return caption_; }
  void SetThumbnail(const QImage& thumbnail);
  const QImage& Thumbnail() const { return thumbnail_; }
  bool Hovered() const { return hover_; }
  bool Pressed() const { return pressed_; }
  // The hover look without a mouse (screenshots).
  void SetHover(bool on);

 signals:
  void leftClicked(CThumbCell* cell);
  void rightClicked(CThumbCell* cell);
  void doubleClicked(CThumbCell* cell);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  std::string path_;
  QString caption_;
  QImage thumbnail_;
  QPoint home_;
  bool hover_ = false;
  bool pressed_ = false;
};

// A file of the list: the path to open and the lower-case name shown and compared.
struct BrowserEntry {
  std::string path;
  std::string listed;
};

class DlgThumNail : public SkinDialog {
  Q_OBJECT

 public:
  enum ControlId : int {
    kFirst = 1212,
    kPrevious = 1190,
    kNext = 1204,
    kLast = 1091,
    kPageText = 1251,
    kSearchText = 1254,
    kSearch = 1253,
  };
  static constexpr int kPerPage = 20;

  // An empty start folder makes the browser ask for one when it runs.
  // photo: the recent list is "RecentlyPortrait", else "RecentlyFrame".
  DlgThumNail(const std::string& startFolder, QWidget* parent, bool photo, SettingsStore& settings, CSysHelper& helper);
  ~DlgThumNail() override;

  // Asks for the folder when none was given (cancelled: IDCANCEL at once),
  // lists it and shows the first page, then runs modally.
  int exec() override;

  // Results: the file last clicked ("" when none) and the browsed folder.
  const std::string& SelectedPath() const { return selected_; }
  const std::string& Folder() const { return folder_; }

  // State, for tests and screenshots.
  const std::vector<BrowserEntry>& Entries() const { return entries_; }
  int PageOffset() const { return offset_; }
  int PageCount() const;
  const std::vector<CThumbCell*>& Cells() const { return cells_; }
  QString PageText() const;
  // True while thumbnails of the page are still being made.
  bool Filling() const;

  // Lists the folder and shows the first page (exec does it).
  bool Prepare();

  void OnFirst();
  void OnPrevious();
  void OnNext();
  void OnLast();
  void OnSearch();

 private:
  void CreateControls();
  void BuildList();
  void ShowPage(int offset);
  void OnCellLeft(CThumbCell* cell);
  void OnCellDouble(CThumbCell* cell);
  void OnThumbnailReady(const QString& path, const QImage& thumbnail);

  SettingsStore& settings_;
  CSysHelper& helper_;
  bool photo_;
  std::string folder_;
  std::vector<BrowserEntry> entries_;
  int offset_ = -1;
  std::string selected_;
  std::vector<CThumbCell*> cells_;
  SkStatic* pageText_ = nullptr;
  std::unique_ptr<ThumbnailMaker> maker_;
  bool prepared_ = false;

  static const SkinCommandTable<DlgThumNail> kCommands;
};
