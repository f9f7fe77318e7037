#include "compose/window/DlgFacecraft.h"

#include <QApplication>
#include <QFontMetrics>
#include <QIcon>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <filesystem>

#include "app/AppSettings.h"
#include "compose/window/DlgConfigure.h"
#include "compose/window/DlgThumNail.h"
#include "compose/window/MainWindowArt.h"
#include "compose/window/PictureViews.h"
#include "compose/window/WindowControls.h"
#include "compose/model/BatchCompose.h"
#include "output/capture/CCaptureVideo.h"
#include "output/window/DlgPrint.h"
#include "output/window/DlgSavePicture.h"
#include "output/print/PrintSheet.h"
#include "platform/dialogs/CommonDialogs.h"
#include "retouch/editor/DlgFilter.h"
#include "skin/CSkinMenu.h"
#include "skin/GbSkinButton.h"
#include "skin/MessageBoxDlg.h"
#include "skin/SkComboBox.h"
#include "skin/SkStatic.h"
#include "skin/SkinResources.h"

const SkinCommandTable<DlgFacecraft> DlgFacecraft::kCommands = {
    {kSelectFrame, &DlgFacecraft::OnSelectFrame},
    {kAddFrame, &DlgFacecraft::OnAddFrame},
    {kFrameOption, &DlgFacecraft::OnFrameOption},
    {kSelectPhoto, &DlgFacecraft::OnSelectPhoto},
    {kAddPhoto, &DlgFacecraft::OnAddPhoto},
    {kPrint, &DlgFacecraft::OnPrint},
    {kWebcam, &DlgFacecraft::OnWebcam},
    {kSnapshot, &DlgFacecraft::OnSnapshot},
    {kSavePicture, &DlgFacecraft::OnSavePicture},
    {kConfigure, &DlgFacecraft::OnConfigure},
    {kOpenProject, &DlgFacecraft::OnOpenProject},
    {kSaveProject, &DlgFacecraft::OnSaveProject},
    {kPreviousPhoto, &DlgFacecraft::OnPreviousPhoto},
    {kNextPhoto, &DlgFacecraft::OnNextPhoto},
    {kAddToSheet, &DlgFacecraft::OnAddToSheet},
    {kPreviousFrame, &DlgFacecraft::OnPreviousFrame},
    {kNextFrame, &DlgFacecraft::OnNextFrame},
    {kNotifyClicked, kLayout0, kLayout0 + GB_LAYOUT_COUNT - 1, &DlgFacecraft::OnLayout},
    {kAbout, &DlgFacecraft::OnAbout},
    {kMinimise, &DlgFacecraft::OnMinimise},
    {IDOK, &DlgFacecraft::OnEnterKey},
    {kMenuCopy, &DlgFacecraft::OnMenuCopy},
    {kMenuPaste, &DlgFacecraft::OnMenuPaste},
    {kMenuRemove, &DlgFacecraft::OnMenuRemove},
    {kMenuClear, &DlgFacecraft::OnMenuClear},
    {kMenuToEditArea, &DlgFacecraft::OnMenuToEditArea},
    {kMenuApplyToAll, &DlgFacecraft::OnMenuApplyToAll},
};

