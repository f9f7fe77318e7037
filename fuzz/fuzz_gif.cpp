// The GIF reader on arbitrary bytes: the dimension probe, frames 0 and 1,
// all frames kept, then a round trip of frame 0 through the writer in the
// code-stream mode the size picks. GIF is lossless: every colour returns.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzCheck.h"
#include "image/codecs/GbImageGIF.h"
#include "image/io/GbMemFile.h"

using gbfuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > size_t(INT32_MAX)) return 0;
  uint8_t* bytes = const_cast<uint8_t*>(data);  // decoders only read
  {
    GbMemFile stream(bytes, int32_t(size));
    GbImageGIF probe;
    uint32_t width = 0, height = 0;
    if (!probe.ProbeSize(&stream, width, height)) return 0;
    // A screen of 0 x 0 takes the first frame's size, so both are bounded.
    if (uint64_t(probe.Width()) * probe.Height() > (1u << 20)) return 0;
  }
  for (long frame = 0; frame < 3; ++frame) {
    GbMemFile stream(bytes, int32_t(size));
    GbImageGIF gif;
    gif.SetFrame(frame == 2 ? 3 : frame);
    gif.SetRetrieveAllFrames(frame == 2);
    if (!gif.Decode(&stream)) continue;
    gbfuzz::CheckDecoded(gif);
    for (long n = 0; n < gif.FrameSlotCount(); ++n)
      if (const GbImage* kept = gif.FrameAt(n)) gbfuzz::CheckDecoded(*kept);
    if (frame != 0 || uint64_t(gif.Width()) * gif.Height() > (1u << 16)) continue;

    gif.SetCodecOption(uint32_t(size % 3), GB_TYPE_GIF);
    GbMemFile out;
    Require(out.Open());
    Require(gif.Encode(&out));
    GbMemFile in(out.GetBuffer(), out.Size());
    GbImageGIF again;
    Require(again.Decode(&in));
    // A mosaic may come back as its last tile composed.
    again.SetFrame(again.FrameCount() - 1);
    in.Seek(0, GB_SEEK_SET);
    Require(again.Decode(&in));
    Require(again.Width() == gif.Width() && again.Height() == gif.Height());
    for (long y = 0; y < long(gif.Height()); ++y)
      for (long x = 0; x < long(gif.Width()); ++x) {
        const RGBQUAD p = gif.ReadPixelColor(x, y, false), q = again.ReadPixelColor(x, y, false);
        Require(p.rgbRed == q.rgbRed && p.rgbGreen == q.rgbGreen && p.rgbBlue == q.rgbBlue);
      }
  }
  return 0;
}
