// The main window's webcam side: switching the live picture on and off, the
// frame overlay, and the snapshot with its countdown.
#include <QApplication>
#include <QElapsedTimer>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <thread>

#include "compose/window/DlgFacecraft.h"
#include "compose/window/PictureViews.h"
#include "output/capture/CCaptureVideo.h"
#include "platform/profile/PlatformPaths.h"
#include "skin/GbSkinButton.h"
#include "skin/MessageBoxDlg.h"
#include "skin/SkComboBox.h"
#include "skin/SkStatic.h"

namespace fs = std::filesystem;

namespace {

// A picture as the overlay: brought to the video's size, its centre colour
// see-through, handed over invisible at 9 tenths and then at opacity. The
// enlargement repeats pixels instead of interpolating: a smooth filter mixes
// the see-through colour into the frame's inner edge, and that mixed colour
// is no longer the key, so a magenta seam would show round the photo.
void HandOverlay(CCaptureVideo& capture, const GbImage& picture, int opacity) {
  QImage image = QImageOfGbImage(picture);
  if (image.isNull()) return;
  const QRgb c = image.pixel(image.width() / 2, image.height() / 2);
  long w = 0, h = 0;
  capture.VideoSize(w, h);
  if (w > 0 && h > 0 && (image.width() != w || image.height() != h))
    image = image.scaled(int(w), int(h), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  capture.SetOverlayKey(RGB(BYTE(qRed(c)), BYTE(qGreen(c)), BYTE(qBlue(c))));
  capture.SetOverlay(image, 0, 0, image.width(), image.height());
  capture.SetOverlayOpacity(9);
  if (opacity != 9) capture.SetOverlayOpacity(opacity);
}

std::string SnapshotName() {
  char stamp[32];
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::strftime(stamp, sizeof stamp, "%y%m%d%H%M%S", &local);
  return gbpaths::TempDirectory() + "cap_" + stamp + ".bmp";
}

}  // namespace

void DlgFacecraft::InstallCaptureHooks() {
  capture_ = std::make_unique<CCaptureVideo>();
  CCaptureVideo* capture = capture_.get();
  connect(capture, &CCaptureVideo::graphEvent, this, [this] { OnCaptureEvents(); });
  hooks_.capture.listDevices = [capture] {
    std::vector<std::string> names;
    if (capture->ListDevices(nullptr) > 0)
      for (const gbcam::CameraInfo& d : capture->Devices()) names.push_back(d.name);
    return names;
  };
  hooks_.capture.openDevice = [capture](int device, QWidget* videoWindow) {
    return capture->OpenDevice(device, videoWindow, videoWindow->rect()) == 0;
  };
  hooks_.capture.runPreview = [capture] { capture->RunPreview(); };
  hooks_.capture.stopPreview = [capture] { capture->StopPreview(); };
  hooks_.capture.showOverlay = [capture](const std::string& file, int opacity) {
    const uint32_t type = GbImage::TypeFromPath(file);
    if (type == GB_TYPE_UNKNOWN) return;
    GbImage picture;
    if (!picture.LoadFile(file.c_str(), type) || !picture.HasPixels()) return;
    HandOverlay(*capture, picture, opacity);
  };
  // A slot's frame is drawn for the sticker's 320 x 240; it is brought to the
  // video's size like a frame file, or it would cover only a corner.
  hooks_.capture.showOverlayPicture = [capture](const SharedBitmap& frame, int opacity) {
    GbImage picture;
    if (ImageOfBitmap(frame, picture)) HandOverlay(*capture, picture, opacity);
  };
  hooks_.capture.hideOverlay = [capture] { capture->HideOverlay(); };
  hooks_.capture.snapshotToFile = [capture](const std::string& path, bool asShown) {
    return capture->SnapshotToFile(path, asShown) == 1;
  };
}

void DlgFacecraft::OnCaptureEvents() {
  if (!capture_) return;
  for (const gbcam::StreamEvent& e : capture_->DrainEvents()) {
    if (e.kind == gbcam::StreamEvent::SnapshotFailed && e.path == snapshotPath_) {
      snapshotError_ = e.text.empty() ? "it could not be written" : e.text;
    } else if (e.kind == gbcam::StreamEvent::StreamFailed) {
      // The window goes on working; switching the webcam off and on again
      // opens the camera anew.
      ShowProblem(QStringLiteral("The live picture stopped. %1\nSwitch the webcam off and on again to go on.")
                      .arg(QString::fromStdString(e.text)));
    }
  }
}

void DlgFacecraft::ShowLivePicture(bool live) {
  live_ = live;
  videoView_->setVisible(live);
  backgroundView_->setVisible(!live);
  photoView_->setVisible(!live);
  frameView_->setVisible(!live && frameOption_);
  if (live) {
    SetTrackerVisible(false);
  } else {
    tracker_ = photoView_->geometry();
    SetTrackerVisible(true);
  }
}

void DlgFacecraft::OnWebcam() {
  auto* box = ItemAs<GbSkinButton>(kWebcam);
  auto* devices = ItemAs<SkComboBox>(kDevices);
  const bool on = box && box->IsChecked();
  if (on) {
    if (!devices || devices->GetCount() == 0) {
      box->SetChecked(false);
      return;
    }
    ShowLivePicture(true);
    if (captureStarted_) {
      if (hooks_.capture.runPreview) hooks_.capture.runPreview();
      return;
    }
    if (hooks_.capture.openDevice) hooks_.capture.openDevice(0, videoView_);
    captureStarted_ = true;
    if (frameOption_ && frames_.Current() && hooks_.capture.showOverlay)
      hooks_.capture.showOverlay(frames_.Current()->path, settings_.Alpha * 10 / 255);
    return;
  }
  ShowLivePicture(false);
  if (hooks_.capture.stopPreview) hooks_.capture.stopPreview();
  if (frames_.Current()) LoadFrameFile(frames_.Current()->path, false);
}

void DlgFacecraft::OnSnapshot() {
  if (!live_ || busy_) return;
  busy_ = true;
  const int delay = std::max(0, settings_.ShottingDelay);
  countdown_->SetText(QStringLiteral("count down %1 seconds").arg(delay));
  QApplication::processEvents();
  // Ten-millisecond steps, the window kept alive between them; every hundred
  // steps the label counts a second down, to 0.
  bool stillLive = true;
  for (int elapsed = 0; elapsed < delay * 1000 && stillLive;) {
    if (countdownStepMs_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(countdownStepMs_));
    elapsed += 10;
    if (elapsed % 1000 == 0) countdown_->SetText(QStringLiteral("count down %1 seconds").arg(delay - elapsed / 1000));
    QApplication::processEvents();
    // Switching the webcam off or closing the window ends the countdown.
    stillLive = live_ && isVisible();
  }
  countdown_->SetText(QString());
  // A failed snapshot has said why; the countdown ends the same way.
  if (stillLive) TakeSnapshot();
  busy_ = false;
  // The frame moves on after every snapshot, taken or failed.
  if (stillLive && settings_.AutoChangeFrame == 1 && frameOption_ && live_) StepFrame(1);
}

bool DlgFacecraft::TakeSnapshot() {
  QElapsedTimer took;
  took.start();
  snapshotPath_ = SnapshotName();
  snapshotError_.clear();
  // A file of the same second from an earlier snapshot must not pass for this one.
  std::error_code ec;
  fs::remove(snapshotPath_, ec);
  if (!hooks_.capture.snapshotToFile || !hooks_.capture.snapshotToFile(snapshotPath_, frameOption_)) {
    ShowProblem(QStringLiteral("The camera is not streaming, so no snapshot was taken."));
    return false;
  }
  // The file comes from the streaming thread with one of the next frames; a
  // camera that stalls must not hold the window for ever.
  QElapsedTimer waited;
  waited.start();
  bool arrived = false;
  while (true) {
    if (fs::exists(snapshotPath_, ec)) {
      arrived = true;
      break;
    }
    if (!snapshotError_.empty() || !live_ || !isVisible() || waited.elapsed() >= snapshotWaitMs_) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    QApplication::processEvents();
  }
  if (!arrived) {
    if (!snapshotError_.empty())
      ShowProblem(QStringLiteral("The snapshot could not be saved: %1.").arg(QString::fromStdString(snapshotError_)));
    else if (live_ && isVisible())
      ShowProblem(QStringLiteral("The camera sent no picture for the snapshot."));
    return false;
  }
  GbImage shot;
  if (!shot.LoadFile(snapshotPath_.c_str(), GB_TYPE_BMP) || !shot.HasPixels()) return false;
  if ((shot.Width() != GB_STICKER_WIDTH || shot.Height() != GB_STICKER_HEIGHT) &&
      !shot.ResampleInterpolated(GB_STICKER_WIDTH, GB_STICKER_HEIGHT, GbImage::kCatmullRom, GbImage::kRepeat))
    return false;
  const std::vector<int> used = sheet_->UsedSlots();
  if (int(used.size()) >= sheet_->SlotCount()) return false;
  // The snapshot is the whole sticker area (the overlay already in it when
  // shown): the photo window covers the area again so nothing is cut or moved.
  photo_.TakeOver(shot);
  photoView_->setGeometry(frameView_->geometry());
  tracker_ = photoView_->geometry();
  ComposedSticker sticker;
  if (!ComposeCurrent(sticker)) return false;
  if (sheet_->PlaceInFirstFree(sticker, frameOption_, std::nullopt) < 0) return false;
  MarkDirty();
  snapshotMs_ = took.elapsed();
  return true;
}
