// The header peek that refuses oversized decorations before decoding: it
// walks JPEG segments and reads PNG, BMP and GIF headers straight from a
// file, so every byte of the file is the fuzzer's.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "layers/model/MixLayers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/fuzz_picture_size." + std::to_string(::getpid());
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  const bool written = std::fwrite(data, 1, size, f) == size;
  std::fclose(f);
  if (!written) return 0;
  uint32_t width = 0, height = 0;
  const bool known = PeekPictureSize(path, width, height);
  // A size is only claimed for a file that holds at least a header.
  gbfuzz::Require(!known || size >= 10);
  std::remove(path.c_str());
  return 0;
}
