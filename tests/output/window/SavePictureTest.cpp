// The save-picture dialog through its real controls: background pages, a
// chosen background, the two sizes, the per-type rules and bad names.
#include <QDir>
#include <fstream>
#include <unistd.h>
#include <filesystem>
#include <map>

#include "output/window/DlgSavePicture.h"
#include "skin/SkComboBox.h"
#include "tests/output/window/OutputTestEnv.h"

using namespace wintest;
using namespace outtest;
using Kind = gbdlg::ScriptedDialogs::Kind;

namespace {

class SavePictureTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    folder = (env.root() / "backgrounds").string();
    std::filesystem::create_directories(folder);
    store.PathBackGround = folder;
    out = (env.root() / "out").string();
    std::filesystem::create_directories(out);
  }
  std::unique_ptr<DlgSavePicture> Dialog(DlgSavePicture::Browse browse = {}) {
    auto d = std::make_unique<DlgSavePicture>(sheet.bitmap, sheet.stickers, store, std::move(browse));
    d->show();
    Settle();
    return d;
  }
  void Press(DlgSavePicture& d, int id) {
    auto* b = qobject_cast<QAbstractButton*>(d.Item(id));
    ASSERT_NE(b, nullptr) << id;
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, QPoint(b->width() / 2, b->height() / 2));
    Settle();
  }
  QImage Saved(const std::string& path) {
    QImage image;
    image.load(QString::fromStdString(path));
    return image.convertToFormat(QImage::Format_RGB32);
  }
  std::string folder, out;
  HalfBlackSheet sheet;
};

// Sheet pixel (x, y) top-down in a saved picture of w x h.
QPoint Out(int x, int y, int w, int h) { return {x * w / GB_SHEET_WIDTH, y * h / GB_SHEET_HEIGHT}; }

TEST_F(SavePictureTest, SevenBackgroundsPageInFivesAndTheChosenOneShowsInTheGaps) {
  std::map<std::string, RGBQUAD> colours;
  for (int i = 0; i < 7; ++i) {
    const std::string path = folder + "/bg" + std::to_string(i) + ".png";
    const RGBQUAD c{BYTE(30 * i), BYTE(200 - 20 * i), BYTE(60 + 10 * i), 0};
    ASSERT_TRUE(WritePicture(path, 64 + i, 48, c));
    colours[path] = c;
  }
  auto d = Dialog();
  ASSERT_EQ(d->Backgrounds().size(), 7);
  for (int k = 0; k < 5; ++k) EXPECT_FALSE(d->Thumb(k)->isHidden()) << k;
  Press(*d, DlgSavePicture::kPreviousPage);
  EXPECT_EQ(d->PageOffset(), 0);
  Press(*d, DlgSavePicture::kNextPage);
  EXPECT_EQ(d->PageOffset(), 5);
  EXPECT_FALSE(d->Thumb(0)->isHidden());
  EXPECT_FALSE(d->Thumb(1)->isHidden());
  for (int k = 2; k < 5; ++k) EXPECT_TRUE(d->Thumb(k)->isHidden()) << k;
  Press(*d, DlgSavePicture::kNextPage);  // nothing beyond the last page
  EXPECT_EQ(d->PageOffset(), 5);

  // The second thumbnail of the second page: file 7 of the list.
  Press(*d, DlgSavePicture::kThumb1);
  EXPECT_TRUE(d->Thumb(1)->IsChecked());
  EXPECT_FALSE(d->Thumb(0)->IsChecked());
  const RGBQUAD want = colours.at(d->Backgrounds().entries[6].path);
  const RGBQUAD bg = d->BackgroundImage().ReadPixelColor(265, 200, false);
  EXPECT_EQ(d->BackgroundImage().Width(), 530u);
  EXPECT_NEAR(bg.rgbGreen, want.rgbGreen, 2);

  const std::string file = out + "/sheet.png";
  dialogs->AnswerPath(Kind::SaveFile, file);
  Press(*d, DlgSavePicture::kSave);
  EXPECT_FALSE(d->isVisible());  // closed after the save
  ASSERT_EQ(dialogs->asked().size(), 1u);
  EXPECT_EQ(dialogs->asked()[0].file.filter, DlgSavePicture::kFilter);
  EXPECT_TRUE(dialogs->asked()[0].file.overwritePrompt);
  const QImage saved = Saved(file);
  ASSERT_EQ(saved.size(), QSize(1024, 768));
  // The centre gap, the left margin and an empty slot show the background.
  for (QPoint p : {Out(182, 138, 1024, 768), Out(2, 200, 1024, 768), Out(270, 200, 1024, 768)})
    EXPECT_TRUE(Near(At(saved, p.x(), p.y()), want.rgbRed, want.rgbGreen, want.rgbBlue)) << p.x() << "," << p.y();
  // Black inside the sticker stays black; its red half stays red.
  const QPoint black = Out(40, 70, 1024, 768), red = Out(150, 70, 1024, 768);
  EXPECT_TRUE(Near(At(saved, black.x(), black.y()), 0, 0, 0)) << std::hex << At(saved, black.x(), black.y());
  EXPECT_TRUE(Near(At(saved, red.x(), red.y()), 220, 0, 0));
}

