#include "output/capture/CCaptureVideo.h"

#include <QWidget>

#include "output/capture/CapturePreview.h"
#include "platform/SafeWrite.h"
#include "platform/camera/SnapshotBmp.h"
#include "skin/MessageBoxDlg.h"
#include "skin/SkComboBox.h"

CCaptureVideo::CCaptureVideo(QObject* parent) : QObject(parent) {}

CCaptureVideo::~CCaptureVideo() {
  // The thread ends before anything it might notify goes away; notices still
  // queued die with this object.
  if (stream_) stream_->Stop();
  stream_.reset();
  delete preview_.data();
}

int CCaptureVideo::ListDevices(SkComboBox* combo) {
  devices_ = gbcam::ListCameras();
  listed_ = true;
  if (devices_.empty()) return -1;
  if (combo)
    for (const gbcam::CameraInfo& d : devices_) combo->AddString(QString::fromStdString(d.name));
  return int(devices_.size());
}

void CCaptureVideo::Problem(const QString& text) {
  if (!showMessages_) return;
  QWidget* owner = videoWindow_ ? videoWindow_->window() : nullptr;
  ShowMessageBox(text, QStringLiteral("Glimmerbox"), MB_OK | MB_ICONWARNING, owner);
}

int CCaptureVideo::OpenDevice(int index, QWidget* videoWindow, const QRect& rect) {
  if (!listed_) ListDevices(nullptr);
  if (index < 0) return 1;
  videoWindow_ = videoWindow;
  if (size_t(index) >= devices_.size()) {
    Problem(QStringLiteral("There is no camera to switch on."));
    return 1;
  }
  if (stream_) stream_->Stop();
  stream_ = std::make_unique<gbcam::CameraStream>(gbcam::MakeCamera(devices_[size_t(index)]));
  // Notices from the streaming thread become queued calls on this object's
  // thread; one of each kind is in the queue at a time, so a busy window is
  // not flooded.
  stream_->SetNotify(
      [this] {
        if (framePosted_.exchange(true)) return;
        QMetaObject::invokeMethod(
            this,
            [this] {
              framePosted_ = false;
              if (preview_) preview_->update();
            },
            Qt::QueuedConnection);
      },
      [this] {
        if (eventPosted_.exchange(true)) return;
        QMetaObject::invokeMethod(
            this, [this] { OnStreamEvent(); }, Qt::QueuedConnection);
      });
  stream_->SetSnapshotWriter(
      [this](const gbcam::CameraFrame& frame, bool asShown, const std::string& path, std::string& why) {
        if (!asShown) return gbcam::CameraStream::WriteRawSnapshot(frame, path, why);
        gbcam::CameraFrame shown;
        ComposeShownFrame(frame, Overlay(), shown);
        return gbcam::CameraStream::WriteRawSnapshot(shown, path, why);
      });
  if (videoWindow) {
    delete preview_.data();
    preview_ = new CapturePreview(*this, videoWindow);
    preview_->setGeometry(rect.isValid() ? rect : videoWindow->rect());
    preview_->show();
  }
  std::string why;
  if (!stream_->Start(why)) {
    if (preview_) preview_->SetNotice(QStringLiteral("No picture from the camera"));
    Problem(QString::fromStdString(why));
    return 2;
  }
  if (preview_) preview_->SetNotice(QString());
  return 0;
}

void CCaptureVideo::StopPreview() {
  if (stream_) stream_->Stop();
}

bool CCaptureVideo::RunPreview() {
  if (!stream_) return false;
  if (stream_->Running()) return true;
  stream_->Stop();  // joins a thread that ended by itself and releases the camera
  std::string why;
  if (!stream_->Start(why)) {
    if (preview_) preview_->SetNotice(QStringLiteral("No picture from the camera"));
    Problem(QString::fromStdString(why));
    return false;
  }
  if (preview_) preview_->SetNotice(QString());
  return true;
}

void CCaptureVideo::VideoSize(long& width, long& height) const {
  width = stream_ ? stream_->Width() : 0;
  height = stream_ ? stream_->Height() : 0;
}

int CCaptureVideo::SnapshotToFile(const std::string& path, bool asShown) {
  if (!stream_ || !stream_->Running() || path.empty()) return 0;
  stream_->RequestSnapshot(path, asShown);
  return 1;
}

void CCaptureVideo::SetOverlay(const QImage& bitmap, int left, int top, int right, int bottom) {
  long W = 0, H = 0;
  VideoSize(W, H);
  const QRect part = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).intersected(bitmap.rect());
  {
    std::lock_guard<std::mutex> lock(overlayMutex_);
    overlay_.picture = part.isEmpty() ? QImage() : bitmap.copy(part).convertToFormat(QImage::Format_RGB32);
    const double w = part.width(), h = part.height();
    // The lower-right corner at the overlay's own scale; the video's size covers it all.
    overlay_.dest = W > 0 && H > 0 ? QRectF(QPointF(1.0 - w / double(W), (double(H) - h) / double(H)), QPointF(1, 1))
                                   : QRectF(QPointF(0, 0), QPointF(1, 1));
    overlay_.opacity = 0;
    overlay_.key = key_;
  }
  if (preview_) preview_->Invalidate();
}

void CCaptureVideo::SetOverlayOpacity(int n) {
  {
    std::lock_guard<std::mutex> lock(overlayMutex_);
    overlay_.opacity = n < 0 ? 0 : n > 10 ? 10 : n;
  }
  if (preview_) preview_->Invalidate();
}

OverlayPicture CCaptureVideo::Overlay() const {
  std::lock_guard<std::mutex> lock(overlayMutex_);
  return overlay_;
}

std::shared_ptr<const gbcam::CameraFrame> CCaptureVideo::LatestFrame() const {
  return stream_ ? stream_->Latest() : nullptr;
}

std::vector<gbcam::StreamEvent> CCaptureVideo::DrainEvents() {
  return stream_ ? stream_->TakeEvents() : std::vector<gbcam::StreamEvent>{};
}

void CCaptureVideo::OnStreamEvent() {
  eventPosted_ = false;
  // A stream that ended by itself (camera lost) gives the camera back now.
  if (stream_ && !stream_->Running()) {
    stream_->Stop();
    if (preview_) preview_->SetNotice(QStringLiteral("No picture from the camera"));
  }
  emit graphEvent();
}
