// One QApplication for every test of a window test program, on the
// off-screen platform, with the skin's shared resources loaded:
//
//   namespace { const auto* g_env = RegisterQtTestApp("test_compose_window"); }
#pragma once
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <string>

#include "skin/SharedSkin.h"

class QtTestApp : public ::testing::Environment {
 public:
  explicit QtTestApp(const char* name) : name_(name) {}
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    argv_[0] = name_.data();
    app_ = new QApplication(argc_, argv_);
    LoadSharedSkin();
  }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
  }

 private:
  std::string name_;
  int argc_ = 1;
  char* argv_[2] = {nullptr, nullptr};
  QApplication* app_ = nullptr;
};

inline ::testing::Environment* RegisterQtTestApp(const char* name) {
  return ::testing::AddGlobalTestEnvironment(new QtTestApp(name));
}
