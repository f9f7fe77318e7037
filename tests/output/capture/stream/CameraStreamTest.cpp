// The synthetic camera, the V4L2 device checks, the snapshot file and the
// streaming thread's one-shot hand-over.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/camera/CameraStream.h"
#include "platform/camera/SnapshotBmp.h"
#include "platform/camera/TestPatternCamera.h"
#include "platform/camera/V4l2Camera.h"

namespace fs = std::filesystem;
using namespace gbcam;

namespace {

uint32_t U32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}
uint32_t U16(const std::string& b, size_t at) { return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8; }

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Waits for a condition the streaming thread brings about; the limit only
// keeps a broken build from hanging.
bool Eventually(const std::function<bool()>& done) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done()) {
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/gbcamXXXXXX";
    path_ = ::mkdtemp(pattern);
  }
  ~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, ec);
    fs::remove_all(path_, ec);
  }
  fs::path operator/(const std::string& name) const { return path_ / name; }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

class EnvVar {
 public:
  EnvVar(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~EnvVar() {
    if (had_)
      ::setenv(name_.c_str(), old_.c_str(), 1);
    else
      ::unsetenv(name_.c_str());
  }

 private:
  std::string name_, old_;
  bool had_ = false;
};

// Every test leaves the synthetic camera working.
class CameraStreamTest : public ::testing::Test {
 protected:
  void TearDown() override {
    TestPatternCamera::SetStalled(false);
    TestPatternCamera::SetUnplugged(false);
  }
  std::vector<StreamEvent> events;
  // Collects events until one of kind arrives.
  bool WaitForEvent(CameraStream& s, StreamEvent::Kind kind) {
    return Eventually([&] {
      for (StreamEvent& e : s.TakeEvents()) events.push_back(e);
      for (const StreamEvent& e : events)
        if (e.kind == kind) return true;
      return false;
    });
  }
  TempDir dir;
};

}  // namespace

TEST_F(CameraStreamTest, SnapshotBmpHasTheHeaderAndBottomUpBgrRows) {
  // 640 x 480: no row padding, 54 + 921600 bytes.
  CameraFrame big;
  TestPatternCamera::Paint(17, big);
  const std::string file = EncodeSnapshotBmp(big);
  ASSERT_EQ(file.size(), 54u + 640u * 480u * 3u);
  EXPECT_EQ(file.substr(0, 2), "BM");
  EXPECT_EQ(U32(file, 2), 54u + 640u * 480u * 3u);
  EXPECT_EQ(U32(file, 6), 0u);
  EXPECT_EQ(U32(file, 10), 54u);
  EXPECT_EQ(U32(file, 14), 40u);
  EXPECT_EQ(U32(file, 18), 640u);
  EXPECT_EQ(U32(file, 22), 480u);
  EXPECT_EQ(U16(file, 26), 1u);
  EXPECT_EQ(U16(file, 28), 24u);
  for (size_t at = 30; at < 54; ++at) EXPECT_EQ(file[at], 0) << at;

  // 3 x 2 with distinct pixels: rows padded to 12 bytes, bottom row first,
  // blue before red.
  CameraFrame small;
  small.width = 3, small.height = 2;
  small.rgb = {1,  2,  3,  4,  5,  6,  7,   8,   9,  // top row
               10, 11, 12, 13, 14, 15, 250, 251, 255};
  const std::string s = EncodeSnapshotBmp(small);
  ASSERT_EQ(s.size(), 54u + 24u);
  EXPECT_EQ(U32(s, 2), 78u);
  const std::string bottom = s.substr(54, 12), top = s.substr(66, 12);
  EXPECT_EQ(bottom, std::string("\x0c\x0b\x0a\x0f\x0e\x0d\xff\xfb\xfa\0\0\0", 12));
  EXPECT_EQ(top, std::string("\x03\x02\x01\x06\x05\x04\x09\x08\x07\0\0\0", 12));

  // Nothing to write for an empty or short frame.
  CameraFrame empty;
  EXPECT_TRUE(EncodeSnapshotBmp(empty).empty());
  small.rgb.pop_back();
  EXPECT_TRUE(EncodeSnapshotBmp(small).empty());
}

