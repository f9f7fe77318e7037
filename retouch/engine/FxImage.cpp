#include "retouch/engine/FxImage.h"

FxDibEffect::~FxDibEffect() = default;

FxImage::~FxImage() = default;
