// The photo editor's commands as a user gives them, on a 320 x 240 picture,
// through the real buttons on the off-screen platform: each worker command
// including the thread hand-over, the display refresh and the history step,
// and each slider effect's recomputation on one slider move.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <memory>

#include "image/core/GbImage.h"
#include "retouch/editor/DlgEffect.h"
#include "retouch/editor/DlgFilter.h"
#include "skin/CSkinSlider.h"
#include "skin/SharedSkin.h"
#include "skin/SkinEvent.h"

namespace {

GbImage Picture() {
  GbImage image(320, 240, 24);
  for (uint32_t y = 0; y < 240; ++y) {
    uint8_t* row = image.RowBits(y);
    for (uint32_t x = 0; x < 320; ++x) {
      row[3 * x] = uint8_t(x + y);
      row[3 * x + 1] = uint8_t(y * 3);
      row[3 * x + 2] = uint8_t((x * y) >> 4);
    }
  }
  return image;
}

struct Session {
  Session() {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "bench_editor";
    static char* argv[] = {name, nullptr};
    qapp = std::make_unique<QApplication>(argc, argv);
    LoadSharedSkin();
    Reopen();
  }
  // A fresh editor, so the history does not grow without end.
  void Reopen() {
    editor.reset();
    editor = std::make_unique<DlgFilter>(Picture().MakeDibSection());
    editor->show();
    QApplication::processEvents();
  }
  std::unique_ptr<QApplication> qapp;
  std::unique_ptr<DlgFilter> editor;
};

Session& TheSession() {
  static Session s;
  return s;
}

void WorkerCommand(benchmark::State& state) {
  Session& s = TheSession();
  const DlgFilter::WorkerButton& b = DlgFilter::WorkerButtons()[size_t(state.range(0))];
  state.SetLabel(b.label);
  auto* button = qobject_cast<QAbstractButton*>(s.editor->Item(b.id));
  for (auto _ : state) {
    state.PauseTiming();
    if (s.editor->History().size() > 40) {
      s.Reopen();
      button = qobject_cast<QAbstractButton*>(s.editor->Item(b.id));
    }
    s.editor->RestoreSnapshot(0);
    state.ResumeTiming();
    button->click();
  }
}
BENCHMARK(WorkerCommand)->DenseRange(0, 16)->Unit(benchmark::kMillisecond);

void SliderEffect(benchmark::State& state) {
  Session& s = TheSession();
  const int kind = int(state.range(0));
  DlgEffect dialog(s.editor.get(), s.editor->DisplayBitmap(), kind);
  state.SetLabel(DlgEffect::Kind(kind).title);
  CSkinSlider* slider = dialog.Slider(0);
  int pos = slider->GetPos();
  for (auto _ : state) {
    pos = pos == slider->RangeMin() ? pos + 1 : pos - 1;
    slider->SetPos(pos);
    dialog.OnSlider(ControlId(slider), pos);
  }
}
BENCHMARK(SliderEffect)->DenseRange(0, 7)->Arg(9)->Arg(11)->Arg(12)->Arg(13)->Unit(benchmark::kMillisecond);

}  // namespace