TEST_F(CameraStreamTest, TestPatternIsDeterministicAndMoves) {
  CameraFrame a, b, c;
  TestPatternCamera::Paint(40, a);
  TestPatternCamera::Paint(40, b);
  TestPatternCamera::Paint(41, c);
  EXPECT_EQ(a.width, 640);
  EXPECT_EQ(a.height, 480);
  EXPECT_EQ(a.rgb, b.rgb);
  EXPECT_NE(a.rgb, c.rgb);
  // Top-left is the first bar, bottom-right the end of the grey ramp.
  EXPECT_EQ(a.rgb[0], 235);
  EXPECT_EQ(a.rgb[2], 235);
  const size_t last = a.rgb.size() - 3;
  EXPECT_EQ(a.rgb[last], 255);
  EXPECT_EQ(a.rgb[last + 2], 255);
}

TEST_F(CameraStreamTest, ListingFindsOnlyCameras) {
  {
    EnvVar camera("GLIMMERBOX_CAMERA", "test-pattern");
    const auto list = ListCameras();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "Test pattern camera");
    EXPECT_TRUE(list[0].node.empty());
  }
  {
    // Nodes that are no cameras: a character device without video, a plain
    // file, a missing node.
    std::ofstream(dir / "video0") << "not a device";
    const std::string nodes = "/dev/null:" + (dir / "video0").string() + ":" + (dir / "video9").string();
    EnvVar camera("GLIMMERBOX_CAMERA", nullptr);
    EnvVar devices("GLIMMERBOX_VIDEO_DEVICES", nodes.c_str());
    EXPECT_TRUE(ListCameras().empty());
  }
  EnvVar none("GLIMMERBOX_CAMERA", "none");
  EXPECT_TRUE(ListCameras().empty());
}

TEST_F(CameraStreamTest, DevicesThatAreNoCamerasSayWhy) {
  std::string card, why;
  int err = 0;
  EXPECT_FALSE(V4l2Camera::Probe("/dev/null", card, why, &err));
  EXPECT_EQ(err, ENOTTY);
  EXPECT_NE(why.find("/dev/null is not a camera"), std::string::npos) << why;

  V4l2Camera missing((dir / "video3").string());
  EXPECT_FALSE(missing.Open(why));
  EXPECT_NE(why.find("no longer connected"), std::string::npos) << why;

  CameraStream stream(std::make_unique<V4l2Camera>("/dev/null"));
  EXPECT_FALSE(stream.Start(why));
  EXPECT_FALSE(stream.Running());

  // The Linux causes a user can act on.
  EXPECT_NE(CameraErrorText(EBUSY, "/dev/video0").find("busy"), std::string::npos);
  EXPECT_NE(CameraErrorText(EACCES, "/dev/video0").find("Add yourself to the video group"), std::string::npos);
  EXPECT_NE(CameraErrorText(ENODEV, "/dev/video0").find("unplugged"), std::string::npos);
}

