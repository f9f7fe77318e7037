// GbImageCodec: the base of every codec class (GbImageBMP, GbImageGIF, ...).
//
// A codec is an image that knows one file format. The dispatch builds one,
// lets it decode into itself (then takes its pixels over) or lends it the
// image to encode (GbImageLoan).
//
// Adding a codec: write image/codecs/GbImageXXX.h/.cpp with a class derived
// from GbImageCodec that overrides DecodeStream and Encode, put
// GB_CODEC_FACTORY(GbImageXXX) in the .cpp, and add its lines to
// image/codecs/CodecList.inc (detection place, type ids, extensions, fuzz
// target); give it a fuzz target and a case in the huge-header test.
#pragma once

#include <cstdint>
#include <cstdio>
#include <new>

#include "image/core/GbImage.h"
#include "image/io/GbFile.h"

class GbImageCodec : public GbImage {
 public:
  explicit GbImageCodec(uint32_t type) : GbImage(type) {}
  virtual ~GbImageCodec() = default;

  // Codec contract: false with LastError() set on failure; never throws.
  // Decode reads the picture at the stream's position: the frame Frame()
  // names, with the codec options and settings this image carries. A frame
  // past the last fails with FrameCount() set and no message of its own (the
  // dispatch names the count).
  bool Decode(GbFile* stream);
  bool Decode(std::FILE* handle);  // wraps the handle, does not close it
  // Reads no more than the header: the size of the picture Decode would
  // give, without pixels. Width() and Height() tell it too afterwards.
  bool ProbeSize(GbFile* stream, uint32_t& width, uint32_t& height);

  // Encode starts with CheckEncodable(stream). The dispatch calls this
  // one-argument Encode: for codecs with append or multi-page forms it means
  // a single image, append off (and page count 0 for icons).
  virtual bool Encode(GbFile* stream) = 0;

  // Classes serving several type ids learn the one asked for (0 while the
  // dispatch is detecting the format: the codec then finds the variant).
  virtual void SelectType(uint32_t type) { (void)type; }

 protected:
  // The codec's own reading, on a stream that is never null: null on
  // success, else the message for LastError() (LastError() itself when it is
  // already in place, as Create leaves it). May throw std::bad_alloc.
  virtual const char* DecodeStream(GbFile* stream) = 0;
  // The message for an allocation that threw while decoding.
  // The messages for an allocation, or anything else, that threw while
  // decoding.
  virtual const char* NoMemoryText() const { return "not enough memory to decode the picture"; }
  virtual const char* FailureText() const { return "the picture cannot be decoded"; }

  // True while ProbeSize runs: DecodeStream stops once it knows the size and
  // returns SizeFound(...).
  bool Probing() const { return probing_; }
  const char* SizeFound(uint32_t width, uint32_t height, uint32_t type);
  // Sets FrameCount() to count; true when the frame asked for is among them.
  bool SelectFrame(long count);

 private:
  bool probing_ = false;
};

// Factory of a codec class, referred to by its line in CodecList.inc.
#define GB_CODEC_FACTORY(cls) \
  GbImageCodec* GbNewCodec_##cls() { return new (std::nothrow) cls(); }
