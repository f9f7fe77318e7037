// A frame as a snapshot file: a 24-bit BMP with a 54-byte header and the rows
// bottom-up in blue, green, red order, each padded to 4 bytes (no padding at
// a width of 640, so the file is 54 + 640 x 480 x 3 bytes).
#pragma once
#include <cstdint>
#include <string>

#include "platform/camera/CameraSource.h"

namespace gbcam {

// Empty for a frame without pixels or one too large for a BMP's 32-bit sizes.
std::string EncodeSnapshotBmp(const CameraFrame& frame);

}  // namespace gbcam
