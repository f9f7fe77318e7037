// Journeys through the main window's real controls, in a private home with
// the starter templates.
#include <QMimeData>
#include <filesystem>

#include "app/ProjectFile.h"
#include "retouch/editor/DlgFilter.h"
#include "tests/compose/window/WindowTestEnv.h"
#include "tests/support/Pixels.h"

using namespace wintest;
namespace fs = std::filesystem;

namespace {

using gbtest::SamePixels;

// The picture of a file as the window would show it at w x h.
GbImage Loaded(const std::string& path, long w = 0, long h = 0) {
  GbImage image;
  const size_t dot = path.rfind('.');
  EXPECT_TRUE(image.LoadFile(path.c_str(), GbImage::TypeFromExtension(path.c_str() + dot + 1))) << path;
  if (w > 0) {
    EXPECT_TRUE(image.ResampleInterpolated(w, h, GbImage::kCatmullRom, GbImage::kRepeat));
  }
  return image;
}

std::string SheetBytes(const SheetModel& sheet) {
  GbImage picture;
  EXPECT_TRUE(sheet.BuildSheetImage(picture));
  std::string bytes;
  for (long y = 0; y < long(picture.Height()); ++y)
    for (long x = 0; x < long(picture.Width()); ++x) {
      const RGBQUAD p = picture.ReadPixelColor(x, y);
      bytes += char(p.rgbBlue), bytes += char(p.rgbGreen), bytes += char(p.rgbRed);
    }
  return bytes;
}

}  // namespace

namespace {
// Acts on the photo editor as soon as it is the open modal window.
void WhenEditorOpens(std::function<void(DlgFilter*)> action) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, action] {
    auto* editor = qobject_cast<DlgFilter*>(QApplication::activeModalWidget());
    if (!editor) return;
    timer->stop();
    timer->deleteLater();
    action(editor);
  });
  timer->start();
}
}  // namespace

