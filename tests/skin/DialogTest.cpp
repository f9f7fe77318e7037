#include <gtest/gtest.h>

#include <QDir>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTimer>

#include "image/core/GbImage.h"
#include "platform/dialogs/MultiPick.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "skin/CIconButton.h"
#include "skin/CRectTrackerPic.h"
#include "skin/CSkinSlider.h"
#include "skin/GbSkinButton.h"
#include "skin/Pickers.h"
#include "skin/SkStatic.h"
#include "skin/SkinResources.h"
#include "tests/skin/SkinTestEnv.h"
#include "tests/support/TestSupport.h"

using skintest::Mouse;

namespace {

// A window written the way the program's windows are: controls by id and
// one command table.
class SampleDlg : public SkinDialog {
 public:
  explicit SampleDlg(bool closeExits = false) : closeExits_(closeExits) {
    UseCommands(kCommands);
    SetSkin(178, 500, 410, 29);
    Add<GbSkinButton>(1129, 431, 139, 60, 23)->SetSkin(510, 510, 509, 0, 0, 511);
    Add<GbSkinButton>(1130, 431, 167, 60, 23)->SetSkin(510, 510, 509, 0, 0, 511);
    Add<CIconButton>(1206, 60, 337, 71, 53);
    Add<CIconButton>(1207, 138, 337, 71, 53);
    Add<CSkinSlider>(1300, 10, 300, 110, 20);
    Add<CIconButton>(kCloseControlId, 457, 1, 25, 25);
  }
  std::vector<std::string> log;

  void OnCloseButton() override {
    if (closeExits_)
      log.push_back("exit");
    else
      SkinDialog::OnCloseButton();
  }

 private:
  void OnAddText() { log.push_back("add text"); }
  void OnRemove() { log.push_back("remove"); }
  void OnThumb(int id) { log.push_back("thumb " + std::to_string(id)); }
  void OnSlide(int id, int pos) { log.push_back("slide " + std::to_string(id) + " " + std::to_string(pos)); }
  void OnEnter() { log.push_back("enter"); }

  bool closeExits_;
  static const SkinCommandTable<SampleDlg> kCommands;
};

const SkinCommandTable<SampleDlg> SampleDlg::kCommands = {
    {1129, &SampleDlg::OnAddText},
    {1130, &SampleDlg::OnRemove},
    {kNotifyClicked, 1206, 1207, &SampleDlg::OnThumb},
    {kNotifySliderMoved, 1300, &SampleDlg::OnSlide},
    {IDOK, &SampleDlg::OnEnter},
};

void Key(QWidget* w, int key) {
  QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

}  // namespace

TEST(SkinDialog, CommandTableRoutesByControlId) {
  SampleDlg dlg;
  dlg.ItemAs<GbSkinButton>(1129)->click();
  dlg.ItemAs<CIconButton>(1207)->click();
  dlg.ItemAs<GbSkinButton>(1130)->click();
  auto* slider = dlg.ItemAs<CSkinSlider>(1300);
  slider->SetPos(10);
  Key(slider, Qt::Key_End);
  Key(&dlg, Qt::Key_Return);  // Enter sends the default id 1
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"add text", "thumb 1207", "remove", "slide 1300 100", "enter"}));
  EXPECT_EQ(dlg.result(), 0);  // nothing closed it
  EXPECT_EQ(dlg.Item(4242), nullptr);
  EXPECT_EQ(ControlId(dlg.Item(1206)), 1206);
  EXPECT_EQ(dlg.Item(1206)->geometry(), QRect(60, 337, 71, 53));
}

