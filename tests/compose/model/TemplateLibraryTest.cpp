#include <gtest/gtest.h>

#include <algorithm>

#include "compose/model/TemplateLibrary.h"
#include "platform/profile/ProfileFile.h"
#include "tests/support/TestSupport.h"

namespace {

std::vector<std::string> Listed(const TemplateList& list) {
  std::vector<std::string> out;
  for (const auto& e : list.entries) out.push_back(e.listed);
  std::sort(out.begin(), out.end());
  return out;
}

// A list in a known order, as if scanned.
TemplateList ListOf(std::initializer_list<const char*> names) {
  TemplateList list;
  for (const char* n : names) list.entries.push_back({std::string("/t/") + n, std::string("/t/") + n});
  return list;
}

}  // namespace

TEST(TemplateLibrary, ScanListsLowerCaseNamesAndKeepsTheStoredCaseForOpening) {
  gbtest::TempDir dir;
  const std::string folder = dir.file("Frames");
  std::filesystem::create_directories(folder + "/sub");
  gbtest::WriteFile(folder + "/A.BMP", "x");
  gbtest::WriteFile(folder + "/b.jpg", "x");
  TemplateList list;
  list.index = 5;
  ScanTemplateFolder(folder, list);
  EXPECT_EQ(list.index, -1);
  EXPECT_EQ(Listed(list), (std::vector<std::string>{folder + "/a.bmp", folder + "/b.jpg"}));
  for (const auto& e : list.entries) {
    if (e.listed == folder + "/a.bmp") {
      EXPECT_EQ(e.path, folder + "/A.BMP");
    }
  }

  ScanTemplateFolder(dir.file("missing"), list);
  EXPECT_TRUE(list.empty());
  EXPECT_FALSE(FirstUsableEntry(list));
  EXPECT_FALSE(NextUsableEntry(list));
  EXPECT_FALSE(PreviousUsableEntry(list));
  EXPECT_EQ(list.index, -1);
}

TEST(TemplateLibrary, SteppingSkipsFilesOfUnknownTypeAndStopsAtTheEnds) {
  TemplateList list = ListOf({"notes.txt", "readme", "one.png", "x.doc", "two.bmp", "tail.txt"});
  ASSERT_TRUE(FirstUsableEntry(list));
  EXPECT_EQ(list.index, 2);
  EXPECT_FALSE(PreviousUsableEntry(list));  // nothing usable before: stops at 0
  EXPECT_EQ(list.index, 0);
  EXPECT_FALSE(PreviousUsableEntry(list));  // at 0: nothing
  EXPECT_EQ(list.index, 0);
  ASSERT_TRUE(NextUsableEntry(list));
  EXPECT_EQ(list.index, 2);
  ASSERT_TRUE(NextUsableEntry(list));
  EXPECT_EQ(list.index, 4);
  EXPECT_FALSE(NextUsableEntry(list));  // runs off the end: the last position tried
  EXPECT_EQ(list.index, 5);
  EXPECT_FALSE(NextUsableEntry(list));
  EXPECT_EQ(list.index, 5);
  ASSERT_TRUE(PreviousUsableEntry(list));
  EXPECT_EQ(list.index, 4);

  TemplateList none = ListOf({"a.txt", "b"});
  EXPECT_FALSE(FirstUsableEntry(none));
  EXPECT_EQ(none.index, 1);

  // The live preview steps one entry at a time without looking.
  TemplateList live = ListOf({"a.txt", "b.png"});
  live.index = 1;
  EXPECT_TRUE(StepEntry(live, -1));
  EXPECT_EQ(live.index, 0);
  EXPECT_FALSE(StepEntry(live, -1));
  EXPECT_TRUE(StepEntry(live, 1));
  EXPECT_FALSE(StepEntry(live, 1));
}

TEST(TemplateLibrary, RecentListGrowsThenShiftsAndDropsEntryNineteen) {
  gbtest::TempDir dir;
  const std::string ini = dir.file("Glimmerbox.ini");
  CSysHelper helper;
  auto path = [](int i) { return "/frames/f" + std::to_string(i) + ".png"; };
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(RememberRecent(helper, ini, TemplateCategory::Frame, path(i)));
  std::vector<std::string> want;
  for (int i = 0; i < 20; ++i) want.push_back(path(i));
  EXPECT_EQ(ReadRecent(helper, ini, TemplateCategory::Frame), want);

  // Already listed: nothing changes.
  const std::string before = gbtest::ReadFile(ini);
  ASSERT_TRUE(RememberRecent(helper, ini, TemplateCategory::Frame, path(7)));
  EXPECT_EQ(gbtest::ReadFile(ini), before);

  // The 21st: entry "0", the others one down, the old "19" gone.
  ASSERT_TRUE(RememberRecent(helper, ini, TemplateCategory::Frame, path(20)));
  want.insert(want.begin(), path(20));
  want.pop_back();
  EXPECT_EQ(ReadRecent(helper, ini, TemplateCategory::Frame), want);
  EXPECT_EQ(gbprofile::GetPrivateProfileString("RecentlyFrame", "19", "", ini), path(18));
  EXPECT_EQ(gbprofile::GetPrivateProfileString("RecentlyFrame", "0", "", ini), path(20));

  // A path that is only a part of a listed one is new.
  ASSERT_TRUE(RememberRecent(helper, ini, TemplateCategory::Frame, "/frames/f1"));
  EXPECT_EQ(ReadRecent(helper, ini, TemplateCategory::Frame).front(), "/frames/f1");

  // The photo list is its own section; other categories have none.
  ASSERT_TRUE(RememberRecent(helper, ini, TemplateCategory::Portrait, "/p/me.jpg"));
  EXPECT_EQ(ReadRecent(helper, ini, TemplateCategory::Portrait), (std::vector<std::string>{"/p/me.jpg"}));
  EXPECT_FALSE(RememberRecent(helper, ini, TemplateCategory::Mask, "/m.png"));
}

TEST(TemplateLibrary, RecentEntriesAreTrimmedAndAGapTakesTheNewPath) {
  gbtest::TempDir dir;
  const std::string ini = dir.file("Glimmerbox.ini");
  gbtest::WriteFile(ini, "[RecentlyPortrait]\n0=  /a.jpg  \n1=\n2=/c.jpg\n");
  CSysHelper helper;
  EXPECT_EQ(ReadRecent(helper, ini, TemplateCategory::Portrait), (std::vector<std::string>{"/a.jpg", "/c.jpg"}));
  ASSERT_TRUE(RememberRecent(helper, ini, TemplateCategory::Portrait, "/b.jpg"));
  EXPECT_EQ(ReadRecent(helper, ini, TemplateCategory::Portrait),
            (std::vector<std::string>{"/a.jpg", "/b.jpg", "/c.jpg"}));
}
