#include "image/io/GbResource.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

namespace {

struct Block {
  const uint8_t* data;
  size_t size;
};

struct Registry {
  std::mutex lock;
  std::map<std::string, Block> blocks;
  std::vector<std::string> folders;
};

Registry& registry() {
  static Registry r;
  return r;
}

bool safeName(const char* name) {
  if (!name || !*name || name[0] == '/' || name[0] == '\\') return false;
  // No component may climb out of the asset folder.
  const char* p = name;
  while (*p) {
    const char* end = p;
    while (*end && *end != '/' && *end != '\\') ++end;
    if (end - p == 2 && p[0] == '.' && p[1] == '.') return false;
    p = *end ? end + 1 : end;
  }
  return true;
}

// Reads a whole file; a missing file is NotFound, anything else Unreadable.
GbResourceStatus readFile(const std::string& path, std::vector<uint8_t>& out) {
  std::FILE* fp = std::fopen(path.c_str(), "rb");
  if (!fp) return GbResourceStatus::NotFound;
  GbResourceStatus status = GbResourceStatus::Unreadable;
  if (std::fseek(fp, 0, SEEK_END) == 0) {
    const long size = std::ftell(fp);
    if (size >= 0 && size <= 0x7FFFFFFFL && std::fseek(fp, 0, SEEK_SET) == 0) {
      out.resize(size_t(size));
      if (size == 0 || std::fread(out.data(), 1, size_t(size), fp) == size_t(size)) status = GbResourceStatus::Found;
    }
  }
  std::fclose(fp);
  return status;
}

std::string joinPath(const std::string& folder, const char* name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

void GbRegisterResource(const char* name, const uint8_t* data, size_t size) {
  if (!name || !data) return;
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.blocks[name] = Block{data, size};
}

void GbAddResourceFolder(const std::string& folder) {
  if (folder.empty()) return;
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  for (const auto& f : r.folders)
    if (f == folder) return;
  r.folders.push_back(folder);
}

GbResourceStatus GbFindResource(const char* name, const char* module, GbResourceBytes& out) {
  out = GbResourceBytes{};
  if (!safeName(name)) return GbResourceStatus::NotFound;
  std::vector<std::string> folders;
  if (module && *module) {
    folders.push_back(module);
  } else {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.blocks.find(name);
    if (it != r.blocks.end()) {
      out.data = it->second.data;
      out.size = it->second.size;
      return GbResourceStatus::Found;
    }
    folders = r.folders;
  }
  if (!(module && *module)) {
    if (const char* env = std::getenv("GLIMMERBOX_ASSETS")) {
      std::string list = env;
      size_t start = 0;
      while (start <= list.size()) {
        const size_t colon = list.find(':', start);
        const std::string item = list.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!item.empty()) folders.push_back(item);
        if (colon == std::string::npos) break;
        start = colon + 1;
      }
    }
  }
  for (const auto& folder : folders) {
    const GbResourceStatus status = readFile(joinPath(folder, name), out.owned);
    if (status == GbResourceStatus::NotFound) continue;
    if (status == GbResourceStatus::Found) {
      out.data = out.owned.data();
      out.size = out.owned.size();
    }
    return status;
  }
  return GbResourceStatus::NotFound;
}
