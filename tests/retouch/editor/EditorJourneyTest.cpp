// Journeys through the photo editor's real buttons.
#include <QClipboard>
#include <QMimeData>
#include <QBuffer>
#include <unistd.h>
#include <filesystem>
#include <fstream>

#include "tests/retouch/editor/EditorTestEnv.h"
#include "skin/CRectTrackerPic.h"
#include "skin/CSkinSlider.h"

namespace fs = std::filesystem;
using namespace editortest;

namespace {
constexpr int kNegative = 1086, kMirror = 1093, kBlur = 1116, kSoften = 1108, kGamma = 1107, kMedian = 1120;
constexpr int kBrightContrast = 1149, kRotateAngle = 1151, kCircle = 1165, kAdjustRgb = 1171;
}  // namespace

TEST_F(EditorTest, FirstChangeFitsALargePictureAndLeavesSmallOnesAlone) {
  struct Case {
    uint32_t w, h, fitW, fitH;
  } cases[] = {{800, 600, 320, 240}, {320, 240, 320, 240}, {100, 80, 100, 80}, {640, 100, 320, 50}, {90, 480, 45, 240}};
  for (const Case& c : cases) {
    Open(Gradient(c.w, c.h));
    // The opening picture is shown as it came.
    EXPECT_EQ(Working().Width(), c.w);
    Click(kNegative);
    EXPECT_EQ(Working().Width(), c.fitW) << c.w << " x " << c.h;
    EXPECT_EQ(Working().Height(), c.fitH) << c.w << " x " << c.h;
    EXPECT_EQ(editor->Picture()->Picture().size(), QSize(int(c.fitW), int(c.fitH)));
  }
}

TEST_F(EditorTest, UndoThenANewCommandKeepsTheLaterStepsForRedo) {
  Open(Gradient(100, 80));
  const GbImage a = Snapshot();
  Click(kNegative);
  const GbImage b = Snapshot();
  Click(kMirror);
  const GbImage c = Snapshot();
  ASSERT_EQ(editor->History().size(), 3u);
  ASSERT_EQ(editor->HistoryIndex(), 2);

  Click(DlgFilter::kUndo);
  EXPECT_EQ(editor->HistoryIndex(), 1);
  EXPECT_TRUE(SamePixels(Working(), b));
  Click(kBlur);
  ASSERT_EQ(editor->History().size(), 4u);
  EXPECT_EQ(editor->HistoryIndex(), 2);
  EXPECT_TRUE(SamePixels(*editor->History()[0], a));
  EXPECT_TRUE(SamePixels(*editor->History()[1], b));
  EXPECT_FALSE(SamePixels(*editor->History()[2], b));
  EXPECT_TRUE(SamePixels(*editor->History()[3], c));
  Click(DlgFilter::kRedo);
  EXPECT_EQ(editor->HistoryIndex(), 3);
  EXPECT_TRUE(SamePixels(Working(), c));
  // Redo at the end shows the last step again.
  Click(DlgFilter::kRedo);
  EXPECT_EQ(editor->HistoryIndex(), 3);
  EXPECT_TRUE(SamePixels(Working(), c));

  Click(DlgFilter::kResume);
  EXPECT_EQ(editor->HistoryIndex(), 0);
  EXPECT_TRUE(SamePixels(Working(), a));
  Click(DlgFilter::kUndo);
  EXPECT_EQ(editor->HistoryIndex(), 0);
  EXPECT_TRUE(SamePixels(Working(), a));
  Click(DlgFilter::kResume);
  EXPECT_EQ(editor->History().size(), 4u);  // none of them adds a step
}

TEST_F(EditorTest, CancellingSoftenShowsTheStartAndUndoBringsBackTheThirdStep) {
  Open(Gradient(120, 90));
  const GbImage start = Snapshot();
  Click(kNegative);
  Click(kMirror);
  Click(kGamma);
  const GbImage third = Snapshot();
  WhenOpen<DlgEffect>([](DlgEffect* d) {
    EXPECT_EQ(d->EffectKind(), 12);
    ClickButton(d->Item(IDCANCEL));
  });
  Click(kSoften);
  EXPECT_TRUE(SamePixels(Working(), start));
  EXPECT_EQ(editor->History().size(), 5u);
  Click(DlgFilter::kUndo);
  EXPECT_TRUE(SamePixels(Working(), third));
}