namespace {

constexpr int kTrackerHandle = 7;
constexpr int kTrackerSlack = 3;
// The photo may be sized from a few pixels up to four sticker areas, which
// keeps every resample small.
constexpr int kMinPhotoSide = 8;
constexpr int kMaxPhotoWidth = 4 * GB_STICKER_WIDTH;
constexpr int kMaxPhotoHeight = 4 * GB_STICKER_HEIGHT;

const QRect kStickerArea(GB_STICKER_AREA.left, GB_STICKER_AREA.top, GB_STICKER_WIDTH, GB_STICKER_HEIGHT);

struct ButtonSpec {
  int id;
  QRect rect;
  MainArt::Glyph glyph;
  const char* caption;
  const char* tooltip;
  int kind;
};

const ButtonSpec kButtons[] = {
    {DlgFacecraft::kSelectFrame,
     {15, 308, 88, 62},
     MainArt::Glyph::SelectFrame,
     "Frames",
     "Select frame",
     GbSkinButton::kPush},
    {DlgFacecraft::kAddFrame,
     {124, 308, 102, 64},
     MainArt::Glyph::AddFrame,
     "Frame file",
     "Add single frame",
     GbSkinButton::kPush},
    {DlgFacecraft::kFrameOption,
     {247, 308, 118, 62},
     MainArt::Glyph::FrameOption,
     "Show frame",
     "Show or hide the frame",
     GbSkinButton::kCheckBox},
    {DlgFacecraft::kSelectPhoto,
     {15, 378, 88, 62},
     MainArt::Glyph::SelectPhoto,
     "Photos",
     "Select photo",
     GbSkinButton::kPush},
    {DlgFacecraft::kAddPhoto,
     {124, 379, 102, 64},
     MainArt::Glyph::AddPhoto,
     "Photo file",
     "Add single photo",
     GbSkinButton::kPush},
    {DlgFacecraft::kPrint, {247, 378, 118, 62}, MainArt::Glyph::Print, "Print", "Print the sheet", GbSkinButton::kPush},
    {DlgFacecraft::kWebcam,
     {15, 448, 88, 62},
     MainArt::Glyph::Webcam,
     "Webcam",
     "Webcam on or off",
     GbSkinButton::kCheckBox},
    {DlgFacecraft::kSnapshot,
     {124, 448, 102, 64},
     MainArt::Glyph::Snapshot,
     "Snapshot",
     "Take a snapshot after the countdown",
     GbSkinButton::kPush},
    {DlgFacecraft::kSavePicture,
     {247, 448, 118, 62},
     MainArt::Glyph::SavePicture,
     "Save picture",
     "Save the sheet as a picture",
     GbSkinButton::kPush},
    {DlgFacecraft::kConfigure,
     {15, 519, 88, 62},
     MainArt::Glyph::Configure,
     "Settings",
     "Template folders and options",
     GbSkinButton::kPush},
    {DlgFacecraft::kOpenProject,
     {124, 518, 102, 64},
     MainArt::Glyph::OpenProject,
     "Open",
     "Open a project (Ctrl+O)",
     GbSkinButton::kPush},
    {DlgFacecraft::kSaveProject,
     {247, 518, 118, 62},
     MainArt::Glyph::SaveProject,
     "Save project",
     "Save the project (Ctrl+S)",
     GbSkinButton::kPush},
    {DlgFacecraft::kPreviousPhoto,
     {437, 418, 64, 64},
     MainArt::Glyph::Previous,
     "Photo",
     "Previous image",
     GbSkinButton::kPush},
    {DlgFacecraft::kNextPhoto, {502, 418, 64, 64}, MainArt::Glyph::Next, "Photo", "Next image", GbSkinButton::kPush},
    {DlgFacecraft::kAddToSheet,
     {570, 410, 80, 80},
     MainArt::Glyph::AddToSheet,
     "Add",
     "Add the sticker to the sheet",
     GbSkinButton::kPush},
    {DlgFacecraft::kPreviousFrame,
     {658, 418, 64, 64},
     MainArt::Glyph::Previous,
     "Frame",
     "Previous image",
     GbSkinButton::kPush},
    {DlgFacecraft::kNextFrame, {724, 418, 64, 64}, MainArt::Glyph::Next, "Frame", "Next image", GbSkinButton::kPush},
    {DlgFacecraft::kMinimise, {735, 1, 25, 25}, MainArt::Glyph::Minimise, "", "Minimise", GbSkinButton::kPush},
    {kCloseControlId, {765, 1, 25, 25}, MainArt::Glyph::Close, "", "Close", GbSkinButton::kPush},
};

GbSkinButton* MakeButton(SkinDialog* dlg, const ButtonSpec& spec) {
  GbSkinButton* b = MakeGlyphButton(dlg, spec.id, spec.rect, spec.glyph, QString::fromUtf8(spec.caption),
                                    QString::fromUtf8(spec.tooltip));
  b->SetKind(spec.kind);
  return b;
}

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

// The colour at an image's centre as a COLORREF (the frame's see-through colour).
COLORREF CentreColour(const QImage& image) {
  if (image.isNull()) return kSkinKey;
  const QRgb c = image.pixel(image.width() / 2, image.height() / 2);
  return RGB(BYTE(qRed(c)), BYTE(qGreen(c)), BYTE(qBlue(c)));
}

}  // namespace

// Draws the tracker over every other control of the sticker area.
class DlgFacecraft::TrackerOverlay : public QWidget {
 public:
  explicit TrackerOverlay(DlgFacecraft* owner) : QWidget(owner), owner_(owner) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(owner->rect());
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!owner_->trackerOn_ || owner_->live_) return;
    QPainter p(this);
    const QRect r = owner_->trackHit_ != kNoHit ? owner_->trackRubber_ : owner_->tracker_;
    p.setPen(QPen(QColor(0x2A, 0x5C, 0xA8), 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(-1, -1, 0, 0));
    p.setPen(QColor(0x2A, 0x5C, 0xA8));
    p.setBrush(Qt::white);
    for (int h = kTopLeft; h <= kLeft; ++h) p.drawRect(HandleRect(r, h).adjusted(0, 0, -1, -1));
  }

 public:
  // Handles sit outside the rectangle: corners and the middles of the sides.
  static QRect HandleRect(const QRect& r, int handle) {
    const int s = kTrackerHandle;
    const int cx = r.left() + r.width() / 2 - s / 2, cy = r.top() + r.height() / 2 - s / 2;
    const int l = r.left() - s, t = r.top() - s, rr = r.left() + r.width(), b = r.top() + r.height();
    switch (handle) {
      case kTopLeft: return {l, t, s, s};
      case kTop: return {cx, t, s, s};
      case kTopRight: return {rr, t, s, s};
      case kRight: return {rr, cy, s, s};
      case kBottomRight: return {rr, b, s, s};
      case kBottom: return {cx, b, s, s};
      case kBottomLeft: return {l, b, s, s};
      case kLeft: return {l, cy, s, s};
      default: return {};
    }
  }

 private:
  DlgFacecraft* owner_;
};

