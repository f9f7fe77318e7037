// GbExifInfo: reads the marker sections at the head of a JPEG file and the
// camera data of its EXIF block into an ExifRecord.
//
// Every byte comes from the file, so every offset and count is checked
// against the section it lies in. Failures never stop a JPEG from loading:
// the reader keeps its message in LastError() and the record says whether
// the EXIF block was usable (isExif).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/io/GbFile.h"

struct ExifRecord {
  char version[5];
  char cameraMake[32];
  char cameraModel[40];
  char dateTime[20];
  int32_t height;  // from the frame header
  int32_t width;
  int32_t orientation;  // 1..8, 0 when undefined
  int32_t isColor;      // frame header: 3 components
  int32_t process;      // frame marker code 0xC0..0xCF
  int32_t flashUsed;
  float focalLength;
  float exposureTime;
  float apertureFNumber;
  float distance;
  float ccdWidth;
  float exposureBias;
  int32_t whiteBalance;
  int32_t meteringMode;
  int32_t exposureProgram;
  int32_t isoEquivalent;
  int32_t compressionLevel;
  float focalPlaneXRes;
  float focalPlaneYRes;
  float focalPlaneUnits;
  float xResolution;
  float yResolution;
  float resolutionUnit;  // divisor that turns the resolution into dots per inch
  float brightness;
  char comments[1000];
  const uint8_t* thumbnail;  // inside the reader's copy of the section
  uint32_t thumbnailSize;
  bool isExif;
};

class GbExifInfo {
 public:
  static constexpr int kMaxSections = 20;
  static constexpr int kMaxNesting = 5;

  // Fills record, or a zeroed record of its own when record is null.
  explicit GbExifInfo(ExifRecord* record = nullptr);
  ~GbExifInfo();
  GbExifInfo(const GbExifInfo&) = delete;
  GbExifInfo& operator=(const GbExifInfo&) = delete;

  // Reads the sections from the stream's position up to the start of scan,
  // parsing EXIF and comment sections on the way. Forgets what an earlier
  // call read. False when the head of the file is not readable as JPEG
  // markers (message in LastError, except for a missing start-of-image).
  bool DecodeExif(GbFile* stream);

  // Parses the data of an APP1 section (the bytes after its two length
  // bytes); the result also becomes the record's isExif flag.
  bool ProcessExif(const uint8_t* data, size_t length);
  // Takes a COM section's text (the bytes after its length) as the comment.
  void ProcessComment(const uint8_t* data, size_t length);

  ExifRecord* Record() const { return record_; }
  const char* LastError() const { return lastError_; }
  int SectionCount() const { return int(sections_.size()); }
  // The stored section with this marker (null when none): data starts with
  // the two big-endian length bytes.
  const uint8_t* FindSection(uint8_t marker, size_t* size = nullptr) const;

 private:
  struct Section {
    std::vector<uint8_t> data;
    uint8_t marker;
  };
  // Parses one directory at a TIFF offset; false on a failure of its own.
  bool ProcessDirectory(uint32_t offset, int level);
  void ProcessTag(uint16_t tag, uint16_t format, const uint8_t* value, uint32_t byteCount, uint32_t rawValue,
                  int level);
  double NumberAt(const uint8_t* value, uint16_t format) const;
  uint16_t Get16(const uint8_t* p) const;
  uint32_t Get32(const uint8_t* p) const;
  void SetError(const char* text);
  void ResetRecord();

  ExifRecord* record_;
  bool ownsRecord_;
  std::vector<Section> sections_;
  bool motorola_ = false;
  int32_t largestDimension_ = 0;
  // The TIFF block being parsed: base and bytes available from it.
  const uint8_t* tiff_ = nullptr;
  uint32_t tiffLength_ = 0;
  std::vector<uint32_t> visited_;  // directory offsets already parsed
  uint32_t thumbOffset_ = 0, thumbLength_ = 0;
  char lastError_[256] = {};
};
