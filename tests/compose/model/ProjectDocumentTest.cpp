#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "compose/model/BatchCompose.h"
#include "compose/model/ProjectDocument.h"
#include "platform/profile/ProfileFile.h"
#include "tests/compose/model/ComposeTestSupport.h"
#include "tests/support/TestSupport.h"

using namespace composetest;
namespace fs = std::filesystem;

namespace {

class Project : public ::testing::Test {
 protected:
  void SetUp() override {
    options.settingsFile = dir.file("Glimmerbox.ini");
    options.stagingFolder = dir.file("stage") + "/";
    gbtest::WriteFile(options.settingsFile, "[Configure]\nShottingDelay=3\nPathFrame=/frames\nPrintWidth=364\n");
  }
  bool Save(const SheetModel& sheet, const std::string& to) {
    std::string error;
    const bool ok = SaveProject(sheet, helper, options, to, &error);
    if (!ok) lastError = error;
    return ok;
  }
  // Unpacks into a staging folder of its own and opens into sheet.
  bool Open(const std::string& from, SheetModel& sheet, ProjectOpenResult* r = nullptr,
            std::vector<std::string>* files = nullptr) {
    std::vector<std::string> list;
    if (!UnpackProjectFiles(from, dir.file("open") + "/", list)) return false;
    if (files) *files = list;
    return OpenProject(sheet, list, helper, nullptr, r);
  }
  std::string Flag(const std::string& ini) const {
    return gbprofile::GetPrivateProfileString("Configure", "ComPictureFlag", "<none>", ini);
  }

  gbtest::TempDir dir;
  CSysHelper helper;
  ProjectSaveOptions options;
  std::string lastError;
};

// A real-looking sticker: a photo behind a frame with a magenta window.
ComposedSticker Sticker(int seed, int alpha) {
  GbImage photo = Pattern(200, 160, seed);
  GbImage frame = Solid(320, 240, Rgb(uint8_t(40 * seed), 80, 200));
  for (long y = 25; y < 215; ++y)
    for (long x = 30; x < 290; ++x) Set(frame, x, y, Rgb(255, 0, 255));
  ComposedSticker s;
  ComposeStickerFromPictures(photo, &frame, CoverPlacement(200, 160), alpha, s);
  return s;
}

// Small pictures keep byte-by-byte tests quick.
ComposedSticker Tiny(RGBQUAD c) {
  ComposedSticker s;
  s.sticker = BitmapOfImage(Solid(4, 3, c));
  s.plain = BitmapOfImage(Solid(4, 3, Rgb(1, 2, 3)));
  s.frame = BitmapOfImage(Solid(4, 3, Rgb(9, 9, 9)));
  return s;
}

}  // namespace

TEST_F(Project, SlotsOneAndElevenWriteTheirListAndOpenAlone) {
  SheetModel sheet;
  sheet.SetupLayout(3);
  for (int i = 0; i < 12; ++i) sheet.PlaceInFirstFree(Tiny(Rgb(uint8_t(10 * i), 0, 0)), true, 255);
  for (int i = 0; i < 12; ++i)
    if (i != 1 && i != 11) sheet.ClearSlot(i);
  const std::string p = dir.file("two.quorra");
  ASSERT_TRUE(Save(sheet, p)) << lastError;
  EXPECT_EQ(Flag(options.settingsFile), "1,11,");
  EXPECT_EQ(gbprofile::GetPrivateProfileString("Configure", "CombinationIndex", "", options.settingsFile), "3");

  ProjectContents contents;
  ASSERT_TRUE(ScanProjectContainer(p, contents));
  EXPECT_TRUE(contents.complete);
  ASSERT_EQ(contents.members.size(), 7u);
  EXPECT_EQ(contents.members[0].length, fs::file_size(options.settingsFile));
  for (size_t k = 1; k < 7; ++k) EXPECT_EQ(contents.members[k].length, 54u + 4 * 3 * 4) << k;

  SheetModel back;
  ProjectOpenResult r;
  ASSERT_TRUE(Open(p, back, &r));
  EXPECT_EQ(back.Layout(), 3);
  EXPECT_EQ(r.listedSlots, (std::vector<int>{1, 11}));
  EXPECT_EQ(back.UsedSlots(), (std::vector<int>{1, 11}));
  EXPECT_TRUE(Same(At(Image(back.Slot(11).sticker), 0, 0), Rgb(110, 0, 0)));
  EXPECT_TRUE(Same(At(Image(back.Slot(1).sticker), 0, 0), Rgb(10, 0, 0)));
  EXPECT_TRUE(Same(At(Image(back.Slot(1).plain), 0, 0), Rgb(1, 2, 3)));
  EXPECT_TRUE(Same(At(Image(back.Slot(1).frame), 0, 0), Rgb(9, 9, 9)));
  EXPECT_FALSE(back.Slot(0).sticker);
}

