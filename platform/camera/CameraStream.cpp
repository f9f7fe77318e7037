#include "platform/camera/CameraStream.h"

#include "platform/SafeWrite.h"
#include "platform/camera/SnapshotBmp.h"

namespace gbcam {

namespace {
// Short enough that Stop never keeps the window waiting noticeably.
constexpr int kReadTimeoutMs = 100;
}  // namespace

CameraStream::CameraStream(std::unique_ptr<CameraSource> source) : source_(std::move(source)) {}

CameraStream::~CameraStream() { Stop(); }

void CameraStream::SetNotify(Notify onFrame, Notify onEvent) {
  std::lock_guard<std::mutex> lock(mutex_);
  onFrame_ = std::move(onFrame);
  onEvent_ = std::move(onEvent);
}

void CameraStream::SetSnapshotWriter(SnapshotWriter writer) {
  std::lock_guard<std::mutex> lock(mutex_);
  writer_ = std::move(writer);
}

bool CameraStream::Start(std::string& why) {
  if (running_) return true;
  if (!source_) {
    why = "There is no camera.";
    return false;
  }
  if (thread_.joinable()) thread_.join();  // a stream that ended by itself
  if (!source_->Open(why)) return false;
  width_ = source_->Width();
  height_ = source_->Height();
  stop_ = false;
  running_ = true;
  thread_ = std::thread([this] { Run(); });
  return true;
}

void CameraStream::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  running_ = false;
  if (source_) source_->Close();
  std::lock_guard<std::mutex> lock(mutex_);
  snapshotPending_ = false;
}

std::shared_ptr<const CameraFrame> CameraStream::Latest() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return latest_;
}

void CameraStream::RequestSnapshot(const std::string& path, bool asShown) {
  std::lock_guard<std::mutex> lock(mutex_);
  snapshotPath_ = path;
  snapshotAsShown_ = asShown;
  snapshotPending_ = true;
}

bool CameraStream::SnapshotPending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return snapshotPending_;
}

std::vector<StreamEvent> CameraStream::TakeEvents() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<StreamEvent> out;
  out.swap(events_);
  return out;
}

void CameraStream::Post(StreamEvent event) {
  Notify notify;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(std::move(event));
    notify = onEvent_;
  }
  if (notify) notify();
}

bool CameraStream::WriteRawSnapshot(const CameraFrame& frame, const std::string& path, std::string& why) {
  const std::string bytes = EncodeSnapshotBmp(frame);
  if (bytes.empty()) {
    why = "the camera's picture has no pixels";
    return false;
  }
  return gbfile::SafeWriteFile(path, bytes, &why);
}

void CameraStream::Run() {
  while (!stop_) {
    auto frame = std::make_shared<CameraFrame>();
    std::string why;
    const ReadResult r = source_->Read(*frame, kReadTimeoutMs, why);
    if (r == ReadResult::Failed) {
      running_ = false;
      Post({StreamEvent::StreamFailed, {}, why});
      return;
    }
    if (r == ReadResult::NoFrameYet) continue;
    ++framesRead_;

    // The one-shot hand-over: the request is taken with this frame, and a
    // request arriving while the file is written waits for the next frame.
    std::string path;
    bool asShown = false, shoot = false;
    SnapshotWriter writer;
    Notify notify;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      latest_ = frame;
      notify = onFrame_;
      if (snapshotPending_) {
        shoot = true;
        path = snapshotPath_;
        asShown = snapshotAsShown_;
        snapshotPending_ = false;
        writer = writer_;
      }
    }
    if (notify) notify();
    if (shoot) {
      std::string error;
      const bool ok = writer ? writer(*frame, asShown, path, error) : WriteRawSnapshot(*frame, path, error);
      Post({ok ? StreamEvent::SnapshotWritten : StreamEvent::SnapshotFailed, path, error});
    }
  }
}

}  // namespace gbcam
