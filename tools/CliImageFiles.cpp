#include "tools/CliImageFiles.h"

#include <unistd.h>

#include "image/core/GbImage.h"

std::string CliExtension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return path.substr(dot + 1);
}

unsigned CliTypeOfPath(const std::string& path) { return GbImage::TypeFromExtension(CliExtension(path).c_str()); }

bool CliProgressWanted() { return isatty(STDERR_FILENO) == 1; }