TEST_F(MainWindowTest, StickerAreaFromStartToAFullSheetAndBackThroughAProject) {
  DlgFacecraft& w = Open();
  ASSERT_EQ(w.Frames().size(), 8);
  ASSERT_EQ(w.Photos().size(), 3);
  EXPECT_EQ(w.Frames().index, 0);
  EXPECT_EQ(w.Sheet().Layout(), 0);
  EXPECT_TRUE(w.ItemAs<GbSkinButton>(DlgFacecraft::kLayout0)->IsChecked());

  // Next frame: the second file, shown at 320 x 240.
  Click(DlgFacecraft::kNextFrame);
  EXPECT_EQ(w.Frames().index, 1);
  EXPECT_TRUE(SamePixels(w.FrameImage(), Loaded(w.Frames().entries[1].path)));
  // Previous photo at the first photo changes nothing; next and back again
  // gives the first photo at the photo window's size.
  Click(DlgFacecraft::kPreviousPhoto);
  EXPECT_EQ(w.Photos().index, 0);
  Click(DlgFacecraft::kNextPhoto);
  EXPECT_EQ(w.Photos().index, 1);
  Click(DlgFacecraft::kPreviousPhoto);
  EXPECT_TRUE(SamePixels(w.PhotoImage(), Loaded(w.Photos().entries[0].path, 320, 240)));

  // The tracker: a drag inside moves the photo window without resampling.
  const GbImage before = Loaded(w.Photos().entries[0].path, 320, 240);
  QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, QPoint(100, 150));
  QTest::mouseMove(&w, QPoint(137, 162));
  QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, QPoint(137, 162));
  EXPECT_EQ(w.Item(DlgFacecraft::kPhoto)->geometry(), QRect(29 + 37, 59 + 12, 320, 240));
  EXPECT_TRUE(SamePixels(w.PhotoImage(), before));
  // The bottom-right handle, outside the rectangle, sizes it: resampled.
  const QRect r = w.TrackerRect();
  const QPoint handle(r.left() + r.width() + 3, r.top() + r.height() + 3);
  QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, handle);
  QTest::mouseMove(&w, handle + QPoint(-111, -47));
  QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, handle + QPoint(-111, -47));
  EXPECT_EQ(w.TrackerRect(), QRect(66, 71, 209, 193));
  EXPECT_EQ(w.PhotoImage().Width(), 209u);
  EXPECT_EQ(w.PhotoImage().Height(), 193u);
  // Sized to the frame window's exact size, the photo is shown unresampled.
  const QRect r2 = w.TrackerRect();
  const QPoint h2(r2.left() + r2.width() + 3, r2.top() + r2.height() + 3);
  QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, h2);
  QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, h2 + QPoint(320 - 209, 240 - 193));
  EXPECT_EQ(w.TrackerRect().size(), QSize(320, 240));
  EXPECT_EQ(w.PhotoImage().Width(), 209u);

  // Layout 1 has four slots. Each add steps the frame (AutoChangeFrame 1),
  // the fifth too, although it finds no free slot.
  Click(DlgFacecraft::kLayout0 + 1);
  for (int i = 0; i < 5; ++i) Click(DlgFacecraft::kAddToSheet);
  EXPECT_EQ(w.Sheet().UsedSlots(), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(w.Frames().index, 6);
  // The frame lies over the photo at opacity 255: the sticker's top-left
  // corner is the frame's (frame 1 went into slot 0).
  GbImage sticker;
  ASSERT_TRUE(ImageOfBitmap(w.Sheet().Slot(0).sticker, sticker));
  const GbImage frame1 = Loaded(w.Frames().entries[1].path);
  const RGBQUAD s = sticker.ReadPixelColor(0, 239), f = frame1.ReadPixelColor(0, 239);
  EXPECT_EQ(std::tuple(s.rgbRed, s.rgbGreen, s.rgbBlue), std::tuple(f.rgbRed, f.rgbGreen, f.rgbBlue));

  // 1 -> 3 -> 1 -> 3 keeps the four stickers in the first slots.
  const SharedBitmap plain2 = w.Sheet().Slot(2).plain;
  Click(DlgFacecraft::kLayout0 + 3);
  Click(DlgFacecraft::kLayout0 + 1);
  Click(DlgFacecraft::kLayout0 + 3);
  EXPECT_EQ(w.Sheet().Layout(), 3);
  EXPECT_EQ(w.Sheet().UsedSlots(), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(w.Sheet().Slot(2).plain, plain2);
  for (int k = 0; k < 5; ++k) EXPECT_EQ(w.ItemAs<GbSkinButton>(DlgFacecraft::kLayout0 + k)->IsChecked(), k == 3) << k;

  // Slot 0 dragged onto slot 5 swaps them; the windows stay where they were.
  const QRect place0 = Slot(0)->geometry(), place5 = Slot(5)->geometry();
  const SharedBitmap plain0 = w.Sheet().Slot(0).plain;
  DragSlot(0, 5);
  EXPECT_EQ(w.Sheet().UsedSlots(), (std::vector<int>{1, 2, 3, 5}));
  EXPECT_EQ(w.Sheet().Slot(5).plain, plain0);
  EXPECT_EQ(Slot(0)->geometry(), place0);
  EXPECT_EQ(Slot(5)->geometry(), place5);
  // An emptied slot shows the blank slot picture.
  EXPECT_EQ(Slot(0)->Picture().pixel(3, 5), qRgb(255, 255, 255));
  EXPECT_EQ(Slot(5)->Picture().size(), QSize(84, 62));
  EXPECT_FALSE(w.Sheet().Dragging());
  // Pressed and released on the same slot: nothing moves, dragging ends.
  DragSlot(5, 5);
  EXPECT_EQ(w.Sheet().UsedSlots(), (std::vector<int>{1, 2, 3, 5}));
  EXPECT_FALSE(w.Sheet().Dragging());

  // Copy a small slot, paste it into layout 0's big slot: redrawn at 174 x 130.
  MenuCommand(5, DlgFacecraft::kMenuCopy);
  Click(DlgFacecraft::kLayout0);
  EXPECT_EQ(w.Sheet().UsedSlots(), (std::vector<int>{0, 1, 2, 3}));
  MenuCommand(0, DlgFacecraft::kMenuPaste);
  EXPECT_EQ(w.Sheet().Slot(0).plain, plain0);
  EXPECT_EQ(Slot(0)->Picture().size(), QSize(174, 130));
  // Apply to all: slot 3's frame over every other used slot.
  GbImage frame3;
  ASSERT_TRUE(ImageOfBitmap(w.Sheet().Slot(3).frame, frame3));
  MenuCommand(3, DlgFacecraft::kMenuApplyToAll);
  for (int i : {0, 1, 2}) {
    GbImage f;
    ASSERT_TRUE(ImageOfBitmap(w.Sheet().Slot(i).frame, f));
    EXPECT_TRUE(SamePixels(f, frame3)) << i;
  }
  EXPECT_TRUE(w.Dirty());

  // Save, then a fresh window opens the project: the same sheet, byte for byte.
  const std::string saved = SheetBytes(w.Sheet());
  const std::string project = env.path("party.quorra");
  dialogs->AnswerPath(gbdlg::ScriptedDialogs::Kind::SaveFile, env.path("party"));
  Click(DlgFacecraft::kSaveProject);
  ASSERT_TRUE(fs::exists(project));
  EXPECT_FALSE(w.Dirty());
  EXPECT_EQ(w.windowTitle(), QStringLiteral("party.quorra - Glimmerbox"));
  window.reset();
  DlgFacecraft& again = Open();
  EXPECT_EQ(again.Sheet().UsedSlots().size(), 0u);
  dialogs->AnswerPath(gbdlg::ScriptedDialogs::Kind::OpenFile, project);
  Click(DlgFacecraft::kOpenProject);
  EXPECT_EQ(again.Sheet().Layout(), 0);
  EXPECT_EQ(again.Sheet().UsedSlots(), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(SheetBytes(again.Sheet()), saved);
  EXPECT_TRUE(again.ItemAs<GbSkinButton>(DlgFacecraft::kLayout0)->IsChecked());
}

TEST_F(MainWindowTest, LayoutEdgesAndTheEnterKey) {
  DlgFacecraft& w = Open();
  // Slots 2 and 7 of layout 0 used, then layout 4: they become slots 0 and 1.
  for (int i = 0; i < 8; ++i) Click(DlgFacecraft::kAddToSheet);
  for (int i : {0, 1, 3, 4, 5, 6}) MenuCommand(i, DlgFacecraft::kMenuRemove);
  ASSERT_EQ(w.Sheet().UsedSlots(), (std::vector<int>{2, 7}));
  const SharedBitmap plain2 = w.Sheet().Slot(2).plain, plain7 = w.Sheet().Slot(7).plain;
  // The current layout's button changes nothing and stays checked.
  Click(DlgFacecraft::kLayout0);
  EXPECT_EQ(w.Sheet().UsedSlots(), (std::vector<int>{2, 7}));
  EXPECT_TRUE(w.ItemAs<GbSkinButton>(DlgFacecraft::kLayout0)->IsChecked());
  Click(DlgFacecraft::kLayout0 + 4);
  EXPECT_EQ(w.Sheet().UsedSlots(), (std::vector<int>{0, 1}));
  EXPECT_EQ(w.Sheet().Slot(0).plain, plain2);
  EXPECT_EQ(w.Sheet().Slot(1).plain, plain7);

  // Enter opens the photo editor without a picture; its Cancel comes back here.
  bool editorSeen = false;
  WhenEditorOpens([&](DlgFilter* editor) {
    editorSeen = !editor->WorkingImage();
    editor->ItemAs<QAbstractButton>(IDCANCEL)->click();
  });
  QTest::keyClick(&w, Qt::Key_Return);
  Settle();
  EXPECT_TRUE(editorSeen);
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(w.Sheet().UsedSlots(), (std::vector<int>{0, 1}));
  int opened = 0;
  w.hooks().openEditor = [&] { ++opened; };
  QTest::keyClick(&w, Qt::Key_Enter);
  EXPECT_EQ(opened, 1);

  // The real editor on a double-click: Cancel leaves the slot, Negative and OK change it.
  {
    const SharedBitmap before = w.Sheet().Slot(0).sticker;
    GbImage original;
    ASSERT_TRUE(ImageOfBitmap(before, original));
    auto inEditor = [&](bool ok) {
      WhenEditorOpens([ok](DlgFilter* editor) {
        if (ok) editor->ItemAs<QAbstractButton>(1086)->click();  // Negative
        editor->ItemAs<QAbstractButton>(ok ? IDOK : IDCANCEL)->click();
      });
      SlotPicture* s0 = Slot(0);
      QTest::mouseDClick(s0, Qt::LeftButton, Qt::NoModifier, Centre(s0));
      Settle();
    };
    inEditor(false);
    GbImage kept;
    ASSERT_TRUE(ImageOfBitmap(w.Sheet().Slot(0).sticker, kept));
    EXPECT_EQ(std::memcmp(kept.PackedDib(), original.PackedDib(), original.PackedSize()), 0);
    EXPECT_NE(w.Sheet().Slot(0).edited, 1);
    inEditor(true);
    EXPECT_EQ(w.Sheet().Slot(0).edited, 1);
    GbImage edited;
    ASSERT_TRUE(ImageOfBitmap(w.Sheet().Slot(0).sticker, edited));
    ASSERT_EQ(edited.Width(), original.Width());
    const RGBQUAD a = original.ReadPixelColor(100, 50), b = edited.ReadPixelColor(100, 50);
    EXPECT_EQ(int(a.rgbRed) + int(b.rgbRed), 255);
    EXPECT_EQ(int(a.rgbGreen) + int(b.rgbGreen), 255);
  }

  // A double-click hands the slot's sticker to the editor and takes the edit back.
  w.hooks().editPicture = [](const SharedBitmap& picture) -> std::optional<SharedBitmap> {
    GbImage image;
    if (!ImageOfBitmap(picture, image)) return std::nullopt;
    image.MirrorHorizontal();
    return BitmapOfImage(image);
  };
  SlotPicture* s1 = Slot(1);
  QTest::mouseDClick(s1, Qt::LeftButton, Qt::NoModifier, Centre(s1));
  EXPECT_EQ(w.Sheet().Slot(1).edited, 1);
  EXPECT_FALSE(w.Sheet().Dragging());
  // An edited slot gives its (blank) frame to nobody.
  const SharedBitmap frame0 = w.Sheet().Slot(0).frame;
  MenuCommand(1, DlgFacecraft::kMenuApplyToAll);
  EXPECT_EQ(w.Sheet().Slot(0).frame, frame0);
}

TEST_F(MainWindowTest, BadFilesChangeNothingAndSay) {
  // A frame folder holding only a corrupt picture and a text file; an empty photo folder.
  const std::string frames = env.path("frames"), photos = env.path("photos");
  fs::create_directories(frames);
  fs::create_directories(photos);
  gbtest::WriteFile(frames + "/broken.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  gbtest::WriteFile(frames + "/notes.txt", "not a picture");
  store.PathFrame = frames;
  store.PathPortrait = photos;
  DlgFacecraft& w = Open();
  EXPECT_FALSE(w.FrameImage().HasPixels());
  EXPECT_FALSE(w.PhotoImage().HasPixels());
  Click(DlgFacecraft::kNextFrame);
  Click(DlgFacecraft::kNextPhoto);
  Click(DlgFacecraft::kAddToSheet);  // the plain background
  EXPECT_EQ(w.Sheet().UsedSlots(), (std::vector<int>{0}));

  // A chosen photo that cannot be read: a message, and the photo stays.
  ASSERT_TRUE(w.LoadPhotoFile(app->settings().appDirectory + "Image/Portrait/hopper.png"));
  const GbImage before = w.PhotoImage();
  QString said;
  w.hooks().browse = [&](QWidget*, const std::string&, bool) {
    return std::optional<AssetChoice>(AssetChoice{frames + "/broken.png", frames});
  };
  AnswerMessageBox(IDOK, &said);
  Click(DlgFacecraft::kSelectPhoto);
  EXPECT_TRUE(said.contains(QStringLiteral("broken.png"))) << said.toStdString();
  EXPECT_TRUE(SamePixels(w.PhotoImage(), before));

  // A photo cut short loads as far as it goes, and the window says so.
  const std::string whole = gbtest::ReadFile(gbtest::SampleArt() / "backgrounds" / "hubble_deep_field.jpg");
  gbtest::WriteFile(env.path("cut.jpg"), whole.substr(0, whole.size() / 2));
  w.hooks().browse = [&](QWidget*, const std::string&, bool) {
    return std::optional<AssetChoice>(AssetChoice{env.path("cut.jpg"), env.path("")});
  };
  said.clear();
  AnswerMessageBox(IDOK, &said);
  Click(DlgFacecraft::kSelectPhoto);
  EXPECT_TRUE(said.contains(QStringLiteral("cut.jpg: the file ends early"))) << said.toStdString();
  EXPECT_FALSE(SamePixels(w.PhotoImage(), before));

  // A truncated project and a file that is no project: a message each, the sheet unchanged.
  const std::string good = env.path("good.quorra");
  ASSERT_TRUE(w.SaveProjectFile(good));
  const std::string bytes = gbtest::ReadFile(good);
  gbtest::WriteFile(env.path("cut.quorra"), bytes.substr(0, bytes.size() - 1000));
  gbtest::WriteFile(env.path("zeros.quorra"), std::string(4096, '\0'));
  Click(DlgFacecraft::kLayout0 + 2);
  for (const char* name : {"cut.quorra", "zeros.quorra", "missing.quorra"}) {
    said.clear();
    AnswerMessageBox(IDOK, &said);
    EXPECT_FALSE(w.OpenProjectFile(env.path(name))) << name;
    EXPECT_FALSE(said.isEmpty()) << name;
    EXPECT_EQ(w.Sheet().Layout(), 2) << name;
    EXPECT_EQ(w.Sheet().UsedSlots(), (std::vector<int>{0})) << name;
  }
  // Saving where no folder exists says so and writes nothing.
  said.clear();
  AnswerMessageBox(IDOK, &said);
  EXPECT_FALSE(w.SaveProjectFile(env.path("no/such/folder/x.quorra")));
  EXPECT_TRUE(said.contains(QStringLiteral("could not be saved"))) << said.toStdString();
  EXPECT_EQ(gbtest::ReadFile(good), bytes);
}

TEST_F(MainWindowTest, ClosingAsksOnlyWhenStickersWouldBeLost) {
  DlgFacecraft& w = Open();
  Click(DlgFacecraft::kAddToSheet);
  ASSERT_TRUE(w.Dirty());
  AnswerMessageBox(IDNO);
  Click(kCloseControlId);
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.ClosedByButton());
  AnswerMessageBox(IDYES);
  Click(kCloseControlId);
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(w.ClosedByButton());

  // Saved work closes at once; Escape is the framework's close.
  DlgFacecraft& again = Open();
  Click(DlgFacecraft::kAddToSheet);
  ASSERT_TRUE(again.SaveProjectFile(env.path("kept.quorra")));
  QTest::keyClick(&again, Qt::Key_Escape);
  EXPECT_FALSE(again.isVisible());
  EXPECT_FALSE(again.ClosedByButton());
}

TEST_F(MainWindowTest, FilesDroppedFromAFileManager) {
  DlgFacecraft& w = Open();
  const std::string frame = w.Frames().entries[5].path, photo = w.Photos().entries[2].path;
  auto drop = [&](const std::string& path, QPoint at) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent event(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
    Settle();
  };
  // On the frame's border (top-left corner of the sticker area): a frame.
  drop(frame, QPoint(29 + 3, 59 + 4));
  EXPECT_TRUE(SamePixels(w.FrameImage(), Loaded(frame)));
  // In the frame's window, where the photo shows through: a photo.
  drop(photo, QPoint(29 + 160, 59 + 120));
  EXPECT_TRUE(SamePixels(w.PhotoImage(), Loaded(photo, 320, 240)));
  EXPECT_TRUE(SamePixels(w.FrameImage(), Loaded(frame)));
}

// "Open with Glimmerbox" on a picture: the picture is the photo, the window
// is no project's, and the sheet starts empty.
TEST_F(MainWindowTest, APictureNamedAtStartBecomesThePhoto) {
  const std::string photo = (std::filesystem::path(app->settings().PathPortrait) / "camera.png").string();
  app->projectPath = photo;
  DlgFacecraft& w = Open();
  EXPECT_TRUE(SamePixels(w.PhotoImage(), Loaded(photo, 320, 240)));
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Glimmerbox"));
  EXPECT_TRUE(app->projectPath.empty());
  EXPECT_TRUE(w.Sheet().UsedSlots().empty());
}
