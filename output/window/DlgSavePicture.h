// DlgSavePicture: the sheet laid over a background picture and saved as an
// image file. The user picks a background from the Background folder's
// thumbnails (five to a page) or any picture through the asset browser,
// chooses one of two output sizes and a file name; the type follows from the
// name's extension.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/SettingsStore.h"
#include "compose/model/Composition.h"
#include "compose/model/TemplateLibrary.h"
#include "skin/SkinDialog.h"

class CTransparentPic;
class GbSkinButton;
class PictureControl;
class SkComboBox;

class DlgSavePicture : public SkinDialog {
  Q_OBJECT

 public:
  enum ControlId : int {
    kBackground = 1188,
    kSheet = 1189,
    kThumb0 = 1206,
    kThumb1 = 1207,
    kThumb2 = 1208,
    kThumb3 = 1091,
    kThumb4 = 1209,
    kPreviousPage = 1190,
    kNextPage = 1204,
    kAnyPicture = 1205,
    kSize = 1210,
    kSave = 1135,
  };
  static constexpr int kThumbIds[5] = {kThumb0, kThumb1, kThumb2, kThumb3, kThumb4};
  static constexpr int kPictureWidth = 530, kPictureHeight = 400;
  static constexpr const char* kFilter =
      "BMP|*.bmp|JPG|*.jpg|GIF|*.gif|ICO|*.ico|PCX|*.pcx|JP2|*.jp2|JPC|*.jpc|PNG|*.png|TIF|*.tif|TGA|*.tga|WMF|*.wmf|"
      "RAW|*.raw|WBMP|*.wbmp|RAS|*.ras|PNM|*.pnm|PGX|*.pgx|MNG|*.mng|SKA|*.ska|";

  // The asset browser: the chosen file, or nothing.
  using Browse = std::function<std::optional<std::string>(QWidget* parent)>;

  // stickers: the sheet rectangles of the slots holding a sticker (sheet
  // pixels, top-down); only the sheet's gaps and margins let the background
  // through, so black in a photo stays black.
  DlgSavePicture(const SharedBitmap& sheet, std::vector<RECT> stickers, SettingsStore& settings, Browse browse,
                 QWidget* parent = nullptr);
  ~DlgSavePicture() override;

  // ---- state, for tests ----
  int PageOffset() const { return offset_; }
  const TemplateList& Backgrounds() const { return list_; }
  const GbImage& BackgroundImage() const { return background_; }
  GbSkinButton* Thumb(int k) const;
  // The picture last written (its type settings included); empty before.
  const GbImage& SavedPicture() const { return saved_; }
  const std::string& SavedPath() const { return savedPath_; }

  // ---- the command table ----
  void OnPreviousPage();
  void OnNextPage();
  void OnThumbnail(int id);
  void OnAnyPicture();
  void OnSave();

 private:
  void CreateControls();
  void ShowPage();
  bool UseBackgroundFile(const std::string& path);
  void ShowPictures();
  void Problem(const QString& text);

  SettingsStore& settings_;
  Browse browse_;
  GbImage sheet_;
  std::vector<RECT> stickers_;
  GbImage background_;  // 530 x 400
  TemplateList list_;
  int offset_ = 0;
  int shown_[5] = {-1, -1, -1, -1, -1};  // the list entry each thumbnail shows
  GbImage saved_;
  std::string savedPath_;

  PictureControl* backgroundView_ = nullptr;
  CTransparentPic* sheetView_ = nullptr;
  SkComboBox* size_ = nullptr;
  QImage frameNormal_, frameChecked_;

  static const SkinCommandTable<DlgSavePicture> kCommands;
};
