#include "tools/CliCompose.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "image/codecs/CodecRegistry.h"
#include "platform/profile/PlatformPaths.h"
#include "tools/CliImageFiles.h"

bool CliSplitOutput(const CliArgs& args, const char* command, std::vector<std::string>& rest, std::string& out) {
  out = args.valueOr("output", "");
  const auto& pos = args.positional();
  for (size_t i = 0; i < pos.size(); ++i) {
    if (pos[i] == "-o") {
      if (i + 1 >= pos.size()) {
        std::fprintf(stderr, "glimmerbox-cli %s: -o needs a file name\n", command);
        return false;
      }
      out = pos[++i];
    } else {
      rest.push_back(pos[i]);
    }
  }
  return true;
}

bool CliCheckPictureOutput(const std::string& out, const char* command) {
  if (out.empty()) {
    std::fprintf(stderr, "glimmerbox-cli %s: name the output with -o OUT\n", command);
    return false;
  }
  const unsigned type = CliTypeOfPath(out);
  if (type == GB_TYPE_UNKNOWN) {
    std::fprintf(stderr, "glimmerbox-cli %s: cannot tell the format of %s from its extension\n", command, out.c_str());
    return false;
  }
  if (!GbHasCodec(type)) {
    std::fprintf(stderr, "glimmerbox-cli %s: no encoder for .%s in this build\n", command, CliExtension(out).c_str());
    return false;
  }
  return true;
}

bool CliSavePicture(GbImage& image, const std::string& out, const char* command) {
  const unsigned type = CliTypeOfPath(out);
  std::string tail = out.size() >= 3 ? out.substr(out.size() - 3) : out;
  for (char& c : tail) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (tail == "jpg") {
    if (!image.IsGreyScale() && image.BitsPerPixel() < 24) image.RaiseBpp(24);
    image.SetJpegQuality(99);
  }
  if (!image.SaveFile(out.c_str(), type)) {
    std::fprintf(stderr, "glimmerbox-cli %s: %s: %s\n", command, out.c_str(),
                 *image.LastError() ? image.LastError() : "cannot be written");
    return false;
  }
  return true;
}

CliTempFolder::CliTempFolder() {
  std::string pattern = gbpaths::WithSlash(gbpaths::TempDirectory()) + "glimmerbox-cli-XXXXXX";
  if (::mkdtemp(pattern.data())) path_ = gbpaths::WithSlash(pattern);
}

CliTempFolder::~CliTempFolder() {
  if (path_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

bool CliIntInRange(const CliArgs& args, const char* name, long low, long high, long fallback, long& out,
                   const char* command) {
  if (!args.intValue(name, out, fallback)) return false;
  if (out < low || out > high) {
    std::fprintf(stderr, "glimmerbox-cli %s: --%s must be %ld to %ld\n", command, name, low, high);
    return false;
  }
  return true;
}
