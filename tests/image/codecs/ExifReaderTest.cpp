// The EXIF reader: directories in both byte orders, every tag it takes, the
// nesting limit, the comment rules, the marker scan and its messages.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "image/codecs/GbExifInfo.h"
#include "image/io/GbMemFile.h"
#include "tests/image/codecs/ExifBytes.h"

using namespace exiftest;

namespace {

// A string literal with its NUL bytes.
template <size_t N>
std::string B(const char (&s)[N]) {
  return std::string(s, N - 1);
}

// Parses "Exif\0\0" + tiff; the record lives in the reader.
bool Parse(GbExifInfo& reader, const std::string& tiff) {
  const std::string data = std::string("Exif\0\0", 6) + tiff;
  return reader.ProcessExif(reinterpret_cast<const uint8_t*>(data.data()), data.size());
}

bool Scan(GbExifInfo& reader, const std::string& bytes) {
  GbMemFile f(reinterpret_cast<uint8_t*>(const_cast<char*>(bytes.data())), int32_t(bytes.size()));
  return reader.DecodeExif(&f);
}

const std::string kSoi = "\xFF\xD8";
const std::string kSos = Section(0xDA, std::string("\x01\x01\x00\x00\x3F\x00", 6));

std::string Sof(uint16_t height, uint16_t width, uint8_t components, uint8_t marker = 0xC0) {
  std::string body;
  body += char(8);
  body += char(height >> 8);
  body += char(height & 0xFF);
  body += char(width >> 8);
  body += char(width & 0xFF);
  body += char(components);
  for (int c = 0; c < components; ++c) body += std::string("\x01\x11\x00", 3);
  return Section(marker, body);
}

}  // namespace

class ExifByteOrder : public ::testing::TestWithParam<bool> {};

TEST_P(ExifByteOrder, ReadsEveryCameraField) {
  Builder b(GetParam());
  std::vector<Directory> dirs(2);
  dirs[0].tags = {Text(0x010F, "Glimmer Camera Co"), Text(0x0110, "GX-1"), Short(0x0112, 6), Rational(0x011A, 300, 1),
                  Rational(0x011B, 150, 1),          Short(0x0128, 2),     Link(0x8769, 1)};
  dirs[1].tags = {Undefined(0x9000, "0221"), Text(0x9003, "2021:06:01 12:34:56"),
                  Rational(0x829A, 1, 250),  Rational(0x829D, 28, 10),
                  Short(0x8822, 2),          Short(0x8827, 100),
                  Rational(0x9102, 3, 1),    SRational(0x9203, -5, 2),
                  SRational(0x9204, -1, 3),  Rational(0x9206, 5, 2),
                  Short(0x9207, 5),          Short(0x9208, 1),
                  Short(0x9209, 0x19),       Rational(0x920A, 50, 1),
                  Long(0xA002, 3000),        Long(0xA003, 2000),
                  Rational(0xA20E, 4000, 1), Rational(0xA20F, 4000, 1),
                  Short(0xA210, 2)};
  GbExifInfo reader;
  ASSERT_TRUE(Parse(reader, b.Tiff(dirs)));
  const ExifRecord& r = *reader.Record();
  EXPECT_STREQ(r.cameraMake, "Glimmer Camera Co");
  EXPECT_STREQ(r.cameraModel, "GX-1");
  EXPECT_STREQ(r.version, "0221");
  EXPECT_STREQ(r.dateTime, "2021:06:01 12:34:56");
  EXPECT_EQ(r.orientation, 6);
  EXPECT_FLOAT_EQ(r.xResolution, 300.0f);
  EXPECT_FLOAT_EQ(r.yResolution, 150.0f);
  EXPECT_FLOAT_EQ(r.resolutionUnit, 1.0f);
  EXPECT_FLOAT_EQ(r.exposureTime, 1.0f / 250);
  EXPECT_FLOAT_EQ(r.apertureFNumber, 2.8f);
  EXPECT_EQ(r.exposureProgram, 2);
  EXPECT_EQ(r.isoEquivalent, 100);
  EXPECT_EQ(r.compressionLevel, 3);
  EXPECT_FLOAT_EQ(r.brightness, -2.5f);
  EXPECT_FLOAT_EQ(r.exposureBias, -1.0f / 3);
  EXPECT_FLOAT_EQ(r.distance, 2.5f);
  EXPECT_EQ(r.meteringMode, 5);
  EXPECT_EQ(r.whiteBalance, 1);
  EXPECT_EQ(r.flashUsed, 1);
  EXPECT_FLOAT_EQ(r.focalLength, 50.0f);
  EXPECT_FLOAT_EQ(r.focalPlaneXRes, 4000.0f);
  EXPECT_FLOAT_EQ(r.focalPlaneYRes, 4000.0f);
  EXPECT_FLOAT_EQ(r.focalPlaneUnits, 1.0f);
  // Largest EXIF dimension x units / focal plane resolution.
  EXPECT_FLOAT_EQ(r.ccdWidth, 0.75f);
  EXPECT_STREQ(reader.LastError(), "");
}

