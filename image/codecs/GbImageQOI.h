// GbImageQOI: the "quite OK" lossless format: a 14-byte header (magic
// "qoif", big-endian width and height, 3 or 4 channels, colour space) and a
// stream of one-byte-aligned operations over a running pixel and a 64-entry
// table of recently seen colours, closed by seven 0 bytes and a 1.
// Pictures come out 24-bit, with an alpha plane for 4-channel files; any
// picture is written, with 4 channels when it has alpha or a colour key.
#pragma once

#include "image/codecs/GbImageCodec.h"

class GbImageQOI : public GbImageCodec {
 public:
  GbImageQOI() : GbImageCodec(GB_TYPE_QOI) {}

  bool Encode(GbFile* stream) override;

 protected:
  const char* DecodeStream(GbFile* stream) override;
};