TEST(SkinDialog, CloseButtonAndEscapeTakeTheCancelPath) {
  {
    SampleDlg dlg;
    QTimer::singleShot(0, [&] { dlg.ItemAs<CIconButton>(kCloseControlId)->click(); });
    EXPECT_EQ(dlg.exec(), IDCANCEL);
  }
  {
    SampleDlg dlg;
    QTimer::singleShot(0, [&] { Key(&dlg, Qt::Key_Escape); });
    EXPECT_EQ(dlg.exec(), IDCANCEL);
  }
  {
    // A window whose close button does something else stays open.
    SampleDlg dlg(/*closeExits=*/true);
    dlg.show();
    dlg.ItemAs<CIconButton>(kCloseControlId)->click();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.log, std::vector<std::string>{"exit"});
  }
}

TEST(SkinDialog, ShapeIsCutFromMagentaAndSkinFills) {
  SampleDlg dlg;
  EXPECT_EQ(dlg.size(), QSize(500, 410));
  const QRegion mask = dlg.mask();
  EXPECT_FALSE(mask.isEmpty());
  EXPECT_FALSE(mask.contains(QPoint(0, 0)));  // rounded corner is magenta
  EXPECT_FALSE(mask.contains(QPoint(499, 409)));
  EXPECT_TRUE(mask.contains(QPoint(250, 200)));
  EXPECT_TRUE(mask.contains(QPoint(250, 0)));
  // Exactly the non-magenta pixels of the background.
  const QImage bg = dlg.Background();
  for (int y = 0; y < bg.height(); y += 7)
    for (int x = 0; x < bg.width(); x += 5)
      ASSERT_EQ(mask.contains(QPoint(x, y)), (bg.pixel(x, y) & 0xFFFFFF) != 0xFF00FF) << x << "," << y;

  // A custom picture: a magenta frame cut away.
  QImage pic(40, 30, QImage::Format_RGB32);
  pic.fill(qRgb(255, 0, 255));
  for (int y = 5; y < 25; ++y)
    for (int x = 10; x < 30; ++x) pic.setPixel(x, y, qRgb(30, 60, 90));
  SkinDialog plain;
  plain.SetSkinImage(pic, 40, 30, 0);
  EXPECT_EQ(plain.mask(), QRegion(10, 5, 20, 20));
  // No picture: rectangular.
  SkinDialog none;
  EXPECT_FALSE(none.SetSkinImage(QImage(), 40, 30, 0));
  EXPECT_TRUE(none.mask().isEmpty());
}

