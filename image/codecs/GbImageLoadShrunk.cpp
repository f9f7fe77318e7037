// GbImage::LoadFileShrunk: a photo shrunk to a small size on its way in.
//
// LoadFile followed by ResampleInterpolated holds the whole decoded picture
// (72 MB for a 24-megapixel photo) to average it down to a few hundred
// pixels. Area averaging only ever needs the source rows of the result row
// it is finishing, so the decoder hands its rows to the averaging as they
// come and the picture is never held whole. Wherever that is not exactly
// the same computation, the caller is told to take the usual way.
#include <cstring>

#include "image/codecs/CodecRegistry.h"
#include "image/codecs/GbImageJPG.h"
#include "image/core/GbImage.h"
#include "image/io/GbIOFile.h"
#include "image/transform/AreaShrink.h"
#include "image/transform/Sampler.h"
#include "image/transform/TransformSupport.h"

namespace {

class ShrinkSink : public GbRowSink {
 public:
  ShrinkSink(long width, long height, const gbtransform::Sampler& edges)
      : width_(width), height_(height), edges_(edges) {}
  bool Begin(uint32_t width, uint32_t height) override {
    return shrink_.Start(long(width), long(height), width_, height_, edges_);
  }
  void Row(uint32_t row, const uint8_t* pixels) override { shrink_.AddSourceRow(long(row), pixels); }
  const gbtransform::AreaShrink24& Shrink() const { return shrink_; }

 private:
  long width_, height_;
  const gbtransform::Sampler& edges_;
  gbtransform::AreaShrink24 shrink_;
};

}  // namespace

bool GbImage::LoadFileShrunk(const char* path, uint32_t type, long newWidth, long newHeight, InterpolationMethod method,
                             OverflowMethod overflow) {
  if (!path || type != GB_TYPE_JPG || !GbHasCodec(GB_TYPE_JPG)) return false;
  if (newWidth <= 0 || newHeight <= 0 || newWidth > 0x7FFFFFFFL || newHeight > 0x7FFFFFFFL) return false;
  GbIOFile file;
  if (!file.Open(path, "rb")) return false;

  // The decoder starts from this image's settings, as LoadFile's does.
  GbImageJPG decoded;
  decoded.CopySettingsFrom(*this);
  decoded.ClearWarning();
  decoded.SetEscape(Escape());
  decoded.SetProgress(0);
  // What areas reaching past the edges read depends on the overflow method
  // and the settings (the background colour), which decoding leaves alone:
  // a one-pixel stand-in of the decoded picture answers for it.
  GbImage standIn;
  standIn.CopySettingsFrom(decoded);
  if (!standIn.Create(1, 1, 24, GB_TYPE_JPG)) return false;
  const gbtransform::Sampler edges(standIn, method, overflow, kReplacementWhite);
  ShrinkSink sink(newWidth, newHeight, edges);
  decoded.SetRowSink(&sink);
  if (!decoded.Decode(&file) || !sink.Shrink().Finished()) return false;

  // The decoded image has the picture's settings and no pixels; the result
  // is made from it exactly as the resample makes its result from the
  // whole picture.
  GbImage out;
  if (!gbtransform::StartResult(decoded, out, uint32_t(newWidth), uint32_t(newHeight), 24)) return false;
  for (long y = 0; y < newHeight; ++y)
    std::memcpy(out.RowBits(uint32_t(y)), sink.Shrink().ResultRow(y), size_t(newWidth) * 3);
  return gbtransform::Commit(*this, nullptr, out);
}