DlgFacecraft::DlgFacecraft(CFacecraftApp& app, QWidget* parent)
    : SkinDialog(parent), app_(app), settings_(app.settings()) {
  UseCommands(kCommands);
  sheet_ =
      std::make_unique<SheetModel>([this](int controlId, const RECT& rect) { return MakeSlotWindow(controlId, rect); });
  hooks_.browse = [this](QWidget* parent, const std::string& startFolder, bool photo) -> std::optional<AssetChoice> {
    CSysHelper* helper = app_.sysHelper();
    if (!helper) return std::nullopt;
    DlgThumNail browser(startFolder, parent, photo, settings_, *helper);
    if (browser.exec() != IDOK) return std::nullopt;
    return AssetChoice{browser.SelectedPath(), browser.Folder()};
  };
  hooks_.configure = [this](QWidget* parent) {
    if (CSysHelper* helper = app_.sysHelper()) {
      DlgConfigure configure(settings_, *helper, parent);
      configure.exec();
    }
  };
  // The photo editor works on its own copy; the slot takes the picture back on OK.
  hooks_.editPicture = [this](const SharedBitmap& picture) -> std::optional<SharedBitmap> {
    GbImage image;
    if (!ImageOfBitmap(picture, image)) return std::nullopt;
    DlgFilter editor(image.MakeDibSection(), this);
    editor.SetCurrentFolder(settings_.PathCurrent);
    if (editor.exec() != IDOK) return std::nullopt;
    return AdoptBitmap(editor.TakeDisplayBitmap());
  };
  hooks_.openEditor = [this] {
    DlgFilter editor(nullptr, this);
    editor.SetCurrentFolder(settings_.PathCurrent);
    editor.exec();
  };
  hooks_.savePicture = [this](QWidget* parent, const SharedBitmap& sheet) {
    auto browse = [this](QWidget* owner) -> std::optional<std::string> {
      const std::optional<AssetChoice> choice = hooks_.browse ? hooks_.browse(owner, {}, false) : std::nullopt;
      return choice ? std::optional<std::string>(choice->path) : std::nullopt;
    };
    DlgSavePicture dialog(sheet, StickerRectangles(*sheet_), settings_, browse, parent);
    dialog.exec();
  };
  hooks_.print = [this](QWidget* parent, const SharedBitmap& sheet) {
    GbImage sheetImage, picture;
    const std::vector<RECT> stickers = StickerRectangles(*sheet_);
    if (!ImageOfBitmap(sheet, sheetImage) || !MakePrintPicture(sheetImage, &stickers, picture)) return;
    DlgPrint dialog(picture, settings_, parent);
    dialog.exec();
  };
  InstallCaptureHooks();
  CreateControls();
  LoadStartPictures();
  setAcceptDrops(true);
  setMouseTracking(true);
  auto* open = new QShortcut(QKeySequence::Open, this);
  connect(open, &QShortcut::activated, this, [this] { OnOpenProject(); });
  auto* save = new QShortcut(QKeySequence::Save, this);
  connect(save, &QShortcut::activated, this, [this] { OnSaveProject(); });
}

DlgFacecraft::~DlgFacecraft() {
  // The streaming thread ends and the camera is released before the video
  // window it draws into goes.
  capture_.reset();
  // The slot windows go with the records.
  sheet_.reset();
}

