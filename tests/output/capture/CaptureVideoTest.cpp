// CCaptureVideo with the synthetic camera: the overlay's placement, key and
// opacity, and the snapshot files raw and as shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <functional>

#include "output/capture/CCaptureVideo.h"
#include "platform/camera/TestPatternCamera.h"
#include "skin/SkComboBox.h"
#include "tests/platform/profile/SandboxEnv.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Keeps the window thread turning until done; the limit only guards a hang.
bool Eventually(const std::function<bool()>& done) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > 20000) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

// The pixel at x, y (top-down) of a 24-bit bottom-up snapshot file.
QRgb FilePixel(const std::string& file, int width, int height, int x, int y) {
  const size_t at = 54 + (size_t(height - 1 - y) * width + x) * 3;
  return qRgb(uint8_t(file[at + 2]), uint8_t(file[at + 1]), uint8_t(file[at]));
}

class CaptureVideoTest : public ::testing::Test {
 protected:
  void SetUp() override { env.Set("GLIMMERBOX_CAMERA", "test-pattern"); }
  void TearDown() override {
    gbcam::TestPatternCamera::SetStalled(false);
    gbcam::TestPatternCamera::SetUnplugged(false);
  }
  SandboxEnv env;
  QWidget video;
};

}  // namespace

TEST_F(CaptureVideoTest, NoCameraListsNothing) {
  env.Set("GLIMMERBOX_CAMERA", "none");
  CCaptureVideo capture;
  SkComboBox combo;
  EXPECT_EQ(capture.ListDevices(&combo), -1);
  EXPECT_EQ(combo.GetCount(), 0);
  EXPECT_EQ(capture.OpenDevice(-1, &video, QRect(0, 0, 320, 240)), 1);
  EXPECT_EQ(capture.SnapshotToFile("/tmp/never.bmp", false), 0);
}

TEST_F(CaptureVideoTest, OverlayPlacementKeyAndOpacity) {
  CCaptureVideo capture;
  SkComboBox combo;
  ASSERT_EQ(capture.ListDevices(&combo), 1);
  EXPECT_EQ(combo.GetCount(), 1);
  ASSERT_EQ(capture.OpenDevice(0, &video, QRect(0, 0, 320, 240)), 0);
  long w = 0, h = 0;
  capture.VideoSize(w, h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);

  // The video's own size covers the whole picture; the overlay starts invisible.
  QImage full(640, 480, QImage::Format_RGB32);
  full.fill(qRgb(255, 0, 255));
  capture.SetOverlayKey(RGB(255, 0, 255));
  capture.SetOverlay(full, 0, 0, 640, 480);
  OverlayPicture o = capture.Overlay();
  EXPECT_EQ(o.dest, QRectF(QPointF(0, 0), QPointF(1, 1)));
  EXPECT_EQ(o.opacity, 0);
  EXPECT_FALSE(o.Visible());
  capture.SetOverlayOpacity(9);
  EXPECT_EQ(capture.Overlay().opacity, 9);

  // A smaller part sits in the lower-right corner at its own scale.
  QImage part(400, 300, QImage::Format_RGB32);
  part.fill(qRgb(10, 20, 30));
  capture.SetOverlay(part, 0, 0, 160, 120);
  o = capture.Overlay();
  EXPECT_EQ(o.picture.size(), QSize(160, 120));
  EXPECT_DOUBLE_EQ(o.dest.left(), 0.75);
  EXPECT_DOUBLE_EQ(o.dest.top(), 0.75);
  EXPECT_EQ(o.Placement(640, 480), QRect(480, 360, 160, 120));
  capture.SetOverlayOpacity(7);
  capture.HideOverlay();
  o = capture.Overlay();
  EXPECT_EQ(o.opacity, 0);
  EXPECT_FALSE(o.picture.isNull());  // kept, only not shown
}

