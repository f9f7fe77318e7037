// The GbImage operations that pick a codec by type id: Encode, Decode (with
// format detection), LoadFile, SaveFile, LoadFromResource, CheckEncodable
// and TypeFromExtension.
#include <cstdio>
#include <filesystem>
#include <string>

#include "image/codecs/CodecRegistry.h"
#include "image/core/GbImage.h"
#include "image/io/GbIOFile.h"
#include "image/io/GbMemFile.h"
#include "image/io/GbSafeFile.h"
#include "image/io/GbResource.h"
#include "platform/SafeWrite.h"

namespace {

bool isMultiFrame(uint32_t type) {
  return type == GB_TYPE_GIF || type == GB_TYPE_ICO || type == GB_TYPE_TIF || type == GB_TYPE_MNG;
}

// Decodes with the codec of the type, or detects the format: the
// registered decoders try the stream in the table's order. Probing reads
// the size alone.
bool decodeWith(GbImage& self, GbFile* stream, uint32_t type, bool probing) {
  if (!stream) {
    self.SetLastError("null file handler");
    return false;
  }
  if (type != GB_TYPE_UNKNOWN && !GbHasCodec(type)) {
    self.SetLastError("Decode: Unknown or wrong format");
    return false;
  }
  const bool detecting = type == GB_TYPE_UNKNOWN;
  const int32_t start = stream->Tell();
  self.ClearWarning();  // a warning belongs to the decode that set it
  bool first = true;
  for (const GbCodecEntry& entry : GbCodecTable()) {
    const uint32_t candidate = detecting ? entry.types[0] : type;
    std::unique_ptr<GbImageCodec> codec = GbMakeCodec(candidate, detecting);
    if (codec) {
      if (!first) stream->Seek(start, GB_SEEK_SET);
      first = false;
      // Requested frame, all-frames flag, codec options and JPEG scale reach
      // the decoder with the record, the cancel request with the escape.
      codec->CopySettingsFrom(self);
      codec->SetEscape(self.Escape());
      codec->SetProgress(0);
      uint32_t width = 0, height = 0;
      if (probing ? codec->ProbeSize(stream, width, height) : codec->Decode(stream)) return self.TakeOver(*codec, true);
      // A frame past the last is refused without a word by the decoders;
      // the count is what the caller needs to hear, also when detecting.
      const long count = isMultiFrame(candidate) ? codec->FrameCount() : 0;
      const long frame = self.Frame();
      const bool noSuchFrame = count > 0 && (frame >= count || frame < 0);
      if (!detecting || noSuchFrame) {
        self.SetLastError(codec->LastError());
        if (isMultiFrame(candidate)) self.SetFrameCount(count);
        if (noSuchFrame && !*self.LastError()) {
          char text[GB_ERROR_TEXT_SIZE];
          std::snprintf(text, sizeof text, "frame %ld does not exist: the file has %ld frame%s (0 to %ld)", frame,
                        count, count == 1 ? "" : "s", count - 1);
          self.SetLastError(text);
        }
        return false;
      }
    }
    if (!detecting) break;
  }
  self.SetLastError("Decode: Unknown or wrong format");
  return false;
}

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
  std::unique_ptr<GbImageCodec> codec = GbMakeCodec(type);
  if (!codec) {
    SetLastError("Encode: Unknown format");
    return false;
  }
  GbImageLoan loan(*this, *codec);
  const bool ok = codec->Encode(stream);
  if (!ok) SetLastError(codec->LastError());
  return ok;
}

bool GbImage::Decode(GbFile* stream, uint32_t type) { return decodeWith(*this, stream, type, false); }

bool GbImage::ProbeSize(GbFile* stream, uint32_t type, uint32_t& width, uint32_t& height) {
  const bool ok = decodeWith(*this, stream, type, true);
  width = ok ? Width() : 0;
  height = ok ? Height() : 0;
  return ok;
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

namespace {

// The safe writer's message names the path; callers name the file themselves.
void KeepWriteReason(GbImage& image, const char* path, std::string error) {
  const std::string prefix = std::string(path) + ": ";
  if (error.compare(0, prefix.size(), prefix) == 0) error.erase(0, prefix.size());
  image.SetLastError(("SaveFile: " + error).c_str());
}

}  // namespace

bool GbImage::SaveFile(const char* path, uint32_t type) {
  if (!path) return false;
  // The encoder writes straight into the temporary of a safe write: a
  // refused or failed encode removes it, and only a complete file replaces
  // the old one.
  GbSafeFile file(path);
  if (file.IsOpen()) {
    const bool encoded = Encode(&file, type);
    if (!file.WriteError().empty()) {
      // The disk gave out under the encoder (full, a size limit): that is
      // the reason, whatever the encoder made of it.
      KeepWriteReason(*this, path, file.WriteError());
      return false;
    }
    if (!encoded) return false;
    if (!file.Commit()) {
      KeepWriteReason(*this, path, file.WriteError());
      return false;
    }
    return true;
  }
  // No temporary beside the target (no such folder, a read-only file, a
  // folder in the way): a picture the encoder refuses is still reported as
  // such first, so encode into memory and let the write report the rest.
  GbMemFile memory;
  if (!memory.Open()) {
    SetLastError("SaveFile: can't allocate memory");
    return false;
  }
  if (!Encode(&memory, type)) return false;
  std::string error;
  const std::string_view bytes(reinterpret_cast<const char*>(memory.GetBuffer()), size_t(memory.Size()));
  if (!gbfile::SafeWriteFile(path, bytes, &error)) {
    KeepWriteReason(*this, path, error);
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
  const bool specific = GbHasCodec(type);
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

uint32_t GbImage::TypeFromExtension(const char* extension) { return GbTypeOfExtension(extension); }
