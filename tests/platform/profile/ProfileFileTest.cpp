#include "platform/profile/ProfileFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>

#include "tests/support/TestSupport.h"

using namespace gbprofile;
using namespace std::string_literals;
using gbtest::ReadFile;
using gbtest::WriteFile;

namespace {
std::string Get(const std::string& file, const std::string& section, const std::string& key,
                const std::string& def = "<none>") {
  return GetPrivateProfileString(section, key, def, file);
}
}  // namespace

TEST(ProfileRead, SectionsAndKeysIgnoreCaseAndValuesAreTrimmed) {
  gbtest::TempDir dir;
  const std::string f = dir.file("a.ini");
  WriteFile(f,
            "[Configure]\r\n"
            "  PathFrame  =  /home/u/Image/Frame  \r\n"
            "\tAlpha\t=\t200\t\r\n"
            "Quoted = \"  keeps blanks  \"\r\n"
            "Single='x'\r\n"
            "Unmatched=\"x'\r\n"
            "Empty=\r\n"
            "[ other section ]\n"
            "k=v\n");
  EXPECT_EQ(Get(f, "configure", "PATHFRAME"), "/home/u/Image/Frame");
  EXPECT_EQ(Get(f, "CONFIGURE", "alpha"), "200");
  EXPECT_EQ(Get(f, "Configure", "Quoted"), "  keeps blanks  ");
  EXPECT_EQ(Get(f, "Configure", "Single"), "x");
  EXPECT_EQ(Get(f, "Configure", "Unmatched"), "\"x'");
  EXPECT_EQ(Get(f, "Configure", "Empty"), "");
  EXPECT_EQ(Get(f, "Other Section", "K"), "v");
  EXPECT_EQ(Get(f, " other section ", "k "), "v");
  // Absent keys and keys of another section give the default.
  EXPECT_EQ(Get(f, "Configure", "k"), "<none>");
  EXPECT_EQ(Get(f, "Missing", "k"), "<none>");
  EXPECT_EQ(Get(f, "Configure", ""), "<none>");
  EXPECT_EQ(GetPrivateProfileInt("Configure", "Alpha", 7, f), 200);
  EXPECT_EQ(GetPrivateProfileInt("Configure", "Empty", 7, f), 0);
  EXPECT_EQ(GetPrivateProfileInt("Configure", "Absent", 7, f), 7);
}

TEST(ProfileRead, OddLinesDuplicatesAndKeysOutsideSections) {
  gbtest::TempDir dir;
  const std::string f = dir.file("a.ini");
  WriteFile(f,
            "Stray=before any section\n"
            "[S]\n"
            "NoEqualsHere\n"
            ";Commented=1\n"
            "dup=first\n"
            "DUP=second\n"
            "[T]\n"
            "t=1\n"
            "[s]\n"
            "dup=third\n"
            "later=found\n"
            "[Open\n"
            "o=1\n");
  EXPECT_EQ(Get(f, "", "Stray"), "<none>");
  EXPECT_EQ(Get(f, "S", "NoEqualsHere"), "<none>");
  EXPECT_EQ(Get(f, "S", ";Commented"), "<none>");
  EXPECT_EQ(Get(f, "S", "dup"), "first");
  EXPECT_EQ(Get(f, "S", "later"), "found");  // a repeated section is searched too
  EXPECT_EQ(Get(f, "Open", "o"), "1");       // header without "]"
  EXPECT_EQ(GetPrivateProfileSectionNames(f), (std::vector<std::string>{"S", "T", "Open"}));
  EXPECT_EQ(GetPrivateProfileKeyNames("s", f), (std::vector<std::string>{"dup", "later"}));
}

TEST(ProfileRead, LengthIsCutToTheBuffer) {
  gbtest::TempDir dir;
  const std::string f = dir.file("a.ini");
  const std::string longValue(300, 'p');
  // "é" is two bytes; cutting at 259 bytes must not split it.
  const std::string utf8 = std::string(258, 'a') + "\xC3\xA9" + "z";
  WriteFile(f, "[S]\nlong=" + longValue + "\nutf8=" + utf8 + "\n");
  EXPECT_EQ(Get(f, "S", "long"), std::string(259, 'p'));
  EXPECT_EQ(GetPrivateProfileString("S", "long", "", f, 10), std::string(9, 'p'));
  EXPECT_EQ(GetPrivateProfileString("S", "long", "", f, 0), "");
  EXPECT_EQ(*FindProfileValue(f, "S", "long"), longValue);
  EXPECT_EQ(Get(f, "S", "utf8"), std::string(258, 'a'));
  // The default is cut the same way.
  EXPECT_EQ(GetPrivateProfileString("S", "none", "abcdef", f, 4), "abc");
}

