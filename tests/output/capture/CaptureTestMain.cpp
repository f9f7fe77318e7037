// One QApplication for every test, on the off-screen platform.
#include "tests/support/QtTestApp.h"

namespace {
const auto* g_env = RegisterQtTestApp("test_output_capture");
}  // namespace
