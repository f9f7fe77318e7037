// GbImageRAW: camera raw files, developed by LibRaw.
//
// LibRaw identifies the camera, subtracts the black level, scales the
// colours, demosaics with the interpolation the RAW codec option picks
// (0 linear, 1 VNG, 2 PPG, 3 AHD), handles highlights, converts to RGB and
// turns the picture upright. The 8-bit gamma-corrected result becomes a
// 24-bit image. Raw files cannot be written.
#pragma once

#include "image/codecs/GbImageCodec.h"

class GbImageRAW : public GbImageCodec {
 public:
  GbImageRAW() : GbImageCodec(GB_TYPE_RAW) {}

  bool Encode(GbFile* stream) override;

 protected:
  const char* DecodeStream(GbFile* stream) override;
  const char* NoMemoryText() const override;
};