TEST_F(Project, AnEmptySheetKeepsItsLayoutAndSavingTwiceRewrites) {
  SheetModel sheet;
  sheet.SetupLayout(2);
  const std::string p = dir.file("empty.quorra");
  ASSERT_TRUE(Save(sheet, p)) << lastError;
  EXPECT_EQ(Flag(options.settingsFile), "");
  EXPECT_EQ(fs::file_size(p), 4 + fs::file_size(options.settingsFile));
  SheetModel back;
  back.SetupLayout(3);
  back.PlaceInFirstFree(Tiny(Rgb(5, 5, 5)), true, 255);
  ASSERT_TRUE(Open(p, back));
  EXPECT_EQ(back.Layout(), 2);
  EXPECT_EQ(back.SlotCount(), 10);
  for (int i = 0; i < back.SlotCount(); ++i) EXPECT_FALSE(back.Slot(i).sticker);

  // A bigger project, then the empty one again under the same name.
  sheet.PlaceInFirstFree(Tiny(Rgb(7, 7, 7)), true, 255);
  ASSERT_TRUE(Save(sheet, p)) << lastError;
  const auto big = fs::file_size(p);
  sheet.ClearAll();
  ASSERT_TRUE(Save(sheet, p)) << lastError;
  EXPECT_LT(fs::file_size(p), big);
  EXPECT_EQ(fs::file_size(p), 4 + fs::file_size(options.settingsFile));
}

TEST_F(Project, ReopenedProjectGivesTheSameSheetPixelForPixel) {
  SheetModel sheet;
  sheet.SetupLayout(0);
  for (int i = 0; i < 9; ++i) sheet.PlaceInFirstFree(Sticker(i, i % 2 ? 128 : 255), true, i % 2 ? 128 : 255);
  sheet.ClearSlot(4);
  sheet.ClearSlot(4);
  sheet.SwapSlots(4, 8);  // the cleared slot moves last; slot 4 holds a sticker
  sheet.ClearSlot(8);
  // Slot 8 was cleared: nothing to save. Make it a never-filled slot so the
  // two sheets can be compared as a whole.
  sheet.PasteSlot(8);
  sheet.SetEditedPicture(2, BitmapOfImage(Pattern(320, 240, 9)));
  GbImage before;
  ASSERT_TRUE(sheet.BuildSheetImage(before));
  const std::string p = dir.file("round.quorra");
  ASSERT_TRUE(Save(sheet, p)) << lastError;
  EXPECT_EQ(Flag(options.settingsFile), "0,1,2,3,4,5,6,7,");

  SheetModel back;
  ASSERT_TRUE(Open(p, back));
  GbImage after;
  ASSERT_TRUE(back.BuildSheetImage(after));
  EXPECT_EQ(DiffCount(before, after), 0);
  // Each slot's own three pictures came back.
  for (int i : sheet.UsedSlots()) {
    EXPECT_EQ(DiffCount(Image(back.Slot(i).plain), Image(sheet.Slot(i).plain)), 0) << i;
    EXPECT_EQ(DiffCount(Image(back.Slot(i).frame), Image(sheet.Slot(i).frame)), 0) << i;
  }
  // Opacity and the edited mark came back too, so redrawing a slot (as a
  // layout change does) keeps its look.
  EXPECT_EQ(back.Slot(1).alpha, 128);
  EXPECT_EQ(back.Slot(2).edited, 1);
  EXPECT_EQ(back.Slot(3).edited, 0);
  for (int i : back.UsedSlots()) {
    const GbImage sticker = Image(back.Slot(i).sticker);
    back.RefreshSlot(i);
    EXPECT_EQ(DiffCount(Image(back.Slot(i).sticker), sticker), 0) << i;
  }
  EXPECT_FALSE(back.ApplyFrameToAll(2));
  // A second round trip through the reopened sheet writes the same bytes.
  const std::string first = gbtest::ReadFile(p);
  ASSERT_TRUE(Save(back, dir.file("again.quorra"))) << lastError;
  EXPECT_EQ(gbtest::ReadFile(dir.file("again.quorra")), first);
}

