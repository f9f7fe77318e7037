// "convert": decode, apply --op operations in order, encode by the output's
// extension. Nothing is written when any step fails. --all-frames DIR also
// writes every frame of an animation as DIR/<OUT's name>-<n>.<OUT's extension>.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "image/codecs/CodecRegistry.h"
#include "image/codecs/GbImagePNG.h"
#include "image/core/GbImage.h"
#include "image/io/GbMemFile.h"
#include "image/retouch/RetouchRandom.h"
#include "platform/SafeWrite.h"
#include "tools/Cli.h"
#include "tools/CliImageFiles.h"
#include "tools/CliOps.h"

namespace {

constexpr const char* kUsage =
    "IN OUT [--type N] [--frame N] [--quality Q] [--option N] [--op \"Name arg ...\"]... "
    "[--all-frames OUTDIR] [--seed N] [--png-level 0-9] [--png-filter none|sub|up|average|paeth|all]";

// The encoded file in memory; false (message in the image) when encoding fails.
bool encodeToBytes(GbImage& image, uint32_t type, std::string& bytes) {
  GbMemFile memory;
  if (!memory.Open() || !image.Encode(&memory, type)) return false;
  bytes.assign(reinterpret_cast<const char*>(memory.GetBuffer()), size_t(memory.Size()));
  return true;
}

// A resample written in plain numbers, "ResampleInterpolated W H [method
// [overflow [0]]]", which LoadFileShrunk can do while decoding; false for
// any other operation or spelling (those take the usual way).
bool plainShrink(const std::string& op, long& width, long& height, GbImage::InterpolationMethod& method,
                 GbImage::OverflowMethod& overflow) {
  std::string error;
  const std::vector<std::string> words = SplitCliWords(op, error);
  if (!error.empty() || words.size() < 3 || words.size() > 6 || words[0] != "ResampleInterpolated") return false;
  // A whole number from min to max, read as every operation reads its numbers.
  const auto whole = [&words](size_t at, long min, long max, long& value) {
    long double n;
    if (at >= words.size()) return true;  // left out: the default stays
    if (!clio::ParseNumber(words[at], n) || !clio::IsWhole(n) || n < min || n > max) return false;
    value = long(n);
    return true;
  };
  long m = GbImage::kCatmullRom, o = GbImage::kRepeat;
  if (!whole(1, 1, 0x7FFFFFFFL, width) || !whole(2, 1, 0x7FFFFFFFL, height) || !whole(3, 1, GbImage::kPower, m) ||
      !whole(4, 1, GbImage::kMirror, o))
    return false;
  if (words.size() > 5 && words[5] != "0") return false;  // averaging stays on
  method = GbImage::InterpolationMethod(m);
  overflow = GbImage::OverflowMethod(o);
  return true;
}

int runConvert(const CliArgs& args) {
  if (args.positional().size() != 2) {
    std::fprintf(stderr, "usage: glimmerbox-cli convert %s\n", kUsage);
    return 2;
  }
  const std::string in = args.positional()[0], out = args.positional()[1];
  long type = 0, frame = 0, quality = 0, option = 0;
  if (!args.intValue("type", type, CliTypeOfPath(in)) || !args.intValue("frame", frame, 0) ||
      !args.intValue("quality", quality, -1) || !args.intValue("option", option, 0))
    return 2;
  if (args.has("quality") && (quality < 0 || quality > 100)) {
    std::fprintf(stderr, "glimmerbox-cli convert: --quality must be 0 to 100\n");
    return 2;
  }
  if (type < 0 || type >= GB_TYPE_COUNT) {
    std::fprintf(stderr, "glimmerbox-cli convert: --type must be 0 to %d\n", GB_TYPE_COUNT - 1);
    return 2;
  }
  const uint32_t outType = CliTypeOfPath(out);
  if (outType == GB_TYPE_UNKNOWN) {
    std::fprintf(stderr, "glimmerbox-cli convert: cannot tell the format of %s from its extension\n", out.c_str());
    return 2;
  }
  if (!GbHasCodec(outType)) {
    std::fprintf(stderr, "glimmerbox-cli convert: no encoder for .%s in this build\n", CliExtension(out).c_str());
    return 1;
  }

  // Jitter and noise repeat exactly for the same seed.
  long seed = 1;
  if (!args.intValue("seed", seed, 1)) return 2;
  if (seed < 0 || seed > long(UINT32_MAX)) {
    std::fprintf(stderr, "glimmerbox-cli convert: --seed must be 0 to %lu\n", (unsigned long)UINT32_MAX);
    return 2;
  }
  gbretouch::SeedRandom(uint32_t(seed));

  // Batch PNG writing: a faster zlib level or another row filter. Without
  // them PNG files come out exactly as the program writes them.
  long pngLevel = -1;
  if (!args.intValue("png-level", pngLevel, -1)) return 2;
  if (args.has("png-level") && (pngLevel < 0 || pngLevel > 9)) {
    std::fprintf(stderr, "glimmerbox-cli convert: --png-level must be 0 to 9\n");
    return 2;
  }
  int pngFilter = -1;
  if (const std::optional<std::string> name = args.value("png-filter")) {
    static const char* const kNames[] = {"none", "sub", "up", "average", "paeth", "all"};
    for (int i = 0; i < 6; ++i)
      if (*name == kNames[i]) pngFilter = i;
    if (pngFilter < 0) {
      std::fprintf(stderr, "glimmerbox-cli convert: --png-filter must be none, sub, up, average, paeth or all\n");
      return 2;
    }
  }
  GbImagePNG::SetWriteSettings(int(pngLevel), pngFilter);

  GbImage image;
  image.SetFrame(frame);
  const bool progress = CliProgressWanted();
  const std::vector<std::string> ops = args.values("op");
  // A photo that the first operation shrinks is averaged down as it is
  // decoded, never held whole; the same pixels either way.
  size_t opsDone = 0;
  long shrinkWidth = 0, shrinkHeight = 0;
  GbImage::InterpolationMethod method = GbImage::kCatmullRom;
  GbImage::OverflowMethod overflow = GbImage::kRepeat;
  if (!ops.empty() && frame == 0 && !progress && !args.has("all-frames") &&
      plainShrink(ops[0], shrinkWidth, shrinkHeight, method, overflow) &&
      image.LoadFileShrunk(in.c_str(), uint32_t(type), shrinkWidth, shrinkHeight, method, overflow)) {
    opsDone = 1;
  } else if (!image.LoadFile(in.c_str(), uint32_t(type))) {
    std::fprintf(stderr, "glimmerbox-cli convert: %s: %s\n", in.c_str(),
                 *image.LastError() ? CliPlainError(image.LastError()).c_str() : "cannot be read");
    return 1;
  }
  CliReportWarning(image, in);
  auto prepare = [&](GbImage& picture, size_t firstOp) {
    for (size_t n = firstOp; n < ops.size(); ++n) {
      const std::string& op = ops[n];
      std::string message;
      if (!RunCliOp(picture, op, progress, message)) {
        std::fprintf(stderr, "glimmerbox-cli convert: %s\n", message.c_str());
        return false;
      }
    }
    if (args.has("quality")) picture.SetJpegQuality(uint8_t(quality));
    if (args.has("option")) picture.SetCodecOption(uint32_t(option), outType);
    return true;
  };
  if (!prepare(image, opsDone)) return 1;
  const std::optional<std::string> framesDir = args.value("all-frames");
  if (!framesDir) {
    if (!image.SaveFile(out.c_str(), outType)) {
      std::fprintf(stderr, "glimmerbox-cli convert: %s: %s\n", out.c_str(), CliPlainError(image.LastError()).c_str());
      return 1;
    }
    return 0;
  }

  // Every frame: decode again asking for the last one with all frames kept.
  std::vector<std::pair<std::string, std::string>> files(1);
  files[0].first = out;
  if (!encodeToBytes(image, outType, files[0].second)) {
    std::fprintf(stderr, "glimmerbox-cli convert: %s: %s\n", out.c_str(), CliPlainError(image.LastError()).c_str());
    return 1;
  }
  GbImage all;
  all.SetFrame(std::max(0L, image.FrameCount() - 1));
  all.SetRetrieveAllFrames(true);
  if (!all.LoadFile(in.c_str(), uint32_t(type))) {
    std::fprintf(stderr, "glimmerbox-cli convert: %s: %s\n", in.c_str(), CliPlainError(all.LastError()).c_str());
    return 1;
  }
  std::filesystem::path name(out);
  const std::string stem = name.stem().string(), ext = name.extension().string();
  const long count = std::max(1L, all.FrameSlotCount());
  for (long n = 0; n < count; ++n) {
    const GbImage* source = all.FrameSlotCount() ? all.FrameAt(n) : &all;
    if (!source || !source->HasPixels()) continue;
    GbImage frame(*source);
    const std::string path = (std::filesystem::path(*framesDir) / (stem + "-" + std::to_string(n) + ext)).string();
    files.emplace_back(path, std::string());
    if (!prepare(frame, 0)) return 1;
    if (!encodeToBytes(frame, outType, files.back().second)) {
      std::fprintf(stderr, "glimmerbox-cli convert: %s: %s\n", path.c_str(), CliPlainError(frame.LastError()).c_str());
      return 1;
    }
  }
  std::error_code error;
  std::filesystem::create_directories(*framesDir, error);
  for (const auto& [path, bytes] : files)
    if (std::string why; !gbfile::SafeWriteFile(path, bytes, &why)) {
      std::fprintf(stderr, "glimmerbox-cli convert: %s\n", why.c_str());
      return 1;
    }
  return 0;
}

}  // namespace

GB_CLI_COMMAND("convert", "decode a picture, apply operations (--op), encode by the output's extension", kUsage,
               {"type=", "frame=", "quality=", "option=", "op*", "all-frames=", "seed=", "png-level=", "png-filter="},
               runConvert);
