// glimmerbox-cli never loses a user's file: writes under a file-size limit,
// outputs that name inputs, project-extract into a folder that has files,
// and damaged project files.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "image/core/GbImage.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

class CliSafety : public ::testing::Test {
 protected:
  // Runs the tool with every location inside the test's folder; limitKb
  // above 0 runs it under "ulimit -f" (the shell's blocks are 512 or 1024
  // bytes, so the limit lies between limitKb / 2 and limitKb KB).
  int Cli(const std::string& args, std::string* out = nullptr, std::string* err = nullptr, int limitKb = 0) {
    fs::create_directories(dir.path() / "tmp");
    const std::string env = "TMPDIR=" + Q(dir.file("tmp")) + " GLIMMERBOX_HOME=" + Q(dir.file("app")) +
                            " HOME=" + Q(dir.file("home")) + " XDG_CONFIG_HOME=" + Q(dir.file("config")) + " ";
    const std::string limit =
        limitKb > 0 ? "sh -c 'ulimit -f " + std::to_string(limitKb) + "; exec \"$0\" \"$@\"' " : std::string();
    std::string o;
    const int rc = gbtest::Run(env + limit + Q(gbtest::CliPath()) + " " + args + " 2>" + Q(dir.file("stderr")), &o);
    if (out) *out = o;
    if (err) *err = gbtest::ReadFile(dir.file("stderr"));
    return rc;
  }
  static std::string Q(const std::string& s) { return "'" + s + "'"; }

  // A w x h picture of noise from a fixed seed, so no encoder shrinks it much.
  std::string Picture(const std::string& name, uint32_t w, uint32_t h) {
    GbImage img;
    img.Create(w, h, 24, GB_TYPE_BMP);
    uint32_t seed = 17;
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        seed = seed * 1664525u + 1013904223u;
        img.WritePixelColor(long(x), long(y), RGBQUAD{uint8_t(seed >> 24), uint8_t(seed >> 16), uint8_t(seed >> 8), 0});
      }
    const std::string path = dir.file(name);
    EXPECT_TRUE(img.SaveFile(path.c_str(), GB_TYPE_BMP));
    return path;
  }
  // Names in the folder other than the ones expected: temporaries left behind.
  std::vector<std::string> Strays(const fs::path& folder, const std::vector<std::string>& expected) {
    std::vector<std::string> strays;
    for (const auto& e : fs::directory_iterator(folder)) {
      const std::string name = e.path().filename().string();
      if (std::find(expected.begin(), expected.end(), name) == expected.end()) strays.push_back(name);
    }
    return strays;
  }

  gbtest::TempDir dir;
};

}  // namespace

TEST_F(CliSafety, NoCommandTruncatesAnExistingFileUnderAFileSizeLimit) {
  const std::string big = Picture("big.bmp", 600, 340);  // 612 KB
  const std::string small = Picture("small.bmp", 30, 17);
  const std::string old(3000, 'o');
  struct Case {
    const char* out;
    std::string args;
  } cases[] = {
      {"o.bmp", "convert " + Q(big) + " OUT"},
      {"o.png", "convert " + Q(big) + " OUT"},
      {"o.tif", "pages OUT " + Q(big) + " " + Q(small)},
      {"o.pam", "pixels " + Q(big) + " OUT"},
      {"o.bmp", "import " + Q(big) + " OUT"},
      {"s.bmp", "sticker --photo " + Q(big) + " -o OUT"},
      {"sheet.bmp", "sheet --layout 1 " + Q(small) + " -o OUT"},
      {"t.bmp", "text " + Q(big) + " OUT 5 9 Hello"},
  };
  for (const Case& c : cases) {
    const std::string out = dir.file(c.out);
    gbtest::WriteFile(out, old);
    std::string args = c.args;
    args.replace(args.find("OUT"), 3, Q(out));
    std::string err;
    const int rc = Cli(args, nullptr, &err, 40);
    EXPECT_EQ(rc, 1) << args << "\n" << err;
    EXPECT_NE(err.find("File too large"), std::string::npos) << args << "\n" << err;
    EXPECT_TRUE(gbtest::ReadFile(out) == old) << args;
    fs::remove(out);
  }
  EXPECT_TRUE(Strays(dir.path(), {"big.bmp", "small.bmp", "tmp", "stderr"}).empty());

  // Every frame of an animation into a folder: the frames already there stay whole.
  GbImage pal;
  ASSERT_TRUE(pal.LoadFile(big.c_str()));
  ASSERT_TRUE(pal.DecreaseBpp(8, false));
  ASSERT_TRUE(pal.SaveFile(dir.file("p.bmp").c_str(), GB_TYPE_BMP));
  ASSERT_EQ(Cli("pages " + Q(dir.file("anim.gif")) + " " + Q(dir.file("p.bmp")) + " " + Q(dir.file("p.bmp"))), 0);
  fs::create_directory(dir.file("frames"));
  gbtest::WriteFile(dir.file("frames/f-1.bmp"), old);
  EXPECT_EQ(
      Cli("convert " + Q(dir.file("anim.gif")) + " " + Q(dir.file("f.bmp")) + " --all-frames " + Q(dir.file("frames")),
          nullptr, nullptr, 40),
      1);
  EXPECT_TRUE(gbtest::ReadFile(dir.file("frames/f-1.bmp")) == old);
  EXPECT_TRUE(Strays(dir.path() / "frames", {"f-1.bmp"}).empty());
  fs::remove_all(dir.file("frames"));
  for (const char* name : {"p.bmp", "anim.gif", "f.bmp"}) fs::remove(dir.file(name));

  // A sheet picture that fits beside a project that does not: the old
  // project stays and the staged pictures are cleaned up.
  gbtest::WriteFile(dir.file("p.quorra"), old);
  std::string err;
  EXPECT_EQ(Cli("sheet --layout 3 --fill " + Q(small) + " --project " + Q(dir.file("p.quorra")) + " -o " +
                    Q(dir.file("s.png")),
                nullptr, &err, 200),
            1)
      << err;
  EXPECT_EQ(gbtest::ReadFile(dir.file("p.quorra")), old);
  EXPECT_TRUE(Strays(dir.path(), {"big.bmp", "small.bmp", "tmp", "stderr", "p.quorra", "s.png"}).empty());
  // Only the run-time folder Qt makes for the text command is left there.
  for (const auto& e : fs::directory_iterator(dir.path() / "tmp"))
    EXPECT_EQ(e.path().filename().string().rfind("runtime-", 0), 0u) << "left behind: " << e.path();
}