TEST_F(EditorTest, RotateLeftOfAStickerFitsTheTallPictureInto240) {
  Open(Gradient(320, 240));
  Click(DlgFilter::kRotateLeft);
  EXPECT_EQ(Working().Width(), 180u);
  EXPECT_EQ(Working().Height(), 240u);
  EXPECT_EQ(editor->History().size(), 2u);
}

TEST_F(EditorTest, BlurInsideTheTrackerRectangleOnly) {
  GbImage picture = Gradient(200, 150);
  Open(picture);
  Click(DlgFilter::kTracker);
  auto* tracker = qobject_cast<GbSkinButton*>(editor->Item(DlgFilter::kTracker));
  EXPECT_EQ(tracker->text(), QStringLiteral("UnTracker"));
  CRectTrackerPic* pic = editor->Picture();
  QTest::mousePress(pic, Qt::LeftButton, Qt::NoModifier, QPoint(30, 20));
  QTest::mouseMove(pic, QPoint(90, 60));
  QTest::mouseRelease(pic, Qt::LeftButton, Qt::NoModifier, QPoint(90, 60));
  Settle();
  ASSERT_TRUE(Working().HasSelection());
  const GbImage before = Snapshot();
  Click(kBlur);
  const long h = long(Working().Height());
  int changedInside = 0, changedOutside = 0;
  for (long y = 0; y < h; ++y) {
    for (long x = 0; x < long(Working().Width()); ++x) {
      const bool differs = std::memcmp(Working().RowBits(uint32_t(y)) + 3 * x, before.RowBits(uint32_t(y)) + 3 * x, 3);
      const long top = h - 1 - y;  // as displayed
      // The kit's rectangle includes its right and bottom edges.
      const bool inside = x >= 30 && x <= 90 && top >= 20 && top <= 60;
      (inside ? changedInside : changedOutside) += differs ? 1 : 0;
    }
  }
  EXPECT_GT(changedInside, 1000);
  EXPECT_EQ(changedOutside, 0);
  // Switching the tracker off keeps the limit.
  Click(DlgFilter::kTracker);
  EXPECT_EQ(tracker->text(), QStringLiteral("Tracker"));
  EXPECT_TRUE(editor->Picture()->TrackerRect().isEmpty());
  EXPECT_TRUE(Working().HasSelection());
}

