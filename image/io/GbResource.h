// Resources: named byte blocks the program loads pictures from. A block is
// either compiled into the program (registered with GB_RESOURCE) or a file
// under one of the asset folders (the folder given as module, the folders
// added with GbAddResourceFolder, then $GLIMMERBOX_ASSETS, colon-separated).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The bytes of one resource. For a compiled-in block data points into the
// program; for a file the bytes live in owned.
struct GbResourceBytes {
  const uint8_t* data = nullptr;
  size_t size = 0;
  std::vector<uint8_t> owned;
};

enum class GbResourceStatus { Found, NotFound, Unreadable };

// Looks the name up: compiled-in blocks first (unless a module folder is
// given), then asset files. Names are relative paths with '/' separators;
// absolute names and ".." components are refused.
GbResourceStatus GbFindResource(const char* name, const char* module, GbResourceBytes& out);

void GbRegisterResource(const char* name, const uint8_t* data, size_t size);
void GbAddResourceFolder(const std::string& folder);

struct GbResourceRegistrar {
  GbResourceRegistrar(const char* name, const uint8_t* data, size_t size) { GbRegisterResource(name, data, size); }
};

// GB_RESOURCE(id, "name", bytes): registers a static byte array under name.
#define GB_RESOURCE(id, name, bytes) \
  static const GbResourceRegistrar gbResource_##id { name, bytes, sizeof(bytes) }
