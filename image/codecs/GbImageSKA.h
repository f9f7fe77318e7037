// GbImageSKA: SKA pictures, 256-colour palette and one index byte per
// pixel, top row first. Reads into 8-bit images; writes images of 8 bits
// or less (1- and 4-bit images as their 8-bit equivalent).
#pragma once

#include "image/codecs/GbImageCodec.h"

class GbImageSKA : public GbImageCodec {
 public:
  GbImageSKA() : GbImageCodec(GB_TYPE_SKA) {}

  bool Encode(GbFile* stream) override;

 protected:
  const char* DecodeStream(GbFile* stream) override;
};
