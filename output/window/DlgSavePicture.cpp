#include "output/window/DlgSavePicture.h"

#include <QPainter>
#include <algorithm>
#include <cctype>

#include "compose/model/BatchCompose.h"
#include "compose/window/PictureViews.h"
#include "compose/window/WindowControls.h"
#include "output/window/OutputArt.h"
#include "platform/dialogs/CommonDialogs.h"
#include "skin/GbSkinButton.h"
#include "skin/MessageBoxDlg.h"
#include "skin/SkComboBox.h"
#include "skin/SkStatic.h"
#include "skin/SkinTypes.h"

namespace {

bool Resampled(const GbImage& source, long w, long h, GbImage& out) {
  if (!out.CopyFrom(source)) return false;
  if (long(out.Width()) == w && long(out.Height()) == h) return true;
  return out.ResampleInterpolated(w, h, GbImage::kCatmullRom, GbImage::kRepeat);
}

bool EndsWithJpg(const std::string& path) {
  if (path.size() < 3) return false;
  std::string tail = path.substr(path.size() - 3);
  for (char& c : tail) c = char(std::tolower(static_cast<unsigned char>(c)));
  return tail == "jpg";
}

}  // namespace

const SkinCommandTable<DlgSavePicture> DlgSavePicture::kCommands = {
    {kPreviousPage, &DlgSavePicture::OnPreviousPage},
    {kNextPage, &DlgSavePicture::OnNextPage},
    {kThumb0, &DlgSavePicture::OnThumbnail},
    {kThumb1, &DlgSavePicture::OnThumbnail},
    {kThumb2, &DlgSavePicture::OnThumbnail},
    {kThumb3, &DlgSavePicture::OnThumbnail},
    {kThumb4, &DlgSavePicture::OnThumbnail},
    {kAnyPicture, &DlgSavePicture::OnAnyPicture},
    {kSave, &DlgSavePicture::OnSave},
};

DlgSavePicture::DlgSavePicture(const SharedBitmap& sheet, std::vector<RECT> stickers, SettingsStore& settings,
                               Browse browse, QWidget* parent)
    : SkinDialog(parent), settings_(settings), browse_(std::move(browse)), stickers_(std::move(stickers)) {
  UseCommands(kCommands);
  setWindowTitle(QStringLiteral("Save picture"));
  SetSkinImage(OutputArt::SavePictureBackground(), 640, 550, 28);
  ImageOfBitmap(sheet, sheet_);
  if (sheet_.HasPixels() && sheet_.BitsPerPixel() < 24) sheet_.RaiseBpp(24);
  frameNormal_ = OutputArt::ThumbnailFrame(false);
  frameChecked_ = OutputArt::ThumbnailFrame(true);
  CreateControls();
  // 1. The Background folder; 2. white until a background is chosen; 3. the
  // sheet over it; 4. the first page of thumbnails.
  ScanTemplateFolder(settings_.PathBackGround, list_);
  GbImage white;
  if (MakeEmptySlotPicture(white)) Resampled(white, kPictureWidth, kPictureHeight, background_);
  ShowPictures();
  ShowPage();
}

DlgSavePicture::~DlgSavePicture() = default;

