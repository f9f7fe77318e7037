#include "retouch/editor/DlgFilter.h"

#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>
#include <algorithm>
#include <cctype>

#include "image/core/ImageType.h"
#include "platform/dialogs/CommonDialogs.h"
#include "retouch/editor/DlgEffect.h"
#include "retouch/editor/EditorClipboard.h"
#include "retouch/editor/EditorViews.h"
#include "skin/CRectTrackerPic.h"
#include "skin/GbSkinButton.h"
#include "skin/MessageBoxDlg.h"
#include "skin/SkinArt.h"

namespace {
// The open editors, latest last. Only the user-interface thread touches it.
// A list rather than a saved previous pointer: editors need not close in
// the reverse order of opening, and none may be left pointing at a dead one.
std::vector<DlgFilter*>& OpenEditors() {
  static std::vector<DlgFilter*> editors;
  return editors;
}

const char kSaveFilter[] =
    "BMP|*.bmp|JPG|*.jpg|GIF|*.gif|ICO|*.ico|PCX|*.pcx|JP2|*.jp2|JPC|*.jpc|PNG|*.png|TIF|*.tif|TGA|*.tga|WMF|*.wmf|"
    "RAW|*.raw|WBMP|*.wbmp|RAS|*.ras|PNM|*.pnm|PGX|*.pgx|MNG|*.mng|SKA|*.ska|";
}  // namespace

const SkinCommandTable<DlgFilter> DlgFilter::kCommands = {
    {kRotateLeft, &DlgFilter::OnRotateLeft},
    {kRotateRight, &DlgFilter::OnRotateRight},
    {kPseudoColors, &DlgFilter::OnPseudoColors},
    {kRedo, &DlgFilter::OnRedo},
    {kUndo, &DlgFilter::OnUndo},
    {kResume, &DlgFilter::OnResume},
    {kTracker, &DlgFilter::OnTracker},
    {kDecoration, &DlgFilter::OnDecoration},
    {kSave, &DlgFilter::OnSave},
    // The worker and effects ids interleave; OnWorkerButton sorts them out.
    {kNotifyClicked, 1085, 1123, &DlgFilter::OnWorkerButton},
    {kNotifyClicked, 1133, 1134, &DlgFilter::OnWorkerButton},
    {kNotifyClicked, 1148, 1171, &DlgFilter::OnEffectButton},
};

const std::vector<DlgFilter::WorkerButton>& DlgFilter::WorkerButtons() {
  static const std::vector<WorkerButton> buttons = {
      {1091, "Flip", 32775, 375, 32},
      {1093, "Mirror", 32774, 505, 32},
      {1086, "Negative", 32777, 505, 90},
      {1085, "Grayscale", 32778, 635, 90},
      {1116, "Blur", 32813, 635, 119},
      {1117, "Edge", 32816, 375, 148},
      {1122, "Nonlinear_Edge", 32914, 505, 148},
      {1121, "Contour", 32898, 635, 148},
      {1123, "Jitter", 32901, 635, 177},
      {1112, "Unsharp Mask", 32932, 375, 206},
      {1109, "Gaussian3*3", 32896, 375, 235},
      {1133, "Gaussian5*5", 32897, 505, 235},
      {1113, "Erode", 32817, 635, 235},
      {1107, "Gamma", 32863, 375, 264},
      {1097, "Threshold", 32799, 505, 264},
      {1120, "Median", 32864, 505, 293},
      {1114, "Dilate", 32818, 635, 293},
  };
  return buttons;
}

const std::vector<DlgFilter::EffectButton>& DlgFilter::EffectButtons() {
  static const std::vector<EffectButton> buttons = {
      {1118, "Emboss", 0, 375, 90},
      {1110, "Sharpen", 1, 375, 119},
      {1134, "Mosaic", 2, 635, 32},
      {1148, "Windy", 3, 375, 177},
      {1164, "Stripe", 4, 505, 206},
      {1171, "Adjust_RGB", 5, 635, 322},
      {1149, "Brightness Contrast", 6, 375, 322},
      {1150, "Hue Saturation", 7, 505, 322},
      {1151, "Rotate_Angle", 9, 635, 61},
      {1165, "Circletransform", 10, 635, 206},
      {1119, "Addnoise", 11, 635, 264},
      {1108, "Soften", 12, 505, 119},
      {1111, "Selective Blur", 13, 375, 293},
  };
  return buttons;
}

