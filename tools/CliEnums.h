// The names an enumerated operation argument takes on the command line:
// the code's enumerator without its k, matched in any case, beside the
// number, which keeps working as before. The numbers come from the enums
// themselves, so a table can only be wrong about a name, never a value.
#pragma once

#include <string>
#include <vector>

#include "image/core/GbImage.h"

struct CliEnumName {
  const char* name;
  long value;
};

struct CliEnumTable {
  const char* type;  // shown in the operation's usage
  std::vector<CliEnumName> names;

  // The value of a name, any case, with or without the code's leading k.
  bool Find(const std::string& word, long& value) const;
  // "Add=0 And=1 ...", for lists and messages.
  std::string Listing() const;
};

namespace clio {

// The table of an enum type; null for types without names.
template <class E>
const CliEnumTable* EnumTableOf() {
  return nullptr;
}
template <>
const CliEnumTable* EnumTableOf<GbImage::InterpolationMethod>();
template <>
const CliEnumTable* EnumTableOf<GbImage::OverflowMethod>();
template <>
const CliEnumTable* EnumTableOf<GbImage::ResampleMode>();
template <>
const CliEnumTable* EnumTableOf<GbImage::WarpKind>();
template <>
const CliEnumTable* EnumTableOf<GbImage::MixOperation>();

}  // namespace clio