TEST_F(SavePictureTest, AThumbnailChoosesTheFileItShowsWhenAnUnusableFileIsSkipped) {
  { std::ofstream(folder + "/notes.txt") << "not a picture"; }
  ASSERT_TRUE(WritePicture(folder + "/only.png", 30, 20, RGBQUAD{10, 180, 250, 0}));
  auto d = Dialog();
  ASSERT_EQ(d->Backgrounds().size(), 2);
  Press(*d, DlgSavePicture::kThumb0);
  const RGBQUAD c = d->BackgroundImage().ReadPixelColor(100, 100, false);
  EXPECT_NEAR(c.rgbRed, 250, 2);
  EXPECT_NEAR(c.rgbBlue, 10, 2);
}

TEST_F(SavePictureTest, WithoutABackgroundTheStickersLieOnWhiteAtTheSmallSize) {
  auto d = Dialog();
  EXPECT_EQ(d->Backgrounds().size(), 0);
  for (int k = 0; k < 5; ++k) EXPECT_TRUE(d->Thumb(k)->isHidden());
  auto* size = d->ItemAs<SkComboBox>(DlgSavePicture::kSize);
  EXPECT_EQ(size->GetLBText(0), QStringLiteral("1024 X 768 (Hight Quality)"));
  size->SelectFromList(1);
  const std::string file = out + "/small.bmp";
  dialogs->AnswerPath(Kind::SaveFile, file);
  Press(*d, DlgSavePicture::kSave);
  const QImage saved = Saved(file);
  ASSERT_EQ(saved.size(), QSize(528, 400));
  const QPoint gap = Out(182, 138, 528, 400), black = Out(40, 70, 528, 400);
  EXPECT_TRUE(Near(At(saved, gap.x(), gap.y()), 255, 255, 255));
  EXPECT_TRUE(Near(At(saved, black.x(), black.y()), 0, 0, 0));
}

TEST_F(SavePictureTest, UpperCaseJpgSavesAtQuality99AndJpegKeepsTheDefault) {
  auto a = Dialog();
  dialogs->AnswerPath(Kind::SaveFile, out + "/a.JPG");
  Press(*a, DlgSavePicture::kSave);
  EXPECT_EQ(a->SavedPicture().JpegQuality(), 99);
  auto b = Dialog();
  dialogs->AnswerPath(Kind::SaveFile, out + "/b.jpeg");
  Press(*b, DlgSavePicture::kSave);
  ASSERT_EQ(b->SavedPath(), out + "/b.jpeg");
  EXPECT_NE(b->SavedPicture().JpegQuality(), 99);
  // The finer quality shows in the file.
  EXPECT_GT(std::filesystem::file_size(out + "/a.JPG"), std::filesystem::file_size(out + "/b.jpeg"));
  EXPECT_TRUE(Near(At(Saved(out + "/a.JPG"), 512, 384), 255, 255, 255, 6));
}