bool DlgFilter::RunWorkerCommand(int command, GbImage& image) {
  // The gamma and the threshold level are the application's fixed defaults.
  static const int32_t kBlur[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
  static const int32_t kEdge[9] = {-1, -1, -1, -1, 8, -1, -1, -1, -1};
  switch (command) {
    case 32775: return image.FlipVertical(false, true);
    case 32774: return image.MirrorHorizontal(false, true);
    case 32777: return image.InvertColours();
    case 32778: return image.ToGreyScale();
    case 32813: return image.ConvolveKernel(kBlur, 3, 9, 0);
    case 32816: return image.ConvolveKernel(kEdge, 3, -1, 255);
    case 32914: return image.RangeEdge(2);
    case 32898: return image.ContourLines();
    case 32901: return image.ScatterPixels(2);
    case 32932: return image.UnsharpSharpen(5.0f, 0.5f, 0);
    case 32896: return image.GaussianSmooth(1.0f);
    case 32897: return image.GaussianSmooth(2.0f);
    case 32817: return image.MinimumFilter(3);
    case 32863: return image.GammaCorrect(1.23f);
    case 32799: return image.BinarizeAtLevel(128);
    case 32864: return image.MedianFilter(3);
    case 32818: return image.MaximumFilter(3);
    default: return true;
  }
}

std::function<HBITMAP(QWidget*, HBITMAP)>& DlgFilter::DefaultDecorate() {
  static std::function<HBITMAP(QWidget*, HBITMAP)> hook;
  return hook;
}

DlgFilter* DlgFilter::ActiveEditor() { return OpenEditors().empty() ? nullptr : OpenEditors().back(); }

DlgFilter::DlgFilter(HBITMAP picture, QWidget* parent)
    : SkinDialog(parent), decorate(DefaultDecorate()), displayBitmap_(picture) {
  UseCommands(kCommands);
  OpenEditors().push_back(this);
  CreateControls();
  CentreOnScreen();
  if (!displayBitmap_) return;
  auto image = std::make_unique<GbImage>();
  if (!image->CreateFromBitmap(displayBitmap_)) return;
  working_ = std::move(image);
  startBitmap_ = working_->MakeDibSection();
  PushHistory();
  // The opening picture is shown as it came; the first change fits it.
  ShowDisplay();
}

DlgFilter::~DlgFilter() {
  // No worker outlives its window: RunOnWorker joins before returning.
  auto& open = OpenEditors();
  open.erase(std::remove(open.begin(), open.end(), this), open.end());
  if (displayBitmap_) DeleteObject(displayBitmap_);
  if (startBitmap_) DeleteObject(startBitmap_);
}

void DlgFilter::CreateControls() {
  SkinArt::WindowLook look;
  look.width = 800;
  look.height = 400;
  look.title = QStringLiteral("Photo Editor");
  look.wells = {QRect(17, 34, 326, 252)};
  look.panels = {QRect(365, 26, 402, 326)};
  SetSkinImage(SkinArt::WindowBackground(look), 800, 400, 30);

  picture_ = Add<CRectTrackerPic>(kPicture, 20, 37, kPreviewWidth, kPreviewHeight);
  progress_ = Add<ProgressStrip>(kProgress, 20, 280, kPreviewWidth, 4);
  progress_->hide();

  auto add = [this](int id, const QRect& r, const char* label) {
    GbSkinButton* b = editorview::AddTextButton(this, id, r, QString::fromUtf8(label));
    commandControls_.push_back(b);
    return b;
  };
  for (const WorkerButton& b : WorkerButtons()) add(b.id, QRect(b.x, b.y, 122, 28), b.label);
  for (const EffectButton& b : EffectButtons()) add(b.id, QRect(b.x, b.y, 122, 28), b.label);
  add(kRotateLeft, QRect(375, 61, 122, 28), "Rotate Left");
  add(kRotateRight, QRect(505, 61, 122, 28), "Rotate Right");
  add(kPseudoColors, QRect(505, 177, 122, 28), "Pseudo Colors");
  add(kRedo, QRect(21, 288, 65, 22), "Redo");
  add(kUndo, QRect(89, 288, 66, 23), "Undo");
  add(kResume, QRect(265, 288, 73, 23), "Resume");
  GbSkinButton* tracker = add(kTracker, QRect(271, 334, 70, 23), "Tracker");
  tracker->SetKind(GbSkinButton::kCheckBox);
  add(kDecoration, QRect(140, 334, 80, 23), "Add decoration");
  add(kSave, QRect(18, 334, 70, 23), "Save");
  add(IDOK, QRect(590, 356, 70, 23), "O k");
  add(IDCANCEL, QRect(687, 356, 70, 23), "Cancel");
  add(kCloseControlId, QRect(757, 1, 25, 25), "X");
  commandControls_.push_back(picture_);
}

// ---- display and history ----------------------------------------------------------------

void DlgFilter::ShowDisplay() {
  picture_->SetPicture(editorview::ImageOfBitmap(displayBitmap_));
  picture_->SetImage(working_.get());
}

void DlgFilter::FitToPreview() {
  if (!working_) return;
  if (displayBitmap_) DeleteObject(displayBitmap_);
  displayBitmap_ = nullptr;
  const int64_t w = working_->Width(), h = working_->Height();
  if (w > kPreviewWidth && h > kPreviewHeight) {
    working_->ResampleInterpolated(kPreviewWidth, kPreviewHeight, GbImage::kCatmullRom, GbImage::kRepeat);
  } else if (w > kPreviewWidth || h > kPreviewHeight) {
    // One side too large: fitted keeping its shape, so that nothing is
    // distorted and the result fits the picture control.
    int64_t nw = kPreviewWidth, nh = kPreviewHeight;
    if (w * kPreviewHeight >= h * kPreviewWidth)
      nh = std::max<int64_t>(1, h * kPreviewWidth / w);
    else
      nw = std::max<int64_t>(1, w * kPreviewHeight / h);
    working_->ResampleInterpolated(long(nw), long(nh), GbImage::kCatmullRom, GbImage::kRepeat);
  }
  displayBitmap_ = working_->MakeDibSection();
  if (displayBitmap_) rotateScratch_.LoadFromBitmap(displayBitmap_, 32);
  ShowDisplay();
}

void DlgFilter::PushHistory() {
  if (!working_ || !working_->HasPixels()) return;
  auto copy = std::make_unique<GbImage>();
  if (!copy->CopyFrom(*working_, true, true, true)) return;
  if (!history_.empty() && historyIndex_ != int(history_.size()) - 1) {
    ++historyIndex_;
    history_.insert(history_.begin() + historyIndex_, std::move(copy));
  } else {
    history_.push_back(std::move(copy));
    historyIndex_ = int(history_.size()) - 1;
  }
}

void DlgFilter::RestoreSnapshot(int index) {
  if (!working_ || index < 0 || index >= int(history_.size())) return;
  working_->CopyFrom(*history_[size_t(index)], true, true, true);
  FitToPreview();
}

void DlgFilter::OnUndo() {
  if (history_.empty() || workerRunning_) return;
  if (historyIndex_ > 0) --historyIndex_;
  RestoreSnapshot(historyIndex_);
}

void DlgFilter::OnRedo() {
  if (history_.empty() || workerRunning_) return;
  if (historyIndex_ < int(history_.size()) - 1) ++historyIndex_;
  RestoreSnapshot(historyIndex_);
}

void DlgFilter::OnResume() {
  if (history_.empty() || historyIndex_ == 0 || workerRunning_) return;
  historyIndex_ = 0;
  RestoreSnapshot(0);
}

void DlgFilter::RebuildFromBitmap() {
  if (!working_ || !displayBitmap_) return;
  working_->CreateFromBitmap(displayBitmap_);
}

void DlgFilter::StartFrom(GbImage& picture) {
  if (!working_) working_ = std::make_unique<GbImage>();
  working_->TakeOver(picture);
  if (startBitmap_) DeleteObject(startBitmap_);
  startBitmap_ = working_->MakeDibSection();
}

// ---- the worker -----------------------------------------------------------------------------

void DlgFilter::SetCommandsEnabled(bool on) {
  for (QWidget* w : commandControls_) w->setEnabled(on);
}

void DlgFilter::RunOnWorker(int command) {
  // The buttons are disabled while a worker runs; this guards the other ways in.
  if (workerRunning_) return;
  activeCommand_ = command;
  if (!working_) return;
  GbImage* image = working_.get();
  image->SetProgress(0);
  image->SetEscape(0);
  image->ClearLastError();
  workerRunning_ = true;
  SetCommandsEnabled(false);
  progress_->SetPercent(0);
  progress_->show();

  // The window keeps painting while the operation runs; only the image's
  // progress and escape fields are read here until the worker is joined.
  QEventLoop loop;
  bool ok = true;
  std::thread worker([image, command, &ok, &loop] {
    ok = RunWorkerCommand(command, *image);
    image->SetProgress(100);
    QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
  });
  QTimer poll;
  poll.setInterval(15);
  connect(&poll, &QTimer::timeout, this, [this, image] {
    progress_->SetPercent(int(image->Progress()));
    if (whileWorking) whileWorking();
  });
  poll.start();
  if (whileWorking)
    QTimer::singleShot(0, this, [this] {
      if (whileWorking && workerRunning_) whileWorking();
    });
  loop.exec();
  worker.join();
  poll.stop();

  workerRunning_ = false;
  progress_->SetPercent(100);
  progress_->hide();
  SetCommandsEnabled(true);
  if (!ok) {
    const QString text =
        *image->LastError() ? QString::fromUtf8(image->LastError()) : QStringLiteral("The operation failed.");
    ShowMessageBox(text, QStringLiteral("Glimmerbox"), MB_OK | MB_ICONWARNING, this);
  }
  FitToPreview();
  PushHistory();
  if (trackerOn_) picture_->update();
}

void DlgFilter::OnWorkerButton(int id) {
  for (const WorkerButton& b : WorkerButtons())
    if (b.id == id) return RunOnWorker(b.workerCommand);
  for (const EffectButton& b : EffectButtons())
    if (b.id == id) return OnEffectButton(id);
}

// ---- commands on the user-interface thread --------------------------------------------------

void DlgFilter::OnEffectButton(int id) {
  if (!working_ || workerRunning_) return;
  int kind = -1;
  for (const EffectButton& b : EffectButtons())
    if (b.id == id) kind = b.kind;
  if (kind < 0) return;
  int result = IDCANCEL;
  {
    DlgEffect dialog(this, displayBitmap_, kind, this);
    result = dialog.exec();
    if (result == IDOK) {
      HBITMAP picture = dialog.TakeResult();
      if (picture) {
        if (displayBitmap_) DeleteObject(displayBitmap_);
        displayBitmap_ = picture;
        RebuildFromBitmap();
      }
    }
  }
  // Cancelling Soften goes back to the starting picture; the states between
  // stay in the history.
  if (kind == 12 && result != IDOK && startBitmap_) working_->CreateFromBitmap(startBitmap_);
  FitToPreview();
  PushHistory();
}

void DlgFilter::Rotate(bool left) {
  if (!working_ || workerRunning_) return;
  if (displayBitmap_) DeleteObject(displayBitmap_);
  displayBitmap_ = working_->MakeDibSection();
  if (!displayBitmap_ || !rotateScratch_.LoadFromBitmap(displayBitmap_, 32)) return;
  if (!(left ? rotateScratch_.TurnLeft() : rotateScratch_.TurnRight())) return;
  if (rotateScratch_.Width() > kPreviewWidth)
    rotateScratch_.StretchTo(kPreviewWidth, kPreviewWidth, true);
  else if (rotateScratch_.Height() > kPreviewHeight)
    rotateScratch_.StretchTo(kPreviewHeight, kPreviewHeight, true);
  else
    rotateScratch_.StretchTo(kPreviewWidth, kPreviewHeight, true);
  HBITMAP turned = rotateScratch_.MakeDeviceBitmap();
  if (!turned) return;
  DeleteObject(displayBitmap_);
  displayBitmap_ = turned;
  RebuildFromBitmap();
  PushHistory();
  ShowDisplay();
}

void DlgFilter::OnPseudoColors() {
  if (!working_ || workerRunning_) return;
  if (!working_->IsGreyScale()) working_->ToGreyScale();
  working_->RainbowPalette(1.0f);
  FitToPreview();
  PushHistory();
}

void DlgFilter::OnTracker() {
  auto* button = ItemAs<GbSkinButton>(kTracker);
  trackerOn_ = button && button->IsChecked();
  if (button) button->setText(trackerOn_ ? QStringLiteral("UnTracker") : QStringLiteral("Tracker"));
  if (trackerOn_) {
    picture_->SetImage(working_.get());
    picture_->EnableTracking(true);
  } else {
    // The selection made so far stays on the image.
    picture_->SetTrackerRect(QRect());
    picture_->EnableTracking(false);
    picture_->update();
  }
}

void DlgFilter::OnDecoration() {
  if (!working_ || workerRunning_ || !decorate) return;
  HBITMAP decorated = decorate(this, displayBitmap_);
  if (!decorated) return;
  GbImage picture;
  const bool ok = picture.CreateFromBitmap(decorated);
  DeleteObject(decorated);
  if (!ok) return;
  StartFrom(picture);
  if (displayBitmap_) DeleteObject(displayBitmap_);
  displayBitmap_ = working_->MakeDibSection();
  PushHistory();
  ShowDisplay();
}

void DlgFilter::OnSave() {
  if (!displayBitmap_ || workerRunning_) return;
  gbdlg::FileRequest request;
  request.parent = this;
  request.filter = kSaveFilter;
  request.defaultExt = "TXT";
  request.overwritePrompt = true;
  request.initialFolder = currentFolder_;
  const std::optional<std::string> chosen = gbdlg::Dialogs().SaveFile(request);
  if (!chosen || chosen->empty()) return;
  const std::string& path = *chosen;
  GbImage picture;
  if (!picture.CreateFromBitmap(displayBitmap_)) return;
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of('/');
  const std::string ext =
      dot == std::string::npos || (slash != std::string::npos && dot < slash) ? std::string() : path.substr(dot + 1);
  const uint32_t type = ext.empty() ? uint32_t(GB_TYPE_UNKNOWN) : GbImage::TypeFromExtension(ext.c_str());
  if (type == GB_TYPE_GIF) picture.DecreaseBpp(8, false, nullptr);
  std::string tail = path.size() >= 3 ? path.substr(path.size() - 3) : path;
  std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  if (tail == "jpg") {
    if (!picture.IsGreyScale()) picture.RaiseBpp(24);
    picture.SetJpegQuality(99);
  }
  // The file is written whole or not at all (an earlier file stays intact).
  bool saved = false;
  if (type != GB_TYPE_UNKNOWN) saved = picture.SaveFile(path.c_str(), type);
  if (saved) {
    ShowMessageBox(QStringLiteral("  The image saved successed!  "), QStringLiteral("Save info"),
                   MB_OK | MB_ICONINFORMATION, this);
    return;
  }
  QString why =
      type == GB_TYPE_UNKNOWN
          ? QStringLiteral("\"%1\" is not a picture type this program writes.").arg(QString::fromStdString(ext))
          : QString::fromUtf8(picture.LastError());
  ShowMessageBox(QStringLiteral("The image could not be saved to %1.\n%2").arg(QString::fromStdString(path), why),
                 QStringLiteral("Save info"), MB_OK | MB_ICONWARNING, this);
}

// ---- clipboard and closing --------------------------------------------------------------------

void DlgFilter::CopyToClipboard() {
  if (!working_ || workerRunning_) return;
  std::string error;
  if (!editorclip::CopyImage(*working_, &error))
    ShowMessageBox(QString::fromStdString(error), QStringLiteral("Glimmerbox"), MB_OK | MB_ICONWARNING, this);
}

void DlgFilter::PasteFromClipboard() {
  if (workerRunning_) return;
  GbImage pasted;
  if (!editorclip::PasteImage(pasted)) return;
  if (!working_) {
    StartFrom(pasted);
  } else {
    working_->TakeOver(pasted);
  }
  FitToPreview();
  PushHistory();
}

void DlgFilter::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) return CopyToClipboard();
  if (event->matches(QKeySequence::Paste)) return PasteFromClipboard();
  SkinDialog::keyPressEvent(event);
}

HBITMAP DlgFilter::TakeDisplayBitmap() {
  HBITMAP out = displayBitmap_;
  displayBitmap_ = nullptr;
  return out;
}

void DlgFilter::OnOK() {
  if (workerRunning_) return;
  done(IDOK);
}

void DlgFilter::OnCancel() {
  // Escape while an operation runs stops the operation, not the editor; the
  // rows it finished stay.
  if (workerRunning_) {
    if (working_) working_->SetEscape(1);
    return;
  }
  done(IDCANCEL);
}
