// The JPEG reader on arbitrary bytes: the dimension probe, a plain decode and
// one with the decoder options the last byte picks (grey, quantised,
// scaled), then a re-encode of what came out.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzCheck.h"
#include "image/codecs/GbImageJPG.h"
#include "image/io/GbMemFile.h"

using gbfuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > size_t(INT32_MAX)) return 0;
  uint8_t* bytes = const_cast<uint8_t*>(data);  // decoders only read
  {
    GbMemFile stream(bytes, int32_t(size));
    GbImageJPG probe;
    uint32_t width = 0, height = 0;
    if (!probe.ProbeSize(&stream, width, height)) return 0;
    // Big blank pictures (a few bytes can ask for one) only slow the run.
    if (uint64_t(probe.Width()) * probe.Height() > (1u << 22)) return 0;
  }
  const uint8_t pick = data[size - 1];
  for (int pass = 0; pass < 2; ++pass) {
    GbMemFile stream(bytes, int32_t(size));
    GbImageJPG jpg;
    if (pass == 1) {
      uint32_t options = 0;
      if (pick & 1) options |= JPEG_DECODE_GREY;
      if (pick & 2) options |= JPEG_QUANTIZE | ((pick & 4) ? JPEG_ONE_PASS : 0) | ((pick & 8) ? JPEG_DITHER : 0);
      if (pick & 16) options |= JPEG_NO_FANCY_UPSAMPLING;
      jpg.SetCodecOption(options, GB_TYPE_JPG);
      jpg.SetJpegQuality(uint8_t(8 + (pick >> 3)));
      jpg.SetJpegScale(uint8_t(pick >> 5));
    }
    if (!jpg.Decode(&stream)) continue;
    gbfuzz::CheckDecoded(jpg);
    if (pass == 1 || (jpg.BitsPerPixel() != 24 && !jpg.IsGreyScale())) continue;
    // What was decoded encodes, and reads back at the same size.
    GbMemFile out;
    Require(out.Open());
    Require(jpg.Encode(&out));
    GbMemFile in(out.GetBuffer(), out.Size());
    GbImageJPG again;
    Require(again.Decode(&in));
    Require(again.Width() == jpg.Width() && again.Height() == jpg.Height());
  }
  return 0;
}
