// GbImageWMF: Windows metafiles with a placeable header, and enhanced
// metafiles, rendered onto a white bitmap by the program's own record
// player (image/codecs/Meta*). The size comes from the placeable header's
// bounding box at the screen's resolution, or from an enhanced metafile's
// bounds; sides above 4000 pixels are scaled down. Metafiles cannot be
// written.
#pragma once

#include "image/codecs/GbImageCodec.h"

class GbImageWMF : public GbImageCodec {
 public:
  GbImageWMF() : GbImageCodec(GB_TYPE_WMF) {}

  using GbImageCodec::Decode;
  // Non-zero requested sides replace the file's size.
  bool Decode(GbFile* stream, uint32_t requestedWidth, uint32_t requestedHeight);
  bool Encode(GbFile* stream) override;

  static constexpr uint32_t kMaxSide = 4000;

 protected:
  const char* DecodeStream(GbFile* stream) override;
  const char* NoMemoryText() const override;

 private:
  uint32_t requestedWidth_ = 0, requestedHeight_ = 0;  // for the decode under way
};