void DlgFacecraft::CreateControls() {
  // 1. Icon and title; 2. the controls; 3. size and shape.
  setWindowIcon(QIcon(QPixmap::fromImage(LoadSkinIcon(128))));
  SetSkin(275, 800, 600, 28);
  UpdateTitle();

  videoView_ = Add<QWidget>(kVideo, kStickerArea.x(), kStickerArea.y(), kStickerArea.width(), kStickerArea.height());
  videoView_->setAutoFillBackground(true);
  QPalette black = videoView_->palette();
  black.setColor(QPalette::Window, Qt::black);
  videoView_->setPalette(black);
  videoView_->hide();

  backgroundView_ =
      Add<PictureControl>(kBackground, kStickerArea.x(), kStickerArea.y(), kStickerArea.width(), kStickerArea.height());
  MakeStickerBackground(background_);
  backgroundView_->SetPicture(QImageOfGbImage(background_));

  photoView_ =
      Add<PictureControl>(kPhoto, kStickerArea.x(), kStickerArea.y(), kStickerArea.width(), kStickerArea.height());
  photoView_->SetClip(kStickerArea);
  frameView_ =
      Add<CTransparentPic>(kFrame, kStickerArea.x(), kStickerArea.y(), kStickerArea.width(), kStickerArea.height());
  for (QWidget* w : {static_cast<QWidget*>(backgroundView_), static_cast<QWidget*>(photoView_),
                     static_cast<QWidget*>(frameView_), videoView_})
    w->setAttribute(Qt::WA_TransparentForMouseEvents);

  panelView_ = Add<PictureControl>(kPanel, 422, 59, 364, 276);
  panelView_->setAttribute(Qt::WA_TransparentForMouseEvents);

  auto* devices = Add<SkComboBox>(kDevices, 290, 521, 198, 17);
  devices->hide();

  countdown_ = Add<SkStatic>(kCountdown, 457, 520, 308, 26);
  countdown_->SetFontChoice(SkStatic::kOwnFont);
  // Arial at 30 pixels, made smaller where this system's Arial would not
  // fit the longest countdown text into the label.
  QFont countdownFont = SkinFont(QStringLiteral("Arial"), 30, 600);
  while (countdownFont.pixelSize() > 12 &&
         QFontMetrics(countdownFont).horizontalAdvance(QStringLiteral("count down 88 seconds")) > 308)
    countdownFont.setPixelSize(countdownFont.pixelSize() - 1);
  countdown_->setFont(countdownFont);
  countdown_->SetColours(RGB(255, 0, 255), RGB(255, 0, 255), RGB(255, 0, 255));
  countdown_->SetText(QString());

  for (const ButtonSpec& spec : kButtons) MakeButton(this, spec);
  if (auto* frameBox = ItemAs<GbSkinButton>(kFrameOption)) frameBox->SetChecked(true);

  auto* layoutLabel = Add<SkStatic>(0, 437, 343, 100, 18);
  layoutLabel->SetText(QStringLiteral("Sheet layout"));
  layoutLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
  static const int kLayoutX[GB_LAYOUT_COUNT] = {544, 591, 639, 686, 735};
  for (int k = 0; k < GB_LAYOUT_COUNT; ++k) {
    auto* b = Add<GbSkinButton>(kLayout0 + k, kLayoutX[k], 344, 16, 16);
    b->SetSkinImages(MainArt::LayoutButtonFace(k, MainArt::kNormal), MainArt::LayoutButtonFace(k, MainArt::kPressed),
                     MainArt::LayoutButtonFace(k, MainArt::kHover), MainArt::LayoutButtonFace(k, MainArt::kNormal),
                     QImage(), QImage());
    b->SetKind(GbSkinButton::kCheckBox);
    b->SetTooltipText(QStringLiteral("Layout %1: %2 stickers").arg(k + 1).arg(LayoutSlots(k).size()));
    b->setFocusPolicy(Qt::NoFocus);
    layoutButtons_.push_back(b);
  }

  // The about box opens from the title band, beside the program's name.
  auto* about = Add<GbSkinButton>(kAbout, 413, 31, 108, 19);
  about->setText(QStringLiteral("About Glimmerbox"));
  about->setFont(SkinFont(QStringLiteral("Tahoma"), 11, 400));
  about->SetTextColour(RGB(0x2A, 0x5C, 0xA8));
  about->setCursor(Qt::PointingHandCursor);
  about->setFocusPolicy(Qt::NoFocus);

  overlay_ = new TrackerOverlay(this);
  overlay_->show();
  overlay_->raise();
  SetDefaultId(IDOK);
}

void DlgFacecraft::LoadStartPictures() {
  // 4. The capture devices.
  if (auto* devices = ItemAs<SkComboBox>(kDevices)) {
    if (hooks_.capture.listDevices)
      for (const std::string& name : hooks_.capture.listDevices()) devices->AddString(QString::fromStdString(name));
  }
  // 5. The template folders, the first usable frame at its own size and the
  // first usable photo at the sticker size.
  ScanTemplateFolder(settings_.PathFrame, frames_);
  ScanTemplateFolder(settings_.PathPortrait, photos_);
  while (FirstUsableEntry(frames_))
    if (LoadFrameFile(frames_.Current()->path, false)) break;
  while (FirstUsableEntry(photos_))
    if (LoadPhotoFile(photos_.Current()->path)) break;
  // 6. The tracker around the photo window.
  tracker_ = photoView_->geometry();
  SetTrackerVisible(true);
}

