// FxDibEffect: the effects of the effects engine. Each works on the whole
// image in place and keeps no history; an effect that needs the unchanged
// pixels works from a temporary copy. An effect whose requirement on the
// image or its arguments fails leaves the image alone and returns false.
//
// Percentages p are first turned into f = trunc(p * 128 / 100), so that
// 100 percent is f = 128. A null ProgressSink means the image's own counter.
#pragma once

#include "retouch/engine/FxDib.h"

class FxDibEffect : public FxDib {
 public:
  FxDibEffect() = default;
  ~FxDibEffect() override;

  // Quarter turns (8 bits or more).
  bool TurnLeft();
  bool TurnRight();
  // Clockwise turn by 1..89 degrees onto a larger black canvas.
  bool RotateByAngle(int degrees);

  // Colour scaling (not 16 bits; images of 8 bits or less change their
  // palette). Mode 0 multiplies by the percentage; any other mode adds the
  // percentage to every colour value with saturation.
  bool ScaleBrightness(int percent, int mode = 0, ProgressSink* progress = nullptr);
  bool ScaleContrast(int percent, ProgressSink* progress = nullptr);
  bool ScaleHueSaturation(int huePercent, int saturationPercent, ProgressSink* progress = nullptr);
  bool ShiftChannels(int red, int green, int blue, ProgressSink* progress = nullptr);

  // Filters (24 bits or more, except StripeWave: 8 bits or more).
  bool MosaicBlocks(int blockSize, ProgressSink* progress = nullptr);
  bool EmbossGrey(int level, int unused = 16, ProgressSink* progress = nullptr);
  bool SharpenAlongRows(int level, ProgressSink* progress = nullptr);
  // direction 8 smears rightwards, 16 leftwards; even gives every row the
  // full strength, otherwise rows get random lengths from rand().
  bool WindSmear(int strength, int direction, bool even, ProgressSink* progress = nullptr);
  bool StripeWave(int swing, int frequency, ProgressSink* progress = nullptr);

  // Blends source over this image with its top-left corner at (x, y), top-down
  // coordinates. Opacity 255 copies, 0 keeps; other values are not limited
  // and the results are clamped.
  bool LayerBlend(const FxDib& source, int opacity, int x, int y);

  static constexpr int kWindRight = 8;
  static constexpr int kWindLeft = 16;

 private:
  // Maps every colour value through one table per channel (blue, green, red).
  void ApplyChannelTables(const uint8_t (&tables)[3][256], ProgressSink& sink);
  ProgressSink& SinkOr(ProgressSink* progress) { return progress ? *progress : progress_; }
};
