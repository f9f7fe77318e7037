// The description of one piece of text drawn into an image: text, font,
// colours, alignment and the optional rounded background box. Copied by value.
#pragma once
#include <cstdint>

#include "platform/WinTypes.h"

constexpr int GB_TEXT_MAX = 4096;
constexpr int LF_FACESIZE = 32;

struct LOGFONT {
  int32_t lfHeight = 0;
  int32_t lfWidth = 0;
  int32_t lfEscapement = 0;
  int32_t lfOrientation = 0;
  int32_t lfWeight = 0;
  uint8_t lfItalic = 0;
  uint8_t lfUnderline = 0;
  uint8_t lfStrikeOut = 0;
  uint8_t lfCharSet = 0;
  uint8_t lfOutPrecision = 0;
  uint8_t lfClipPrecision = 0;
  uint8_t lfQuality = 0;
  uint8_t lfPitchAndFamily = 0;
  char lfFaceName[LF_FACESIZE] = {};
};

// Values of TextSettings::alignment, stored in settings and project files;
// they are also the drawing's left, centre and right text flags.
enum TextAlignment : int32_t { kAlignLeft = 0, kAlignCentre = 1, kAlignRight = 2 };

struct TextSettings {
  char text[GB_TEXT_MAX] = {};  // lines separated by CR or CR LF
  LOGFONT font{};
  COLORREF textColor = 0;
  int32_t alignment = kAlignLeft;  // a TextAlignment
  uint8_t smooth = 0;
  uint8_t opaque = 0;
  COLORREF boxColor = 0;
  float boxOpacity = 0.0f;  // 0..1
  uint8_t outline = 0;      // carried along, not drawn
  uint8_t roundRadius = 0;  // percent of the line height, at most 50
};

void InitTextSettings(TextSettings& record);