void DlgFacecraft::showEvent(QShowEvent* event) {
  SkinDialog::showEvent(event);
  overlay_->raise();
  // 7. Reloaded once, when the window first appears: a later showing (after
  // minimising) must not throw away the stickers added since.
  if (!shownOnce_) {
    shownOnce_ = true;
    ReloadOnShow();
  }
}

void DlgFacecraft::ReloadOnShow() {
  // A picture named at start (a file manager's "Open with") becomes the
  // photo; anything else is taken for a project.
  std::string startPhoto;
  if (!app_.projectPath.empty() && GbImage::TypeFromPath(app_.projectPath) != GB_TYPE_UNKNOWN) {
    startPhoto = app_.projectPath;
    app_.projectPath.clear();
    app_.unpackedFiles.clear();
  }
  if (!app_.projectPath.empty() && OpenProjectFile(app_.projectPath)) return;
  if (CSysHelper* helper = app_.sysHelper()) ReloadSettings(settings_, *helper);
  sheet_->SetupLayout(0);
  SyncLayoutButtons();
  if (!startPhoto.empty()) UsePhotoChoice(startPhoto);
}

void DlgFacecraft::paintEvent(QPaintEvent* event) { SkinDialog::paintEvent(event); }

void DlgFacecraft::UpdateTitle() {
  if (documentPath_.empty()) {
    setWindowTitle(QStringLiteral("Glimmerbox"));
  } else {
    const QString name = QString::fromStdString(std::filesystem::path(documentPath_).filename().string());
    setWindowTitle(name + QStringLiteral(" - Glimmerbox"));
  }
}

void DlgFacecraft::ShowWarning(const std::string& path, const char* warning) {
  ShowMessageBox(QStringLiteral("%1: %2.").arg(QString::fromStdString(std::filesystem::path(path).filename().string()),
                                               QString::fromUtf8(warning)),
                 QStringLiteral("Glimmerbox"), MB_OK | MB_ICONINFORMATION, this);
}

void DlgFacecraft::ShowProblem(const QString& text) {
  ShowMessageBox(text, QStringLiteral("Glimmerbox"), MB_OK | MB_ICONWARNING, this);
}

// ---- pictures -----------------------------------------------------------------------------

void DlgFacecraft::ShowPhoto() { photoView_->SetPicture(QImageOfGbImage(photo_)); }

void DlgFacecraft::ShowFrame(const GbImage& shown) {
  const QImage picture = QImageOfGbImage(shown);
  frameView_->SetKeyColour(CentreColour(picture));
  frameView_->SetBitmap(picture);
}

bool DlgFacecraft::LoadFrameFile(const std::string& path, bool resampleToSticker, std::string* why) {
  const uint32_t type = GbImage::TypeFromPath(path);
  if (type == GB_TYPE_UNKNOWN) {
    if (why) *why = "its type is not one Glimmerbox reads";
    return false;
  }
  GbImage loaded;
  if (!loaded.LoadFile(path.c_str(), type) || !loaded.HasPixels()) {
    if (why) *why = *loaded.LastError() ? loaded.LastError() : "it cannot be read";
    return false;
  }
  if (!frame_.TakeOver(loaded)) return false;
  frameFile_ = path;
  if (shownOnce_ && *frame_.Warning()) ShowWarning(path, frame_.Warning());
  if (resampleToSticker && (frame_.Width() != GB_STICKER_WIDTH || frame_.Height() != GB_STICKER_HEIGHT)) {
    GbImage shown;
    if (shown.CopyFrom(frame_) &&
        shown.ResampleInterpolated(GB_STICKER_WIDTH, GB_STICKER_HEIGHT, GbImage::kCatmullRom, GbImage::kRepeat)) {
      ShowFrame(shown);
      return true;
    }
  }
  ShowFrame(frame_);
  return true;
}

bool DlgFacecraft::LoadPhotoFile(const std::string& path, std::string* why) {
  const uint32_t type = GbImage::TypeFromPath(path);
  if (type == GB_TYPE_UNKNOWN) {
    if (why) *why = "its type is not one Glimmerbox reads";
    return false;
  }
  GbImage loaded;
  if (!loaded.LoadFile(path.c_str(), type) || !loaded.HasPixels()) {
    if (why) *why = *loaded.LastError() ? loaded.LastError() : "it cannot be read";
    return false;
  }
  // A damaged file shows as far as it goes, and says so.
  if (shownOnce_ && *loaded.Warning()) ShowWarning(path, loaded.Warning());
  // The photo window's client size.
  const QSize size = photoView_->size();
  if ((long(loaded.Width()) != size.width() || long(loaded.Height()) != size.height()) &&
      !loaded.ResampleInterpolated(size.width(), size.height(), GbImage::kCatmullRom, GbImage::kRepeat)) {
    if (why) *why = *loaded.LastError() ? loaded.LastError() : "it cannot be resized";
    return false;
  }
  if (!photo_.TakeOver(loaded)) return false;
  ShowPhoto();
  return true;
}

