#include "tools/CliCompose.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <sys/stat.h>

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
                 *image.LastError() ? CliPlainError(image.LastError()).c_str() : "cannot be written");
    return false;
  }
  return true;
}

namespace {

// The same file for two names: by identity when both exist, else by the
// names once made absolute and plain.
bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  std::error_code ec1, ec2;
  const auto ca = std::filesystem::weakly_canonical(a, ec1), cb = std::filesystem::weakly_canonical(b, ec2);
  return !ec1 && !ec2 && ca == cb;
}

}  // namespace

bool CliCheckOutputPaths(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs,
                         const char* command) {
  for (size_t i = 0; i < outputs.size(); ++i) {
    const std::string& out = outputs[i];
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(out).parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
      std::fprintf(stderr, "glimmerbox-cli %s: %s: the folder %s does not exist\n", command, out.c_str(),
                   folder.string().c_str());
      return false;
    }
    if (std::filesystem::is_directory(out, ec)) {
      std::fprintf(stderr, "glimmerbox-cli %s: %s is a folder; name a file to write\n", command, out.c_str());
      return false;
    }
    for (const std::string& in : inputs)
      if (SameFile(out, in)) {
        std::fprintf(stderr, "glimmerbox-cli %s: %s is also an input; it would be overwritten\n", command, out.c_str());
        return false;
      }
    for (size_t j = 0; j < i; ++j)
      if (SameFile(out, outputs[j])) {
        std::fprintf(stderr, "glimmerbox-cli %s: %s and %s are the same file\n", command, outputs[j].c_str(),
                     out.c_str());
        return false;
      }
  }
  return true;
}

bool CliLoadPicture(const std::string& path, GbImage& image, std::string& error) {
  const uint32_t type = CliTypeOfPath(path);
  if (!image.LoadFile(path.c_str(), type)) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
      error = path + ": " + std::strerror(errno);
    else if (type == GB_TYPE_UNKNOWN && image.FrameCount() == 0)
      error = path + ": not a picture type the program knows (neither its extension nor its content names one)";
    else
      error = path + ": " + CliPlainError(image.LastError());
    return false;
  }
  CliReportWarning(image, path);
  if (image.BitsPerPixel() < 24 && !image.RaiseBpp(24)) {
    error = path + ": " + CliPlainError(image.LastError());
    return false;
  }
  return true;
}

CliTempFolder::CliTempFolder() {
  const std::string base = gbpaths::WithSlash(gbpaths::TempDirectory());
  std::string pattern = base + "glimmerbox-cli-XXXXXX";
  if (::mkdtemp(pattern.data())) {
    path_ = gbpaths::WithSlash(pattern);
    return;
  }
  const int err = errno;
  problem_ = err == ENOENT || err == ENOTDIR
                 ? "the temporary folder " + base + " does not exist (TMPDIR names it)"
                 : "cannot make a folder in the temporary folder " + base + ": " + std::strerror(err);
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
