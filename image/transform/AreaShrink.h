// Area averaging of a 24-bit picture shrunk in both axes, fed one source row
// at a time the way a decoder delivers it (top row first). Each source row is
// reduced at once to its weighted sums per result column; only the sums that
// unfinished result rows still need are kept. The result rows are exactly
// those GbImage::ResampleInterpolated computes from the whole picture: the
// same sums, added in the same order, with the same rounding.
#pragma once

#include <cstdint>
#include <memory>

#include "image/transform/Sampler.h"

namespace gbtransform {

class AreaShrink24 {
 public:
  AreaShrink24();
  ~AreaShrink24();
  AreaShrink24(const AreaShrink24&) = delete;
  AreaShrink24& operator=(const AreaShrink24&) = delete;

  // Plans sourceWidth x sourceHeight -> width x height. edges is a sampler
  // of any 24-bit image without alpha that carries the picture's settings,
  // with the overflow method of the resample: it tells what areas reaching
  // past an edge read. False when the whole-picture resample does not
  // average areas (no shrink in both axes), when edge rows fold from far
  // away (wrapping), or when memory runs out.
  bool Start(long sourceWidth, long sourceHeight, long width, long height, const Sampler& edges) noexcept;

  // Source row `row`, numbered bottom-up as GbImage::RowBits numbers them,
  // in blue, green, red order. Rows must come from the top row down, each
  // once; anything else makes the shrink fail.
  void AddSourceRow(long row, const uint8_t* pixels) noexcept;

  // Every source row came in order and every result row is done.
  bool Finished() const;
  // Result row y (bottom-up) as width x 3 bytes, once Finished().
  const uint8_t* ResultRow(long y) const;

 private:
  struct Plan;
  std::unique_ptr<Plan> plan_;
};

}  // namespace gbtransform