bool DlgFacecraft::StepFrame(int direction) {
  if (live_) {
    if (!StepEntry(frames_, direction) || !frames_.Current()) return false;
    if (hooks_.capture.showOverlay) hooks_.capture.showOverlay(frames_.Current()->path, settings_.Alpha * 10 / 255);
    return true;
  }
  const bool moved = direction < 0 ? PreviousUsableEntry(frames_) : NextUsableEntry(frames_);
  return moved && LoadFrameFile(frames_.Current()->path, true);
}

bool DlgFacecraft::StepPhoto(int direction) {
  if (live_) return false;
  const bool moved = direction < 0 ? PreviousUsableEntry(photos_) : NextUsableEntry(photos_);
  return moved && LoadPhotoFile(photos_.Current()->path);
}

std::optional<AssetChoice> DlgFacecraft::Browse(const std::string& startFolder, bool photo) {
  if (!hooks_.browse) return std::nullopt;
  return hooks_.browse(this, startFolder, photo);
}

void DlgFacecraft::UseFrameChoice(const std::string& path) {
  if (live_) {
    if (hooks_.capture.showOverlay) hooks_.capture.showOverlay(path, 9);
    return;
  }
  std::string why;
  if (!LoadFrameFile(path, false, &why))
    ShowProblem(QStringLiteral("The frame %1 cannot be used: %2.")
                    .arg(QString::fromStdString(path), QString::fromStdString(why)));
}

void DlgFacecraft::UsePhotoChoice(const std::string& path) {
  std::string why;
  if (!LoadPhotoFile(path, &why))
    ShowProblem(QStringLiteral("The photo %1 cannot be used: %2.")
                    .arg(QString::fromStdString(path), QString::fromStdString(why)));
}

void DlgFacecraft::OnSelectFrame() {
  const std::optional<AssetChoice> choice = Browse(WithSlash(settings_.PathFrame), false);
  if (!choice || choice->path.empty()) return;
  if (CSysHelper* helper = app_.sysHelper())
    RememberRecent(*helper, settings_.settingsFile, TemplateCategory::Frame, choice->path);
  UseFrameChoice(choice->path);
}

void DlgFacecraft::OnAddFrame() {
  const std::optional<AssetChoice> choice = Browse(std::string(), false);
  if (!choice) return;
  if (!choice->folder.empty()) settings_.PathCurrent = choice->folder;
  if (!choice->path.empty()) UseFrameChoice(choice->path);
}

void DlgFacecraft::OnSelectPhoto() {
  const std::optional<AssetChoice> choice = Browse(WithSlash(settings_.PathPortrait), true);
  if (!choice || choice->path.empty()) return;
  if (CSysHelper* helper = app_.sysHelper())
    RememberRecent(*helper, settings_.settingsFile, TemplateCategory::Portrait, choice->path);
  UsePhotoChoice(choice->path);
}

void DlgFacecraft::OnAddPhoto() {
  const std::optional<AssetChoice> choice = Browse(std::string(), true);
  if (!choice) return;
  if (!choice->folder.empty()) settings_.PathCurrent = choice->folder;
  // While live the photo comes from the camera.
  if (!live_ && !choice->path.empty()) UsePhotoChoice(choice->path);
}

void DlgFacecraft::OnFrameOption() {
  frameOption_ = !frameOption_;
  if (auto* box = ItemAs<GbSkinButton>(kFrameOption)) box->SetChecked(frameOption_);
  if (!live_) {
    frameView_->setVisible(frameOption_);
    return;
  }
  if (frameOption_) {
    if (frames_.Current() && hooks_.capture.showOverlay)
      hooks_.capture.showOverlay(frames_.Current()->path, settings_.Alpha * 10 / 255);
  } else if (hooks_.capture.hideOverlay) {
    hooks_.capture.hideOverlay();
  }
}

// The webcam commands are in DlgFacecraftWebcam.cpp.

void DlgFacecraft::OnPreviousPhoto() { StepPhoto(-1); }
void DlgFacecraft::OnNextPhoto() { StepPhoto(1); }
void DlgFacecraft::OnPreviousFrame() { StepFrame(-1); }
void DlgFacecraft::OnNextFrame() { StepFrame(1); }

