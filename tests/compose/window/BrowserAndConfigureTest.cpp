// The asset browser and the configuration window, driven through their
// controls, alone and from the main window.
#include <QElapsedTimer>
#include <QLineEdit>
#include <filesystem>

#include "app/AppSettings.h"
#include "compose/model/TemplateLibrary.h"
#include "compose/window/DlgConfigure.h"
#include "compose/window/DlgThumNail.h"
#include "compose/window/Thumbnails.h"
#include "platform/profile/ProfileFile.h"
#include "tests/compose/window/WindowTestEnv.h"

using namespace wintest;
using Kind = gbdlg::ScriptedDialogs::Kind;
namespace fs = std::filesystem;

namespace {

// A small picture file of w x h, coloured by n.
void WritePicture(const std::string& path, int w, int h, int n) {
  GbImage image;
  ASSERT_TRUE(image.Create(w, h, 24));
  for (long y = 0; y < h; ++y)
    for (long x = 0; x < w; ++x) image.WritePixelColor(x, y, RGBQUAD{BYTE(n * 5), BYTE(x * 3), BYTE(y * 7), 0});
  ASSERT_TRUE(image.SaveFile(path.c_str(), GB_TYPE_BMP)) << path;
}

std::string Folder(SandboxEnv& env, const std::string& name, int count) {
  const std::string folder = env.path(name);
  fs::create_directories(folder);
  for (int i = 0; i < count; ++i) WritePicture(folder + "/Pic_" + std::to_string(i) + ".bmp", 8 + i % 3, 6, i);
  return folder;
}

void WaitForThumbnails(DlgThumNail& browser) {
  QElapsedTimer t;
  t.start();
  while (browser.Filling() && t.elapsed() < 20000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  Settle();
}

int Occurrences(const DlgThumNail& b, const std::string& path) {
  int n = 0;
  for (const BrowserEntry& e : b.Entries()) n += e.path == path;
  return n;
}

}  // namespace

TEST_F(MainWindowTest, BrowserPagesRecentsAndSearch) {
  // 45 pictures and a text file: three pages, five cells on the last.
  const std::string folder = Folder(env, "many", 45);
  gbtest::WriteFile(folder + "/readme.txt", "x");
  DlgThumNail b(folder + "/", nullptr, false, store, *app->sysHelper());
  ASSERT_TRUE(b.Prepare());
  b.show();
  EXPECT_EQ(b.Entries().size(), 45u);
  EXPECT_EQ(b.PageText(), QStringLiteral("Current page : 1 / 3"));
  auto click = [&](int id) {
    QTest::mouseClick(b.Item(id), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    Settle();
  };
  click(DlgThumNail::kPrevious);
  EXPECT_EQ(b.PageOffset(), 0);
  click(DlgThumNail::kLast);
  EXPECT_EQ(b.PageOffset(), 40);
  EXPECT_EQ(b.Cells().size(), 5u);
  EXPECT_EQ(b.Cells()[4]->pos(), QPoint(4 * 132 + 25, 42));
  click(DlgThumNail::kNext);
  EXPECT_EQ(b.PageOffset(), 40);
  click(DlgThumNail::kPrevious);
  EXPECT_EQ(b.Cells().size(), 20u);
  EXPECT_EQ(b.Cells()[19]->pos(), QPoint(4 * 132 + 25, 3 * 102 + 42));
  EXPECT_EQ(b.PageText(), QStringLiteral("Current page : 2 / 3"));

  // Upper case finds the lower-case entry; an unknown name says so and stays.
  auto* search = qobject_cast<QLineEdit*>(b.Item(DlgThumNail::kSearchText));
  click(DlgThumNail::kFirst);
  const std::string listed = b.Entries()[44].listed;
  search->setText(QString::fromStdString(fs::path(listed).filename().string()).toUpper());
  click(DlgThumNail::kSearch);
  EXPECT_EQ(b.PageOffset(), 40);
  QString said;
  AnswerMessageBox(IDOK, &said);
  search->setText(QStringLiteral("pic_45.bmp"));
  click(DlgThumNail::kSearch);
  EXPECT_EQ(said, QStringLiteral("  The image do not exist !  "));
  EXPECT_EQ(b.PageOffset(), 40);

  // Exactly 20: one page, and the last-page command stays on it.
  const std::string twenty = Folder(env, "twenty", 20);
  DlgThumNail one(twenty, nullptr, true, store, *app->sysHelper());
  ASSERT_TRUE(one.Prepare());
  one.OnLast();
  EXPECT_EQ(one.PageOffset(), 0);
  EXPECT_EQ(one.PageText(), QStringLiteral("Current page : 1 / 1"));

  // Two recent photos of the folder come first and only once; a recent file
  // that no longer exists is still listed, with a blank thumbnail.
  std::vector<std::string> files;
  for (const BrowserEntry& e : one.Entries()) files.push_back(e.path);
  const std::string gone = env.path("gone.bmp");
  for (const std::string& p : {files[13], files[2], gone})
    ASSERT_TRUE(RememberRecent(*app->sysHelper(), store.settingsFile, TemplateCategory::Portrait, p));
  DlgThumNail recent(twenty, nullptr, true, store, *app->sysHelper());
  ASSERT_TRUE(recent.Prepare());
  ASSERT_EQ(recent.Entries().size(), 21u);
  EXPECT_EQ(recent.Entries()[0].path, files[13]);
  EXPECT_EQ(recent.Entries()[1].path, files[2]);
  EXPECT_EQ(recent.Entries()[2].path, gone);
  EXPECT_EQ(Occurrences(recent, files[13]), 1);
  EXPECT_EQ(Occurrences(recent, files[2]), 1);
  EXPECT_EQ(recent.PageText(), QStringLiteral("Current page : 1 / 2"));
  WaitForThumbnails(recent);
  EXPECT_TRUE(recent.Cells()[2]->Thumbnail().isNull());
  EXPECT_FALSE(recent.Cells()[0]->Thumbnail().isNull());
}

TEST_F(MainWindowTest, ThumbnailsKeepTheAspectAndBadFilesStayBlank) {
  const std::string folder = env.path("thumbs");
  fs::create_directories(folder);
  WritePicture(folder + "/wide.bmp", 320, 240, 1);
  WritePicture(folder + "/tall.bmp", 30, 200, 2);
  gbtest::WriteFile(folder + "/broken.jpg", "\xFF\xD8\xFF\xE0 not really");
  DlgThumNail b(folder, nullptr, false, store, *app->sysHelper());
  ASSERT_TRUE(b.Prepare());
  WaitForThumbnails(b);
  std::map<std::string, QSize> sizes;
  for (CThumbCell* c : b.Cells()) sizes[c->Caption().toStdString()] = c->Thumbnail().size();
  EXPECT_EQ(sizes["wide.bmp"], QSize(89, 67));
  EXPECT_EQ(sizes["tall.bmp"], QSize(10, 67));
  EXPECT_TRUE(sizes.count("broken.jpg") && sizes["broken.jpg"].isEmpty());
  // What the worker made is what a cell would make on the spot.
  for (CThumbCell* c : b.Cells()) {
    if (c->Caption() == QStringLiteral("wide.bmp")) {
      EXPECT_EQ(c->Thumbnail(), MakeThumbnail(c->Path()));
    }
  }
}

TEST_F(MainWindowTest, ChoosingFramesAndPhotosThroughTheBrowser) {
  DlgFacecraft& w = Open();
  const std::string before = w.Frames().Current()->path;
  // OK without a click: nothing changes, nothing is remembered.
  QTimer::singleShot(0, [] {
    auto* b = qobject_cast<DlgThumNail*>(QApplication::activeModalWidget());
    if (b) qobject_cast<QAbstractButton*>(b->Item(IDOK))->click();
  });
  const GbImage frameBefore = w.FrameImage();
  Click(DlgFacecraft::kSelectFrame);
  EXPECT_EQ(w.FrameImage().Width(), frameBefore.Width());
  EXPECT_TRUE(ReadRecent(*app->sysHelper(), store.settingsFile, TemplateCategory::Frame).empty());

  // A click on the fourth cell, then OK: that frame, and the recent list has it.
  std::string chosen;
  QTimer::singleShot(0, [&] {
    auto* b = qobject_cast<DlgThumNail*>(QApplication::activeModalWidget());
    if (!b || b->Cells().size() < 4) return;
    chosen = b->Cells()[3]->Path();
    QTest::mousePress(b->Cells()[3], Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
    QTest::mouseRelease(b->Cells()[3], Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
    qobject_cast<QAbstractButton*>(b->Item(IDOK))->click();
  });
  Click(DlgFacecraft::kSelectFrame);
  ASSERT_FALSE(chosen.empty());
  GbImage expected;
  ASSERT_TRUE(expected.LoadFile(chosen.c_str(), GB_TYPE_PNG));
  EXPECT_EQ(w.FrameImage().Width(), expected.Width());
  EXPECT_EQ(ReadRecent(*app->sysHelper(), store.settingsFile, TemplateCategory::Frame),
            std::vector<std::string>{chosen});
  EXPECT_NE(chosen, before);

  // Add single photo: the browser asks for a folder first; a double click
  // takes the photo and PathCurrent becomes that folder.
  const std::string folder = Folder(env, "single", 3);
  dialogs->AnswerPath(Kind::PickFolder, folder);
  QTimer::singleShot(0, [] {
    auto* b = qobject_cast<DlgThumNail*>(QApplication::activeModalWidget());
    if (b && b->Cells().size() == 3) QTest::mouseDClick(b->Cells()[2], Qt::LeftButton, Qt::NoModifier, QPoint(9, 9));
  });
  Click(DlgFacecraft::kAddPhoto);
  EXPECT_EQ(store.PathCurrent, folder + "/");
  EXPECT_EQ(w.PhotoImage().Width(), 320u);
  EXPECT_TRUE(ReadRecent(*app->sysHelper(), store.settingsFile, TemplateCategory::Portrait).empty());
}

TEST_F(MainWindowTest, ConfigurationFoldersImportsAndNumbers) {
  const std::string ini = store.settingsFile;
  auto value = [&](const char* key) { return gbprofile::GetPrivateProfileString("Configure", key, "?", ini); };
  DlgConfigure c(store, *app->sysHelper());
  c.show();
  auto click = [&](int id) {
    QTest::mouseClick(c.Item(id), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    Settle();
  };
  // A folder choice is written at once, with PathCurrent, even without Apply.
  const std::string emotions = env.path("my emotions");
  fs::create_directories(emotions);
  dialogs->AnswerPath(Kind::PickFolder, emotions);
  click(1232);
  EXPECT_EQ(value("PathEmotion"), emotions + "/");
  EXPECT_EQ(value("PathCurrent"), emotions + "/");
  EXPECT_EQ(c.Edit(1227)->text().toStdString(), emotions + "/");

  // Importing a.bmp into Frame copies it; a second import of the same name
  // leaves the first copy alone and says so.
  const std::string outside = env.path("outside");
  fs::create_directories(outside);
  WritePicture(outside + "/a.bmp", 5, 3, 7);
  dialogs->AnswerPaths(Kind::PickFilesAndFolders, {outside + "/a.bmp"});
  click(DlgConfigure::kCategory0);
  const std::string copied = store.PathFrame + "/a.bmp";
  EXPECT_EQ(gbtest::ReadFile(copied), gbtest::ReadFile(outside + "/a.bmp"));
  EXPECT_EQ(dialogs->asked().back().file.acceptCaption, "Import");
  EXPECT_EQ(dialogs->asked().back().file.nameLabel, "Selected:");
  WritePicture(outside + "/a.bmp", 6, 3, 9);
  dialogs->AnswerPaths(Kind::PickFilesAndFolders, {outside + "/a.bmp"});
  QString said;
  AnswerMessageBox(IDOK, &said);
  click(DlgConfigure::kCategory0);
  EXPECT_TRUE(said.contains(QStringLiteral("a.bmp"))) << said.toStdString();
  EXPECT_NE(gbtest::ReadFile(copied), gbtest::ReadFile(outside + "/a.bmp"));
  // Remove mode deletes only what lies inside the category folder.
  click(DlgConfigure::kRemoveMode);
  EXPECT_FALSE(c.Button(DlgConfigure::kImportMode)->IsChecked());
  dialogs->AnswerPaths(Kind::PickFilesAndFolders, {copied, outside + "/a.bmp"});
  AnswerMessageBox(IDOK);
  click(DlgConfigure::kCategory0);
  EXPECT_FALSE(fs::exists(copied));
  EXPECT_TRUE(fs::exists(outside + "/a.bmp"));
  EXPECT_EQ(dialogs->asked().back().file.initialFolder, store.PathFrame);

  // "12x" applied is 12; Default saves at once, so Close keeps it.
  c.Edit(DlgConfigure::kDelay)->setText(QStringLiteral("12x"));
  c.Edit(DlgConfigure::kAlpha)->setText(QStringLiteral("200"));
  click(IDOK);
  EXPECT_EQ(store.ShottingDelay, 12);
  EXPECT_EQ(value("ShottingDelay"), "12");
  EXPECT_EQ(value("Alpha"), "200");
  click(DlgConfigure::kDefault);
  c.Edit(DlgConfigure::kDelay)->setText(QStringLiteral("7"));
  click(IDCANCEL);
  EXPECT_FALSE(c.isVisible());
  EXPECT_EQ(value("ShottingDelay"), "3");
  EXPECT_EQ(value("Alpha"), "255");
  EXPECT_EQ(value("PathEmotion"), store.appDirectory + "Image/Emotion");
  EXPECT_EQ(store.ShottingDelay, 3);
}
