// Journeys through the main window's webcam controls with the synthetic
// camera: live picture, overlay, countdown, snapshot into the sheet, and the
// camera going wrong.
#include <QElapsedTimer>
#include <filesystem>

#include "output/capture/CCaptureVideo.h"
#include "platform/camera/TestPatternCamera.h"
#include "tests/compose/window/WindowTestEnv.h"
#include "tests/support/Pixels.h"

using namespace wintest;
namespace fs = std::filesystem;

namespace {

using gbtest::SamePixels;

bool Eventually(const std::function<bool()>& done) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > 20000) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

GbImage Copy(const GbImage& image) {
  GbImage c;
  c.CopyFrom(image);
  return c;
}

// Every text the countdown label shows while the window is busy, in order.
class LabelRecorder {
 public:
  explicit LabelRecorder(SkStatic* label) : label_(label) {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const QString t = label_->Text();
      if (texts.isEmpty() || texts.back() != t) texts << t;
    });
    timer_.start();
  }
  QStringList texts;

 private:
  SkStatic* label_;
  QTimer timer_;
};

class WebcamTest : public MainWindowTest {
 protected:
  void SetUp() override {
    env.Set("GLIMMERBOX_CAMERA", "test-pattern");
    MainWindowTest::SetUp();
  }
  void TearDown() override {
    gbcam::TestPatternCamera::SetStalled(false);
    gbcam::TestPatternCamera::SetUnplugged(false);
    MainWindowTest::TearDown();
  }
  DlgFacecraft& OpenLive() {
    DlgFacecraft& w = window ? *window : Open();
    w.SetCountdownStep(0);
    Click(DlgFacecraft::kWebcam);
    EXPECT_TRUE(w.Live());
    EXPECT_TRUE(Eventually([&] { return w.Capture()->Preview() && w.Capture()->Preview()->FramesShown() > 1; }));
    return w;
  }
  // Waits until the camera has surely stopped delivering.
  static void Stall() {
    const uint64_t before = gbcam::TestPatternCamera::StalledReads();
    gbcam::TestPatternCamera::SetStalled(true);
    ASSERT_TRUE(Eventually([&] { return gbcam::TestPatternCamera::StalledReads() > before; }));
  }
  SkStatic* Label() { return window->ItemAs<SkStatic>(DlgFacecraft::kCountdown); }
};

}  // namespace

TEST_F(WebcamTest, WithoutACameraTheBoxUnchecksItself) {
  env.Set("GLIMMERBOX_CAMERA", "none");
  DlgFacecraft& w = Open();
  Click(DlgFacecraft::kWebcam);
  EXPECT_FALSE(w.ItemAs<GbSkinButton>(DlgFacecraft::kWebcam)->IsChecked());
  EXPECT_FALSE(w.Live());
  EXPECT_FALSE(w.Item(DlgFacecraft::kVideo)->isVisible());
  EXPECT_TRUE(w.Item(DlgFacecraft::kPhoto)->isVisible());
  EXPECT_FALSE(w.Capture()->Running());
  // The snapshot does nothing outside the live state.
  Click(DlgFacecraft::kSnapshot);
  EXPECT_TRUE(w.Sheet().UsedSlots().empty());
}