bool DlgFacecraft::ComposeCurrent(ComposedSticker& out) {
  StickerInputs in;
  in.background = &background_;
  in.photo = photo_.HasPixels() ? &photo_ : nullptr;
  const QRect p = photoView_->geometry(), f = frameView_->geometry();
  in.photoRect = RECT{p.left(), p.top(), p.left() + p.width(), p.top() + p.height()};
  in.frameRect = RECT{f.left(), f.top(), f.left() + f.width(), f.top() + f.height()};
  in.frame = frame_.HasPixels() ? &frame_ : nullptr;
  in.frameOption = frameOption_;
  in.live = live_;
  in.alpha = settings_.Alpha;
  const bool ok = ComposeSticker(in, out);
  // The photo may have been brought to its window's size.
  ShowPhoto();
  return ok;
}

void DlgFacecraft::OnAddToSheet() {
  if (live_) return;
  ComposedSticker sticker;
  if (ComposeCurrent(sticker) && sheet_->PlaceInFirstFree(sticker, frameOption_, settings_.Alpha) >= 0) MarkDirty();
  if (settings_.AutoChangeFrame == 1) StepFrame(1);
}

void DlgFacecraft::OnPrint() {
  const SharedBitmap sheet = sheet_->BuildSheet();
  if (hooks_.print) hooks_.print(this, sheet);
}

void DlgFacecraft::OnSavePicture() {
  const SharedBitmap sheet = sheet_->BuildSheet();
  if (hooks_.savePicture) hooks_.savePicture(this, sheet);
}

void DlgFacecraft::OnConfigure() {
  // The folder lists are not scanned again: they change with the next start.
  if (hooks_.configure) hooks_.configure(this);
}

void DlgFacecraft::OnAbout() {
  SkinDialog about(this);
  about.SetSkin(254, 394, 234, 30);
  about.CentreOn(geometry());
  auto* line = about.Add<SkStatic>(0, 30, 70, 334, 24);
  line->SetAlignment(Qt::AlignCenter);
  line->SetTitleFont();
  line->SetText(QStringLiteral("Glimmerbox V") +
                QString::fromStdString(app_.version.empty() ? GB_VERSION : app_.version));
  auto* note = about.Add<SkStatic>(0, 30, 104, 334, 60);
  note->SetAlignment(Qt::AlignCenter);
  note->SetText(
      QStringLiteral("Photo stickers from your own pictures.\nDecorations: see the credits shipped with the program."));
  MakeTextButton(&about, IDOK, QRect(167, 184, 60, 23), QStringLiteral("OK"), true);
  about.exec();
}

void DlgFacecraft::OnMinimise() { showMinimized(); }

void DlgFacecraft::OnEnterKey() {
  if (hooks_.openEditor) hooks_.openEditor();
}

// ---- closing --------------------------------------------------------------------------------

bool DlgFacecraft::ConfirmDiscard() {
  if (!dirty_ || sheet_->UsedSlots().empty()) return true;
  return ShowMessageBox(QStringLiteral("The sheet has stickers that are not saved in a project.\n"
                                       "Close Glimmerbox without saving them?"),
                        QStringLiteral("Glimmerbox"), MB_YESNO | MB_ICONQUESTION, this) == IDYES;
}

void DlgFacecraft::OnCancel() {
  if (!ConfirmDiscard()) return;
  done(IDCANCEL);
}

void DlgFacecraft::OnCloseButton() {
  if (!ConfirmDiscard()) return;
  closedByButton_ = true;
  done(IDCANCEL);
}

// ---- the tracker ------------------------------------------------------------------------------

void DlgFacecraft::SetTrackerVisible(bool visible) {
  trackerOn_ = visible;
  trackHit_ = kNoHit;
  overlay_->update();
}

DlgFacecraft::TrackHit DlgFacecraft::HitTracker(const QPoint& pos) const {
  if (!trackerOn_ || live_) return kNoHit;
  for (int h = kTopLeft; h <= kLeft; ++h)
    if (TrackerOverlay::HandleRect(tracker_, h).contains(pos)) return TrackHit(h);
  if (tracker_.adjusted(-kTrackerSlack, -kTrackerSlack, kTrackerSlack, kTrackerSlack).contains(pos)) return kMove;
  return kNoHit;
}