INSTANTIATE_TEST_SUITE_P(IntelAndMotorola, ExifByteOrder, ::testing::Values(false, true));

TEST(ExifReader, CutsTextsToTheirFields) {
  Builder b(false);
  std::vector<Directory> dirs(1);
  dirs[0].tags = {Text(0x010F, std::string(40, 'm')), Text(0x0110, std::string(50, 'n')),
                  Text(0x9003, "2021:06:01 12:34:56 and more")};
  GbExifInfo reader;
  ASSERT_TRUE(Parse(reader, b.Tiff(dirs)));
  EXPECT_EQ(std::string(reader.Record()->cameraMake), std::string(31, 'm'));
  EXPECT_EQ(std::string(reader.Record()->cameraModel), std::string(39, 'n'));
  EXPECT_STREQ(reader.Record()->dateTime, "2021:06:01 12:34:56");
}

TEST(ExifReader, ApexValuesOnlyFillEmptyFields) {
  Builder b(true);
  std::vector<Directory> dirs(1);
  dirs[0].tags = {SRational(0x9201, 8, 1), Rational(0x9202, 4, 1)};
  GbExifInfo reader;
  ASSERT_TRUE(Parse(reader, b.Tiff(dirs)));
  EXPECT_FLOAT_EQ(reader.Record()->exposureTime, 1.0f / 256);  // 1 / 2^8
  EXPECT_FLOAT_EQ(reader.Record()->apertureFNumber, 4.0f);     // 2^(4 / 2)

  dirs[0].tags = {Rational(0x829A, 1, 60), Rational(0x829D, 8, 1), SRational(0x9201, 8, 1), Rational(0x9205, 4, 1)};
  GbExifInfo second;
  ASSERT_TRUE(Parse(second, b.Tiff(dirs)));
  EXPECT_FLOAT_EQ(second.Record()->exposureTime, 1.0f / 60);
  EXPECT_FLOAT_EQ(second.Record()->apertureFNumber, 8.0f);
}

TEST(ExifReader, IsoFlashAndUnits) {
  Builder b(false);
  std::vector<Directory> dirs(1);
  dirs[0].tags = {Short(0x8827, 2), Short(0x9209, 0x10), Short(0x0128, 3), Short(0xA210, 4)};
  GbExifInfo reader;
  ASSERT_TRUE(Parse(reader, b.Tiff(dirs)));
  EXPECT_EQ(reader.Record()->isoEquivalent, 400);  // below 50: times 200
  EXPECT_EQ(reader.Record()->flashUsed, 0);        // bits 0..2 clear
  EXPECT_FLOAT_EQ(reader.Record()->resolutionUnit, 0.3937007874f);
  EXPECT_FLOAT_EQ(reader.Record()->focalPlaneUnits, 0.03937007874f);

  dirs[0].tags = {Short(0x0128, 5), Short(0x0128, 7)};  // 7 is no unit: the field stays
  GbExifInfo units;
  ASSERT_TRUE(Parse(units, b.Tiff(dirs)));
  EXPECT_FLOAT_EQ(units.Record()->resolutionUnit, 0.00003937007874f);
}