void DlgSavePicture::CreateControls() {
  backgroundView_ = Add<PictureControl>(kBackground, 12, 50, kPictureWidth, kPictureHeight);
  sheetView_ = Add<CTransparentPic>(kSheet, 12, 50, kPictureWidth, kPictureHeight);
  static constexpr int kThumbY[5] = {91, 158, 225, 292, 359};
  for (int k = 0; k < 5; ++k) {
    auto* b = Add<GbSkinButton>(kThumbIds[k], 545, kThumbY[k], 86, 66);
    b->SetKind(GbSkinButton::kCheckBox);
    b->SetSkinImages(frameNormal_, frameChecked_, QImage(), QImage(), QImage(), QImage());
  }
  MakeGlyphButton(this, kPreviousPage, QRect(563, 44, 45, 45), MainArt::Glyph::Previous, {},
                  QStringLiteral("Previous backgrounds"));
  MakeGlyphButton(this, kNextPage, QRect(563, 422, 45, 45), MainArt::Glyph::Next, {},
                  QStringLiteral("Next backgrounds"));
  MakeGlyphButton(this, kAnyPicture, QRect(389, 460, 152, 60), MainArt::Glyph::SelectFrame,
                  QStringLiteral("Any picture"), QStringLiteral("Choose any picture as the background"));
  auto* label = Add<SkStatic>(-1, 16, 469, 130, 16);
  label->SetText(QStringLiteral("Picture size:"));
  size_ = Add<SkComboBox>(kSize, 150, 467, 164, 18);
  size_->AddString(QStringLiteral("1024 X 768 (Hight Quality)"));
  size_->AddString(QStringLiteral("528 X 400 (Low Quality)"));
  size_->SetCurSel(0);
  size_->setFont(SkinFont(QStringLiteral("Tahoma"), 10, 400));
  MakeTextButton(this, kSave, QRect(16, 504, 60, 23), QStringLiteral("Save"), true);
  MakeTextButton(this, IDCANCEL, QRect(82, 504, 60, 23), QStringLiteral("Cancel"));
  MakeGlyphButton(this, kCloseControlId, QRect(598, 1, 25, 25), MainArt::Glyph::Close, {}, QStringLiteral("Close"));
  SetDefaultId(kSave);
}

GbSkinButton* DlgSavePicture::Thumb(int k) const {
  return k >= 0 && k < 5 ? ItemAs<GbSkinButton>(kThumbIds[k]) : nullptr;
}

void DlgSavePicture::ShowPictures() {
  backgroundView_->SetPicture(QImageOfGbImage(background_));
  // The sheet as it will be laid over: what the save keys out is painted in
  // the see-through colour, so the preview shows exactly the saved picture.
  GbImage overlay, keyed;
  QImage shown;
  if (sheet_.HasPixels() && Resampled(sheet_, kPictureWidth, kPictureHeight, overlay) &&
      keyed.Create(kPictureWidth, kPictureHeight, 24)) {
    for (long y = 0; y < kPictureHeight; ++y)
      for (long x = 0; x < kPictureWidth; ++x) keyed.WritePixelColorUnchecked(x, y, RGBQUAD{255, 0, 255, 0});
    if (PasteSheetKeyed(keyed, overlay, &stickers_)) shown = QImageOfGbImage(keyed);
  }
  sheetView_->SetKeyColour(RGB(255, 0, 255));
  sheetView_->SetBitmap(shown);
  backgroundView_->update();
  sheetView_->update();
}

void DlgSavePicture::ShowPage() {
  for (int k = 0; k < 5; ++k) {
    ShowItem(kThumbIds[k], false);
    shown_[k] = -1;
  }
  int button = 0;
  for (int i = offset_; i < list_.size() && button < 5; ++i) {
    const FolderEntry& entry = list_.entries[size_t(i)];
    if (entry.path.empty()) continue;
    GbSkinButton* b = Thumb(button);
    ShowItem(kThumbIds[button], true);
    if (!IsUsableTemplate(entry)) continue;  // the next usable entry fills this button
    GbImage picture, small, large;
    std::string error;
    if (!LoadTemplatePicture(entry.path, picture, error) || !Resampled(picture, 80, 60, small) ||
        !Resampled(picture, 86, 66, large))
      continue;
    const QImage thumb = QImageOfGbImage(small);
    QImage faceNormal = frameNormal_.copy(), faceChecked = frameChecked_.copy();
    {
      QPainter p(&faceNormal);
      p.drawImage(3, 3, thumb);
    }
    {
      QPainter p(&faceChecked);
      p.drawImage(3, 3, thumb);
    }
    b->SetSkinImages(faceNormal, faceChecked, QImageOfGbImage(large), QImage(), QImage(), QImage());
    b->setToolTip(QString::fromStdString(entry.path));
    shown_[button] = i;
    ++button;
  }
}

void DlgSavePicture::OnPreviousPage() {
  if (offset_ == 0) return;
  offset_ -= 5;
  ShowPage();
}