TEST(SkinDialog, DragStripStartsAMoveAndThePressStillArrives) {
  SampleDlg dlg;
  dlg.show();
  QSignalSpy spy(&dlg, &SkinDialog::dragStarted);
  Mouse(&dlg, QEvent::MouseButtonPress, {200, 28});
  Mouse(&dlg, QEvent::MouseButtonRelease, {200, 28}, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(spy.count(), 1);
  Mouse(&dlg, QEvent::MouseButtonPress, {200, 29});
  Mouse(&dlg, QEvent::MouseButtonRelease, {200, 29}, Qt::LeftButton, Qt::NoButton);
  Mouse(&dlg, QEvent::MouseButtonPress, {200, 5}, Qt::RightButton, Qt::RightButton);
  EXPECT_EQ(spy.count(), 1);
}

TEST(SkStatic, LinesAndBuffer) {
  SkStatic label;
  label.resize(100, 60);
  label.SetText(QStringLiteral("A\nB"));
  EXPECT_EQ(label.LineCount(), 2);
  const auto rects = label.LineRects();
  const int h = QFontMetrics(label.DrawFont()).height();
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_EQ(rects[1].top() - rects[0].top(), h + 1);
  EXPECT_EQ(rects[0].left(), 2);
  label.SetAlignment(Qt::AlignRight);
  EXPECT_EQ(label.LineRects()[0].right() + 1, 100 - 2);

  EXPECT_TRUE(label.SetText(QString(1023, QLatin1Char('x'))));
  EXPECT_FALSE(label.SetText(QString(1500, QLatin1Char('x'))));
  EXPECT_EQ(label.Text().size(), 1023);
  // Cut on a character boundary: 600 two-byte characters.
  EXPECT_FALSE(label.SetText(QString(600, QChar(0x00E9))));
  EXPECT_EQ(label.Text().toUtf8().size(), 1022);
}

TEST(CRectTrackerPic, DragSetsTheImageSelectionBottomUp) {
  GbImage image;
  ASSERT_TRUE(image.Create(100, 80, 24));
  CRectTrackerPic pic;
  pic.resize(100, 80);
  pic.SetImage(&image);
  pic.EnableTracking(true);
  QSignalSpy spy(&pic, &CRectTrackerPic::trackerChanged);
  Mouse(&pic, QEvent::MouseButtonPress, {10, 20});
  Mouse(&pic, QEvent::MouseMove, {40, 50}, Qt::NoButton);
  Mouse(&pic, QEvent::MouseButtonRelease, {40, 50}, Qt::LeftButton, Qt::NoButton);
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(pic.TrackerRect(), QRect(10, 20, 30, 30));
  ASSERT_TRUE(image.HasSelection());
  // Top-down row 20 is bottom-up row 59; top-down row 49 is row 30.
  EXPECT_TRUE(image.SelectionContains(10, 59));
  EXPECT_TRUE(image.SelectionContains(39, 30));
  EXPECT_FALSE(image.SelectionContains(9, 59));
  EXPECT_FALSE(image.SelectionContains(10, 60));

  // Moving it past the edge keeps it inside the bounds.
  Mouse(&pic, QEvent::MouseButtonPress, {25, 35});
  EXPECT_EQ(pic.HitTest({25, 35}), CRectTrackerPic::kInside);
  Mouse(&pic, QEvent::MouseButtonRelease, {500, 35}, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(pic.TrackerRect(), QRect(70, 20, 30, 30));
  // A band dragged outside is clipped to the bounds.
  Mouse(&pic, QEvent::MouseButtonPress, {5, 5});
  Mouse(&pic, QEvent::MouseButtonRelease, {-20, -20}, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(pic.TrackerRect(), QRect(0, 0, 5, 5));
  // Tracking off: presses are ignored.
  pic.EnableTracking(false);
  Mouse(&pic, QEvent::MouseButtonPress, {50, 50});
  Mouse(&pic, QEvent::MouseButtonRelease, {60, 60}, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(spy.count(), 3);
}

TEST(CBrowseFolder, TrailingSeparatorAndCancel) {
  gbtest::TempDir dir;
  const std::string folder = (dir.path() / "Temp").string();
  std::filesystem::create_directory(folder);
  gbdlg::ScriptedDialogs dialogs;
  dialogs.AnswerPath(gbdlg::ScriptedDialogs::Kind::PickFolder, folder);
  dialogs.AnswerPath(gbdlg::ScriptedDialogs::Kind::PickFolder, "/");
  dialogs.Cancel(gbdlg::ScriptedDialogs::Kind::PickFolder);
  dialogs.AnswerPath(gbdlg::ScriptedDialogs::Kind::PickFolder, (dir.path() / "missing").string());
  CBrowseFolder browse;
  EXPECT_EQ(browse.BrowseForFolder("", dir.path().string()), folder + "/");
  EXPECT_EQ(dialogs.asked()[0].folder.title, "Open folder");
  EXPECT_EQ(dialogs.asked()[0].folder.initialFolder, dir.path().string());
  EXPECT_EQ(browse.BrowseForFolder("Select the OutPut Path", ""), "/");
  EXPECT_EQ(dialogs.asked()[1].folder.title, "Select the OutPut Path");
  EXPECT_EQ(browse.BrowseForFolder("t", ""), "");
  EXPECT_EQ(browse.BrowseForFolder("t", ""), "");  // not a folder of the file system
  // A root that does not exist gives nothing without asking.
  EXPECT_EQ(browse.BrowseForFolder("t", "", (dir.path() / "nope").string()), "");
  EXPECT_EQ(dialogs.asked().size(), 4u);
  EXPECT_EQ(dialogs.pending(), 0u);
  EXPECT_EQ(CBrowseFolder::WithTrailingSeparator("/a/b/"), "/a/b/");
}

TEST(CMultiPickDialog, CollectsFoldersAndNames) {
  gbtest::TempDir dir;
  const std::string d = dir.path().string();
  std::filesystem::create_directory(dir.path() / "sub");
  gbtest::WriteFile(dir.path() / "a.jpg", "x");
  gbtest::WriteFile(dir.path() / "b c.jpg", "x");
  // Folders only.
  EXPECT_EQ(gbdlg::CollectPickedPaths(d, {d + "/sub"}, "sub"), std::vector<std::string>{d + "/sub"});
  // One file: the single name.
  EXPECT_EQ(gbdlg::CollectPickedPaths(d, {d + "/a.jpg"}, "a.jpg"), std::vector<std::string>{d + "/a.jpg"});
  // A folder and two files: the quoted names.
  EXPECT_EQ(gbdlg::CollectPickedPaths(d + "/", {d + "/sub", d + "/a.jpg", d + "/b c.jpg"}, "\"a.jpg\" \"b c.jpg\""),
            (std::vector<std::string>{d + "/sub", d + "/a.jpg", d + "/b c.jpg"}));

  gbdlg::ScriptedDialogs dialogs;
  dialogs.AnswerPaths(gbdlg::ScriptedDialogs::Kind::PickFilesAndFolders, {d + "/a.jpg", d + "/sub"});
  dialogs.Cancel(gbdlg::ScriptedDialogs::Kind::PickFilesAndFolders);
  CMultiPickDialog pick(true, "*.*", "", 0, "Support files|*.bmp;*.jpg||", nullptr);
  pick.acceptCaption = "Import";
  EXPECT_EQ(pick.DoModal(), IDOK);
  EXPECT_EQ(SelectedPaths, (std::vector<std::string>{d + "/a.jpg", d + "/sub"}));
  EXPECT_EQ(dialogs.asked()[0].file.acceptCaption, "Import");
  EXPECT_EQ(dialogs.asked()[0].file.nameLabel, "Item name:");
  EXPECT_EQ(pick.DoModal(), IDCANCEL);
  EXPECT_EQ(SelectedPaths.size(), 2u);  // kept until the next accepted pick
  EXPECT_EQ(gbdlg::QtFilterList("Support files|*.bmp;*.jpg||"),
            std::vector<std::string>{"Support files (*.bmp *.jpg)"});
  EXPECT_EQ(gbdlg::QtFilterList("BMP|*.bmp|JPG|*.jpg|").size(), 2u);
}

TEST(CReadOnlyEdit, ColoursFollowTheSetters) {
  CReadOnlyEdit edit;
  EXPECT_TRUE(edit.isReadOnly());
  edit.SetBackgroundColour(RGB(10, 20, 30));
  EXPECT_EQ(edit.palette().color(QPalette::Base), QColor(10, 20, 30));
  EXPECT_EQ(edit.palette().color(QPalette::Text), QColor(0, 0, 0));
}

TEST(SkinResources, EveryResourceDrawsAtItsSize) {
  for (const SkinResource& res : SkinResourceTable()) {
    const QImage img = DrawSkinResource(res.id);
    ASSERT_FALSE(img.isNull()) << res.id;
    EXPECT_EQ(img.size(), QSize(res.width, res.height)) << res.id;
  }
  EXPECT_TRUE(LoadSkinBitmap(123456).isNull());
  // Window backgrounds keep magenta outside their outline only.
  const QImage bg = LoadSkinBitmap(275);
  EXPECT_EQ(bg.pixel(0, 0) & 0xFFFFFF, 0xFF00FFu);
  EXPECT_NE(bg.pixel(400, 300) & 0xFFFFFF, 0xFF00FFu);
}
