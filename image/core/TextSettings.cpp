#include "image/core/TextSettings.h"

#include <cstring>

void InitTextSettings(TextSettings& record) {
  record = TextSettings{};
  std::strcpy(record.text, "Glimmerbox");
  record.font.lfHeight = -36;
  record.font.lfWeight = 400;
  record.font.lfCharSet = 238;
  record.font.lfQuality = 2;
  std::strcpy(record.font.lfFaceName, "Arial");
  record.textColor = 0xA0FFFF;
  record.alignment = kAlignCentre;
  record.smooth = 1;
  record.opaque = 1;
  record.boxColor = 0xA05000;
  record.boxOpacity = 0.0f;
  record.outline = 0;
  record.roundRadius = 20;
}