TEST_F(CaptureVideoTest, ComposeShownBlendsInTenthsAndSkipsTheKey) {
  gbcam::CameraFrame frame;
  frame.width = 4, frame.height = 2;
  frame.rgb.assign(4 * 2 * 3, 100);
  OverlayPicture o;
  o.picture = QImage(2, 1, QImage::Format_RGB32);
  o.picture.setPixel(0, 0, qRgb(255, 0, 255));  // key: see-through
  o.picture.setPixel(1, 0, qRgb(200, 0, 50));
  o.key = RGB(255, 0, 255);
  o.opacity = 9;
  o.dest = QRectF(QPointF(0.5, 0.5), QPointF(1, 1));  // the lower-right 2 x 1
  const QImage shown = ComposeShown(frame, o);
  ASSERT_EQ(shown.size(), QSize(4, 2));
  EXPECT_EQ(shown.pixel(0, 0), qRgb(100, 100, 100));
  EXPECT_EQ(shown.pixel(3, 0), qRgb(100, 100, 100));
  EXPECT_EQ(shown.pixel(2, 1), qRgb(100, 100, 100));  // key pixel
  // (200*9 + 100)/10 = 190, (0*9 + 100)/10 = 10, (50*9 + 100)/10 = 55
  EXPECT_EQ(shown.pixel(3, 1), qRgb(190, 10, 55));
  o.opacity = 10;
  EXPECT_EQ(ComposeShown(frame, o).pixel(3, 1), qRgb(200, 0, 50));
  o.opacity = 0;
  EXPECT_EQ(ComposeShown(frame, o).pixel(3, 1), qRgb(100, 100, 100));
}

TEST_F(CaptureVideoTest, RawAndAsShownSnapshotFiles) {
  CCaptureVideo capture;
  capture.ListDevices(nullptr);
  video.resize(320, 240);
  video.show();
  ASSERT_EQ(capture.OpenDevice(0, &video, QRect(0, 0, 320, 240)), 0);
  ASSERT_TRUE(Eventually([&] { return capture.LatestFrame() != nullptr; }));
  const fs::path tmp = std::getenv("TMPDIR");

  ASSERT_EQ(capture.SnapshotToFile((tmp / "raw.bmp").string(), false), 1);
  ASSERT_TRUE(Eventually([&] { return fs::exists(tmp / "raw.bmp"); }));
  const std::string raw = ReadAll(tmp / "raw.bmp");
  ASSERT_EQ(raw.size(), 54u + 640u * 480u * 3u);
  EXPECT_EQ(raw.substr(0, 2), "BM");
  // The first colour bar at the top left, the grey ramp's end at the bottom right.
  EXPECT_EQ(FilePixel(raw, 640, 480, 3, 5), qRgb(235, 235, 235));
  EXPECT_EQ(FilePixel(raw, 640, 480, 639, 479), qRgb(255, 255, 255));

  // As shown: an opaque overlay over the whole picture except a see-through
  // corner at the top left.
  QImage frame(640, 480, QImage::Format_RGB32);
  frame.fill(qRgb(12, 34, 56));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 50; ++x) frame.setPixel(x, y, qRgb(255, 0, 255));
  capture.SetOverlayKey(RGB(255, 0, 255));
  capture.SetOverlay(frame, 0, 0, 640, 480);
  capture.SetOverlayOpacity(10);
  ASSERT_EQ(capture.SnapshotToFile((tmp / "shown.bmp").string(), true), 1);
  ASSERT_TRUE(Eventually([&] { return fs::exists(tmp / "shown.bmp"); }));
  const std::string shown = ReadAll(tmp / "shown.bmp");
  ASSERT_EQ(shown.size(), 54u + 640u * 480u * 3u);
  EXPECT_EQ(FilePixel(shown, 640, 480, 3, 5), qRgb(235, 235, 235));  // through the key
  EXPECT_EQ(FilePixel(shown, 640, 480, 49, 29), qRgb(235, 235, 235));
  EXPECT_EQ(FilePixel(shown, 640, 480, 50, 29), qRgb(12, 34, 56));  // overlay
  EXPECT_EQ(FilePixel(shown, 640, 480, 639, 479), qRgb(12, 34, 56));

  // The preview draws the same composition.
  ASSERT_TRUE(Eventually([&] { return capture.Preview() && capture.Preview()->FramesShown() > 0; }));
  const QImage drawn = capture.Preview()->ShownPicture();
  ASSERT_EQ(drawn.size(), QSize(640, 480));

  // Stopped, no snapshot can be asked for; running again, it can.
  capture.StopPreview();
  EXPECT_FALSE(capture.Running());
  EXPECT_EQ(capture.SnapshotToFile((tmp / "stopped.bmp").string(), false), 0);
  EXPECT_TRUE(capture.RunPreview());
  EXPECT_EQ(capture.SnapshotToFile((tmp / "again.bmp").string(), false), 1);
  ASSERT_TRUE(Eventually([&] { return fs::exists(tmp / "again.bmp"); }));
}
