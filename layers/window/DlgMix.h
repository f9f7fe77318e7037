// DlgMix, the layer editor: decorates a picture with decoration pictures
// and texts. The composite is shown in a scrollable 320 x 240 view, the
// layers in a check list (check: drawn), five thumbnails of the emotion
// folder below; layers are added, removed, reordered, moved with the arrow
// buttons and dragged with the mouse. After OK the caller takes Result().
#pragma once
#include <QCursor>
#include <QImage>
#include <string>
#include <vector>

#include "image/core/GbImage.h"
#include "image/core/TextSettings.h"
#include "layers/model/MixLayers.h"
#include "skin/SkinDialog.h"

class QListWidget;
class QListWidgetItem;
class QScrollBar;
class SettingsStore;
class CSysHelper;
class MixView;

// What the layer editor needs of the application.
struct MixContext {
  std::string emotionFolder;          // the thumbnail strip's pictures
  TextSettings* textTool = nullptr;   // start of every new text; updated after OK
  SettingsStore* settings = nullptr;  // for the asset browser (null: no browser)
  CSysHelper* helper = nullptr;
};

class DlgMix : public SkinDialog {
  Q_OBJECT

 public:
  enum ControlId : int {
    kView = 1094,
    kHScroll = 1105,
    kVScroll = 1106,
    kLayerList = 1127,
    kAccept = 1135,
    kAddText = 1129,
    kRemove = 1130,
    kClear = 1134,
    kLayerUp = 1131,
    kLayerDown = 1133,
    kAddPicture = 1108,
    kAddPictureHidden = 1128,
    kLeft = 1116,
    kUp = 1121,
    kDown = 1122,
    kRight = 1119,
    kPreviousPage = 1124,
    kNextPage = 1125,
  };
  static constexpr int kThumbIds[5] = {1206, 1207, 1208, 1091, 1209};
  static constexpr int MoveStep = 2;
  static constexpr int kViewLeft = 10, kViewTop = 32, kViewWidth = 320, kViewHeight = 240;
  static constexpr int kThumbsPerPage = 5;

  // picture may be null (the first picture layer added becomes the base);
  // it stays the caller's.
  DlgMix(HBITMAP picture, QWidget* parent, const MixContext& context);
  ~DlgMix() override;

  const GbImage& Result() const { return result_; }
  const std::vector<MixLayerData>& Layers() const { return layers_; }
  int Selected() const;
  void Select(int index);

  // View state after the last render, for tests.
  QPoint DrawPosition() const { return drawPos_; }
  QPoint ScrollOffset() const { return scroll_; }
  QScrollBar* HScroll() const { return hbar_; }
  QScrollBar* VScroll() const { return vbar_; }
  QListWidget* LayerList() const { return list_; }
  const QImage& Display() const { return display_; }
  // The window point where composite pixel (x, y) is drawn now.
  QPoint WindowPointOf(int x, int y) const { return drawPos_ + QPoint(x, y) - scroll_; }

  // Thumbnail strip.
  const std::vector<std::string>& ThumbnailFiles() const { return thumbFiles_; }
  int PageStart() const { return pageStart_; }
  const std::string& SlotPath(int slot) const { return slotPaths_[size_t(slot)]; }

  // ---- commands -------------------------------------------------------------------
  void OnAccept();
  void OnAddPicture();
  void OnThumbnail(int id);
  void OnAddText();
  void OnRemove();
  void OnClear();
  void OnLayerUp();
  void OnLayerDown();
  void OnLeft();
  void OnRight();
  void OnUp();
  void OnDown();
  void OnPreviousPage();
  void OnNextPage();
  void OnLayerSelected();
  // Adds a picture layer from a file after the selected layer; false (with a
  // message) when the file can't serve as a decoration.
  bool AddPictureLayer(const std::string& path);
  void Render();

  // The default button (the Enter key) opens a photo editor without a picture.
  void OnOK() override;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void CreateControls();
  void InsertLayer(const MixLayerData& layer, const QString& entry);
  void UpdateView();
  void ShowThumbnailPage();
  void MoveSelected(long dx, long dy);
  // Keeps part of a layer inside the composite, so it can be grabbed again.
  void KeepReachable(MixLayerData& layer);
  bool OverSelected(QPoint windowPoint) const;
  void OnItemChanged(QListWidgetItem* item);

  HBITMAP caller_ = nullptr;
  MixContext context_;
  std::vector<MixLayerData> layers_;
  LayerRenderState state_;
  GbImage result_;
  QImage display_;

  QPoint drawPos_{kViewLeft, kViewTop};
  QPoint scroll_{0, 0};
  QSize shownSize_;
  MixView* view_ = nullptr;
  QScrollBar* hbar_ = nullptr;
  QScrollBar* vbar_ = nullptr;
  QListWidget* list_ = nullptr;
  bool filling_ = false;

  std::vector<std::string> thumbFiles_;
  int pageStart_ = 0;
  std::string slotPaths_[kThumbsPerPage];

  bool dragging_ = false;
  bool havePress_ = false;
  QPoint press_;
  QCursor overCursor_, dragCursor_;

  static const SkinCommandTable<DlgMix> kCommands;
};

// Makes "Add decoration" of every photo editor open the layer editor with
// the application's emotion folder and text-tool record.
void InstallLayerEditor(class CFacecraftApp& app);
