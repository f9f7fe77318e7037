// The GbImage operations that pick a codec by type id: Encode, Decode (with
// format detection), LoadFile, SaveFile, LoadFromResource, CheckEncodable
// and TypeFromExtension.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "image/codecs/CodecRegistry.h"
#include "image/core/GbImage.h"
#include "image/io/GbIOFile.h"
#include "image/io/GbMemFile.h"
#include "image/io/GbResource.h"
#include "platform/SafeWrite.h"

namespace {

// Detection order: cheap and strict signatures first, the forgiving
// decoders (headerless formats) last.
constexpr uint32_t kDetectionOrder[] = {
    GB_TYPE_BMP, GB_TYPE_JPG, GB_TYPE_ICO,  GB_TYPE_GIF, GB_TYPE_PNG, GB_TYPE_TIF, GB_TYPE_MNG,
    GB_TYPE_TGA, GB_TYPE_PCX, GB_TYPE_WBMP, GB_TYPE_WMF, GB_TYPE_JP2, GB_TYPE_SKA, GB_TYPE_RAW,
};

bool isMultiFrame(uint32_t type) {
  return type == GB_TYPE_GIF || type == GB_TYPE_ICO || type == GB_TYPE_TIF || type == GB_TYPE_MNG;
}

bool knownType(uint32_t type) { return type >= 1 && type <= 19 && type != GB_TYPE_JBG; }

}  // namespace

GbImage::GbImage(const char* path, uint32_t type) : GbImage(type) { LoadFile(path, type); }

bool GbImage::CheckEncodable(GbFile* stream) {
  if (!stream) {
    SetLastError("null file handler");
    return true;
  }
  if (!HasPixels()) {
    SetLastError("null image!!!");
    return true;
  }
  return false;
}

bool GbImage::Encode(GbFile* stream, uint32_t type) {
  std::unique_ptr<GbImageCodec> codec = knownType(type) ? GbMakeCodec(type) : nullptr;
  if (!codec) {
    SetLastError("Encode: Unknown format");
    return false;
  }
  GbImageLoan loan(*this, *codec);
  const bool ok = codec->Encode(stream);
  if (!ok) SetLastError(codec->LastError());
  return ok;
}

bool GbImage::Decode(GbFile* stream, uint32_t type) {
  if (!stream) {
    SetLastError("null file handler");
    return false;
  }
  if (type != GB_TYPE_UNKNOWN && !knownType(type)) {
    SetLastError("Decode: Unknown or wrong format");
    return false;
  }
  const bool detecting = type == GB_TYPE_UNKNOWN;
  const int32_t start = stream->Tell();
  ClearWarning();  // a warning belongs to the decode that set it
  bool first = true;
  for (uint32_t candidate : kDetectionOrder) {
    if (!detecting) candidate = type;
    std::unique_ptr<GbImageCodec> codec = GbMakeCodec(candidate, detecting);
    if (codec) {
      if (!first) stream->Seek(start, GB_SEEK_SET);
      first = false;
      // Requested frame, all-frames flag, codec options and JPEG scale reach
      // the decoder with the record; escape carries the dimension probe.
      codec->CopySettingsFrom(*this);
      codec->ClearWarning();
      codec->SetEscape(Escape());
      codec->SetProgress(0);
      if (codec->Decode(stream)) {
        if (!TakeOver(*codec, true)) return false;
        return true;
      }
      // A frame past the last is refused without a word by the decoders;
      // the count is what the caller needs to hear, also when detecting.
      const long count = isMultiFrame(candidate) ? codec->FrameCount() : 0;
      const bool noSuchFrame = count > 0 && (Frame() >= count || Frame() < 0);
      if (!detecting || noSuchFrame) {
        SetLastError(codec->LastError());
        if (isMultiFrame(candidate)) SetFrameCount(count);
        if (noSuchFrame && !*LastError()) {
          char text[GB_ERROR_TEXT_SIZE];
          std::snprintf(text, sizeof text, "frame %ld does not exist: the file has %ld frame%s (0 to %ld)", Frame(),
                        count, count == 1 ? "" : "s", count - 1);
          SetLastError(text);
        }
        return false;
      }
    }
    if (!detecting) break;
  }
  SetLastError("Decode: Unknown or wrong format");
  return false;
}

bool GbImage::Encode(std::FILE* handle, uint32_t type) {
  if (!handle) return Encode(static_cast<GbFile*>(nullptr), type);
  GbIOFile file(handle);
  return Encode(&file, type);
}

bool GbImage::Decode(std::FILE* handle, uint32_t type) {
  if (!handle) return Decode(static_cast<GbFile*>(nullptr), type);
  GbIOFile file(handle);
  return Decode(&file, type);
}

bool GbImage::SaveFile(const char* path, uint32_t type) {
  if (!path) return false;
  // Encode into memory first: a refused or failed encode must not truncate
  // an existing file.
  GbMemFile memory;
  if (!memory.Open()) {
    SetLastError("SaveFile: can't allocate memory");
    return false;
  }
  if (!Encode(&memory, type)) return false;
  // Only a complete file replaces the old one.
  std::string error;
  const std::string_view bytes(reinterpret_cast<const char*>(memory.GetBuffer()), size_t(memory.Size()));
  if (!gbfile::SafeWriteFile(path, bytes, &error)) {
    // Callers name the file themselves; keep the reason.
    const std::string prefix = std::string(path) + ": ";
    if (error.compare(0, prefix.size(), prefix) == 0) error.erase(0, prefix.size());
    SetLastError(("SaveFile: " + error).c_str());
    return false;
  }
  return true;
}