void DlgSavePicture::OnNextPage() {
  if (offset_ + 5 > list_.size() - 1) return;
  offset_ += 5;
  ShowPage();
}

void DlgSavePicture::OnThumbnail(int id) {
  int k = 0;
  while (k < 5 && kThumbIds[k] != id) ++k;
  if (k == 5) return;
  for (int j = 0; j < 5; ++j) Thumb(j)->SetChecked(j == k);
  // The file the button shows: with unusable entries skipped on the page,
  // offset + k could name another file than the one in the thumbnail.
  const int index = shown_[k];
  if (index >= 0 && index < list_.size()) UseBackgroundFile(list_.entries[size_t(index)].path);
}

void DlgSavePicture::OnAnyPicture() {
  if (!browse_) return;
  const std::optional<std::string> chosen = browse_(this);
  if (!chosen || chosen->empty()) return;
  if (GbImage::TypeFromPath(*chosen) == GB_TYPE_UNKNOWN) return;
  UseBackgroundFile(*chosen);
}

bool DlgSavePicture::UseBackgroundFile(const std::string& path) {
  GbImage picture, sized;
  std::string error;
  if (!LoadTemplatePicture(path, picture, error) || !Resampled(picture, kPictureWidth, kPictureHeight, sized)) {
    // The background stays as it was; say why rather than leave the user guessing.
    Problem(QStringLiteral("The picture %1 cannot be used as the background: %2.")
                .arg(QString::fromStdString(path),
                     QString::fromStdString(error.empty() ? std::string(picture.LastError()) : error)));
    return false;
  }
  background_.TakeOver(sized);
  ShowPictures();
  return true;
}

void DlgSavePicture::OnSave() {
  // 1, 2, 5. The sheet over the background, keyed in its gaps, at the chosen size.
  const bool large = size_->GetCurSel() != 1;
  GbImage picture;
  if (!LaySheetOverBackground(sheet_, &background_, large ? GB_SHEET_PICTURE_LARGE_WIDTH : GB_SHEET_PICTURE_SMALL_WIDTH,
                              large ? GB_SHEET_PICTURE_LARGE_HEIGHT : GB_SHEET_PICTURE_SMALL_HEIGHT, picture,
                              &stickers_)) {
    Problem(QStringLiteral("The picture could not be made: %1.").arg(QString::fromUtf8(picture.LastError())));
    return;
  }
  // 3. The file name; cancelling leaves the dialog open.
  gbdlg::FileRequest request;
  request.parent = this;
  request.title = "Save As";
  request.initialFolder = settings_.PathCurrent;
  request.filter = kFilter;
  request.defaultExt = "bmp";
  request.overwritePrompt = true;
  const std::optional<std::string> name = gbdlg::Dialogs().SaveFile(request);
  if (!name || name->empty()) return;
  // 4. The type from the extension. A name no type fits would be lost work
  // if the dialog closed, so it stays open and says so.
  const uint32_t type = GbImage::TypeFromPath(*name);
  if (type == GB_TYPE_UNKNOWN) {
    Problem(QStringLiteral("Glimmerbox cannot tell the picture type of %1 from its extension. "
                           "Choose a name ending in one of the listed types, such as .png or .jpg.")
                .arg(QString::fromStdString(*name)));
    return;
  }
  // 6, 7. What the type needs.
  if (type == GB_TYPE_GIF) picture.DecreaseBpp(16, false, nullptr, 0);
  if (EndsWithJpg(*name)) {
    if (!picture.IsGreyScale()) picture.RaiseBpp(24);
    picture.SetJpegQuality(99);
  }
  // 8. Written through the safe path: a failure leaves any earlier file whole.
  if (!picture.SaveFile(name->c_str(), type)) {
    Problem(QStringLiteral("The picture could not be saved as %1: %2.")
                .arg(QString::fromStdString(*name), QString::fromUtf8(picture.LastError())));
    return;
  }
  savedPath_ = *name;
  saved_.TakeOver(picture);
  done(IDOK);
}

void DlgSavePicture::Problem(const QString& text) {
  ShowMessageBox(text, QStringLiteral("Glimmerbox"), MB_OK | MB_ICONWARNING, this);
}
