// GbImageJAS: the JPEG-2000 family (JP2 files and J2K code streams, through
// OpenJPEG) and the three small formats beside it, PGX, PNM (PBM, PGM, PPM)
// and Sun raster, read and written in-house.
//
// Decoding finds the format from the bytes (the type id follows from it).
// Three components of one size and precision make a 24-bit image; anything
// else is one grey image per component, chosen by the frame field. Samples
// deeper than 8 bits keep their top 8 bits. Encoding writes 24-bit and
// identity-grey images as the variant the type id names (PGX grey only);
// JPEG 2000 takes its rate from the JPEG quality.
#pragma once

#include "image/codecs/GbImageCodec.h"

namespace jas {
struct Picture;
}

class GbImageJAS : public GbImageCodec {
 public:
  GbImageJAS() : GbImageCodec(GB_TYPE_JP2) {}

  bool Encode(GbFile* stream) override;
  // The variant to write (11 JP2, 12 JPC, 13 PGX, 14 PNM, 15 RAS); 0 while
  // detecting. Decoding always finds the variant from the bytes.
  void SelectType(uint32_t type) override { variant_ = type; }

 protected:
  const char* DecodeStream(GbFile* stream) override;
  const char* NoMemoryText() const override;
  const char* FailureText() const override;

 private:
  const char* FromColourComponents(jas::Picture& picture, uint32_t type);
  const char* FromPicture(jas::Picture& picture, uint32_t type);
  const char* EncodeStream(GbFile* stream);

  uint32_t variant_ = GB_TYPE_JP2;
};
