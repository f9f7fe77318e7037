// Points every location variable into a private temporary folder for the
// life of one test, and restores the old values afterwards.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "tests/support/TestSupport.h"

class SandboxEnv {
 public:
  SandboxEnv() {
    Set("HOME", Dir("home"));
    Set("XDG_CONFIG_HOME", Dir("config"));
    Set("XDG_DATA_HOME", Dir("data"));
    Set("TMPDIR", Dir("tmp"));
    Set("GLIMMERBOX_HOME", (tmp_.path() / "app").string());
  }
  ~SandboxEnv() {
    for (const auto& [name, old] : saved_) {
      if (old)
        ::setenv(name.c_str(), old->c_str(), 1);
      else
        ::unsetenv(name.c_str());
    }
  }
  SandboxEnv(const SandboxEnv&) = delete;
  SandboxEnv& operator=(const SandboxEnv&) = delete;

  void Set(const std::string& name, const std::string& value) {
    Remember(name);
    ::setenv(name.c_str(), value.c_str(), 1);
  }
  void Unset(const std::string& name) {
    Remember(name);
    ::unsetenv(name.c_str());
  }
  std::filesystem::path root() const { return tmp_.path(); }
  std::string path(const std::string& rel) const { return (tmp_.path() / rel).string(); }

 private:
  std::string Dir(const std::string& rel) {
    std::filesystem::create_directories(tmp_.path() / rel);
    return (tmp_.path() / rel).string();
  }
  void Remember(const std::string& name) {
    if (saved_.count(name)) return;
    const char* v = std::getenv(name.c_str());
    saved_[name] = v ? std::optional<std::string>(v) : std::nullopt;
  }

  gbtest::TempDir tmp_;
  std::map<std::string, std::optional<std::string>> saved_;
};