TEST_F(CliSafety, OutputsAreCheckedBeforeAnyWork) {
  const std::string photo = Picture("photo.bmp", 40, 30), frame = Picture("frame.bmp", 320, 240);
  const std::string photoBytes = gbtest::ReadFile(photo), frameBytes = gbtest::ReadFile(frame);
  const std::string sheet = dir.file("sheet.png");
  std::string err;
  // The project may not be an input, the picture, or in a missing folder.
  for (const std::string& project : {photo, frame, sheet, dir.file("./sheet.png"), dir.file("none/p.quorra")}) {
    EXPECT_EQ(
        Cli("sheet --layout 1 --frame " + Q(frame) + " --project " + Q(project) + " " + Q(photo) + " -o " + Q(sheet),
            nullptr, &err),
        2)
        << project;
    EXPECT_FALSE(fs::exists(sheet)) << project;
  }
  EXPECT_NE(err.find("does not exist"), std::string::npos) << err;
  EXPECT_EQ(Cli("sheet --layout 1 " + Q(photo) + " -o " + Q(photo), nullptr, &err), 2);
  EXPECT_NE(err.find("is also an input"), std::string::npos) << err;
  EXPECT_EQ(Cli("sticker --photo " + Q(photo) + " --frame " + Q(frame) + " -o " + Q(frame), nullptr, &err), 2);
  // pages takes its output first: a forgotten name must not replace a picture.
  EXPECT_EQ(Cli("pages " + Q(dir.file("a.tif")) + " " + Q(photo) + " " + Q(dir.file("a.tif"))), 2);
  fs::create_directory(dir.file("out.png"));
  EXPECT_EQ(Cli("sticker --photo " + Q(photo) + " -o " + Q(dir.file("out.png")), nullptr, &err), 2);
  EXPECT_NE(err.find("is a folder"), std::string::npos) << err;
  EXPECT_EQ(gbtest::ReadFile(photo), photoBytes);
  EXPECT_EQ(gbtest::ReadFile(frame), frameBytes);
}

TEST_F(CliSafety, ProjectExtractKeepsExistingFilesUnlessForced) {
  const std::string photo = Picture("photo.bmp", 40, 30);
  const std::string project = dir.file("p.quorra");
  std::string out, err;
  ASSERT_EQ(
      Cli("sheet --layout 1 " + Q(photo) + " " + Q(photo) + " --project " + Q(project) + " -o " + Q(dir.file("s.bmp")),
          &out, &err),
      0)
      << err;
  // The progress line of the picture writer stays off standard output.
  EXPECT_EQ(out.find("Proceeding"), std::string::npos) << out;
  EXPECT_EQ(out.rfind("sheet: 2 sticker(s)", 0), 0u) << out;

  const fs::path x = dir.path() / "x";
  fs::create_directories(x);
  gbtest::WriteFile(x / "Glimmerbox.ini", "[Configure]\nmine=1\n");
  gbtest::WriteFile(x / "1Bk.bmp", "mine");
  EXPECT_EQ(Cli("project-extract " + Q(project) + " " + Q(x.string()), &out, &err), 1);
  EXPECT_NE(err.find("1Bk.bmp"), std::string::npos) << err;
  EXPECT_NE(err.find("--force"), std::string::npos) << err;
  EXPECT_EQ(gbtest::ReadFile(x / "Glimmerbox.ini"), "[Configure]\nmine=1\n");
  EXPECT_TRUE(Strays(x, {"Glimmerbox.ini", "1Bk.bmp"}).empty()) << "nothing is written when it refuses";

  // Under a file-size limit a forced extraction fails part-way; every file
  // keeps either its old or its new contents, and nothing is deleted.
  EXPECT_EQ(Cli("project-extract --force " + Q(project) + " " + Q(x.string()), &out, &err, 100), 1);
  EXPECT_EQ(gbtest::ReadFile(x / "1Bk.bmp"), "mine");
  EXPECT_EQ(gbtest::ReadFile(x / "Glimmerbox.ini").find("mine=1"), std::string::npos);
  EXPECT_TRUE(Strays(x, {"Glimmerbox.ini", "1Bk.bmp"}).empty());

  ASSERT_EQ(Cli("project-extract " + Q(project) + " " + Q(x.string()) + " --force", &out, &err), 0) << err;
  EXPECT_EQ(gbtest::ReadFile(x / "1Bk.bmp").substr(0, 2), "BM");
  EXPECT_EQ(fs::file_size(x / "0.bmp"), 54u + 320 * 240 * 4);
}

