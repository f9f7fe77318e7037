// GbImagePNG: PNG files through libpng and zlib.
//
// Grey files become grey-palette images (2-bit samples widened to 4 bits),
// palette files palette images, colour files 24-bit images; an alpha channel
// becomes the alpha plane and 16-bit samples keep their high byte. tRNS
// becomes the background index or colour, or palette alpha. The codec option
// (1 = Adam7) records and chooses interlacing.
#pragma once

#include <atomic>
#include <cstdio>
#include <vector>

#include "image/codecs/GbImageCodec.h"

class GbImagePNG : public GbImageCodec {
 public:
  GbImagePNG() : GbImageCodec(GB_TYPE_PNG) {}

  bool Encode(GbFile* stream) override;
  bool Encode(std::FILE* handle);

  // Batch tools can trade file size for speed: a zlib level 0..9 and a row
  // filter for every file this process writes. -1 (the default) leaves
  // zlib's and libpng's own choice, which is what the program writes.
  // Filter: 0 none, 1 sub, 2 up, 3 average, 4 Paeth, 5 adaptive (all five).
  static void SetWriteSettings(int level, int filter);

 protected:
  const char* DecodeStream(GbFile* stream) override;

 private:
  // The parts that run under libpng's error jump; buffers live in the caller.
  bool DecodeRows(struct png_struct_def* png, struct png_info_def* info, std::vector<uint8_t>& row);
  bool EncodeRows(struct png_struct_def* png, struct png_info_def* info, std::vector<uint8_t>& row,
                  std::vector<uint8_t>& table);
  void TakeTransparency(struct png_struct_def* png, struct png_info_def* info, int colorType, int depth);

  int32_t start_ = 0;  // stream position of the signature being decoded
};
