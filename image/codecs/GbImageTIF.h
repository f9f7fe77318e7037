// GbImageTIF: TIFF files through libtiff, bound to GbFile streams.
//
// Reads any page (the image's frame field) of a stripped or tiled file.
// RGB, CMYK, YCbCr and LogLuv pages go through libtiff's RGBA reader into
// 24 bits; everything else is read sample by sample into 1, 4, 8 or 24
// bits (palettes, greys of 1 to 32 bits, grey with alpha, CIELab), and the
// Orientation tag is applied afterwards. Writes single pages, appended pages
// and multi-page files; compression follows the image's TIFF codec option
// or, when that is 0, the depth (CCITT G4, LZW with predictor, JPEG).
#pragma once

#include <cstdio>

#include "image/codecs/GbImageCodec.h"

struct tiff;
struct TifPageInfo;

class GbImageTIF : public GbImageCodec {
 public:
  GbImageTIF() : GbImageCodec(GB_TYPE_TIF) {}
  ~GbImageTIF() override;
  GbImageTIF(const GbImageTIF&) = delete;
  GbImageTIF& operator=(const GbImageTIF&) = delete;

  // One page. With append the file stays open on the stream for further
  // pages (which become a multi-page file); it is finished by a later call
  // without append or by destroying the codec, so the stream must outlive
  // the codec in between.
  bool Encode(GbFile* stream) override { return Encode(stream, false); }
  bool Encode(GbFile* stream, bool append);
  bool Encode(std::FILE* handle, bool append = false);
  // count pictures as one multi-page file, pages named "Page 1", "Page 2", ...
  bool Encode(GbFile* stream, GbImage** images, int count);
  bool Encode(std::FILE* handle, GbImage** images, int count);

 protected:
  // Reads the page named by Frame(); FrameCount() becomes the number of
  // pages, also when the page is missing.
  const char* DecodeStream(GbFile* stream) override;

 private:
  // Each returns null on success, else the message for LastError().
  const char* DecodePage(tiff* tif);
  const char* ReadWithRgbaReader(tiff* tif, const TifPageInfo& page);
  // 8-bit contiguous RGB (and alpha), upright, from strips or tiles.
  const char* ReadRgbRows(tiff* tif, const TifPageInfo& page);
  const char* ReadOwn(tiff* tif, const TifPageInfo& page);
  void ApplyOrientation(uint16_t orientation);
  const char* WritePage(tiff* tif);
  void CloseWriter();
  bool TakePageFrom(const GbImage& source);

  tiff* writer_ = nullptr;
  struct TifBinding* writerBinding_ = nullptr;
  GbFile* writerStream_ = nullptr;
  class GbIOFile* ownedFile_ = nullptr;  // wrapper of a C stream being written
  bool multiPage_ = false;
  int pagesWritten_ = 0;
};
