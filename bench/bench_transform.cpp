// Geometry transforms on 24-bit pictures of sticker and camera sizes: the
// three resizers, the samplers, quarter and free rotation, flips. Results go
// to a destination image so the source stays the same between iterations.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/BenchPictures.h"
#include "image/core/GbImage.h"

namespace {

using gbbench::Picture;

// Camera pictures shrink to the sticker; the sticker and a webcam frame
// double, the way an editor enlarges them.
void TargetOf(long w, long h, long& tw, long& th) {
  if (w <= 640) {
    tw = w * 2;
    th = h * 2;
  } else {
    tw = 320;
    th = 240;
  }
}

void BM_ResampleInterpolated(benchmark::State& state) {
  GbImage& in = Picture(uint32_t(state.range(0)), uint32_t(state.range(1)));
  const auto method = GbImage::InterpolationMethod(state.range(2));
  long tw, th;
  TargetOf(long(in.Width()), long(in.Height()), tw, th);
  for (auto _ : state) {
    GbImage dest;
    if (!in.ResampleInterpolated(tw, th, method, GbImage::kRepeat, &dest)) {
      state.SkipWithError(in.LastError());
      break;
    }
    benchmark::DoNotOptimize(dest.RowBits(0));
  }
  gbbench::CountPixels(state, uint64_t(in.Width()) * in.Height());
}
void ResampleArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "method"});
  for (long method :
       {GbImage::kNearestNeighbour, GbImage::kBilinear, GbImage::kBicubic, GbImage::kCatmullRom, GbImage::kLanczos})
    for (auto [w, h] : {std::pair{320L, 240L}, {4000L, 3000L}, {6000L, 4000L}}) b->Args({w, h, method});
  b->Args({640, 480, GbImage::kCatmullRom});  // a webcam frame enlarged to 1280 x 960
}
BENCHMARK(BM_ResampleInterpolated)->Apply(ResampleArgs)->Unit(benchmark::kMillisecond);

// Catmull-Rom without the averaging that shrinking normally does: the
// point-sampled path the photo tracker uses for quick previews.
void BM_ResampleInterpolatedNoAveraging(benchmark::State& state) {
  GbImage& in = Picture(uint32_t(state.range(0)), uint32_t(state.range(1)));
  long tw, th;
  TargetOf(long(in.Width()), long(in.Height()), tw, th);
  for (auto _ : state) {
    GbImage dest;
    in.ResampleInterpolated(tw, th, GbImage::kCatmullRom, GbImage::kRepeat, &dest, true);
    benchmark::DoNotOptimize(dest.RowBits(0));
  }
  gbbench::CountPixels(state, uint64_t(in.Width()) * in.Height());
}
BENCHMARK(BM_ResampleInterpolatedNoAveraging)->Apply(gbbench::ThreeSizes)->Unit(benchmark::kMillisecond);

void BM_ResampleSimple(benchmark::State& state) {
  GbImage& in = Picture(uint32_t(state.range(0)), uint32_t(state.range(1)));
  const auto mode = GbImage::ResampleMode(state.range(2));
  long tw, th;
  TargetOf(long(in.Width()), long(in.Height()), tw, th);
  for (auto _ : state) {
    GbImage dest;
    if (!in.ResampleSimple(tw, th, mode, &dest)) {
      state.SkipWithError(in.LastError());
      break;
    }
    benchmark::DoNotOptimize(dest.RowBits(0));
  }
  gbbench::CountPixels(state, uint64_t(in.Width()) * in.Height());
}
void SimpleArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "mode"});
  using Mode = GbImage::ResampleMode;
  for (Mode mode : {Mode::kBilinear, Mode::kNearest, Mode::kBicubic})
    for (auto [w, h] : {std::pair{320L, 240L}, {4000L, 3000L}, {6000L, 4000L}}) b->Args({w, h, long(mode)});
}
BENCHMARK(BM_ResampleSimple)->Apply(SimpleArgs)->Unit(benchmark::kMillisecond);