TEST(ExifReader, UndefinedOrientationIsZeroWithAMessage) {
  Builder b(true);
  std::vector<Directory> dirs(1);
  dirs[0].tags = {Short(0x0112, 9), Text(0x010F, "after")};
  GbExifInfo reader;
  EXPECT_TRUE(Parse(reader, b.Tiff(dirs)));
  EXPECT_EQ(reader.Record()->orientation, 0);
  EXPECT_STREQ(reader.LastError(), "Undefined rotation value");
  EXPECT_STREQ(reader.Record()->cameraMake, "after");  // parsing went on
}

TEST(ExifReader, NestingStopsAtTheFifthLevel) {
  // Directory i links to directory i + 1: levels 0 to 5.
  Builder b(false);
  std::vector<Directory> dirs(6);
  for (int i = 0; i < 5; ++i) dirs[size_t(i)].tags = {Link(0x8769, i + 1)};
  dirs[4].tags.push_back(Short(0x8827, 320));  // level 4: read
  dirs[5].tags = {Rational(0x920A, 35, 1)};    // level 5: refused
  GbExifInfo reader;
  EXPECT_TRUE(Parse(reader, b.Tiff(dirs)));
  EXPECT_EQ(reader.Record()->isoEquivalent, 320);
  EXPECT_EQ(reader.Record()->focalLength, 0.0f);
  EXPECT_STREQ(reader.LastError(), "Maximum directory nesting exceeded (corrupt exif header)");
}

TEST(ExifReader, DirectoriesThatLoopAreReadOnce) {
  Builder b(true);
  std::vector<Directory> dirs(2);
  dirs[0].tags = {Link(0x8769, 1), Short(0x8827, 100)};
  dirs[0].next = 0;  // links to itself
  dirs[1].tags = {Link(0x8769, 0), Link(0xA005, 1)};
  GbExifInfo reader;
  EXPECT_TRUE(Parse(reader, b.Tiff(dirs)));
  EXPECT_EQ(reader.Record()->isoEquivalent, 100);
}

TEST(ExifReader, HeaderMessages) {
  GbExifInfo reader;
  const std::string wrong = B("Exig\0\0II*\0\x08\0\0\0");
  EXPECT_FALSE(reader.ProcessExif(reinterpret_cast<const uint8_t*>(wrong.data()), wrong.size()));
  EXPECT_STREQ(reader.LastError(), "Incorrect Exif header");

  EXPECT_FALSE(Parse(reader, B("XX*\0\x08\0\0\0\0\0")));
  EXPECT_STREQ(reader.LastError(), "Invalid Exif alignment marker.");

  EXPECT_FALSE(Parse(reader, B("II+\0\x08\0\0\0\0\0")));
  EXPECT_STREQ(reader.LastError(), "Invalid Exif start (1)");
  EXPECT_FALSE(Parse(reader, B("MM*\0\0\0\0\x08\0\0")));  // 42 written little-endian
  EXPECT_STREQ(reader.LastError(), "Invalid Exif start (1)");
}

