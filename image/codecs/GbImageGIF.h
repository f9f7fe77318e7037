// GbImageGIF: GIF87a and GIF89a files, animations included, with the
// codec's own LZW code streams.
//
// Decoding gives the requested frame composed over the earlier ones on the
// logical screen (disposal methods 0 to 3), or, for animations of small
// frames without a global table, all frames painted on a 24-bit canvas.
// Encoding writes palette images as one frame, 24-bit images as a mosaic
// of 17 x 15 tiles with their own tables (lossless), and images owning
// frames as an animation. The codec option chooses the code streams:
// 0 LZW, 1 uncompressed, 2 run-length.
#pragma once

#include <cstdio>
#include <vector>

#include "image/codecs/GbImageCodec.h"

class GbImageGIF : public GbImageCodec {
 public:
  GbImageGIF();

  bool Encode(GbFile* stream) override;
  bool Encode(std::FILE* handle);
  // An animation of count palette images; the first gives the global
  // table. Local tables (frames after the first) and each frame's own
  // disposal method on request; otherwise this image's disposal method.
  bool Encode(GbFile* stream, GbImage** images, long count, bool localColorTables = false,
              bool localDisposalMethods = false);
  bool Encode(std::FILE* handle, GbImage** images, long count, bool localColorTables = false,
              bool localDisposalMethods = false);

  // Comment extension text, at most 255 characters.
  void SetComment(const char* text);
  const char* Comment() const { return comment_; }
  // Number of times an animation plays: 0 endlessly; 1 once (no loop
  // extension is written). A file's loop extension value v (repeats)
  // reads back as v + 1, or 0 for endless.
  void SetLoops(long loops) { loops_ = loops; }
  long Loops() const { return loops_; }

 protected:
  const char* DecodeStream(GbFile* stream) override;

 private:
  struct Control {
    bool transparent = false;
    uint8_t index = 0;  // transparent index byte as stored
    uint16_t delay = 0;
    uint8_t disposal = 0;
    bool seen = false;
  };
  struct Scan;

  bool ReadExtension(GbFile* f, Control& control);
  bool ScanFrames(GbFile* f, Scan& scan);
  bool DecodeFrames(GbFile* f, Scan& scan);
  bool ReadFramePixels(GbFile* f, GbImage& frame, bool interlaced, uint8_t fill, std::vector<uint32_t>& rowOrder);
  bool NoFrameOnTheScreen(const Scan& scan);

  bool EncodeSingle(GbFile* f);
  bool EncodeMosaic(GbFile* f);
  bool WriteFrameData(GbFile* f, GbImage& image, uint32_t mode);

  char comment_[256] = {};
  long loops_ = 0;
};