void BM_QIShrink(benchmark::State& state) {
  GbImage& in = Picture(uint32_t(state.range(0)), uint32_t(state.range(1)));
  const long tw = in.Width() <= 320 ? 160 : 320, th = in.Width() <= 320 ? 120 : 240;
  for (auto _ : state) {
    GbImage dest;
    if (!in.QIShrink(tw, th, &dest)) {
      state.SkipWithError(in.LastError());
      break;
    }
    benchmark::DoNotOptimize(dest.RowBits(0));
  }
  gbbench::CountPixels(state, uint64_t(in.Width()) * in.Height());
}
BENCHMARK(BM_QIShrink)->Apply(gbbench::ThreeSizes)->Unit(benchmark::kMillisecond);

// Samplers: one call per position, at 65536 fractional positions spread
// over the picture (a few outside it, to reach the overflow handling).
constexpr int kSamples = 65536;
const std::vector<std::pair<double, double>>& Positions(uint32_t w, uint32_t h) {
  static std::vector<std::pair<double, double>> points;
  static uint32_t forW = 0, forH = 0;
  if (forW != w || forH != h) {
    points.clear();
    uint32_t s = 2463534242u;
    for (int i = 0; i < kSamples; ++i) {
      s ^= s << 13, s ^= s >> 17, s ^= s << 5;
      const double fx = double(s % 100000u) / 100000.0;
      s ^= s << 13, s ^= s >> 17, s ^= s << 5;
      const double fy = double(s % 100000u) / 100000.0;
      points.emplace_back(fx * (w + 4) - 2.0, fy * (h + 4) - 2.0);
    }
    forW = w;
    forH = h;
  }
  return points;
}

void BM_SampleInterpolated(benchmark::State& state) {
  const GbImage& in = Picture(uint32_t(state.range(0)), uint32_t(state.range(1)));
  const auto method = GbImage::InterpolationMethod(state.range(2));
  const auto& points = Positions(in.Width(), in.Height());
  for (auto _ : state) {
    uint32_t sum = 0;
    for (const auto& [x, y] : points) sum += in.SampleInterpolated(x, y, method, GbImage::kRepeat).rgbGreen;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kSamples);
}
void SamplerArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "method"});
  for (long method :
       {GbImage::kNearestNeighbour, GbImage::kBilinear, GbImage::kBicubic, GbImage::kCatmullRom, GbImage::kLanczos})
    for (auto [w, h] : {std::pair{320L, 240L}, {6000L, 4000L}}) b->Args({w, h, method});
}
BENCHMARK(BM_SampleInterpolated)->Apply(SamplerArgs)->Unit(benchmark::kMicrosecond);

// Area sampling with the footprint of a shrink to the sticker.
void BM_SampleArea(benchmark::State& state) {
  const GbImage& in = Picture(uint32_t(state.range(0)), uint32_t(state.range(1)));
  const auto method = GbImage::InterpolationMethod(state.range(2));
  const double aw = in.Width() <= 320 ? 1.5 : double(in.Width()) / 320.0;
  const double ah = in.Width() <= 320 ? 1.5 : double(in.Height()) / 240.0;
  const auto& points = Positions(in.Width(), in.Height());
  const int n = in.Width() <= 320 ? kSamples : kSamples / 64;  // large footprints are slow
  for (auto _ : state) {
    uint32_t sum = 0;
    for (int i = 0; i < n; ++i)
      sum +=
          in.SampleArea(points[size_t(i)].first, points[size_t(i)].second, aw, ah, method, GbImage::kRepeat).rgbGreen;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * n);
}
void AreaArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "method"});
  for (long method : {GbImage::kBilinear, GbImage::kCatmullRom})
    for (auto [w, h] : {std::pair{320L, 240L}, {6000L, 4000L}}) b->Args({w, h, method});
}
BENCHMARK(BM_SampleArea)->Apply(AreaArgs)->Unit(benchmark::kMicrosecond);

