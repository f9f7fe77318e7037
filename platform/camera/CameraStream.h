// The streaming thread of one camera. It reads frames, keeps only the newest
// one for the window thread to fetch, and writes a snapshot when one was
// asked for. The window thread never waits on the camera: every call here
// returns at once except Stop, which waits for the thread to end (at most one
// read timeout, 100 ms).
#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/camera/CameraSource.h"

namespace gbcam {

struct StreamEvent {
  enum Kind { SnapshotWritten, SnapshotFailed, StreamFailed };
  Kind kind;
  std::string path;  // the snapshot file, for the snapshot events
  std::string text;  // why, for the failures
};

class CameraStream {
 public:
  // Called on the streaming thread; must not block. A frame notice may be
  // coalesced by the receiver: Latest() always has the newest frame.
  using Notify = std::function<void()>;
  // Writes one snapshot (the as-shown picture needs the overlay, which lives
  // above this layer). Runs on the streaming thread.
  using SnapshotWriter =
      std::function<bool(const CameraFrame& frame, bool asShown, const std::string& path, std::string& why)>;

  explicit CameraStream(std::unique_ptr<CameraSource> source);
  ~CameraStream();
  CameraStream(const CameraStream&) = delete;
  CameraStream& operator=(const CameraStream&) = delete;

  void SetNotify(Notify onFrame, Notify onEvent);
  void SetSnapshotWriter(SnapshotWriter writer);

  // Opens the camera and starts the thread; false with why when the camera
  // cannot be opened. Starting a running stream does nothing.
  bool Start(std::string& why);
  // Ends the thread and releases the camera. A pending snapshot is dropped.
  void Stop();
  bool Running() const { return running_; }

  int Width() const { return width_; }
  int Height() const { return height_; }
  std::shared_ptr<const CameraFrame> Latest() const;
  uint64_t FramesRead() const { return framesRead_; }

  // The next frame goes to path: one file per request, and a request made
  // before the previous one was served replaces it (the later name wins).
  void RequestSnapshot(const std::string& path, bool asShown);
  bool SnapshotPending() const;
  std::vector<StreamEvent> TakeEvents();

  // The raw writer: the frame as a 24-bit BMP through the safe-write helper.
  static bool WriteRawSnapshot(const CameraFrame& frame, const std::string& path, std::string& why);

 private:
  void Run();
  void Post(StreamEvent event);

  std::unique_ptr<CameraSource> source_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> running_{false};
  std::atomic<uint64_t> framesRead_{0};
  int width_ = 0, height_ = 0;

  mutable std::mutex mutex_;  // guards everything below
  std::shared_ptr<const CameraFrame> latest_;
  bool snapshotPending_ = false;
  std::string snapshotPath_;
  bool snapshotAsShown_ = false;
  std::vector<StreamEvent> events_;
  Notify onFrame_, onEvent_;
  SnapshotWriter writer_;
};

}  // namespace gbcam
