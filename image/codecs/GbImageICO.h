// GbImageICO: icons and cursors.
//
// Reads any entry (the frame field picks it; the entry count becomes the
// frame count): bitmap entries of 1 to 32 bits with their AND mask, and
// PNG-compressed entries through GbImagePNG. The mask becomes a colour key
// where that loses nothing (a shared masked colour, or an unused palette
// entry), else the alpha plane. Writes one entry: a bitmap with its AND
// mask, or a PNG stream for pictures wider or taller than 255 pixels.
// A bad header or a missing entry fails without a message; an entry whose
// data cannot be read fails with "corrupted ICO".
#pragma once

#include <vector>

#include "image/codecs/GbImageCodec.h"

class GbImageICO : public GbImageCodec {
 public:
  GbImageICO() : GbImageCodec(GB_TYPE_ICO) {}

  bool Encode(GbFile* stream) override;

 protected:
  const char* DecodeStream(GbFile* stream) override;

 private:
  struct Entry {
    uint32_t width = 0, height = 0;  // directory bytes, 0 read as 256
    uint32_t size = 0, offset = 0;
  };
  bool DecodePng(GbFile* stream, int64_t dataStart, const Entry& entry);
  bool DecodeBitmap(GbFile* stream, int64_t dataStart, const Entry& entry);
  void ApplyMask(const std::vector<uint8_t>& mask, bool readable, bool alphaFromFile);
  void InvertColours();
  bool EncodePng(GbFile* stream);
};
