#include "platform/SafeWrite.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using gbfile::SafeWriteFile;
using gbfile::SafeWriter;
using gbfile::WriteOptions;

namespace {

size_t Entries(const fs::path& dir) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
  return n;
}

// Runs SafeWriteFile in a child limited to limitBytes per file, as
// "ulimit -f" does, with the limit's signal at its default (which kills);
// the child's exit status is 0 when the write succeeded, 1 when it failed.
int WriteUnderLimit(const std::string& path, const std::string& bytes, rlim_t limitBytes) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_DFL);
    const rlimit limit{limitBytes, limitBytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(SafeWriteFile(path, bytes) ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(SafeWrite, AFailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  gbtest::TempDir dir;
  const std::string f = dir.file("o.bmp");
  const std::string old(5000, 'o');
  gbtest::WriteFile(f, old);
  ASSERT_EQ(::chmod(f.c_str(), 0640), 0);
  EXPECT_EQ(WriteUnderLimit(f, std::string(20000, 'n'), 8192), 1);
  EXPECT_EQ(gbtest::ReadFile(f), old);
  EXPECT_EQ(Entries(dir.path()), 1u);

  // Within the limit the file is replaced completely and keeps its mode.
  EXPECT_EQ(WriteUnderLimit(f, "new", 8192), 0);
  EXPECT_EQ(gbtest::ReadFile(f), "new");
  struct stat st {};
  ASSERT_EQ(::stat(f.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(Entries(dir.path()), 1u);
}

TEST(SafeWrite, WriterShowsNothingUntilCommitAndAbandonsOnDestruction) {
  gbtest::TempDir dir;
  const std::string f = dir.file("p.quorra");
  {
    SafeWriter w(f);
    ASSERT_TRUE(w.ok());
    ASSERT_TRUE(w.Write("abc", 3));
    EXPECT_FALSE(fs::exists(f));
  }
  EXPECT_EQ(Entries(dir.path()), 0u);
  SafeWriter w(f);
  ASSERT_TRUE(w.Write("abc", 3) && w.Write(std::string_view("de")));
  ASSERT_TRUE(w.Commit());
  EXPECT_EQ(gbtest::ReadFile(f), "abcde");
  EXPECT_FALSE(w.Write("x", 1));  // a committed writer is done
}

TEST(SafeWrite, RefusalsSayWhy) {
  gbtest::TempDir dir;
  std::string error;
  EXPECT_FALSE(SafeWriteFile(dir.file("no/such/x.png"), "x", &error));
  EXPECT_NE(error.find("the folder does not exist"), std::string::npos) << error;
  fs::create_directory(dir.file("taken"));
  EXPECT_FALSE(SafeWriteFile(dir.file("taken"), "x", &error));
  EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
  EXPECT_TRUE(fs::is_directory(dir.file("taken")));

  // Without replace an existing name is kept, whatever it is.
  gbtest::WriteFile(dir.file("kept.ini"), "old");
  WriteOptions keep;
  keep.replace = false;
  EXPECT_FALSE(SafeWriteFile(dir.file("kept.ini"), "new", &error, keep));
  EXPECT_NE(error.find("already exists"), std::string::npos) << error;
  EXPECT_EQ(gbtest::ReadFile(dir.file("kept.ini")), "old");
  EXPECT_TRUE(SafeWriteFile(dir.file("fresh.ini"), "new", &error, keep));
  EXPECT_EQ(Entries(dir.path()), 3u);

  // A read-only file is not replaced behind its back.
  ASSERT_EQ(::chmod(dir.file("kept.ini").c_str(), 0444), 0);
  EXPECT_FALSE(SafeWriteFile(dir.file("kept.ini"), "new", &error));
  EXPECT_NE(error.find("read-only"), std::string::npos) << error;
  EXPECT_EQ(gbtest::ReadFile(dir.file("kept.ini")), "old");
}

TEST(SafeWrite, LinksAreReplacedOrFollowedAsAsked) {
  gbtest::TempDir dir;
  gbtest::WriteFile(dir.file("real"), "real");
  fs::create_symlink(dir.file("real"), dir.file("a"));
  fs::create_symlink(dir.file("real"), dir.file("b"));
  ASSERT_TRUE(SafeWriteFile(dir.file("a"), "own"));
  EXPECT_FALSE(fs::is_symlink(dir.file("a")));
  EXPECT_EQ(gbtest::ReadFile(dir.file("real")), "real");
  WriteOptions through;
  through.throughLink = true;
  ASSERT_TRUE(SafeWriteFile(dir.file("b"), "through", nullptr, through));
  EXPECT_TRUE(fs::is_symlink(dir.file("b")));
  EXPECT_EQ(gbtest::ReadFile(dir.file("real")), "through");
}