TEST(ExifReader, DirectoryMessages) {
  Builder b(false);
  // 50 entries announced, none there.
  const std::string tiff = B("II*\0\x08\0\0\0\x32\0");
  GbExifInfo reader;
  EXPECT_FALSE(Parse(reader, std::string(tiff.data(), tiff.size())));
  EXPECT_STREQ(reader.LastError(), "Illegally sized directory");

  std::vector<Directory> dirs(1);
  dirs[0].tags = {Raw(0x0112, 13, 1, 1)};
  GbExifInfo format;
  EXPECT_FALSE(Parse(format, b.Tiff(dirs)));
  EXPECT_STREQ(format.LastError(), "Illegal format code in EXIF dir");

  // A value that lies outside the block loses that entry only.
  dirs[0].tags = {Raw(0x010F, 2, 100, 0x7FFFFFF0), Short(0x8827, 200)};
  GbExifInfo pointer;
  EXPECT_TRUE(Parse(pointer, b.Tiff(dirs)));
  EXPECT_STREQ(pointer.LastError(), "Illegal pointer offset value in EXIF.");
  EXPECT_STREQ(pointer.Record()->cameraMake, "");
  EXPECT_EQ(pointer.Record()->isoEquivalent, 200);

  // Counts whose byte size overflows 32 bits are caught too.
  dirs[0].tags = {Raw(0x829A, 5, 0x20000001, 8)};
  GbExifInfo overflow;
  EXPECT_TRUE(Parse(overflow, b.Tiff(dirs)));
  EXPECT_STREQ(overflow.LastError(), "Illegal pointer offset value in EXIF.");

  dirs[0].tags = {Raw(0x8769, 4, 1, 0x00100000), Short(0x8827, 300)};
  GbExifInfo link;
  EXPECT_TRUE(Parse(link, b.Tiff(dirs)));
  EXPECT_STREQ(link.LastError(), "Illegal subdirectory link");
  EXPECT_EQ(link.Record()->isoEquivalent, 300);
}

