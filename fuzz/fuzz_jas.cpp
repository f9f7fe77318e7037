// The JPEG-2000 family reader (JP2, J2K, PGX, PNM, Sun raster, told apart
// by their bytes) on arbitrary input, for every component the input offers,
// then a round trip through the in-house writers of what it decoded.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzCheck.h"
#include "image/codecs/GbImageJAS.h"
#include "image/io/GbMemFile.h"

using gbfuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > size_t(INT32_MAX)) return 0;
  {
    GbMemFile stream(const_cast<uint8_t*>(data), int32_t(size));
    GbImageJAS probe;
    probe.SelectType(0);
    uint32_t width = 0, height = 0;
    if (probe.ProbeSize(&stream, width, height)) Require(!probe.HasPixels());
  }
  GbMemFile stream(const_cast<uint8_t*>(data), int32_t(size));
  GbImageJAS jas;
  jas.SelectType(0);
  if (!jas.Decode(&stream)) return 0;
  gbfuzz::CheckDecoded(jas);
  // Later components of a grey picture are frames of their own.
  if (jas.FrameCount() > 1) {
    GbMemFile again(const_cast<uint8_t*>(data), int32_t(size));
    GbImageJAS last;
    last.SelectType(0);
    last.SetFrame(jas.FrameCount() - 1);
    if (last.Decode(&again)) gbfuzz::CheckDecoded(last);
  }
  if (uint64_t(jas.Width()) * jas.Height() > (1u << 20)) return 0;
  if (jas.BitsPerPixel() != 24 && !jas.IsGreyScale()) return 0;
  // The small formats are lossless: what is written reads back the same.
  for (uint32_t type : {GB_TYPE_PNM, GB_TYPE_RAS, GB_TYPE_PGX}) {
    if (type == GB_TYPE_PGX && jas.BitsPerPixel() == 24) continue;
    GbMemFile out;
    Require(out.Open());
    GbImageJAS writer;
    {
      GbImageLoan loan(jas, writer);
      writer.SelectType(type);
      Require(writer.Encode(&out));
    }
    GbMemFile in(out.GetBuffer(), out.Size());
    GbImageJAS back;
    back.SelectType(0);
    Require(back.Decode(&in));
    Require(back.Width() == jas.Width() && back.Height() == jas.Height());
    for (long y = 0; y < long(jas.Height()); ++y)
      for (long x = 0; x < long(jas.Width()); ++x) {
        const RGBQUAD p = jas.ReadPixelColor(x, y, false), q = back.ReadPixelColor(x, y, false);
        Require(p.rgbRed == q.rgbRed && p.rgbGreen == q.rgbGreen && p.rgbBlue == q.rgbBlue);
      }
  }
  return 0;
}
