// CCaptureVideo, the webcam of the main window: lists the cameras, streams one
// of them into a preview widget inside a given window, lays the frame overlay
// (colour key, opacity in tenths) over the live picture, and writes snapshots
// as 24-bit BMP files, either the raw frame or the picture as shown.
//
// A snapshot is a one-shot request served by the next frame on the streaming
// thread; SnapshotToFile returns at once and the caller waits for the file.
// Two requests before a frame write one file, under the later name.
#pragma once
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "output/capture/CapturePreview.h"
#include "output/capture/OverlayPicture.h"
#include "platform/WinTypes.h"
#include "platform/camera/CameraStream.h"

class CapturePreview;
class SkComboBox;
class QWidget;

class CCaptureVideo : public QObject {
  Q_OBJECT
 public:
  explicit CCaptureVideo(QObject* parent = nullptr);
  ~CCaptureVideo() override;

  // The cameras by name into the combo box (and DeviceNames): the number
  // added, or -1 when there is none.
  int ListDevices(SkComboBox* combo);
  const std::vector<gbcam::CameraInfo>& Devices() const { return devices_; }
  // 0: streaming into rect of videoWindow; 1: no camera at that index;
  // 2: the camera cannot be used (a message said why).
  int OpenDevice(int index, QWidget* videoWindow, const QRect& rect);
  void StopPreview();
  // Starts the stream again after StopPreview (the camera is opened anew, so
  // one that was unplugged and plugged in again works). False: a message said why.
  bool RunPreview();
  bool Running() const { return stream_ && stream_->Running(); }
  void VideoSize(long& width, long& height) const;

  // 1: requested (raw or as shown, written with the next frame); 0: no stream
  // or no path.
  int SnapshotToFile(const std::string& path, bool asShown);

  // The part (left, top, right, bottom) of bitmap as the overlay, in the
  // lower-right corner at its own scale against the video; invisible until an
  // opacity is set.
  void SetOverlay(const QImage& bitmap, int left, int top, int right, int bottom);
  void SetOverlayOpacity(int n);
  void HideOverlay() { SetOverlayOpacity(0); }
  void SetOverlayKey(COLORREF key) { key_ = key; }
  OverlayPicture Overlay() const;

  // The events since the last call: snapshots written or failed, a camera lost.
  std::vector<gbcam::StreamEvent> DrainEvents();

  CapturePreview* Preview() const { return preview_; }
  std::shared_ptr<const gbcam::CameraFrame> LatestFrame() const;
  uint64_t FramesRead() const { return stream_ ? stream_->FramesRead() : 0; }
  // Shows the skinned message box for failures (on by default).
  void SetShowMessages(bool show) { showMessages_ = show; }

 signals:
  // Something is waiting in DrainEvents.
  void graphEvent();

 private:
  void Problem(const QString& text);
  void OnStreamEvent();

  std::vector<gbcam::CameraInfo> devices_;
  bool listed_ = false;
  std::unique_ptr<gbcam::CameraStream> stream_;
  QPointer<CapturePreview> preview_;
  QPointer<QWidget> videoWindow_;
  COLORREF key_ = RGB(255, 0, 255);
  mutable std::mutex overlayMutex_;  // the as-shown snapshot reads it on the streaming thread
  OverlayPicture overlay_;
  std::atomic<bool> framePosted_{false};
  std::atomic<bool> eventPosted_{false};
  bool showMessages_ = true;
};