TEST_F(SavePictureTest, BadNamesAndBadBackgroundsSayWhyAndKeepTheDialogOpen) {
  // A background file whose bytes are not a picture.
  const std::string broken = folder + "/broken.png";
  { std::ofstream(broken) << "not a picture"; }
  std::optional<std::string> browsed = broken;
  auto d = Dialog([&](QWidget*) { return browsed; });
  QString said;
  AnswerMessageBox(IDOK, &said);
  Press(*d, DlgSavePicture::kAnyPicture);
  EXPECT_TRUE(said.contains(QStringLiteral("cannot be used as the background"))) << said.toStdString();
  EXPECT_TRUE(d->isVisible());

  // An extension no type fits: nothing written, the dialog stays.
  dialogs->AnswerPath(Kind::SaveFile, out + "/sheet.xyz");
  said.clear();
  AnswerMessageBox(IDOK, &said);
  Press(*d, DlgSavePicture::kSave);
  EXPECT_TRUE(said.contains(QStringLiteral("from its extension"))) << said.toStdString();
  EXPECT_TRUE(d->isVisible());
  EXPECT_FALSE(std::filesystem::exists(out + "/sheet.xyz"));

  // A folder that cannot exist (its name is taken by a file): said, nothing closed.
  { std::ofstream(out + "/plain") << "x"; }
  dialogs->AnswerPath(Kind::SaveFile, out + "/plain/sheet.png");
  said.clear();
  AnswerMessageBox(IDOK, &said);
  Press(*d, DlgSavePicture::kSave);
  EXPECT_TRUE(said.contains(QStringLiteral("could not be saved"))) << said.toStdString();
  EXPECT_TRUE(d->isVisible());

  // A read-only folder: a clear message, the file there before stays whole.
  const std::string locked = out + "/locked";
  std::filesystem::create_directories(locked);
  ASSERT_TRUE(WritePicture(locked + "/old.png", 5, 3, RGBQUAD{1, 2, 3, 0}));
  const auto before = std::filesystem::file_size(locked + "/old.png");
  std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  dialogs->AnswerPath(Kind::SaveFile, locked + "/old.png");
  said.clear();
  const bool asRoot = ::geteuid() == 0;  // root writes anyway, and no message comes
  if (!asRoot) AnswerMessageBox(IDOK, &said);
  Press(*d, DlgSavePicture::kSave);
  std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
  if (!asRoot) {
    EXPECT_TRUE(said.contains(QStringLiteral("could not be saved"))) << said.toStdString();
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(std::filesystem::file_size(locked + "/old.png"), before);
  }

  // Any picture that can be read becomes the background.
  const std::string good = out + "/any.png";
  ASSERT_TRUE(WritePicture(good, 40, 30, RGBQUAD{200, 10, 10, 0}));
  browsed = good;
  Press(*d, DlgSavePicture::kAnyPicture);
  EXPECT_EQ(d->BackgroundImage().ReadPixelColor(10, 10, false).rgbBlue, 200);
}

TEST_F(SavePictureTest, TheMainWindowsSaveCommandOpensTheDialog) {
  Open();
  Click(DlgFacecraft::kAddToSheet);
  const std::string file = out + "/from-window.png";
  dialogs->AnswerPath(Kind::SaveFile, file);
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<DlgSavePicture*>(QApplication::activeModalWidget());
    if (!d) return;
    seen = true;
    auto* save = qobject_cast<QAbstractButton*>(d->Item(DlgSavePicture::kSave));
    save->click();
  });
  Click(DlgFacecraft::kSavePicture);
  EXPECT_TRUE(seen);
  EXPECT_EQ(Saved(file).size(), QSize(1024, 768));
}

}  // namespace
