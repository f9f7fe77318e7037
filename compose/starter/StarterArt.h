// The starter templates the program ships that are drawn rather than
// photographed: frames, masks, base maps and a few backgrounds.
#pragma once
#include <string>
#include <vector>

#include "compose/starter/StarterCanvas.h"

namespace starter {

struct StarterPicture {
  std::string name;  // file name without extension
  Canvas canvas;
  RGBQUAD key{};  // the window's colour; unused without a window
};

std::vector<StarterPicture> StarterFrames();
std::vector<StarterPicture> StarterMasks();
std::vector<StarterPicture> StarterBaseMaps();
std::vector<StarterPicture> StarterBackgrounds();

}  // namespace starter
