// The main window's sheet commands as a user gives them, on the off-screen
// platform in a private home with the starter templates: adding the composed
// sticker to the sheet, and switching between the 16- and 4-sticker layouts
// with a full sheet (the carried stickers are redrawn in their new slots).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <memory>
#include <string>

#include "app/FacecraftApp.h"
#include "compose/window/DlgFacecraft.h"
#include "skin/SharedSkin.h"

namespace {

struct Session {
  Session() {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    char pattern[] = "/tmp/gb-bench-XXXXXX";
    const std::string root = mkdtemp(pattern);
    setenv("GLIMMERBOX_HOME", (root + "/app").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    setenv("HOME", (root + "/home").c_str(), 1);
    static int argc = 1;
    static char name[] = "bench_mainwindow";
    static char* argv[] = {name, nullptr};
    qapp = std::make_unique<QApplication>(argc, argv);
    LoadSharedSkin();
    app = std::make_unique<CFacecraftApp>(store);
    app->StartUp();
    window = std::make_unique<DlgFacecraft>(*app);
    window->show();
    QApplication::processEvents();
  }
  void Click(int id) { qobject_cast<QAbstractButton*>(window->Item(id))->click(); }

  SettingsStore store;
  std::unique_ptr<QApplication> qapp;
  std::unique_ptr<CFacecraftApp> app;
  std::unique_ptr<DlgFacecraft> window;
};

Session& TheSession() {
  static Session s;
  return s;
}

void AddToSheet(benchmark::State& state) {
  Session& s = TheSession();
  s.store.AutoChangeFrame = 0;
  s.Click(DlgFacecraft::kLayout0 + 3);
  for (auto _ : state) {
    if (s.window->Sheet().UsedSlots().size() == 16) {
      state.PauseTiming();
      s.window->Sheet().ClearAll();
      state.ResumeTiming();
    }
    s.Click(DlgFacecraft::kAddToSheet);
  }
}
BENCHMARK(AddToSheet)->Unit(benchmark::kMillisecond);

void SwitchLayoutFullSheet(benchmark::State& state) {
  Session& s = TheSession();
  s.store.AutoChangeFrame = 0;
  s.Click(DlgFacecraft::kLayout0 + 3);
  s.window->Sheet().ClearAll();
  for (int i = 0; i < 16; ++i) s.Click(DlgFacecraft::kAddToSheet);
  int k = 3;
  for (auto _ : state) {
    k = k == 3 ? 1 : 3;
    s.Click(DlgFacecraft::kLayout0 + k);
    QApplication::processEvents();
  }
}
BENCHMARK(SwitchLayoutFullSheet)->Unit(benchmark::kMillisecond);

}  // namespace
