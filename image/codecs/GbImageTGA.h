// GbImageTGA: Truevision Targa files.
//
// Reads colour-mapped, true-colour and grey files, plain or run-length
// encoded, at 8, 15, 16, 24 and 32 bits in any of the four origins; 32-bit
// files (and 16-bit grey with alpha) bring an alpha plane. Writes 8-bit
// images with their palette and 24-bit images, as 32 bits when they have
// an alpha plane.
#pragma once

#include "image/codecs/GbImageCodec.h"

class GbImageTGA : public GbImageCodec {
 public:
  GbImageTGA() : GbImageCodec(GB_TYPE_TGA) {}

  bool Encode(GbFile* stream) override;

 protected:
  const char* DecodeStream(GbFile* stream) override;
};