TEST_F(CameraStreamTest, OneFilePerRequestAndTheLaterOfTwoQuickRequestsWins) {
  CameraStream stream(std::make_unique<TestPatternCamera>());
  std::string why;
  ASSERT_TRUE(stream.Start(why)) << why;
  EXPECT_EQ(stream.Width(), 640);
  EXPECT_EQ(stream.Height(), 480);
  ASSERT_TRUE(Eventually([&] { return stream.Latest() != nullptr; }));

  // One request, one file of one whole frame.
  stream.RequestSnapshot((dir / "one.bmp").string(), false);
  ASSERT_TRUE(WaitForEvent(stream, StreamEvent::SnapshotWritten));
  EXPECT_EQ(fs::file_size(dir / "one.bmp"), 54u + 640u * 480u * 3u);
  const std::string one = ReadAll(dir / "one.bmp");
  EXPECT_EQ(U32(one, 18), 640u);
  EXPECT_EQ(U32(one, 22), 480u);

  // Two requests before the next frame: one file, under the second name.
  const uint64_t stalls = TestPatternCamera::StalledReads();
  TestPatternCamera::SetStalled(true);
  ASSERT_TRUE(Eventually([&] { return TestPatternCamera::StalledReads() > stalls; }));
  stream.RequestSnapshot((dir / "first.bmp").string(), false);
  stream.RequestSnapshot((dir / "second.bmp").string(), false);
  EXPECT_TRUE(stream.SnapshotPending());
  events.clear();
  TestPatternCamera::SetStalled(false);
  ASSERT_TRUE(WaitForEvent(stream, StreamEvent::SnapshotWritten));
  EXPECT_TRUE(fs::exists(dir / "second.bmp"));
  EXPECT_FALSE(fs::exists(dir / "first.bmp"));
  EXPECT_FALSE(stream.SnapshotPending());

  // And then no more files: more frames pass without another write.
  const uint64_t seen = stream.FramesRead();
  ASSERT_TRUE(Eventually([&] { return stream.FramesRead() >= seen + 3; }));
  for (StreamEvent& e : stream.TakeEvents()) events.push_back(e);
  EXPECT_EQ(events.size(), 1u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
  stream.Stop();
  EXPECT_FALSE(stream.Running());
}

TEST_F(CameraStreamTest, UnwritableSnapshotIsReportedAndTheNextRequestStillWorks) {
  CameraStream stream(std::make_unique<TestPatternCamera>());
  std::string why;
  ASSERT_TRUE(stream.Start(why));
  const std::string bad = (dir / "missing-folder" / "cap.bmp").string();
  stream.RequestSnapshot(bad, false);
  ASSERT_TRUE(WaitForEvent(stream, StreamEvent::SnapshotFailed));
  EXPECT_EQ(events.back().path, bad);
  EXPECT_FALSE(events.back().text.empty());
  EXPECT_FALSE(fs::exists(bad));
  EXPECT_FALSE(stream.SnapshotPending());
  stream.RequestSnapshot((dir / "good.bmp").string(), false);
  ASSERT_TRUE(WaitForEvent(stream, StreamEvent::SnapshotWritten));
  EXPECT_TRUE(fs::exists(dir / "good.bmp"));
}

TEST_F(CameraStreamTest, UnpluggedCameraEndsTheStreamAndCanBeOpenedAgain) {
  CameraStream stream(std::make_unique<TestPatternCamera>());
  std::string why;
  ASSERT_TRUE(stream.Start(why));
  ASSERT_TRUE(Eventually([&] { return stream.FramesRead() > 0; }));
  // A request still pending when the camera goes is dropped with the stream.
  const uint64_t stalls = TestPatternCamera::StalledReads();
  TestPatternCamera::SetStalled(true);
  ASSERT_TRUE(Eventually([&] { return TestPatternCamera::StalledReads() > stalls; }));
  stream.RequestSnapshot((dir / "never.bmp").string(), false);
  TestPatternCamera::SetUnplugged(true);
  ASSERT_TRUE(WaitForEvent(stream, StreamEvent::StreamFailed));
  EXPECT_NE(events.back().text.find("unplugged"), std::string::npos) << events.back().text;
  EXPECT_FALSE(stream.Running());
  // Still gone: opening again fails and says so.
  stream.Stop();
  EXPECT_FALSE(stream.Start(why));
  TestPatternCamera::SetUnplugged(false);
  TestPatternCamera::SetStalled(false);
  // Plugged in again: frames come, and the old request was dropped.
  ASSERT_TRUE(stream.Start(why)) << why;
  const uint64_t before = stream.FramesRead();
  ASSERT_TRUE(Eventually([&] { return stream.FramesRead() > before + 1; }));
  EXPECT_FALSE(fs::exists(dir / "never.bmp"));
}

TEST_F(CameraStreamTest, QuickStartsAndStopsLeaveNoThreadBehind) {
  auto stream = std::make_unique<CameraStream>(std::make_unique<TestPatternCamera>());
  std::string why;
  for (int i = 0; i < 40; ++i) {
    ASSERT_TRUE(stream->Start(why));
    EXPECT_TRUE(stream->Start(why));  // already running: nothing new
    if (i % 3 == 0) stream->RequestSnapshot((dir / "quick.bmp").string(), false);
    stream->Stop();
    EXPECT_FALSE(stream->Running());
    EXPECT_FALSE(stream->SnapshotPending());
  }
  // Destroyed while streaming: the thread ends with it.
  ASSERT_TRUE(stream->Start(why));
  ASSERT_TRUE(Eventually([&] { return stream->FramesRead() > 0; }));
  stream.reset();
}

TEST_F(CameraStreamTest, ReaderThreadWriterAndNoticesShareFramesSafely) {
  // As the window uses it: notices from the streaming thread, the newest frame
  // fetched on another thread while snapshots are asked for and written by a
  // writer that reads state the requesting thread changes.
  CameraStream stream(std::make_unique<TestPatternCamera>());
  std::atomic<int> frameNotices{0}, eventNotices{0};
  std::mutex overlayMutex;
  int overlayShade = 0;  // stands for the overlay the as-shown writer reads
  stream.SetNotify([&] { ++frameNotices; }, [&] { ++eventNotices; });
  stream.SetSnapshotWriter([&](const CameraFrame& frame, bool asShown, const std::string& path, std::string& why) {
    CameraFrame shown = frame;
    if (asShown) {
      std::lock_guard<std::mutex> lock(overlayMutex);
      for (size_t i = 0; i < 300; ++i) shown.rgb[i] = uint8_t(overlayShade);
    }
    return CameraStream::WriteRawSnapshot(shown, path, why);
  });
  std::string why;
  ASSERT_TRUE(stream.Start(why));
  std::atomic<bool> done{false};
  uint64_t lastSeen = 0;
  std::thread reader([&] {
    while (!done) {
      if (auto f = stream.Latest()) lastSeen = f->sequence + f->rgb[0];
      std::this_thread::yield();
    }
  });
  for (int i = 0; i < 4; ++i) {
    {
      std::lock_guard<std::mutex> lock(overlayMutex);
      overlayShade = 40 * (i + 1);
    }
    const size_t before = events.size();
    stream.RequestSnapshot((dir / ("shot" + std::to_string(i) + ".bmp")).string(), i % 2 == 1);
    ASSERT_TRUE(Eventually([&] {
      for (StreamEvent& e : stream.TakeEvents()) events.push_back(e);
      return events.size() > before;
    }));
  }
  done = true;
  reader.join();
  stream.Stop();
  EXPECT_GT(lastSeen, 0u);
  EXPECT_GT(frameNotices.load(), 0);
  EXPECT_EQ(eventNotices.load(), 4);
  ASSERT_EQ(events.size(), 4u);
  for (const StreamEvent& e : events) EXPECT_EQ(e.kind, StreamEvent::SnapshotWritten) << e.text;
  // The as-shown files carry the shade set before their request; the raw ones do not.
  const std::string shot1 = ReadAll(dir / "shot1.bmp"), shot0 = ReadAll(dir / "shot0.bmp");
  ASSERT_EQ(shot1.size(), 54u + 640u * 480u * 3u);
  const size_t topLeft = 54 + size_t(479) * 640 * 3;  // the first pixel of the top row
  EXPECT_EQ(uint8_t(shot1[topLeft]), 80);
  EXPECT_EQ(uint8_t(shot0[topLeft]), 235);
}
