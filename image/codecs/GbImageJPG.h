// GbImageJPG: JPEG files through libjpeg (6b interface).
//
// Decoding reads the marker sections first with GbExifInfo, so the
// resolution comes from EXIF when the file has it, else from JFIF. Grey
// files (or grey output) become 8-bit grey-palette images, colour and CMYK
// files 24-bit images; colour quantisation gives a palette image. Encoding
// takes 24-bit images and 8-bit grey-ramp images.
#pragma once

#include <cstdio>
#include <memory>

#include "image/codecs/GbExifInfo.h"
#include "image/codecs/GbImageCodec.h"

// Bits of the codec option word for type 3.
enum JpegOption : uint32_t {
  JPEG_FORCE_BASELINE = 0x0001,  // encode
  JPEG_ARITHMETIC = 0x0002,      // encode
  JPEG_GREYSCALE = 0x0004,       // encode a one-component file
  JPEG_OPTIMIZE = 0x0008,        // encode: optimised Huffman tables
  JPEG_PROGRESSIVE = 0x0010,     // encode
  JPEG_SMOOTHING = 0x0040,       // encode: smoothing factor SmoothingFactor()
  JPEG_DECODE_GREY = 0x0080,     // decode to grey
  JPEG_QUANTIZE = 0x0100,        // decode to JpegQuality() colours
  JPEG_DITHER = 0x0200,          // decode: dither mode DitherMode()
  JPEG_ONE_PASS = 0x0400,        // decode: one-pass quantisation
  JPEG_NO_FANCY_UPSAMPLING = 0x0800,
  JPEG_SUBSAMPLE_422 = 0x1000,  // encode: chroma 2x1
  JPEG_SUBSAMPLE_444 = 0x2000,  // encode: no chroma subsampling
};

// Takes a colour picture from the decoder row by row instead of the decoder
// keeping it whole.
class GbRowSink {
 public:
  virtual ~GbRowSink() = default;
  // The picture is width x height at 24 bits; false declines it, and the
  // decode stops there and fails.
  virtual bool Begin(uint32_t width, uint32_t height) = 0;
  // Row `row`, numbered bottom-up as RowBits numbers them, in blue, green,
  // red order. Rows come from the top row down.
  virtual void Row(uint32_t row, const uint8_t* pixels) = 0;
};

class GbImageJPG : public GbImageCodec {
 public:
  GbImageJPG();
  ~GbImageJPG() override;

  bool Encode(GbFile* stream) override;
  bool Encode(std::FILE* handle);

  // Reads the sections up to the start of scan and returns whether the file
  // holds a usable EXIF block; the stream is left where it was.
  bool DecodeExif(GbFile* stream);
  bool DecodeExif(std::FILE* handle);

  const ExifRecord& Exif() const { return exif_; }
  const GbExifInfo* ExifReader() const { return reader_.get(); }

  // libjpeg's smoothing factor (1..100) for option 0x0040 and its dither
  // mode (0 none, 1 ordered, 2 Floyd-Steinberg) for option 0x0200.
  int SmoothingFactor() const { return smoothing_; }
  void SetSmoothingFactor(int factor) { smoothing_ = factor; }
  int DitherMode() const { return dither_; }
  void SetDitherMode(int mode) { dither_ = mode; }

  // With a sink, a decode that gives a 24-bit picture hands its rows to the
  // sink and keeps no pixels: afterwards this image has the picture's
  // settings, type and resolution (and any warning) but no pixel block. Any
  // other picture fails the decode without being read, and so does a file
  // that ends before its last row. Null (the default): decode as usual.
  void SetRowSink(GbRowSink* sink) { sink_ = sink; }

 protected:
  const char* DecodeStream(GbFile* stream) override;

 private:
  bool ReadJpeg(GbFile* stream);
  bool EncodeStream(GbFile* stream);
  void TakeResolution(int densityUnit, int xDensity, int yDensity);

  std::unique_ptr<GbExifInfo> reader_;
  ExifRecord exif_;
  int smoothing_ = 25;
  int dither_ = 1;
  GbRowSink* sink_ = nullptr;
};
