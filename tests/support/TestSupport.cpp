#include "tests/support/TestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace gbtest {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::filesystem::path root = base && *base ? base : "/tmp";
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = root / ("gbtest-" + std::to_string(getpid()) + "-" + std::to_string(rd()));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TestData() {
  const char* env = std::getenv("GB_TESTDATA");
  return env && *env ? env : GB_TESTDATA_DEFAULT;
}

std::filesystem::path SampleArt() {
  const char* env = std::getenv("GB_SAMPLE_ART");
  return env && *env ? env : GB_SAMPLE_ART_DEFAULT;
}

std::string CliPath() { return GB_CLI_PATH; }

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

int Run(const std::string& command, std::string* output) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  std::array<char, 4096> buf;
  std::string out;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) out.append(buf.data(), n);
  const int status = pclose(pipe);
  if (output) *output = out;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace gbtest
