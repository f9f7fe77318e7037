#include "tools/CliImageFiles.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "image/core/GbImage.h"

std::string CliExtension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return path.substr(dot + 1);
}

unsigned CliTypeOfPath(const std::string& path) { return GbImage::TypeFromPath(path); }

bool CliProgressWanted() { return isatty(STDERR_FILENO) == 1; }

std::string CliMemoryLimitText() {
  return "a picture may use at most " + std::to_string(GBIMAGE_MAX_MEMORY >> 20) +
         " MB of pixels (e.g. 8192 x 8192 at 32 bits, or 9450 x 9450 at 24 bits)";
}

std::string CliPlainError(const char* engineText) {
  const std::string text = engineText && *engineText ? engineText : "the engine gave no reason";
  const std::string limit = "GBIMAGE_MAX_MEMORY exceeded";
  const size_t at = text.find(limit);
  if (at == std::string::npos) return text;
  return text.substr(0, at) + "the result is too large: " + CliMemoryLimitText() + text.substr(at + limit.size());
}

void CliReportWarning(const GbImage& image, const std::string& path) {
  if (*image.Warning()) std::fprintf(stderr, "glimmerbox-cli: warning: %s: %s\n", path.c_str(), image.Warning());
}