namespace {

// What is wrong with the file itself, before any decoder guesses at its
// bytes ("Read Error" for a folder helps nobody); empty when nothing is.
std::string FileProblem(const char* path) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found) return "LoadFile: no such file";
  if (status.type() == std::filesystem::file_type::directory) return "LoadFile: a folder, not a picture file";
  if (status.type() == std::filesystem::file_type::regular && std::filesystem::file_size(path, ec) == 0 && !ec)
    return "LoadFile: the file is empty";
  return {};
}

}  // namespace

bool GbImage::LoadFile(const char* path, uint32_t type) {
  if (!path) return false;
  if (const std::string problem = FileProblem(path); !problem.empty()) {
    SetLastError(problem.c_str());
    return false;
  }
  const bool specific = TypeIndex(type) != 0;
  if (specific) {
    GbIOFile file;
    if (!file.Open(path, "rb")) {
      SetLastError("LoadFile: can't open the file");
      return false;
    }
    if (Decode(&file, type)) return true;
  }
  // A file under a wrong extension still loads when any decoder knows it.
  char kept[GB_ERROR_TEXT_SIZE];
  std::snprintf(kept, sizeof kept, "%s", LastError());
  GbIOFile file;
  if (!file.Open(path, "rb")) {
    SetLastError("LoadFile: can't open the file");
    return false;
  }
  const bool ok = Decode(&file, GB_TYPE_UNKNOWN);
  if (!ok && specific) SetLastError(kept);
  return ok;
}

bool GbImage::LoadFromResource(const char* resource, uint32_t type, const char* module) {
  GbResourceBytes bytes;
  const GbResourceStatus status = GbFindResource(resource, module, bytes);
  if (status == GbResourceStatus::NotFound) {
    SetLastError("Unable to load resource!");
    return false;
  }
  if (status != GbResourceStatus::Found || !bytes.data || bytes.size > size_t(INT32_MAX)) return false;
  // Decoders only read, so the block is never written through this view.
  GbMemFile memory(const_cast<uint8_t*>(bytes.data), int32_t(bytes.size));
  return Decode(&memory, type);
}

uint32_t GbImage::TypeFromPath(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return GB_TYPE_UNKNOWN;
  return TypeFromExtension(path.c_str() + dot + 1);
}

uint32_t GbImage::TypeFromExtension(const char* extension) {
  if (!extension) return GB_TYPE_UNKNOWN;
  static const struct {
    const char* ext;
    uint32_t type;
  } kTable[] = {
      {"bmp", GB_TYPE_BMP}, {"gif", GB_TYPE_GIF},  {"jpg", GB_TYPE_JPG}, {"jpe", GB_TYPE_JPG}, {"jfi", GB_TYPE_JPG},
      {"png", GB_TYPE_PNG}, {"ico", GB_TYPE_ICO},  {"cur", GB_TYPE_ICO}, {"tif", GB_TYPE_TIF}, {"tga", GB_TYPE_TGA},
      {"pcx", GB_TYPE_PCX}, {"wbm", GB_TYPE_WBMP}, {"wmf", GB_TYPE_WMF}, {"emf", GB_TYPE_WMF}, {"jp2", GB_TYPE_JP2},
      {"j2k", GB_TYPE_JP2}, {"jpc", GB_TYPE_JPC},  {"j2c", GB_TYPE_JPC}, {"pgx", GB_TYPE_PGX}, {"pnm", GB_TYPE_PNM},
      {"pgm", GB_TYPE_PNM}, {"ppm", GB_TYPE_PNM},  {"ras", GB_TYPE_RAS}, {"mng", GB_TYPE_MNG}, {"jng", GB_TYPE_MNG},
      {"ska", GB_TYPE_SKA}, {"nef", GB_TYPE_RAW},  {"crw", GB_TYPE_RAW}, {"cr2", GB_TYPE_RAW}, {"dng", GB_TYPE_RAW},
      {"arw", GB_TYPE_RAW}, {"erf", GB_TYPE_RAW},  {"3fr", GB_TYPE_RAW}, {"dcr", GB_TYPE_RAW}, {"raw", GB_TYPE_RAW},
      {"x3f", GB_TYPE_RAW}, {"mef", GB_TYPE_RAW},  {"raf", GB_TYPE_RAW}, {"mrw", GB_TYPE_RAW}, {"pef", GB_TYPE_RAW},
      {"sr2", GB_TYPE_RAW}, {"orf", GB_TYPE_RAW},
  };
  char key[3];
  for (int i = 0; i < 3; ++i) {
    if (!extension[i]) return GB_TYPE_UNKNOWN;
    key[i] = char(std::tolower(static_cast<unsigned char>(extension[i])));
  }
  for (const auto& entry : kTable)
    if (std::memcmp(key, entry.ext, 3) == 0) return entry.type;
  return GB_TYPE_UNKNOWN;
}