QRect DlgFacecraft::DraggedRect(const QPoint& pos) const {
  const QPoint d = pos - trackStart_;
  int l = tracker_.left(), t = tracker_.top(), r = tracker_.left() + tracker_.width(),
      b = tracker_.top() + tracker_.height();
  switch (trackHit_) {
    case kMove: return tracker_.translated(d);
    case kTopLeft: l += d.x(), t += d.y(); break;
    case kTop: t += d.y(); break;
    case kTopRight: r += d.x(), t += d.y(); break;
    case kRight: r += d.x(); break;
    case kBottomRight: r += d.x(), b += d.y(); break;
    case kBottom: b += d.y(); break;
    case kBottomLeft: l += d.x(), b += d.y(); break;
    case kLeft: l += d.x(); break;
    default: return tracker_;
  }
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  return QRect(l, t, std::clamp(r - l, kMinPhotoSide, kMaxPhotoWidth),
               std::clamp(b - t, kMinPhotoSide, kMaxPhotoHeight));
}

void DlgFacecraft::UpdateTrackerCursor(const QPoint& pos) {
  if (dragCursor_) return;
  switch (HitTracker(pos)) {
    case kTopLeft:
    case kBottomRight: setCursor(Qt::SizeFDiagCursor); break;
    case kTopRight:
    case kBottomLeft: setCursor(Qt::SizeBDiagCursor); break;
    case kTop:
    case kBottom: setCursor(Qt::SizeVerCursor); break;
    case kLeft:
    case kRight: setCursor(Qt::SizeHorCursor); break;
    case kMove: setCursor(Qt::SizeAllCursor); break;
    default: unsetCursor(); break;
  }
}

void DlgFacecraft::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (event->button() == Qt::LeftButton && pos.y() >= DragStrip()) {
    const TrackHit hit = HitTracker(pos);
    if (hit != kNoHit) {
      trackHit_ = hit;
      trackStart_ = pos;
      trackRubber_ = tracker_;
      return;
    }
  }
  SkinDialog::mousePressEvent(event);
}

void DlgFacecraft::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (trackHit_ != kNoHit) {
    trackRubber_ = DraggedRect(pos);
    overlay_->update();
    return;
  }
  UpdateTrackerCursor(pos);
  SkinDialog::mouseMoveEvent(event);
}

void DlgFacecraft::mouseReleaseEvent(QMouseEvent* event) {
  if (trackHit_ != kNoHit && event->button() == Qt::LeftButton) {
    const QRect r = DraggedRect(event->position().toPoint());
    trackHit_ = kNoHit;
    if (r != tracker_) PlacePhoto(r);
    overlay_->update();
    return;
  }
  SkinDialog::mouseReleaseEvent(event);
}

void DlgFacecraft::PlacePhoto(const QRect& rect) {
  const QRect r(
      rect.topLeft(),
      rect.size().boundedTo(QSize(kMaxPhotoWidth, kMaxPhotoHeight)).expandedTo(QSize(kMinPhotoSide, kMinPhotoSide)));
  const QSize old = photoView_->size();
  photoView_->setGeometry(r);
  tracker_ = r;
  // At the frame window's size the photo is shown as it is; at any other
  // size it is resampled to the new size, and that copy becomes the photo.
  // A move without a change of size leaves the pixels alone.
  if (r.size() != frameView_->size() && r.size() != old && photo_.HasPixels()) {
    if (!photo_.ResampleInterpolated(r.width(), r.height(), GbImage::kCatmullRom, GbImage::kRepeat))
      ShowProblem(QStringLiteral("The photo cannot be resized: %1.").arg(QString::fromUtf8(photo_.LastError())));
  }
  ShowPhoto();
  overlay_->update();
}

// ---- files dropped from a file manager --------------------------------------------------------

void DlgFacecraft::dragEnterEvent(QDragEnterEvent* event) {
  if (!live_ && event->mimeData()->hasUrls()) {
    for (const QUrl& url : event->mimeData()->urls()) {
      if (url.isLocalFile()) {
        event->acceptProposedAction();
        return;
      }
    }
  }
}

void DlgFacecraft::dropEvent(QDropEvent* event) {
  std::string path;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) {
      path = url.toLocalFile().toStdString();
      break;
    }
  if (path.empty() || live_) return;
  event->acceptProposedAction();
  // On the frame's own pixels it is a frame; anywhere else (the frame's
  // see-through window, the photo, the rest of the window) a photo.
  const QPoint at = event->position().toPoint() - frameView_->pos();
  const QImage& shown = frameView_->Bitmap();
  const bool onFrame = frameView_->isVisible() && shown.rect().contains(at) &&
                       QRect(QPoint(0, 0), frameView_->size()).contains(at) &&
                       RefFromQColor(QColor(shown.pixel(at))) != frameView_->KeyColour();
  std::string why;
  if (onFrame ? LoadFrameFile(path, false, &why) : LoadPhotoFile(path, &why)) return;
  ShowProblem(QStringLiteral("%1 cannot be used: %2.").arg(QString::fromStdString(path), QString::fromStdString(why)));
}
