// --op table: the retouching operations and the circle transforms. A kernel
// or a 256-entry table is written as comma-separated integers.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/CliOps.h"

namespace {

// "1,2,-3" into whole numbers within lowest..highest; false with a message.
bool ParseList(const std::string& text, long long lowest, long long highest, std::vector<int32_t>& out,
               std::string& error) {
  out.clear();
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    const std::string word = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    long double n;
    if (!clio::ParseNumber(word, n) || !clio::IsWhole(n) || n < lowest || n > highest) {
      error = "expects comma-separated whole numbers " + std::to_string(lowest) + " to " + std::to_string(highest) +
              ", not \"" + word + "\"";
      return false;
    }
    out.push_back(int32_t(n));
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

bool Refuse(GbImage& im, const std::string& message) {
  im.SetLastError(message.c_str());
  return false;
}

bool Convolve(GbImage& im, const std::string& kernel, long ksize, int32_t factor, int32_t offset) {
  std::vector<int32_t> entries;
  std::string error;
  if (!ParseList(kernel, INT32_MIN, INT32_MAX, entries, error)) return Refuse(im, "kernel " + error);
  if (ksize < 1) return im.ConvolveKernel(entries.data(), ksize, factor, offset);  // the engine says why
  if (ksize > 4096 || entries.size() != size_t(ksize) * size_t(ksize))
    return Refuse(im, "the kernel has " + std::to_string(entries.size()) + " entries, not " + std::to_string(ksize) +
                          " x " + std::to_string(ksize));
  return im.ConvolveKernel(entries.data(), ksize, factor, offset);
}

bool MapTable(GbImage& im, const std::string& table) {
  std::vector<int32_t> entries;
  std::string error;
  if (!ParseList(table, 0, 255, entries, error)) return Refuse(im, "table " + error);
  if (entries.size() != 256) return Refuse(im, "the table has " + std::to_string(entries.size()) + " entries, not 256");
  uint8_t bytes[256];
  for (size_t i = 0; i < 256; ++i) bytes[i] = uint8_t(entries[i]);
  return im.MapThroughTable(bytes);
}

}  // namespace

// clang-format off
GB_CLI_OPS(
    MakeCliOp("ConvolveKernel", Convolve, "kernel ksize factor offset"),
    GB_OP(MinimumFilter, "ksize"),
    GB_OP(MaximumFilter, "ksize"),
    GB_OP(RangeEdge, "ksize"),
    GB_OP(MedianFilter, "ksize"),
    GB_OP(ContourLines, ""),
    GB_OP(ScatterPixels, "radius"),
    GB_OP(AddRandomNoise, "level"),
    GB_OP(GaussianSmooth, "radius dest"),
    GB_OP(EdgePreservingBlur, "radius threshold dest"),
    GB_OP(UnsharpSharpen, "radius amount threshold"),
    GB_OP(InvertColours, ""),
    GB_OP(BinarizeAtLevel, "level"),
    GB_OP(GammaCorrect, "gamma"),
    MakeCliOp("MapThroughTable", MapTable, "table"),
    GB_OP(RainbowPalette, "correction"),
    GB_OP(RadialWarp, "kind rmax=0 koeff=100"),
);
// clang-format on
