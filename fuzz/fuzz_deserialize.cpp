// The clipboard's serialized image form on arbitrary bytes. Whatever is
// read must be a whole, self-consistent image (layers and frames too), and
// writing it out and reading that back must give the same bytes again.
//
// Inputs starting with an odd byte are laid over a valid form (an image
// with both planes, a layer and two frames), so the fuzzer reaches the
// nested parts without seed files; even ones are read as they are.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "image/core/GbImage.h"

using gbfuzz::Require;

namespace {

std::unique_ptr<GbImage> Small(uint32_t w, uint32_t h, uint32_t bpp, uint8_t seed) {
  auto img = std::make_unique<GbImage>(w, h, bpp, GB_TYPE_BMP);
  for (size_t i = 0; i < img->PackedSize() - 40; ++i) img->PackedDib()[40 + i] = uint8_t(seed + 7 * i);
  return img;
}

const std::vector<uint8_t>& Template() {
  static const std::vector<uint8_t> bytes = [] {
    std::unique_ptr<GbImage> img = Small(3, 2, 8, 1);
    img->CreateAlpha();
    img->CreateSelection();
    img->AddRectToSelection(RECT{0, 0, 1, 1}, 9);
    std::vector<std::unique_ptr<GbImage>> layers;
    layers.push_back(Small(2, 1, 24, 2));
    img->SetLayers(std::move(layers));
    img->SetFrameSlots(2);
    img->SetFrameAt(0, Small(1, 1, 1, 3));
    img->SetFrameAt(1, Small(2, 2, 4, 4));
    std::vector<uint8_t> out(img->SerializedSize());
    img->Serialize(out.data(), out.size());
    return out;
  }();
  return bytes;
}

void CheckTree(const GbImage& img, int depth) {
  Require(depth < 16);
  gbfuzz::CheckDecoded(img);
  for (long i = 0; i < img.LayerCount(); ++i) {
    Require(img.LayerAt(i) != nullptr);
    CheckTree(*img.LayerAt(i), depth + 1);
  }
  for (long i = 0; i < img.FrameSlotCount(); ++i)
    if (const GbImage* f = img.FrameAt(i)) CheckTree(*f, depth + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::vector<uint8_t> input;
  if (data[0] & 1) {
    input = Template();
    const size_t n = std::min(size - 1, input.size());
    for (size_t i = 0; i < n; ++i) input[i] ^= data[1 + i];
    // The second byte may also cut the form short.
    if (size > 1 && (data[1] & 0x80)) input.resize(input.size() - (data[1] & 0x7F) % input.size());
  } else {
    input.assign(data + 1, data + size);
  }
  GbImage img;
  const size_t used = img.Deserialize(input.data(), input.size());
  Require(used <= input.size());
  if (used == 0) {
    Require(!img.HasPixels() && img.LayerCount() == 0 && img.FrameSlotCount() == 0);
    return 0;
  }
  CheckTree(img, 0);
  // A read form written again is a fixed point.
  std::vector<uint8_t> once(img.SerializedSize());
  Require(img.Serialize(once.data(), once.size()) == once.size());
  GbImage again;
  Require(again.Deserialize(once.data(), once.size()) == once.size());
  std::vector<uint8_t> twice(again.SerializedSize());
  Require(again.Serialize(twice.data(), twice.size()) == twice.size());
  Require(once == twice);
  return 0;
}
