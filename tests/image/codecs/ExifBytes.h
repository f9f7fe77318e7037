// Builds EXIF blocks (a TIFF structure of directories) in either byte order,
// and JPEG files carrying them, for the EXIF reader and JPEG codec tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace exiftest {

struct Tag {
  uint16_t tag;
  uint16_t format;
  std::vector<uint32_t> numbers;  // formats 3, 4, 5/10 (pairs), 8, 9
  std::string bytes;              // formats 1, 2, 6, 7
  int link = -1;                  // index of a directory this tag points at
  uint32_t rawOffset = 0;         // with link -2: this value as is
};

inline Tag Short(uint16_t tag, uint32_t v) { return Tag{tag, 3, {v}, {}, -1, 0}; }
inline Tag Long(uint16_t tag, uint32_t v) { return Tag{tag, 4, {v}, {}, -1, 0}; }
inline Tag Rational(uint16_t tag, uint32_t num, uint32_t den) { return Tag{tag, 5, {num, den}, {}, -1, 0}; }
inline Tag SRational(uint16_t tag, int32_t num, int32_t den) {
  return Tag{tag, 10, {uint32_t(num), uint32_t(den)}, {}, -1, 0};
}
inline Tag Text(uint16_t tag, const std::string& s) { return Tag{tag, 2, {}, s + std::string(1, '\0'), -1, 0}; }
inline Tag Undefined(uint16_t tag, const std::string& s) { return Tag{tag, 7, {}, s, -1, 0}; }
inline Tag Link(uint16_t tag, int directory) { return Tag{tag, 4, {0}, {}, directory, 0}; }
// A raw tag: format and count as given, value field as given.
inline Tag Raw(uint16_t tag, uint16_t format, uint32_t count, uint32_t value) {
  Tag t{tag, format, {count}, {}, -2, value};
  return t;
}

struct Directory {
  std::vector<Tag> tags;
  int next = -1;  // directory linked after this one
};

class Builder {
 public:
  explicit Builder(bool motorola) : motorola_(motorola) {}

  // The TIFF block: header, then the directories in order (directory 0
  // first, at offset 8), each followed by its out-of-line values.
  std::string Tiff(const std::vector<Directory>& dirs) const {
    std::vector<uint32_t> at(dirs.size());
    uint32_t pos = 8;
    for (size_t i = 0; i < dirs.size(); ++i) {
      at[i] = pos;
      pos += 2 + 12 * uint32_t(dirs[i].tags.size()) + 4;
      for (const Tag& t : dirs[i].tags)
        if (ValueSize(t) > 4) pos += ValueSize(t);
    }
    std::string out;
    out += motorola_ ? "MM" : "II";
    Put16(out, 42);
    Put32(out, 8);
    for (size_t i = 0; i < dirs.size(); ++i) {
      const Directory& d = dirs[i];
      uint32_t data = at[i] + 2 + 12 * uint32_t(d.tags.size()) + 4;
      std::string values;
      Put16(out, uint32_t(d.tags.size()));
      for (const Tag& t : d.tags) {
        Put16(out, t.tag);
        Put16(out, t.format);
        if (t.link == -2) {
          Put32(out, t.numbers[0]);
          Put32(out, t.rawOffset);
          continue;
        }
        Put32(out, Count(t));
        std::string v;
        if (t.link >= 0)
          Put32(v, at[size_t(t.link)]);
        else
          Value(t, v);
        if (v.size() > 4) {
          Put32(out, data);
          data += uint32_t(v.size());
          values += v;
        } else {
          v.resize(4, '\0');
          out += v;
        }
      }
      Put32(out, d.next >= 0 ? at[size_t(d.next)] : 0);
      out += values;
    }
    return out;
  }

  void Put16(std::string& s, uint32_t v) const {
    if (motorola_) {
      s += char(v >> 8);
      s += char(v);
    } else {
      s += char(v);
      s += char(v >> 8);
    }
  }
  void Put32(std::string& s, uint32_t v) const {
    if (motorola_) {
      Put16(s, v >> 16);
      Put16(s, v & 0xFFFF);
    } else {
      Put16(s, v & 0xFFFF);
      Put16(s, v >> 16);
    }
  }

 private:
  static uint32_t Count(const Tag& t) {
    if (!t.bytes.empty()) return uint32_t(t.bytes.size());
    return (t.format == 5 || t.format == 10) ? uint32_t(t.numbers.size() / 2) : uint32_t(t.numbers.size());
  }
  static uint32_t ValueSize(const Tag& t) {
    if (t.link == -2) return 0;
    if (!t.bytes.empty()) return uint32_t(t.bytes.size());
    const uint32_t unit = t.format == 3 || t.format == 8 ? 2 : 4;
    return unit * uint32_t(t.numbers.size());
  }
  void Value(const Tag& t, std::string& v) const {
    if (!t.bytes.empty()) {
      v = t.bytes;
      return;
    }
    for (uint32_t n : t.numbers) {
      if (t.format == 3 || t.format == 8)
        Put16(v, n);
      else
        Put32(v, n);
    }
  }
  bool motorola_;
};

// An APP1 section (marker and length included) holding "Exif\0\0" + tiff.
inline std::string App1(const std::string& tiff) {
  const size_t length = 2 + 6 + tiff.size();
  std::string s = "\xFF\xE1";
  s += char(length >> 8);
  s += char(length & 0xFF);
  s += std::string("Exif\0\0", 6);
  s += tiff;
  return s;
}

// A section with any marker and body.
inline std::string Section(uint8_t marker, const std::string& body) {
  const size_t length = 2 + body.size();
  std::string s = "\xFF";
  s += char(marker);
  s += char(length >> 8);
  s += char(length & 0xFF);
  return s + body;
}

// A JPEG with extra sections placed right after its start-of-image marker.
inline std::string WithSections(const std::string& jpeg, const std::string& sections) {
  return jpeg.substr(0, 2) + sections + jpeg.substr(2);
}

}  // namespace exiftest
