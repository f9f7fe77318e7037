// The photo editor's filters at the editor's size (320 x 240: every click
// runs one, so each must stay well under 30 ms) and at 12 megapixels (batch
// use through the command line). Each iteration works on a fresh copy.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>

#include "bench/BenchPictures.h"
#include "image/core/GbImage.h"

namespace {

using gbbench::Picture;

void TwoSizes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h"})->Args({320, 240})->Args({4000, 3000})->Unit(benchmark::kMillisecond);
}

void Run(benchmark::State& state, const std::function<bool(GbImage&)>& op) {
  const GbImage& in = Picture(uint32_t(state.range(0)), uint32_t(state.range(1)));
  for (auto _ : state) {
    state.PauseTiming();
    GbImage work(in);
    state.ResumeTiming();
    if (!op(work)) {
      state.SkipWithError(work.LastError());
      break;
    }
    benchmark::DoNotOptimize(work.RowBits(0));
  }
  gbbench::CountPixels(state, uint64_t(in.Width()) * in.Height());
}

const int32_t kBlur[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};

void BM_GaussianSmooth5(benchmark::State& s) {
  Run(s, [](GbImage& i) { return i.GaussianSmooth(5.0f); });
}
void BM_MedianFilter3(benchmark::State& s) {
  Run(s, [](GbImage& i) { return i.MedianFilter(3); });
}
void BM_ConvolveBlur(benchmark::State& s) {
  Run(s, [](GbImage& i) { return i.ConvolveKernel(kBlur, 3, 9, 0); });
}
void BM_UnsharpSharpen(benchmark::State& s) {
  Run(s, [](GbImage& i) { return i.UnsharpSharpen(5.0f, 0.5f, 0); });
}
void BM_EdgePreservingBlur(benchmark::State& s) {
  Run(s, [](GbImage& i) { return i.EdgePreservingBlur(1.0f, 25); });
}
void BM_RadialWarpSwirl(benchmark::State& s) {
  Run(s, [](GbImage& i) { return i.RadialWarp(GbImage::WarpKind::kSwirl, 0, 100.0f); });
}
void BM_MinimumFilter3(benchmark::State& s) {
  Run(s, [](GbImage& i) { return i.MinimumFilter(3); });
}
void BM_AddRandomNoise(benchmark::State& s) {
  Run(s, [](GbImage& i) { return i.AddRandomNoise(25); });
}

BENCHMARK(BM_GaussianSmooth5)->Apply(TwoSizes);
BENCHMARK(BM_MedianFilter3)->Apply(TwoSizes);
BENCHMARK(BM_ConvolveBlur)->Apply(TwoSizes);
BENCHMARK(BM_UnsharpSharpen)->Apply(TwoSizes);
BENCHMARK(BM_EdgePreservingBlur)->Apply(TwoSizes);
BENCHMARK(BM_RadialWarpSwirl)->Apply(TwoSizes);
BENCHMARK(BM_MinimumFilter3)->Apply(TwoSizes);
BENCHMARK(BM_AddRandomNoise)->Apply(TwoSizes);

}  // namespace