void BM_SampleWithOverflow(benchmark::State& state) {
  const GbImage& in = Picture(uint32_t(state.range(0)), uint32_t(state.range(1)));
  const auto& points = Positions(in.Width(), in.Height());
  for (auto _ : state) {
    uint32_t sum = 0;
    for (const auto& [x, y] : points) sum += in.SampleWithOverflow(long(x), long(y), GbImage::kMirror).rgbGreen;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kSamples);
}
BENCHMARK(BM_SampleWithOverflow)->Args({320, 240})->Args({6000, 4000})->Unit(benchmark::kMicrosecond);

// Quarter turns, half turn and flips.
template <int Which>
void BM_Turn(benchmark::State& state) {
  GbImage& in = Picture(uint32_t(state.range(0)), uint32_t(state.range(1)));
  for (auto _ : state) {
    GbImage dest;
    const bool ok = Which == 0   ? in.RotateQuarterLeft(&dest)
                    : Which == 1 ? in.RotateQuarterRight(&dest)
                                 : in.RotateHalfTurn(&dest);
    if (!ok) {
      state.SkipWithError(in.LastError());
      break;
    }
    benchmark::DoNotOptimize(dest.RowBits(0));
  }
  gbbench::CountPixels(state, uint64_t(in.Width()) * in.Height());
}
BENCHMARK(BM_Turn<0>)->Name("BM_RotateQuarterLeft")->Apply(gbbench::ThreeSizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Turn<1>)->Name("BM_RotateQuarterRight")->Apply(gbbench::ThreeSizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Turn<2>)->Name("BM_RotateHalfTurn")->Apply(gbbench::ThreeSizes)->Unit(benchmark::kMillisecond);

// Flips work in place; flipping twice per iteration ends where it began.
template <bool Vertical>
void BM_Flip(benchmark::State& state) {
  GbImage work(Picture(uint32_t(state.range(0)), uint32_t(state.range(1))));
  for (auto _ : state) {
    if (Vertical)
      work.FlipVertical();
    else
      work.MirrorHorizontal();
    benchmark::DoNotOptimize(work.RowBits(0));
  }
  gbbench::CountPixels(state, uint64_t(work.Width()) * work.Height());
}
BENCHMARK(BM_Flip<true>)->Name("BM_FlipVertical")->Apply(gbbench::ThreeSizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Flip<false>)->Name("BM_MirrorHorizontal")->Apply(gbbench::ThreeSizes)->Unit(benchmark::kMillisecond);

// Free rotation by 30 degrees onto the enlarged canvas.
void BM_RotateFree(benchmark::State& state) {
  GbImage& in = Picture(uint32_t(state.range(0)), uint32_t(state.range(1)));
  const auto method = GbImage::InterpolationMethod(state.range(2));
  for (auto _ : state) {
    GbImage dest;
    if (!in.RotateFree(30.0f, &dest, method)) {
      state.SkipWithError(in.LastError());
      break;
    }
    benchmark::DoNotOptimize(dest.RowBits(0));
  }
  gbbench::CountPixels(state, uint64_t(in.Width()) * in.Height());
}
void RotateArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "method"});
  for (long method : {GbImage::kNearestNeighbour, GbImage::kBilinear})
    for (auto [w, h] : {std::pair{320L, 240L}, {4000L, 3000L}, {6000L, 4000L}}) b->Args({w, h, method});
  // The general kernel path is slow at camera sizes: the sticker and 12 MP only.
  for (auto [w, h] : {std::pair{320L, 240L}, {4000L, 3000L}}) b->Args({w, h, GbImage::kBicubic});
}
BENCHMARK(BM_RotateFree)->Apply(RotateArgs)->Unit(benchmark::kMillisecond);

}  // namespace
