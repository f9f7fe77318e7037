// What every codec's decoding shares: the null stream, the escape hatch for
// allocations that throw, the size probe and the frame check.
#include "image/codecs/GbImageCodec.h"

#include <climits>

#include "image/io/GbIOFile.h"

bool GbImageCodec::Decode(GbFile* stream) {
  if (!stream) {
    SetLastError("null file handler");
    return false;
  }
  ClearWarning();  // a warning belongs to the decode that set it
  const char* error = nullptr;
  // Decoders of untrusted bytes must not let an exception out of the
  // library: whatever escapes their own handling ends as a failed decode.
  try {
    error = DecodeStream(stream);
  } catch (const std::bad_alloc&) {
    error = NoMemoryText();
  } catch (...) {
    error = FailureText();
  }
  if (!error) return true;
  if (error != LastError()) SetLastError(error);
  return false;
}

bool GbImageCodec::Decode(std::FILE* handle) {
  if (!handle) return Decode(static_cast<GbFile*>(nullptr));
  GbIOFile file(handle);
  return Decode(&file);
}

bool GbImageCodec::ProbeSize(GbFile* stream, uint32_t& width, uint32_t& height) {
  probing_ = true;
  const bool ok = Decode(stream);
  probing_ = false;
  width = ok ? Width() : 0;
  height = ok ? Height() : 0;
  return ok;
}

const char* GbImageCodec::SizeFound(uint32_t width, uint32_t height, uint32_t type) {
  header_.biWidth = LONG(width > uint32_t(INT32_MAX) ? INT32_MAX : width);
  header_.biHeight = LONG(height > uint32_t(INT32_MAX) ? INT32_MAX : height);
  info_.fileType = type;
  SetLastError("output dimensions returned");
  return nullptr;
}

bool GbImageCodec::SelectFrame(long count) {
  SetFrameCount(count);
  return Frame() >= 0 && Frame() < count;
}