TEST(ExifReader, ThumbnailAndItsDirectory) {
  Builder b(true);
  std::vector<Directory> dirs(2);
  dirs[0].tags = {Rational(0x011A, 300, 1), Rational(0x011B, 300, 1), Short(0x0128, 2)};
  dirs[0].next = 1;
  // The thumbnail's directory: its resolution is the thumbnail's own.
  dirs[1].tags = {Rational(0x011A, 72, 1), Rational(0x011B, 72, 1), Long(0x0201, 8), Long(0x0202, 16)};
  const std::string tiff = b.Tiff(dirs);
  const std::string data = std::string("Exif\0\0", 6) + tiff;
  GbExifInfo reader;
  ASSERT_TRUE(reader.ProcessExif(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
  EXPECT_FLOAT_EQ(reader.Record()->xResolution, 300.0f);
  EXPECT_FLOAT_EQ(reader.Record()->yResolution, 300.0f);
  EXPECT_EQ(reader.Record()->thumbnail, reinterpret_cast<const uint8_t*>(data.data()) + 6 + 8);
  EXPECT_EQ(reader.Record()->thumbnailSize, 16u);

  dirs[1].tags = {Long(0x0201, 8), Long(0x0202, 100000)};  // does not fit
  GbExifInfo outside;
  ASSERT_TRUE(Parse(outside, b.Tiff(dirs)));
  EXPECT_EQ(outside.Record()->thumbnail, nullptr);
  EXPECT_EQ(outside.Record()->thumbnailSize, 0u);
}

TEST(ExifReader, UserComment) {
  Builder b(false);
  std::vector<Directory> dirs(1);
  dirs[0].tags = {Undefined(0x9286, B("ASCII\0\0\0Hello there   "))};
  GbExifInfo reader;
  ASSERT_TRUE(Parse(reader, b.Tiff(dirs)));
  EXPECT_STREQ(reader.Record()->comments, "Hello there");

  dirs[0].tags = {Undefined(0x9286, "Plain words " + std::string(300, 'x'))};
  GbExifInfo plain;
  ASSERT_TRUE(Parse(plain, b.Tiff(dirs)));
  EXPECT_EQ(std::string(plain.Record()->comments), ("Plain words " + std::string(300, 'x')).substr(0, 199));
}

TEST(ExifReader, AnyCutOfABlockStaysInsideIt) {
  Builder b(true);
  std::vector<Directory> dirs(3);
  dirs[0].tags = {Text(0x010F, "Make of the camera"), Rational(0x011A, 300, 1), Link(0x8769, 1)};
  dirs[0].next = 2;
  dirs[1].tags = {Undefined(0x9286, B("ASCII\0\0\0comment text")), Rational(0x829A, 1, 30)};
  dirs[2].tags = {Long(0x0201, 8), Long(0x0202, 4)};
  const std::string data = std::string("Exif\0\0", 6) + b.Tiff(dirs);
  // The sanitizer sees any byte read past each shortened copy.
  for (size_t n = 0; n <= data.size(); ++n) {
    std::vector<uint8_t> copy(data.begin(), data.begin() + long(n));
    GbExifInfo reader;
    reader.ProcessExif(copy.data(), copy.size());
  }
}

TEST(ExifScan, SectionsUpToTheStartOfScan) {
  Builder b(false);
  std::vector<Directory> dirs(1);
  dirs[0].tags = {Text(0x010F, "Maker")};
  const std::string bytes = kSoi + Section(0xE0, B("JFIF\0\x01\x01")) + App1(b.Tiff(dirs)) +
                            Section(0xE1, "http://ns.adobe.com/xap/1.0/") + Section(0xFE, "first") +
                            Section(0xFE, "second") + Sof(120, 160, 3, 0xC2) + kSos + "\x12\x34";
  GbExifInfo reader;
  ASSERT_TRUE(Scan(reader, bytes));
  const ExifRecord& r = *reader.Record();
  EXPECT_TRUE(r.isExif);
  EXPECT_STREQ(r.cameraMake, "Maker");
  EXPECT_EQ(r.height, 120);
  EXPECT_EQ(r.width, 160);
  EXPECT_EQ(r.isColor, 1);
  EXPECT_EQ(r.process, 0xC2);
  EXPECT_STREQ(r.comments, "first");
  // Kept: the EXIF APP1, the first comment, the frame header and the scan.
  EXPECT_EQ(reader.SectionCount(), 4);
  EXPECT_NE(reader.FindSection(0xE1), nullptr);
  EXPECT_EQ(reader.FindSection(0xE0), nullptr);
}

TEST(ExifScan, CommentSectionText) {
  GbExifInfo reader;
  ASSERT_TRUE(Scan(reader, kSoi + Section(0xFE, "one\r\ntwo\x01\tthree\rfour\xE9") + kSos));
  EXPECT_STREQ(reader.Record()->comments, "one\ntwo?\tthree?four?");

  GbExifInfo longer;
  ASSERT_TRUE(Scan(longer, kSoi + Section(0xFE, std::string(1500, 'c')) + kSos));
  EXPECT_EQ(std::string(longer.Record()->comments), std::string(998, 'c'));
}

TEST(ExifScan, Failures) {
  GbExifInfo reader;
  EXPECT_FALSE(Scan(reader, "\x89PNG\r\n"));
  EXPECT_STREQ(reader.LastError(), "");

  EXPECT_FALSE(Scan(reader, kSoi + B("\xFF\xE0\x00\x01")));
  EXPECT_STREQ(reader.LastError(), "invalid marker");

  EXPECT_FALSE(Scan(reader, kSoi + B("\xFF\xE2\x00\x40short")));
  EXPECT_STREQ(reader.LastError(), "Premature end of file?");

  EXPECT_FALSE(Scan(reader, kSoi + Section(0xE2, "x") + "\xFF\xD9"));  // no image

  std::string many = kSoi;
  for (int i = 0; i < 20; ++i) many += Section(0xE2, "icc");
  EXPECT_FALSE(Scan(reader, many + kSos));
  EXPECT_STREQ(reader.LastError(), "Too many sections in jpg file");

  // Up to six fill bytes before a marker are fine, seven are not.
  GbExifInfo fills;
  EXPECT_TRUE(Scan(fills, kSoi + std::string(6, '\xFF') + B("\xFE\x00\x04ok") + kSos));
  EXPECT_STREQ(fills.Record()->comments, "ok");
  EXPECT_FALSE(Scan(fills, kSoi + std::string(7, '\xFF') + B("\xFE\x00\x04ok") + kSos));
}
