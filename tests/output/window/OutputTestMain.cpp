// One QApplication for every test, on the off-screen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "skin/SharedSkin.h"

namespace {
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "test_output_window";
    static char* argv[] = {name, nullptr};
    app_ = new QApplication(argc, argv);
    LoadSharedSkin();
  }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
  }

 private:
  QApplication* app_ = nullptr;
};
const auto* g_env = ::testing::AddGlobalTestEnvironment(new QtEnvironment);
}  // namespace