TEST_F(Project, AUsedSlotWithoutAFrameSavesThePlaceholder) {
  SheetModel sheet;
  sheet.SetupLayout(1);
  ComposedSticker s = Tiny(Rgb(50, 60, 70));
  s.frame = nullptr;
  sheet.PlaceInFirstFree(s, true, 255);
  sheet.PlaceInFirstFree(Tiny(Rgb(80, 90, 100)), true, 255);
  const std::string p = dir.file("noframe.quorra");
  ASSERT_TRUE(Save(sheet, p)) << lastError;
  ProjectContents c;
  ASSERT_TRUE(ScanProjectContainer(p, c));
  ASSERT_EQ(c.members.size(), 7u);
  EXPECT_EQ(c.members[2].length, 54u + 364 * 276 * 4);  // the white empty-slot picture
  SheetModel back;
  ASSERT_TRUE(Open(p, back));
  EXPECT_EQ(back.UsedSlots(), (std::vector<int>{0, 1}));
  back.RefreshSlot(0);  // white, keyed by its own centre: the sticker stays
  EXPECT_TRUE(Same(At(Image(back.Slot(0).sticker), 0, 0), Rgb(1, 2, 3)));
  EXPECT_TRUE(Same(At(Image(back.Slot(1).sticker), 0, 0), Rgb(80, 90, 100)));
}

TEST_F(Project, ListedSlotBeyondTheLayoutStopsTheLoading) {
  // Made by hand: layout 1 (4 slots) with slots 0, 2, 12 and 3 listed.
  SheetModel sheet;
  sheet.SetupLayout(3);
  for (int i = 0; i < 13; ++i) sheet.PlaceInFirstFree(Tiny(Rgb(uint8_t(i), 0, 0)), true, 255);
  for (int i = 0; i < 13; ++i)
    if (i != 0 && i != 2 && i != 3 && i != 12) sheet.ClearSlot(i);
  const std::string p = dir.file("beyond.quorra");
  ASSERT_TRUE(Save(sheet, p)) << lastError;
  std::vector<std::string> files;
  SheetModel back;
  ASSERT_TRUE(Open(p, back, nullptr, &files));
  // Rewrite the unpacked settings to layout 1 and open the same files again.
  ASSERT_TRUE(gbprofile::WritePrivateProfileString("Configure", "CombinationIndex", "1", files[0]));
  ProjectOpenResult r;
  ASSERT_TRUE(OpenProject(back, files, helper, nullptr, &r));
  EXPECT_EQ(back.Layout(), 1);
  EXPECT_EQ(back.UsedSlots(), (std::vector<int>{0, 2, 3}));
  EXPECT_TRUE(r.stoppedEarly);

  // A layout number out of range falls back to layout 0 rather than no slots.
  ASSERT_TRUE(gbprofile::WritePrivateProfileString("Configure", "CombinationIndex", "9", files[0]));
  ASSERT_TRUE(OpenProject(back, files, helper, nullptr, &r));
  EXPECT_EQ(back.Layout(), 0);
  EXPECT_EQ(back.UsedSlots(), (std::vector<int>{0, 2, 3, 12}));
}

TEST_F(Project, MemberThatIsNoPictureLeavesOnlyItsSlotEmpty) {
  SheetModel sheet;
  sheet.SetupLayout(1);
  for (int i = 0; i < 3; ++i) sheet.PlaceInFirstFree(Tiny(Rgb(uint8_t(20 * i + 5), 0, 0)), true, 255);
  const std::string p = dir.file("bad.quorra");
  ASSERT_TRUE(Save(sheet, p)) << lastError;
  std::vector<std::string> files;
  SheetModel back;
  ASSERT_TRUE(Open(p, back, nullptr, &files));
  ASSERT_EQ(files.size(), 10u);
  gbtest::WriteFile(files[4], "this is not a picture");  // slot 1's sticker
  ASSERT_TRUE(OpenProject(back, files, helper, nullptr));
  EXPECT_EQ(back.UsedSlots(), (std::vector<int>{0, 2}));
  EXPECT_TRUE(Same(At(Image(back.Slot(2).sticker), 0, 0), Rgb(45, 0, 0)));
}

