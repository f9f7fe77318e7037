#include "tools/CliEnums.h"

#include <cctype>

bool CliEnumTable::Find(const std::string& word, long& value) const {
  auto same = [](const std::string& typed, const char* name) {
    size_t i = 0;
    for (; typed.size() > i && name[i]; ++i)
      if (std::tolower(static_cast<unsigned char>(typed[i])) != std::tolower(static_cast<unsigned char>(name[i])))
        return false;
    return i == typed.size() && !name[i];
  };
  // "kCatmullRom" as written in the code; no name starts with a k.
  const bool codeForm = word.size() > 1 && word[0] == 'k' && std::isupper(static_cast<unsigned char>(word[1]));
  for (const CliEnumName& n : names) {
    if (same(word, n.name) || (codeForm && same(word.substr(1), n.name))) {
      value = n.value;
      return true;
    }
  }
  return false;
}

std::string CliEnumTable::Listing() const {
  std::string text;
  for (const CliEnumName& n : names) {
    if (!text.empty()) text += ' ';
    text += std::string(n.name) + "=" + std::to_string(n.value);
  }
  return text;
}

namespace clio {

template <>
const CliEnumTable* EnumTableOf<GbImage::InterpolationMethod>() {
  using G = GbImage;
  static const CliEnumTable table{"InterpolationMethod",
                                  {{"NearestNeighbour", G::kNearestNeighbour},
                                   {"Bilinear", G::kBilinear},
                                   {"BSpline", G::kBSpline},
                                   {"Bicubic", G::kBicubic},
                                   {"Bicubic2", G::kBicubic2},
                                   {"Lanczos", G::kLanczos},
                                   {"Box", G::kBox},
                                   {"Hermite", G::kHermite},
                                   {"Hamming", G::kHamming},
                                   {"Sinc", G::kSinc},
                                   {"Blackman", G::kBlackman},
                                   {"Bessel", G::kBessel},
                                   {"Gaussian", G::kGaussian},
                                   {"Quadratic", G::kQuadratic},
                                   {"Mitchell", G::kMitchell},
                                   {"CatmullRom", G::kCatmullRom},
                                   {"Hanning", G::kHanning},
                                   {"Power", G::kPower}}};
  return &table;
}

template <>
const CliEnumTable* EnumTableOf<GbImage::OverflowMethod>() {
  using G = GbImage;
  static const CliEnumTable table{"OverflowMethod",
                                  {{"Color", G::kColor},
                                   {"Background", G::kBackground},
                                   {"Transparent", G::kTransparent},
                                   {"Wrap", G::kWrap},
                                   {"Repeat", G::kRepeat},
                                   {"Mirror", G::kMirror}}};
  return &table;
}

template <>
const CliEnumTable* EnumTableOf<GbImage::ResampleMode>() {
  using M = GbImage::ResampleMode;
  static const CliEnumTable table{
      "ResampleMode",
      {{"Bilinear", long(M::kBilinear)}, {"Nearest", long(M::kNearest)}, {"Bicubic", long(M::kBicubic)}}};
  return &table;
}

template <>
const CliEnumTable* EnumTableOf<GbImage::WarpKind>() {
  using K = GbImage::WarpKind;
  static const CliEnumTable table{"WarpKind",
                                  {{"Punch", long(K::kPunch)},
                                   {"Pinch", long(K::kPinch)},
                                   {"Swirl", long(K::kSwirl)},
                                   {"Cylinder", long(K::kCylinder)},
                                   {"Bathroom", long(K::kBathroom)}}};
  return &table;
}

template <>
const CliEnumTable* EnumTableOf<GbImage::MixOperation>() {
  using Op = GbImage::MixOperation;
  static const CliEnumTable table{"MixOperation",
                                  {{"Add", long(Op::Add)},
                                   {"And", long(Op::And)},
                                   {"Xor", long(Op::Xor)},
                                   {"Or", long(Op::Or)},
                                   {"Mask", long(Op::Mask)},
                                   {"CopyIntoTransparent", long(Op::CopyIntoTransparent)},
                                   {"CopyOpaqueSource", long(Op::CopyOpaqueSource)},
                                   {"Subtract", long(Op::Subtract)},
                                   {"BlendNearBackground", long(Op::BlendNearBackground)},
                                   {"AlphaOver", long(Op::AlphaOver)},
                                   {"Average", long(Op::Average)}}};
  return &table;
}

}  // namespace clio