TEST(ProfileRead, MissingEmptyBinaryAndHugeFilesReadAsDefaults) {
  gbtest::TempDir dir;
  EXPECT_EQ(Get(dir.file("missing.ini"), "S", "k"), "<none>");
  EXPECT_EQ(Get(dir.file("no/such/folder/a.ini"), "S", "k"), "<none>");
  EXPECT_EQ(Get("", "S", "k"), "<none>");

  const std::string empty = dir.file("empty.ini");
  WriteFile(empty, "");
  EXPECT_EQ(Get(empty, "S", "k"), "<none>");

  // Binary noise, a NUL inside a value, CR without LF, and a 1 MB line.
  const std::string bin = dir.file("bin.ini");
  std::string bytes = "\xFF\xFE\x00\x01[S\x00]\n"s;
  bytes += "[S]\r\rjunk\n"s;
  bytes += std::string(1 << 20, '\x80') + "\n";
  bytes += "k=v\x00tail\n"s;
  bytes += "after=ok";
  WriteFile(bin, bytes);
  EXPECT_EQ(Get(bin, "S", "k"), "v");
  EXPECT_EQ(Get(bin, "S", "after"), "ok");

  // A folder, and a FIFO that nobody writes to, stand in for the file.
  EXPECT_EQ(Get(dir.path().string(), "S", "k"), "<none>");
  const std::string fifo = dir.file("fifo.ini");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(Get(fifo, "S", "k"), "<none>");
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", fifo));

  // Larger than any settings file: neither read nor rewritten.
  const std::string huge = dir.file("huge.ini");
  std::string hugeBytes = "[S]\nk=v\n";
  hugeBytes.resize(kMaxProfileFileBytes + 1, ' ');
  WriteFile(huge, hugeBytes);
  EXPECT_EQ(Get(huge, "S", "k"), "<none>");
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "w", huge));
  EXPECT_EQ(std::filesystem::file_size(huge), kMaxProfileFileBytes + 1);
}

TEST(ProfileWrite, ChangesOnlyItsOwnLine) {
  gbtest::TempDir dir;
  const std::string f = dir.file("a.ini");
  const std::string before =
      "; Glimmerbox settings\r\n"
      "[Unknown]\r\n"
      "x = 1 ; not a comment\r\n"
      "\r\n"
      "[Configure]\r\n"
      "  alpha = 10\r\n"
      "ShottingDelay=3\r\n"
      "garbage line\r\n"
      "\r\n"
      "[RecentlyFrame]\r\n"
      "0=/a.bmp";
  WriteFile(f, before);

  ASSERT_TRUE(WritePrivateProfileString("CONFIGURE", "Alpha", "255", f));
  std::string expected = before;
  expected.replace(expected.find("  alpha = 10"), 12, "  alpha=255");
  EXPECT_EQ(ReadFile(f), expected);

  // A new key goes after the last line of its section, before the blank line.
  ASSERT_TRUE(WritePrivateProfileString("configure", "PrintWidth", "364", f));
  expected.insert(expected.find("\r\n\r\n[RecentlyFrame]") + 2, "PrintWidth=364\r\n");
  EXPECT_EQ(ReadFile(f), expected);

  // A new key at the end of the last section; the last line gains its line end.
  ASSERT_TRUE(WritePrivateProfileString("RecentlyFrame", "1", "/b.bmp", f));
  expected += "\r\n1=/b.bmp\r\n";
  EXPECT_EQ(ReadFile(f), expected);

  // A new section goes at the end, in the file's own line ends.
  ASSERT_TRUE(WritePrivateProfileString("New", "k", "v", f));
  expected += "[New]\r\nk=v\r\n";
  EXPECT_EQ(ReadFile(f), expected);

  // Writing a value that is already there changes nothing.
  ASSERT_TRUE(WritePrivateProfileString("new", "K", "v", f));
  EXPECT_EQ(ReadFile(f), expected);
  EXPECT_EQ(Get(f, "Unknown", "x"), "1 ; not a comment");
}

TEST(ProfileWrite, DuplicatesUpdateTheFirstAndFirstWriteCreatesTheFile) {
  gbtest::TempDir dir;
  const std::string f = dir.file("dup.ini");
  WriteFile(f, "[S]\nk=1\nk=2\n");
  ASSERT_TRUE(WritePrivateProfileString("s", "K", "9", f));
  EXPECT_EQ(ReadFile(f), "[S]\nk=9\nk=2\n");
  EXPECT_EQ(Get(f, "S", "k"), "9");

  const std::string fresh = dir.file("fresh.ini");
  ASSERT_FALSE(std::filesystem::exists(fresh));
  ASSERT_TRUE(WritePrivateProfileString("Configure", "Alpha", "255", fresh));
  ASSERT_TRUE(WritePrivateProfileString("Configure", "PathFrame", "", fresh));
  EXPECT_EQ(ReadFile(fresh), "[Configure]\nAlpha=255\nPathFrame=\n");

  // The folder is not created: a file in a missing folder cannot be written.
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", dir.file("nope/a.ini")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("nope")));
}