TEST_F(Project, TruncatedAtEveryByteOpensWithTheCompleteSlots) {
  SheetModel sheet;
  sheet.SetupLayout(1);
  for (int i = 0; i < 3; ++i) sheet.PlaceInFirstFree(Tiny(Rgb(uint8_t(30 * i + 30), 0, 0)), true, 255);
  const std::string p = dir.file("whole.quorra");
  ASSERT_TRUE(Save(sheet, p)) << lastError;
  const std::string bytes = gbtest::ReadFile(p);
  ProjectContents c;
  ASSERT_TRUE(ScanProjectContainer(p, c));
  ASSERT_EQ(c.members.size(), 10u);
  auto end = [&](size_t k) { return c.members[k].offset + c.members[k].length; };

  const std::string cut = dir.file("cut.quorra");
  for (size_t n = 0; n < bytes.size(); ++n) {
    gbtest::WriteFile(cut, bytes.substr(0, n));
    SheetModel back;
    std::vector<std::string> files;
    ProjectOpenResult r;
    const bool opened = Open(cut, back, &r, &files);
    size_t members = 0;
    while (members < c.members.size() && end(members) <= n) ++members;
    ASSERT_EQ(files.size(), members) << "cut at " << n;
    if (members == 0) {
      EXPECT_FALSE(opened);
      continue;
    }
    ASSERT_TRUE(opened) << n;
    std::vector<int> want;
    for (int s = 0; s < 3; ++s)
      if (size_t(1 + 3 * s + 2) < members) want.push_back(s);
    ASSERT_EQ(back.UsedSlots(), want) << "cut at " << n;
    for (int s : want) ASSERT_TRUE(Same(At(Image(back.Slot(s).sticker), 0, 0), Rgb(uint8_t(30 * s + 30), 0, 0)));
  }
}

TEST_F(Project, ALengthThatLiesStopsTheUnpacking) {
  SheetModel sheet;
  sheet.SetupLayout(1);
  for (int i = 0; i < 2; ++i) sheet.PlaceInFirstFree(Tiny(Rgb(uint8_t(100 + i), 0, 0)), true, 255);
  const std::string p = dir.file("lie.quorra");
  ASSERT_TRUE(Save(sheet, p)) << lastError;
  ProjectContents c;
  ASSERT_TRUE(ScanProjectContainer(p, c));
  std::string bytes = gbtest::ReadFile(p);
  // Member 5 (slot 1's frame) claims 4 GiB - 1.
  const size_t at = size_t(c.members[5].offset - 4);
  bytes.replace(at, 4, std::string("\xff\xff\xff\xff", 4));
  gbtest::WriteFile(p, bytes);
  ProjectContents lied;
  ASSERT_TRUE(ScanProjectContainer(p, lied));
  EXPECT_FALSE(lied.complete);
  EXPECT_EQ(lied.members.size(), 5u);
  EXPECT_EQ(lied.badOffset, at);
  SheetModel back;
  ProjectOpenResult r;
  ASSERT_TRUE(Open(p, back, &r));
  EXPECT_EQ(back.UsedSlots(), (std::vector<int>{0}));
  EXPECT_TRUE(r.stoppedEarly);
}

TEST_F(Project, AFailedSaveLeavesThePreviousProjectIntact) {
  SheetModel sheet;
  sheet.SetupLayout(1);
  sheet.PlaceInFirstFree(Sticker(1, 255), true, 255);
  const std::string p = dir.file("keep.quorra");
  ASSERT_TRUE(Save(sheet, p)) << lastError;
  const std::string good = gbtest::ReadFile(p);
  for (int i = 0; i < 3; ++i) sheet.PlaceInFirstFree(Sticker(i + 2, 255), true, 255);

  // A full disk, as a file size limit well below the new project's size.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlim_t limit = 400 * 1024;  // each staged picture fits, the container does not
    const struct rlimit rl { limit, limit };
    ::setrlimit(RLIMIT_FSIZE, &rl);
    std::string error;
    const bool ok = SaveProject(sheet, helper, options, p, &error);
    ::_exit(ok ? 0 : 3);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);
  EXPECT_EQ(gbtest::ReadFile(p), good);
  for (const auto& e : fs::directory_iterator(dir.path()))
    EXPECT_EQ(e.path().string().find("keep.quorra."), std::string::npos) << "left behind: " << e.path();

  // A staged picture that can't be written: the leftover of the earlier save
  // under that name must not be packed in its place.
  const std::string blocked = StagedFramePath(options.stagingFolder, 2);
  ASSERT_TRUE(fs::exists(blocked));  // left by the failed save
  fs::remove(blocked);
  fs::create_directories(blocked + "/x");
  EXPECT_FALSE(Save(sheet, p));
  EXPECT_EQ(gbtest::ReadFile(p), good);
  fs::remove_all(blocked);
  ASSERT_TRUE(Save(sheet, p)) << lastError;
  SheetModel back;
  ASSERT_TRUE(Open(p, back));
  EXPECT_EQ(back.UsedSlots(), (std::vector<int>{0, 1, 2, 3}));
}