TEST_F(CliSafety, DamagedProjectsAreNotReportedAsGood) {
  const std::string photo = Picture("photo.bmp", 40, 30);
  const std::string project = dir.file("p.quorra");
  ASSERT_EQ(
      Cli("sheet --layout 1 " + Q(photo) + " " + Q(photo) + " --project " + Q(project) + " -o " + Q(dir.file("s.bmp"))),
      0);
  const std::string bytes = gbtest::ReadFile(project);
  std::string out, err;

  // Cut after the settings file and the first slot's three pictures: slot 1
  // is listed but has no pictures.
  auto end = [&](size_t offset) {  // where the member at offset ends
    return offset + 4 + (uint8_t(bytes[offset]) | uint8_t(bytes[offset + 1]) << 8 | uint8_t(bytes[offset + 2]) << 16);
  };
  const size_t settings = end(0);
  gbtest::WriteFile(dir.file("cut.quorra"), bytes.substr(0, end(end(end(settings)))));
  EXPECT_EQ(Cli("project-info " + Q(dir.file("cut.quorra")), &out, &err), 3) << out;
  EXPECT_NE(out.find("listed slots that do not open: 1"), std::string::npos) << out;

  // Not projects at all: empty, zeros, a folder, a picture.
  gbtest::WriteFile(dir.file("empty.quorra"), "");
  gbtest::WriteFile(dir.file("zeros.quorra"), std::string(3 << 20, '\0'));
  for (const std::string& p : {dir.file("empty.quorra"), dir.file("zeros.quorra"), dir.file("tmp"), photo}) {
    EXPECT_EQ(Cli("project-info " + Q(p), &out, &err), 1) << p;
    EXPECT_NE(err.find("not a Glimmerbox project"), std::string::npos) << err;
    EXPECT_LT(out.size(), 200u) << p;
    EXPECT_EQ(Cli("project-extract " + Q(p) + " " + Q(dir.file("y")), nullptr, &err), 1) << p;
  }
  EXPECT_FALSE(fs::exists(dir.file("y")));

  // Countless tiny members after a settings file: listed up to what a
  // project can hold.
  std::string many = bytes.substr(0, settings);
  for (int k = 0; k < 100000; ++k) many += std::string("\1\0\0\0x", 5);
  gbtest::WriteFile(dir.file("many.quorra"), many);
  Cli("project-info " + Q(dir.file("many.quorra")), &out, &err);
  EXPECT_LT(out.size(), 10000u);
  EXPECT_NE(out.find("more members follow"), std::string::npos) << out;
}

namespace {

// Peak resident memory of one run of the tool, in KB.
long PeakKb(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  std::string cli = gbtest::CliPath();
  argv.push_back(cli.data());
  std::vector<std::string> copy = args;
  for (std::string& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execv(cli.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  return usage.ru_maxrss;
}

}  // namespace

TEST_F(CliSafety, ASheetHoldsOnePhotoAtATime) {
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer's quarantine, redzones and shadow pages keep freed photos
  // resident, so its peak says nothing about what the tool holds at once.
  GTEST_SKIP() << "peak memory is measured in builds without AddressSanitizer";
#endif
  GbImage photo(2400, 1600, 24, GB_TYPE_BMP);  // 11.5 MB decoded
  photo.Fill(77);
  ASSERT_TRUE(photo.SaveFile(dir.file("p0.bmp").c_str(), GB_TYPE_BMP));
  std::vector<std::string> one{"sheet", "--layout", "3", dir.file("p0.bmp"), "-o", dir.file("one.bmp")};
  std::vector<std::string> six{"sheet", "--layout", "3", "-o", dir.file("six.bmp")};
  for (int i = 0; i < 6; ++i) {
    const std::string p = dir.file("p" + std::to_string(i) + ".bmp");
    if (i) fs::copy_file(dir.file("p0.bmp"), p);
    six.push_back(p);
  }
  const long a = PeakKb(one), b = PeakKb(six);
  // Five more photos kept would cost 57 MB; five more stickers cost a few.
  EXPECT_LT(b - a, 20 * 1024) << a << " KB for one photo, " << b << " KB for six";
}
