// FxImage: the effects image the windows hold. It adds nothing to the
// effects; it exists so that windows name one concrete class.
#pragma once

#include "retouch/engine/FxDibEffect.h"

class FxImage : public FxDibEffect {
 public:
  FxImage() = default;
  ~FxImage() override;
};