TEST_F(WebcamTest, LiveOverlayPhotoCommandsAndSnapshotsIntoTheSheet) {
  DlgFacecraft& w = Open();
  app->settings().ShottingDelay = 0;
  app->settings().AutoChangeFrame = 0;
  Click(DlgFacecraft::kAddToSheet);  // slot 0 taken before going live
  ASSERT_EQ(w.Sheet().UsedSlots(), std::vector<int>{0});

  w.SetCountdownStep(0);
  Click(DlgFacecraft::kWebcam);
  ASSERT_TRUE(w.Live());
  EXPECT_TRUE(w.Item(DlgFacecraft::kVideo)->isVisible());
  EXPECT_FALSE(w.Item(DlgFacecraft::kPhoto)->isVisible());
  EXPECT_FALSE(w.Item(DlgFacecraft::kFrame)->isVisible());
  ASSERT_TRUE(Eventually([&] { return w.Capture()->Preview()->FramesShown() > 1; }));
  EXPECT_EQ(w.Capture()->Preview()->geometry(), QRect(0, 0, 320, 240));

  // The first frame is the overlay, at the video's size, with Alpha x 10 / 255.
  OverlayPicture before = w.Capture()->Overlay();
  ASSERT_FALSE(before.picture.isNull());
  EXPECT_EQ(before.picture.size(), QSize(640, 480));
  EXPECT_EQ(before.opacity, app->settings().Alpha * 10 / 255);

  // Next frame changes the overlay, not the frame window's picture.
  const GbImage frameBefore = Copy(w.FrameImage());
  Click(DlgFacecraft::kNextFrame);
  EXPECT_EQ(w.Frames().index, 1);
  EXPECT_TRUE(SamePixels(w.FrameImage(), frameBefore));
  EXPECT_NE(w.Capture()->Overlay().picture, before.picture);

  // Previous and next photo do nothing while live.
  const int photoIndex = w.Photos().index;
  const GbImage photoBefore = Copy(w.PhotoImage());
  Click(DlgFacecraft::kNextPhoto);
  Click(DlgFacecraft::kPreviousPhoto);
  EXPECT_EQ(w.Photos().index, photoIndex);
  EXPECT_TRUE(SamePixels(w.PhotoImage(), photoBefore));

  // ShottingDelay 0: the label shows 0 and the shot follows at once, into
  // the first free slot.
  {
    LabelRecorder seen(Label());
    Click(DlgFacecraft::kSnapshot);
    EXPECT_EQ(seen.texts, QStringList({QStringLiteral("count down 0 seconds"), QString()}));
  }
  EXPECT_FALSE(w.Busy());
  EXPECT_EQ(w.Sheet().UsedSlots(), (std::vector<int>{0, 1}));
  EXPECT_EQ(w.Frames().index, 1);  // AutoChangeFrame 0
  // The file is the picture as shown (frame option on), 640 x 480 in 24 bits;
  // the slot's plain picture is that file at the sticker's size.
  const std::string file = w.LastSnapshotPath();
  EXPECT_EQ(fs::path(file).filename().string().substr(0, 4), "cap_");
  ASSERT_TRUE(fs::exists(file));
  EXPECT_EQ(fs::file_size(file), 54u + 640u * 480u * 3u);
  GbImage shot, plain;
  ASSERT_TRUE(shot.LoadFile(file.c_str(), GB_TYPE_BMP));
  ASSERT_TRUE(shot.ResampleInterpolated(320, 240, GbImage::kCatmullRom, GbImage::kRepeat));
  ASSERT_TRUE(ImageOfBitmap(w.Sheet().Slot(1).plain, plain));
  EXPECT_TRUE(SamePixels(plain, shot));

  // ShottingDelay 3: 3, 2, 1 and 0 seconds left, then the shot; AutoChangeFrame
  // moves the overlay to the next frame afterwards.
  app->settings().ShottingDelay = 3;
  app->settings().AutoChangeFrame = 1;
  {
    LabelRecorder seen(Label());
    Click(DlgFacecraft::kSnapshot);
    EXPECT_EQ(seen.texts,
              QStringList({QStringLiteral("count down 3 seconds"), QStringLiteral("count down 2 seconds"),
                           QStringLiteral("count down 1 seconds"), QStringLiteral("count down 0 seconds"), QString()}));
  }
  EXPECT_EQ(w.Sheet().UsedSlots(), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(w.Frames().index, 2);
  // The capture leaves the slot's own opacity alone.
  EXPECT_EQ(w.Sheet().Slot(2).alpha, w.Sheet().Slot(3).alpha);

  // Raw snapshot with the frame option off: the camera's picture alone.
  Click(DlgFacecraft::kFrameOption);
  EXPECT_EQ(w.Capture()->Overlay().opacity, 0);
  app->settings().ShottingDelay = 0;
  Click(DlgFacecraft::kSnapshot);
  EXPECT_EQ(w.Sheet().UsedSlots().size(), 4u);
  EXPECT_EQ(w.Frames().index, 2);  // no frame change with the frame option off
  EXPECT_EQ(fs::file_size(w.LastSnapshotPath()), 54u + 640u * 480u * 3u);

  // Off again: the sticker area comes back with the tracker, the camera stops.
  Click(DlgFacecraft::kWebcam);
  EXPECT_FALSE(w.Live());
  EXPECT_TRUE(w.Item(DlgFacecraft::kPhoto)->isVisible());
  EXPECT_FALSE(w.Capture()->Running());
  EXPECT_FALSE(w.TrackerRect().isEmpty());
}

TEST_F(WebcamTest, ToEditAreaWhileLiveGivesTheSlotsFrameToTheOverlay) {
  DlgFacecraft& w = Open();
  Click(DlgFacecraft::kAddToSheet);
  ASSERT_TRUE(w.Sheet().Slot(0).frame);
  OpenLive();
  Click(DlgFacecraft::kNextFrame);
  const QImage stepped = w.Capture()->Overlay().picture;
  MenuCommand(0, DlgFacecraft::kMenuToEditArea);
  const OverlayPicture o = w.Capture()->Overlay();
  EXPECT_EQ(o.picture.size(), QSize(640, 480));  // brought to the video's size
  EXPECT_EQ(o.dest, QRectF(QPointF(0, 0), QPointF(1, 1)));
  EXPECT_EQ(o.opacity, 9);
  EXPECT_NE(o.picture, stepped);
  EXPECT_TRUE(w.Live());
}

TEST_F(WebcamTest, StalledCameraEndsTheSnapshotAsFailedWithinTheBound) {
  DlgFacecraft& w = OpenLive();
  app->settings().ShottingDelay = 1;
  app->settings().AutoChangeFrame = 0;
  w.SetSnapshotWaitLimit(300);
  Stall();
  QString seen;
  AnswerMessageBox(IDOK, &seen);
  Click(DlgFacecraft::kSnapshot);
  EXPECT_EQ(seen, QStringLiteral("The camera sent no picture for the snapshot."));
  EXPECT_FALSE(w.Busy());
  EXPECT_TRUE(w.Sheet().UsedSlots().empty());
  EXPECT_TRUE(Label()->Text().isEmpty());
  // The camera comes back: the next snapshot works.
  gbcam::TestPatternCamera::SetStalled(false);
  app->settings().ShottingDelay = 0;
  w.SetSnapshotWaitLimit(20000);
  Click(DlgFacecraft::kSnapshot);
  EXPECT_EQ(w.Sheet().UsedSlots(), std::vector<int>{0});
}

TEST_F(WebcamTest, SnapshotThatCannotBeWrittenSaysWhy) {
  DlgFacecraft& w = OpenLive();
  app->settings().ShottingDelay = 0;
  env.Set("TMPDIR", (fs::path(std::getenv("TMPDIR")) / "gone").string());
  QString seen;
  AnswerMessageBox(IDOK, &seen);
  Click(DlgFacecraft::kSnapshot);
  EXPECT_TRUE(seen.startsWith(QStringLiteral("The snapshot could not be saved: "))) << seen.toStdString();
  EXPECT_FALSE(w.Busy());
  EXPECT_TRUE(w.Sheet().UsedSlots().empty());
}

TEST_F(WebcamTest, UnpluggedWhileLiveThenOffAndOnAgainThenClosedWhileLive) {
  DlgFacecraft& w = OpenLive();
  QString seen;
  AnswerMessageBox(IDOK, &seen);
  gbcam::TestPatternCamera::SetUnplugged(true);
  ASSERT_TRUE(Eventually([&] { return !seen.isEmpty(); }));
  EXPECT_TRUE(seen.contains(QStringLiteral("unplugged"))) << seen.toStdString();
  EXPECT_FALSE(w.Capture()->Running());
  EXPECT_TRUE(w.Live());  // the window stays as it was and keeps working

  // Plugged in again: off and on brings the picture back.
  gbcam::TestPatternCamera::SetUnplugged(false);
  Click(DlgFacecraft::kWebcam);
  EXPECT_FALSE(w.Live());
  Click(DlgFacecraft::kWebcam);
  ASSERT_TRUE(w.Live());
  EXPECT_TRUE(w.Capture()->Running());
  const uint64_t shown = w.Capture()->Preview()->FramesShown();
  ASSERT_TRUE(Eventually([&] { return w.Capture()->Preview()->FramesShown() > shown + 1; }));

  // Quickly off and on many times: ends live and streaming.
  for (int i = 0; i < 30; ++i) Click(DlgFacecraft::kWebcam);
  EXPECT_TRUE(w.Live() == w.ItemAs<GbSkinButton>(DlgFacecraft::kWebcam)->IsChecked());
  EXPECT_EQ(w.Capture()->Running(), w.Live());
  if (!w.Live()) Click(DlgFacecraft::kWebcam);
  EXPECT_TRUE(w.Capture()->Running());

  // Closed while live: the streaming thread ends with the window.
  window.reset();
  SUCCEED();
}

TEST_F(WebcamTest, CameraGoneWhenSwitchedOnSaysWhyAndWorksOnceBack) {
  DlgFacecraft& w = Open();
  gbcam::TestPatternCamera::SetUnplugged(true);
  QString seen;
  AnswerMessageBox(IDOK, &seen);
  Click(DlgFacecraft::kWebcam);
  EXPECT_EQ(seen, QStringLiteral("The camera is no longer connected."));
  EXPECT_FALSE(w.Capture()->Running());
  // The snapshot has nothing to take: it says so and fills nothing.
  app->settings().ShottingDelay = 0;
  w.SetCountdownStep(0);
  seen.clear();
  AnswerMessageBox(IDOK, &seen);
  Click(DlgFacecraft::kSnapshot);
  EXPECT_EQ(seen, QStringLiteral("The camera is not streaming, so no snapshot was taken."));
  EXPECT_FALSE(w.Busy());
  EXPECT_TRUE(w.Sheet().UsedSlots().empty());
  // Back again: off and on streams.
  gbcam::TestPatternCamera::SetUnplugged(false);
  Click(DlgFacecraft::kWebcam);
  Click(DlgFacecraft::kWebcam);
  EXPECT_TRUE(w.Live());
  EXPECT_TRUE(w.Capture()->Running());
  ASSERT_TRUE(Eventually([&] { return w.Capture()->Preview()->FramesShown() > 0; }));
}
