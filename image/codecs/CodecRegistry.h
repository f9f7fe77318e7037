// Lookup of the registered codec classes by type id.
#pragma once

#include <cstdint>
#include <memory>

#include "image/codecs/GbImageCodec.h"

// True when a codec class is registered for the type id.
bool GbHasCodec(uint32_t type);
// A fresh codec object for the type id, told that id (null when no class is
// registered for it or memory runs out). During detection pass detecting =
// true: the codec is told 0 and finds the variant itself.
std::unique_ptr<GbImageCodec> GbMakeCodec(uint32_t type, bool detecting = false);
