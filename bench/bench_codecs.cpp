// Codecs through the dispatch, in memory (no disk in the timing): encode the
// generated picture, and decode bytes encoded once beforehand. Formats are
// picked by type id at run time, so a codec that this build lacks shows as a
// skipped benchmark and starts counting once it is registered.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "bench/BenchPictures.h"
#include "image/codecs/CodecRegistry.h"
#include "image/core/GbImage.h"
#include "image/io/GbMemFile.h"

namespace {

using gbbench::Picture;

struct Encoded {
  uint8_t* bytes = nullptr;  // malloc'ed by the stream
  int32_t size = 0;
  std::string error;
  ~Encoded() { std::free(bytes); }
};

// The formats and the depth each is fed: palette formats get an 8-bit
// picture, the rest true colour.
uint32_t DepthFor(uint32_t type) { return type == GB_TYPE_GIF ? 8 : 24; }

const char* NameOf(uint32_t type) {
  switch (type) {
    case GB_TYPE_BMP: return "BMP";
    case GB_TYPE_GIF: return "GIF";
    case GB_TYPE_JPG: return "JPG";
    case GB_TYPE_PNG: return "PNG";
    case GB_TYPE_TIF: return "TIF";
    case GB_TYPE_TGA: return "TGA";
    case GB_TYPE_PCX: return "PCX";
    default: return "?";
  }
}

bool EncodeOnce(GbImage& image, uint32_t type, Encoded& out) {
  GbMemFile stream;
  if (!stream.Open()) {
    out.error = "no memory for the stream";
    return false;
  }
  if (!image.Encode(&stream, type)) {
    out.error = *image.LastError() ? image.LastError() : "encoding failed";
    return false;
  }
  out.size = stream.Size();
  out.bytes = stream.GetBuffer(true);
  return true;
}

// The encoded form of a picture, made once per format, size and depth.
const Encoded& EncodedPicture(uint32_t type, uint32_t w, uint32_t h, uint32_t bpp) {
  static std::map<std::tuple<uint32_t, uint32_t, uint32_t, uint32_t>, std::unique_ptr<Encoded>> cache;
  auto& slot = cache[{type, w, h, bpp}];
  if (!slot) {
    slot = std::make_unique<Encoded>();
    GbImage work(Picture(w, h, bpp));
    EncodeOnce(work, type, *slot);
  }
  return *slot;
}

bool Available(benchmark::State& state, uint32_t type) {
  if (GbHasCodec(type)) return true;
  state.SkipWithError((std::string(NameOf(type)) + " codec not available yet").c_str());
  return false;
}

void BM_Encode(benchmark::State& state) {
  const uint32_t type = uint32_t(state.range(2));
  if (!Available(state, type)) return;
  const uint32_t w = uint32_t(state.range(0)), h = uint32_t(state.range(1)), bpp = DepthFor(type);
  // Encoders may change their image (palette order, header fields): a copy.
  GbImage work(Picture(w, h, bpp));
  int64_t bytes = 0;
  for (auto _ : state) {
    GbMemFile stream;
    stream.Open();
    if (!work.Encode(&stream, type)) {
      state.SkipWithError(*work.LastError() ? work.LastError() : "encoding failed");
      break;
    }
    bytes = stream.Size();
    benchmark::DoNotOptimize(stream.GetBuffer());
  }
  state.counters["file_bytes"] = double(bytes);
  gbbench::CountPixels(state, uint64_t(w) * h);
}

void BM_Decode(benchmark::State& state) {
  const uint32_t type = uint32_t(state.range(2));
  if (!Available(state, type)) return;
  const uint32_t w = uint32_t(state.range(0)), h = uint32_t(state.range(1));
  const Encoded& encoded = EncodedPicture(type, w, h, DepthFor(type));
  if (!encoded.bytes) {
    state.SkipWithError(("could not encode the input: " + encoded.error).c_str());
    return;
  }
  for (auto _ : state) {
    GbMemFile stream(encoded.bytes, encoded.size);
    GbImage image;
    if (!image.Decode(&stream, type)) {
      state.SkipWithError(*image.LastError() ? image.LastError() : "decoding failed");
      break;
    }
    benchmark::DoNotOptimize(image.RowBits(0));
  }
  state.counters["file_bytes"] = double(encoded.size);
  gbbench::CountPixels(state, uint64_t(w) * h);
}

// Detection by content: what LoadFile does for a file of unknown type.
void BM_DecodeDetected(benchmark::State& state) {
  const uint32_t type = uint32_t(state.range(2));
  if (!Available(state, type)) return;
  const uint32_t w = uint32_t(state.range(0)), h = uint32_t(state.range(1));
  const Encoded& encoded = EncodedPicture(type, w, h, DepthFor(type));
  if (!encoded.bytes) {
    state.SkipWithError(("could not encode the input: " + encoded.error).c_str());
    return;
  }
  for (auto _ : state) {
    GbMemFile stream(encoded.bytes, encoded.size);
    GbImage image;
    if (!image.Decode(&stream, GB_TYPE_UNKNOWN)) {
      state.SkipWithError(*image.LastError() ? image.LastError() : "decoding failed");
      break;
    }
    benchmark::DoNotOptimize(image.RowBits(0));
  }
  gbbench::CountPixels(state, uint64_t(w) * h);
}

void CodecArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "type"});
  for (uint32_t type : {GB_TYPE_BMP, GB_TYPE_GIF, GB_TYPE_PCX, GB_TYPE_TGA, GB_TYPE_JPG, GB_TYPE_PNG, GB_TYPE_TIF})
    for (auto [w, h] : {std::pair{320L, 240L}, {4000L, 3000L}, {6000L, 4000L}}) b->Args({w, h, long(type)});
}
BENCHMARK(BM_Encode)->Apply(CodecArgs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode)->Apply(CodecArgs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeDetected)
    ->ArgNames({"w", "h", "type"})
    ->Args({320, 240, GB_TYPE_BMP})
    ->Args({320, 240, GB_TYPE_GIF})
    ->Args({320, 240, GB_TYPE_PCX})
    ->Args({320, 240, GB_TYPE_TGA})
    ->Args({320, 240, GB_TYPE_JPG})
    ->Unit(benchmark::kMillisecond);

}  // namespace
