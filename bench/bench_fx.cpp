// Every effect of the effects engine on a sticker-sized (320 x 240) and a
// camera-sized (4000 x 3000) 32-bit picture. Each iteration first restores
// the picture (a row copy into the same section when the size allows, a new
// section otherwise; CopyOnly times that alone) so every run starts alike.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <functional>

#include "retouch/engine/FxImage.h"

namespace {

void FillPicture(FxDib& img) {
  uint32_t s = 12345;
  for (int y = 0; y < img.Height(); ++y) {
    uint8_t* p = img.Row(y);
    for (int x = 0; x < img.Width(); ++x, p += 4) {
      s = s * 1664525u + 1013904223u;
      // A smooth gradient with a little noise, like a photo.
      p[0] = uint8_t((x * 255 / img.Width() + (s >> 29)) & 0xFF);
      p[1] = uint8_t((y * 255 / img.Height() + (s >> 30)) & 0xFF);
      p[2] = uint8_t(((x + y) * 127 / (img.Width() + img.Height()) + 64) & 0xFF);
      p[3] = 0;
    }
  }
}

const FxImage& Original(int w, int h) {
  static FxImage small, large;
  FxImage& img = w == 320 ? small : large;
  if (img.IsEmpty()) {
    img.CreateSection(w, h, 32);
    FillPicture(img);
  }
  return img;
}

void RunEffect(benchmark::State& state, const std::function<void(FxImage&)>& effect) {
  const int w = int(state.range(0)), h = int(state.range(1));
  const FxImage& original = Original(w, h);
  FxImage work;
  work.Duplicate(original);
  for (auto _ : state) {
    if (work.Width() == w && work.Height() == h) {
      for (int y = 0; y < h; ++y) std::memcpy(work.Row(y), original.Row(y), size_t(w) * 4);
    } else {
      work.Duplicate(original);
    }
    effect(work);
    benchmark::DoNotOptimize(work.Bits());
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * w * h);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({320, 240})->Args({4000, 3000})->Unit(benchmark::kMillisecond);
}

#define FX_BENCH(name, call)                      \
  void BM_##name(benchmark::State& state) {       \
    RunEffect(state, [](FxImage& img) { call; }); \
  }                                               \
  BENCHMARK(BM_##name)->Apply(Sizes)

FX_BENCH(CopyOnly, (void)img);
FX_BENCH(TurnLeft, img.TurnLeft());
FX_BENCH(TurnRight, img.TurnRight());
FX_BENCH(StretchTo_Aspect, img.StretchTo(320, 320, true));
FX_BENCH(StretchTo_Exact, img.StretchTo(img.Width() * 3 / 2, img.Height() / 2, false));
FX_BENCH(RotateByAngle45, img.RotateByAngle(45));
FX_BENCH(ScaleBrightness, img.ScaleBrightness(150, 0));
FX_BENCH(ScaleContrast, img.ScaleContrast(150));
FX_BENCH(ScaleHueSaturation, img.ScaleHueSaturation(150, 80));
FX_BENCH(ShiftChannels, img.ShiftChannels(20, -10, 5));
FX_BENCH(MosaicBlocks8, img.MosaicBlocks(8));
FX_BENCH(EmbossGrey, img.EmbossGrey(4, 16));
FX_BENCH(SharpenAlongRows, img.SharpenAlongRows(3));
FX_BENCH(WindSmear, img.WindSmear(30, 8, false));
FX_BENCH(StripeWave, img.StripeWave(25, 35));
FX_BENCH(LayerBlend, img.LayerBlend(Original(img.Width(), img.Height()), 128, 0, 0));

}  // namespace
