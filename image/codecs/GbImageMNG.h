// GbImageMNG: MNG animations and JNG pictures through libmng.
//
// Decoding plays the stream frame by frame onto a canvas, counting the
// frames (an endless animation is counted once round) and keeping the one
// the frame field asks for, as a 24-bit image with an alpha plane. A
// background colour in the stream becomes the colour key. Encoding writes
// a 24-bit image as a one-frame MNG.
#pragma once

#include "image/codecs/GbImageCodec.h"

class GbImageMNG : public GbImageCodec {
 public:
  GbImageMNG() : GbImageCodec(GB_TYPE_MNG) {}

  bool Encode(GbFile* stream) override;

 protected:
  const char* DecodeStream(GbFile* stream) override;
  const char* NoMemoryText() const override;

 private:
  const char* EncodeStream(GbFile* stream);
};
