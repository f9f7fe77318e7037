// Helpers shared by the test programs: a private temporary folder per test,
// and the locations of the shared test pictures.
#pragma once
#include <filesystem>
#include <string>

namespace gbtest {

// A fresh folder under the system temp directory, removed on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Root of the shared test pictures (GB_TESTDATA overrides).
std::filesystem::path TestData();
// Root of the shared sample artwork (GB_SAMPLE_ART overrides).
std::filesystem::path SampleArt();
// Path of the built glimmerbox-cli.
std::string CliPath();

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// Runs a shell command, returns its exit code and fills output with stdout.
int Run(const std::string& command, std::string* output = nullptr);

}  // namespace gbtest
