// Lookup of the registered codec classes (image/codecs/CodecList.inc) by
// type id, and what else follows from that table.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "image/codecs/GbImageCodec.h"

// One line of the table.
struct GbCodecEntry {
  const char* className;
  const char* fuzzTarget;  // fuzz/<target>.cpp
  const char* seeds;       // its seed folders, separated by spaces
  GbImageCodec* (*make)();
  uint32_t types[8];  // ends at the first 0; the first is the one detection asks
};

// Every registered codec, in detection order.
std::span<const GbCodecEntry> GbCodecTable();
// True when a codec class is registered for the type id.
bool GbHasCodec(uint32_t type);
// A fresh codec object for the type id, told that id (null when no class is
// registered for it or memory runs out). During detection pass detecting =
// true: the codec is told 0 and finds the variant itself.
std::unique_ptr<GbImageCodec> GbMakeCodec(uint32_t type, bool detecting = false);
// The type id a file name extension names (compared by its first three
// letters, any case); 0 when none does.
uint32_t GbTypeOfExtension(const char* extension);