TEST(ProfileWrite, RefusesTextThatWouldBreakTheFile) {
  gbtest::TempDir dir;
  const std::string f = dir.file("a.ini");
  WriteFile(f, "[S]\nk=v\n");
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "a\n[Evil]\nx=1", f));
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "a\rb", f));
  EXPECT_FALSE(WritePrivateProfileString("S", "k", std::string("a\0b", 3), f));
  EXPECT_FALSE(WritePrivateProfileString("S", "a=b", "v", f));
  EXPECT_FALSE(WritePrivateProfileString("S", "[x", "v", f));
  EXPECT_FALSE(WritePrivateProfileString("S", ";x", "v", f));
  EXPECT_FALSE(WritePrivateProfileString("S", "  ", "v", f));
  EXPECT_FALSE(WritePrivateProfileString("S]x", "k", "v", f));
  EXPECT_FALSE(WritePrivateProfileString("", "k", "v", f));
  EXPECT_EQ(ReadFile(f), "[S]\nk=v\n");
}

TEST(ProfileWrite, ReadOnlyAndUnreadableFilesAreLeftAlone) {
  gbtest::TempDir dir;
  const std::string f = dir.file("ro.ini");
  WriteFile(f, "[S]\nk=v\n");
  ASSERT_EQ(::chmod(f.c_str(), 0444), 0);
  EXPECT_TRUE(IsReadOnlyFile(f));
  EXPECT_EQ(Get(f, "S", "k"), "v");
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "w", f));
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", f));  // same value: still refused
  EXPECT_FALSE(WritePrivateProfileString("S", "new", "1", f));
  EXPECT_FALSE(DeletePrivateProfileKey("S", "k", f));
  EXPECT_EQ(ReadFile(f), "[S]\nk=v\n");

  // A folder where the file should be is neither read nor replaced.
  const std::string folder = dir.file("folder.ini");
  std::filesystem::create_directory(folder);
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", folder));
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST(ProfileWrite, KeepsModeSymlinksAndByteOrderMark) {
  gbtest::TempDir dir;
  const std::string real = dir.file("real.ini");
  const std::string link = dir.file("link.ini");
  WriteFile(real, "\xEF\xBB\xBF[S]\nk=1\n");
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  std::filesystem::create_symlink(real, link);
  EXPECT_EQ(Get(link, "S", "k"), "1");
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "2", link));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFile(real), "\xEF\xBB\xBF[S]\nk=2\n");
  struct stat st {};
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // No temporary file is left behind.
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 2u);
}

TEST(ProfileWrite, DeletesKeysAndSections) {
  gbtest::TempDir dir;
  const std::string f = dir.file("a.ini");
  WriteFile(f, "; top\n[A]\na=1\nb=2\n[B]\nx=1\n[a]\na=3\n");
  ASSERT_TRUE(DeletePrivateProfileKey("a", "A", f));
  EXPECT_EQ(ReadFile(f), "; top\n[A]\nb=2\n[B]\nx=1\n[a]\n");
  ASSERT_TRUE(DeletePrivateProfileSection("A", f));
  EXPECT_EQ(ReadFile(f), "; top\n[B]\nx=1\n");
  EXPECT_TRUE(DeletePrivateProfileKey("S", "k", dir.file("missing.ini")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing.ini")));
}

TEST(ProfileInt, ParsesLikeTheWindowsReader) {
  EXPECT_EQ(ParseDecimalInt("12x"), 12);
  EXPECT_EQ(ParseDecimalInt("  -7"), -7);
  EXPECT_EQ(ParseDecimalInt("+5"), 5);
  EXPECT_EQ(ParseDecimalInt("x"), 0);
  EXPECT_EQ(ParseDecimalInt(""), 0);
  EXPECT_EQ(ParseDecimalInt("-"), 0);
  EXPECT_EQ(ParseDecimalInt("0x10"), 0);
  EXPECT_EQ(ParseDecimalInt("2147483647"), INT_MAX);
  EXPECT_EQ(ParseDecimalInt("2147483648"), INT_MAX);
  EXPECT_EQ(ParseDecimalInt("99999999999999999999999"), INT_MAX);
  EXPECT_EQ(ParseDecimalInt("-2147483648"), INT_MIN);
  EXPECT_EQ(ParseDecimalInt("-99999999999999999999999"), INT_MIN);
}
