// GbImageBMP: Windows bitmap files.
//
// Reads 1, 4, 8, 16, 24 and 32 bits; uncompressed, RLE8, RLE4 and bit
// fields; the old 12-byte header, the 40-byte header and its longer
// successors; headerless packed bitmaps; top-down rows. 16- and 32-bit
// files become 24-bit images, 32-bit uncompressed files also get an alpha
// plane. Writes the packed buffer behind a file header, or a 32-bit file
// when a 24-bit image has an alpha plane.
#pragma once

#include "image/codecs/GbImageCodec.h"

class GbImageBMP : public GbImageCodec {
 public:
  GbImageBMP() : GbImageCodec(GB_TYPE_BMP) {}

  bool Encode(GbFile* stream) override;

 protected:
  const char* DecodeStream(GbFile* stream) override;

 private:
  // Each returns null on success, else the message for LastError().
  const char* ReadBitFields16(GbFile* stream, const uint32_t masks[3]);
  const char* ReadBitFields32(GbFile* stream, const uint32_t masks[3], bool withAlpha);
  // False when the stream ended before the rows did.
  bool DecodeRle(GbFile* stream, bool fourBits);
  // Bytes that pad the last row; a file may leave them out.
  size_t LastRowPadding() const;
  bool FlipRowsAndAlpha();
};
