// Image core hot paths: colour depth conversion, mixing and pasting, and the
// whole-image copy they all lean on. Operations that work in place get their
// pixels back outside the timed part of each iteration.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench/BenchPictures.h"
#include "image/core/GbImage.h"

namespace {

using gbbench::Picture;

void BM_CopyFrom(benchmark::State& state) {
  const GbImage& in = Picture(uint32_t(state.range(0)), uint32_t(state.range(1)));
  for (auto _ : state) {
    GbImage copy;
    copy.CopyFrom(in);
    benchmark::DoNotOptimize(copy.RowBits(0));
  }
  gbbench::CountPixels(state, uint64_t(in.Width()) * in.Height());
}
BENCHMARK(BM_CopyFrom)->Apply(gbbench::ThreeSizes)->Unit(benchmark::kMillisecond);

// Depth conversions replace the image, so each iteration converts a fresh
// copy; the copy is not timed.
template <typename Op>
void RunDepth(benchmark::State& state, uint32_t bpp, Op op) {
  const GbImage& in = Picture(uint32_t(state.range(0)), uint32_t(state.range(1)), bpp);
  for (auto _ : state) {
    state.PauseTiming();
    GbImage work(in);
    state.ResumeTiming();
    if (!op(work)) {
      state.SkipWithError(*work.LastError() ? work.LastError() : "the conversion failed");
      break;
    }
    benchmark::DoNotOptimize(work.RowBits(0));
  }
  gbbench::CountPixels(state, uint64_t(in.Width()) * in.Height());
}

void BM_ToGreyScale(benchmark::State& state) {
  RunDepth(state, 24, [](GbImage& im) { return im.ToGreyScale(); });
}
BENCHMARK(BM_ToGreyScale)->Apply(gbbench::ThreeSizes)->Unit(benchmark::kMillisecond);

// 24 to 8 bits through the standard palette, plain and with error diffusion.
void BM_DecreaseBpp8(benchmark::State& state) {
  const bool diffuse = state.range(2) != 0;
  RunDepth(state, 24, [diffuse](GbImage& im) { return im.DecreaseBpp(8, diffuse); });
}
void DecreaseArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "diffusion"});
  for (long diffuse : {0L, 1L})
    for (auto [w, h] : {std::pair{320L, 240L}, {4000L, 3000L}, {6000L, 4000L}}) b->Args({w, h, diffuse});
}
BENCHMARK(BM_DecreaseBpp8)->Apply(DecreaseArgs)->Unit(benchmark::kMillisecond);

void BM_DecreaseBpp4Diffused(benchmark::State& state) {
  RunDepth(state, 24, [](GbImage& im) { return im.DecreaseBpp(4, true); });
}
BENCHMARK(BM_DecreaseBpp4Diffused)->Apply(gbbench::ThreeSizes)->Unit(benchmark::kMillisecond);

void BM_DecreaseBpp1Diffused(benchmark::State& state) {
  RunDepth(state, 24, [](GbImage& im) { return im.DecreaseBpp(1, true); });
}
BENCHMARK(BM_DecreaseBpp1Diffused)->Apply(gbbench::ThreeSizes)->Unit(benchmark::kMillisecond);

void BM_RaiseBpp8To24(benchmark::State& state) {
  RunDepth(state, 8, [](GbImage& im) { return im.RaiseBpp(24); });
}
BENCHMARK(BM_RaiseBpp8To24)->Apply(gbbench::ThreeSizes)->Unit(benchmark::kMillisecond);

void BM_RaiseBpp1To24(benchmark::State& state) {
  RunDepth(state, 1, [](GbImage& im) { return im.RaiseBpp(24); });
}
BENCHMARK(BM_RaiseBpp1To24)->Apply(gbbench::ThreeSizes)->Unit(benchmark::kMillisecond);

// Mixing a same-sized source into the picture; the destination's pixels are
// put back (untimed) before each pass.
void BM_MixWith(benchmark::State& state) {
  const uint32_t w = uint32_t(state.range(0)), h = uint32_t(state.range(1));
  const auto op = GbImage::MixOperation(state.range(2));
  const bool alpha = op == GbImage::MixOperation::AlphaOver;
  const GbImage& original = Picture(w, h);
  GbImage source(original);
  // Different pixels from the destination: the negative.
  for (uint32_t y = 0; y < h; ++y)
    for (uint8_t *p = source.RowBits(y), *e = p + size_t(w) * 3; p < e; ++p) *p = uint8_t(255 - *p);
  if (alpha) source.CopyAlphaFrom(Picture(w, h, 24, true));
  GbImage work(original);
  for (auto _ : state) {
    state.PauseTiming();
    gbbench::RestorePixels(work, original);
    state.ResumeTiming();
    if (!work.MixWith(source, op, 0, 0, alpha)) {
      state.SkipWithError("MixWith refused");
      break;
    }
    benchmark::DoNotOptimize(work.RowBits(0));
  }
  gbbench::CountPixels(state, uint64_t(w) * h);
}
void MixArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "op"});
  using Op = GbImage::MixOperation;
  for (Op op : {Op::Add, Op::Xor, Op::Subtract, Op::AlphaOver, Op::Average, Op::BlendNearBackground})
    for (auto [w, h] : {std::pair{320L, 240L}, {4000L, 3000L}, {6000L, 4000L}}) b->Args({w, h, long(op)});
}
BENCHMARK(BM_MixWith)->Apply(MixArgs)->Unit(benchmark::kMillisecond);

// The sticker's paste: a photo copied in behind a keyed-out frame colour.
void BM_PasteFromKeyed(benchmark::State& state) {
  const uint32_t w = uint32_t(state.range(0)), h = uint32_t(state.range(1));
  const GbImage& original = Picture(w, h);
  GbImage source(original);
  // A 24-bit picture is keyed by an index (any) plus the colour itself.
  source.SetBackgroundIndex(0);
  source.SetBackgroundColor(source.ReadPixelColor(long(w / 2), long(h / 2)));
  GbImage work(original);
  for (auto _ : state) {
    state.PauseTiming();
    gbbench::RestorePixels(work, original);
    state.ResumeTiming();
    work.PasteFrom(source, 0, 0);
    benchmark::DoNotOptimize(work.RowBits(0));
  }
  gbbench::CountPixels(state, uint64_t(w) * h);
}
BENCHMARK(BM_PasteFromKeyed)->Apply(gbbench::ThreeSizes)->Unit(benchmark::kMillisecond);

}  // namespace
