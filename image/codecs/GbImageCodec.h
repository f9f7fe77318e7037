// GbImageCodec: the base of every codec class (GbImageBMP ... GbImageRAW).
//
// A codec is an image that knows one file format. The dispatch builds one,
// lets it decode into itself (then takes its pixels over) or lends it the
// image to encode (GbImageLoan).
//
// Adding a codec: write image/codecs/GbImageXXX.h/.cpp with a class derived
// from GbImageCodec, put GB_CODEC_FACTORY(GbImageXXX) in the .cpp, and add
// one line GB_CODEC(GbImageXXX, <type ids>) to image/codecs/CodecList.inc.
#pragma once

#include <cstdint>
#include <new>

#include "image/core/GbImage.h"
#include "image/io/GbFile.h"

class GbImageCodec : public GbImage {
 public:
  explicit GbImageCodec(uint32_t type) : GbImage(type) {}
  virtual ~GbImageCodec() = default;

  // Codec contract: false with LastError() set on failure; never throws.
  // Encode starts with CheckEncodable(stream). The dispatch calls this
  // one-argument Encode: for codecs with append or multi-page forms it means
  // a single image, append off (and page count 0 for icons).
  virtual bool Decode(GbFile* stream) = 0;
  virtual bool Encode(GbFile* stream) = 0;

  // Classes serving several type ids learn the one asked for (0 while the
  // dispatch is detecting the format: the codec then finds the variant).
  virtual void SelectType(uint32_t type) { (void)type; }
};

// Factory of a codec class, referred to by its line in CodecList.inc.
#define GB_CODEC_FACTORY(cls) \
  GbImageCodec* GbNewCodec_##cls() { return new (std::nothrow) cls(); }