TEST_F(EditorTest, SaveWritesJpegAtQuality99AndGifAt8BitsAndSaysWhenItCannot) {
  Open(Gradient(160, 120));
  const fs::path dir = env.root() / "out";
  fs::create_directories(dir);
  QString seen;
  dialogs->AnswerPath(gbdlg::ScriptedDialogs::Kind::SaveFile, (dir / "pic.JPG").string());
  AnswerMessageBox(&seen);
  Click(DlgFilter::kSave);
  EXPECT_EQ(seen, QStringLiteral("  The image saved successed!  "));
  EXPECT_EQ(dialogs->asked().back().file.defaultExt, "TXT");
  EXPECT_TRUE(dialogs->asked().back().file.overwritePrompt);
  GbImage jpeg;
  ASSERT_TRUE(jpeg.LoadFile((dir / "pic.JPG").string().c_str(), 0));
  EXPECT_EQ(jpeg.BitsPerPixel(), 24u);
  // Quality 99: the first quantisation table holds nothing above 2.
  std::ifstream in(dir / "pic.JPG", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t dqt = bytes.find("\xFF\xDB");
  ASSERT_NE(dqt, std::string::npos);
  int largest = 0;
  for (size_t i = dqt + 5; i < dqt + 5 + 64 && i < bytes.size(); ++i)
    largest = std::max(largest, int(uint8_t(bytes[i])));
  EXPECT_LE(largest, 2);
  EXPECT_GT(largest, 0);

  dialogs->AnswerPath(gbdlg::ScriptedDialogs::Kind::SaveFile, (dir / "pic.gif").string());
  AnswerMessageBox(&seen);
  Click(DlgFilter::kSave);
  GbImage gif;
  ASSERT_TRUE(gif.LoadFile((dir / "pic.gif").string().c_str(), 0));
  EXPECT_EQ(gif.BitsPerPixel(), 8u);

  // An unknown extension: a message, and no file.
  seen.clear();
  dialogs->AnswerPath(gbdlg::ScriptedDialogs::Kind::SaveFile, (dir / "pic.xyz").string());
  AnswerMessageBox(&seen);
  Click(DlgFilter::kSave);
  EXPECT_TRUE(seen.contains(QStringLiteral("could not be saved"))) << seen.toStdString();
  EXPECT_FALSE(fs::exists(dir / "pic.xyz"));

  // A read-only folder: a message, and the earlier file stays as it was.
  if (::geteuid() != 0) {
    const auto sizeBefore = fs::file_size(dir / "pic.gif");
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    seen.clear();
    dialogs->AnswerPath(gbdlg::ScriptedDialogs::Kind::SaveFile, (dir / "pic.gif").string());
    AnswerMessageBox(&seen);
    Click(kNegative);
    Click(DlgFilter::kSave);
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_TRUE(seen.contains(QStringLiteral("could not be saved"))) << seen.toStdString();
    EXPECT_EQ(fs::file_size(dir / "pic.gif"), sizeBefore);
  }
}

TEST_F(EditorTest, WhileTheWorkerRunsCommandsAreOffAndEscapeStopsTheOperationNotTheEditor) {
  Open(Gradient(800, 600));
  Click(kNegative);  // fitted to 320 x 240
  int calls = 0;
  bool buttonsOff = true;
  editor->whileWorking = [&] {
    ++calls;
    buttonsOff = buttonsOff && !editor->Item(kBlur)->isEnabled() && !editor->Item(IDOK)->isEnabled() &&
                 !editor->Item(DlgFilter::kUndo)->isEnabled();
    // A second command arriving now is refused.
    editor->RunOnWorker(32813);
    QTest::keyClick(editor.get(), Qt::Key_Escape);
  };
  Click(kMedian);
  editor->whileWorking = nullptr;
  EXPECT_GE(calls, 1);
  EXPECT_TRUE(buttonsOff);
  EXPECT_TRUE(editor->isVisible());
  EXPECT_TRUE(editor->Item(kBlur)->isEnabled());
  EXPECT_EQ(editor->History().size(), 3u);
}

TEST_F(EditorTest, WithoutAPictureEveryCommandDoesNothing) {
  Open(GbImage());
  for (const auto& b : DlgFilter::WorkerButtons()) Click(b.id);
  for (int id :
       {int(DlgFilter::kRotateLeft), int(DlgFilter::kRotateRight), int(DlgFilter::kPseudoColors), int(DlgFilter::kUndo),
        int(DlgFilter::kRedo), int(DlgFilter::kResume), kSoften, kCircle, int(DlgFilter::kSave)})
    Click(id);
  QTest::keyClick(editor.get(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(editor->WorkingImage(), nullptr);
  EXPECT_TRUE(editor->History().empty());
  EXPECT_TRUE(dialogs->asked().empty());
}

TEST_F(EditorTest, PseudoColorsMakesAPalettePicture) {
  Open(Gradient(100, 80));
  Click(DlgFilter::kPseudoColors);
  EXPECT_EQ(Working().BitsPerPixel(), 8u);
  EXPECT_EQ(editor->History().size(), 2u);
}

// ---- the effects dialog -------------------------------------------------------------------------

TEST_F(EditorTest, EffectIdentitySettingsGiveTheInputBack) {
  Open(Gradient(200, 150));
  Click(kNegative);
  const GbImage input = Snapshot();
  for (int id : {kBrightContrast, kAdjustRgb}) {
    WhenOpen<DlgEffect>([](DlgEffect* d) {
      // One step right and back: two recomputations ending at the start.
      CSkinSlider* s = d->Slider(0);
      QTest::keyClick(s, Qt::Key_Right);
      QTest::keyClick(s, Qt::Key_Left);
      ClickButton(d->Item(IDOK));
    });
    Click(id);
    EXPECT_TRUE(SamePixels(Working(), input)) << id;
  }
}

TEST_F(EditorTest, RotateAngle45MakesA396SquareThatIsFitted) {
  Open(Gradient(320, 240));
  QSize shown;
  WhenOpen<DlgEffect>([&](DlgEffect* d) {
    EXPECT_EQ(d->ItemAs<SkStatic>(DlgEffect::kValue1)->Text(), QStringLiteral("45"));
    CSkinSlider* s = d->Slider(0);
    QTest::keyClick(s, Qt::Key_Right);
    QTest::keyClick(s, Qt::Key_Left);
    shown = d->PreviewPicture().size();
    ClickButton(d->Item(IDOK));
  });
  Click(kRotateAngle);
  EXPECT_EQ(shown, QSize(320, 240));
  EXPECT_EQ(Working().Width(), 320u);
  EXPECT_EQ(Working().Height(), 240u);
  // The corners are the black canvas around the turned picture.
  EXPECT_LT(int(Working().RowBits(0)[0]) + Working().RowBits(0)[1] + Working().RowBits(0)[2], 30);
}

TEST_F(EditorTest, PinchTwiceThenCancelKeepsBoth) {
  Open(Gradient(160, 120));
  GbImage expected = Snapshot();
  expected.RadialWarp(GbImage::WarpKind::kPinch, 0, 100.0f);
  expected.RadialWarp(GbImage::WarpKind::kPinch, 0, 100.0f);
  WhenOpen<DlgEffect>([](DlgEffect* d) {
    ClickButton(d->Item(DlgEffect::kPinch));
    ClickButton(d->Item(DlgEffect::kPinch));
    ClickButton(d->Item(IDCANCEL));
  });
  Click(kCircle);
  EXPECT_TRUE(SamePixels(Working(), expected));
  EXPECT_EQ(editor->History().size(), 2u);
}

// ---- the clipboard --------------------------------------------------------------------------------

TEST_F(EditorTest, CopyAndPasteGiveTheSamePixelsAndAlpha) {
  Open(Gradient(90, 70));
  ASSERT_TRUE(Working().CreateAlpha());
  for (long y = 0; y < 70; ++y)
    for (long x = 0; x < 90; ++x) Working().WriteAlpha(x, y, uint8_t(x + 2 * y));
  const GbImage copied = Snapshot();
  QTest::keyClick(editor.get(), Qt::Key_C, Qt::ControlModifier);
  ASSERT_TRUE(QGuiApplication::clipboard()->mimeData()->hasImage());
  Click(kNegative);
  QTest::keyClick(editor.get(), Qt::Key_V, Qt::ControlModifier);
  ASSERT_TRUE(SamePixels(Working(), copied));
  ASSERT_TRUE(Working().HasAlpha());
  EXPECT_EQ(Working().ReadAlpha(17, 9), copied.ReadAlpha(17, 9));
  EXPECT_EQ(Working().ReadAlpha(89, 69), copied.ReadAlpha(89, 69));
  EXPECT_EQ(editor->History().size(), 3u);

  // A malformed serialized block falls back to the picture beside it; nothing usable pastes nothing.
  auto* broken = new QMimeData;
  broken->setData("application/x-glimmerbox-gbimage", QByteArray(600, '\x7f'));
  QGuiApplication::clipboard()->setMimeData(broken);
  QTest::keyClick(editor.get(), Qt::Key_V, Qt::ControlModifier);
  auto* text = new QMimeData;
  text->setText(QStringLiteral("no picture here"));
  QGuiApplication::clipboard()->setMimeData(text);
  QTest::keyClick(editor.get(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(editor->History().size(), 3u);
}

TEST_F(EditorTest, APngFromAnotherProgramPastes) {
  Open(Gradient(90, 70));
  QImage png(37, 23, QImage::Format_RGB32);
  png.fill(QColor(10, 200, 30));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  png.save(&buffer, "PNG");
  auto* data = new QMimeData;
  data->setData("image/png", bytes);
  QGuiApplication::clipboard()->setMimeData(data);
  QTest::keyClick(editor.get(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Working().Width(), 37u);
  EXPECT_EQ(Working().Height(), 23u);
  const uint8_t* p = Working().RowBits(5) + 3 * 5;
  EXPECT_EQ(int(p[0]), 30);
  EXPECT_EQ(int(p[1]), 200);
  EXPECT_EQ(int(p[2]), 10);
}

TEST_F(EditorTest, AFailedOperationSaysWhyAndStillAddsAStep) {
  Open(Gradient(100, 80));
  // An empty selection: the sharpening refuses to work on nothing.
  ASSERT_TRUE(Working().CreateSelection());
  ASSERT_TRUE(Working().ClearSelection(0));
  QString seen;
  AnswerMessageBox(&seen);
  Click(1112);  // Unsharp Mask
  EXPECT_EQ(seen, QStringLiteral("UnsharpSharpen: the selection is empty"));
  EXPECT_EQ(editor->History().size(), 2u);
  EXPECT_TRUE(editor->isVisible());
}

TEST_F(EditorTest, HundredsOfStepsCostOneSnapshotEach) {
  Open(Gradient(800, 600));
  for (int i = 0; i < 300; ++i) Click(i % 2 ? kNegative : DlgFilter::kRotateLeft);
  ASSERT_EQ(editor->History().size(), 301u);
  size_t bytes = 0;
  for (size_t i = 1; i < editor->History().size(); ++i) bytes += editor->History()[i]->PackedSize();
  // Every step after the first is at most one preview-sized picture.
  EXPECT_LE(bytes, 300u * (40u + 320u * 240u * 3u));
}

TEST_F(EditorTest, ResumInTheCircleDialogGoesBackToTheInputAndOkKeepsThat) {
  Open(Gradient(160, 120));
  Click(kNegative);
  const GbImage input = Snapshot();
  WhenOpen<DlgEffect>([](DlgEffect* d) {
    ClickButton(d->Item(DlgEffect::kSwirl));
    ClickButton(d->Item(DlgEffect::kResum));
    ClickButton(d->Item(IDOK));
  });
  Click(kCircle);
  EXPECT_TRUE(SamePixels(Working(), input));
}

TEST_F(EditorTest, ANestedEditorHandsTheActiveEditorBackWhenItCloses) {
  DlgFilter& outer = Open(Gradient(64, 48));
  EXPECT_EQ(DlgFilter::ActiveEditor(), &outer);
  {
    DlgFilter inner(Gradient(30, 20).MakeDibSection(), &outer);
    EXPECT_EQ(DlgFilter::ActiveEditor(), &inner);
  }
  EXPECT_EQ(DlgFilter::ActiveEditor(), &outer);
  editor.reset();
  EXPECT_EQ(DlgFilter::ActiveEditor(), nullptr);
}

TEST_F(EditorTest, CopyWithATrackerRectangleCopiesThatPartOnly) {
  Open(Gradient(200, 150));
  const GbImage whole = Snapshot();
  Click(DlgFilter::kTracker);
  CRectTrackerPic* pic = editor->Picture();
  QTest::mousePress(pic, Qt::LeftButton, Qt::NoModifier, QPoint(30, 20));
  QTest::mouseMove(pic, QPoint(90, 60));
  QTest::mouseRelease(pic, Qt::LeftButton, Qt::NoModifier, QPoint(90, 60));
  Settle();
  QTest::keyClick(editor.get(), Qt::Key_C, Qt::ControlModifier);
  QTest::keyClick(editor.get(), Qt::Key_V, Qt::ControlModifier);
  // Columns 30..90 and displayed rows 20..60, edges included.
  ASSERT_EQ(Working().Width(), 61u);
  ASSERT_EQ(Working().Height(), 41u);
  const long h = 150;
  for (long top = 20; top <= 60; top += 20)
    for (long x = 30; x <= 90; x += 30) {
      const RGBQUAD a = Working().ReadPixelColor(x - 30, 40 - (top - 20)), b = whole.ReadPixelColor(x, h - 1 - top);
      EXPECT_EQ(a.rgbRed, b.rgbRed) << x << "," << top;
      EXPECT_EQ(a.rgbBlue, b.rgbBlue) << x << "," << top;
    }
}
