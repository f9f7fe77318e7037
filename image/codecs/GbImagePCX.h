// GbImagePCX: ZSoft PCX files.
//
// Reads 1, 2, 4 and 8 bits in one plane, 1 bit in up to 4 planes and 8 bits
// in 3 or 4 planes (24 bits, the fourth plane as alpha). Writes 1- and 4-bit
// images as bit planes, 8-bit images with a 256-colour palette and 24-bit
// images as 3 planes (4 with an alpha plane).
#pragma once

#include "image/codecs/GbImageCodec.h"

class GbImagePCX : public GbImageCodec {
 public:
  GbImagePCX() : GbImageCodec(GB_TYPE_PCX) {}

  bool Encode(GbFile* stream) override;

 protected:
  const char* DecodeStream(GbFile* stream) override;

 private:
  // Null on success, else the message for LastError().
  const char* EncodeStream(GbFile* stream);
};
