// GbImageWBMP: wireless bitmaps (type 0, one bit per pixel, 1 = white).
// Reads into a 1-bit image with the grey palette; writes 1-bit images only.
#pragma once

#include "image/codecs/GbImageCodec.h"

class GbImageWBMP : public GbImageCodec {
 public:
  GbImageWBMP() : GbImageCodec(GB_TYPE_WBMP) {}

  bool Encode(GbFile* stream) override;

 protected:
  const char* DecodeStream(GbFile* stream) override;
};
