// "text": draws a text into a picture the way text layers are drawn, starting
// from the text tool's built-in look, so rendering can be checked from outside.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image/core/GbImage.h"
#include "image/core/TextSettings.h"
#include "tools/Cli.h"
#include "tools/CliImageFiles.h"
#include "tools/CliText.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "glimmerbox-cli text: %s\n", message.c_str());
  return 1;
}

int RunText(const CliArgs& args) {
  const auto& pos = args.positional();
  if (pos.size() != 5) return Fail("expects INPUT OUTPUT X Y TEXT (see \"help text\")");
  char* end = nullptr;
  const long x = std::strtol(pos[2].c_str(), &end, 10);
  if (*end || pos[2].empty()) return Fail("X must be a whole number");
  const long y = std::strtol(pos[3].c_str(), &end, 10);
  if (*end || pos[3].empty()) return Fail("Y must be a whole number");

  TextSettings s;
  InitTextSettings(s);
  const std::string text = Lines(pos[4]);
  if (text.size() >= sizeof s.text) return Fail("the text is longer than 4095 characters");
  std::memset(s.text, 0, sizeof s.text);
  std::memcpy(s.text, text.data(), text.size());
  if (auto face = args.value("face")) {
    if (face->size() >= sizeof s.font.lfFaceName) return Fail("the face name is longer than 31 characters");
    std::memset(s.font.lfFaceName, 0, sizeof s.font.lfFaceName);
    std::memcpy(s.font.lfFaceName, face->data(), face->size());
  }
  long number = 0;
  if (!args.intValue("height", number, s.font.lfHeight)) return 2;
  s.font.lfHeight = int32_t(number);
  if (!args.intValue("weight", number, s.font.lfWeight)) return 2;
  s.font.lfWeight = int32_t(number);
  if (args.has("italic")) s.font.lfItalic = 1;
  if (args.has("underline")) s.font.lfUnderline = 1;
  if (auto c = args.value("color")) {
    if (!ParseColour(*c, s.textColor)) return Fail("--color expects #RRGGBB");
  }
  if (auto c = args.value("box")) {
    if (!ParseColour(*c, s.boxColor)) return Fail("--box expects #RRGGBB");
  }
  if (args.has("no-box")) s.opaque = 0;
  if (args.has("hard")) s.smooth = 0;
  if (!args.intValue("radius", number, s.roundRadius)) return 2;
  if (number < 0 || number > 255) return Fail("--radius expects 0 to 255");
  s.roundRadius = uint8_t(number);
  if (auto o = args.value("opacity")) {
    s.boxOpacity = std::strtof(o->c_str(), &end);
    if (*end || o->empty()) return Fail("--opacity expects a number");
  }
  if (auto a = args.value("align")) {
    if (*a == "left" || *a == "0")
      s.alignment = kAlignLeft;
    else if (*a == "centre" || *a == "center" || *a == "1")
      s.alignment = kAlignCentre;
    else if (*a == "right" || *a == "2")
      s.alignment = kAlignRight;
    else
      return Fail("--align expects left, centre or right");
  }

  GbImage picture;
  if (!picture.LoadFile(pos[0].c_str(), CliTypeOfPath(pos[0])))
    return Fail("can't read " + pos[0] + ": " + picture.LastError());
  CliReportWarning(picture, pos[0]);
  const uint32_t type = CliTypeOfPath(pos[1]);
  if (type == GB_TYPE_UNKNOWN) return Fail("unknown output type: " + pos[1]);
  const RECT r = picture.DrawTextBox(nullptr, x, y, s, args.has("alpha"));
  if (r.right == 0 && r.bottom == 0 && s.text[0]) return Fail("no text could be drawn");
  if (!picture.SaveFile(pos[1].c_str(), type)) return Fail("can't write " + pos[1] + ": " + picture.LastError());
  std::printf("text %ld x %ld\n", long(r.right), long(r.bottom));
  return 0;
}

}  // namespace

GB_CLI_COMMAND("text", "draw a text with the text tool's look into a picture",
               "INPUT OUTPUT X Y TEXT [--face NAME] [--height N] [--weight N] [--italic] [--underline]\n"
               "    [--color #RRGGBB] [--box #RRGGBB] [--no-box] [--radius N] [--opacity F]\n"
               "    [--align left|centre|right] [--hard] [--alpha]\n"
               "  X, Y: top-down anchor; Y is the box's bottom row, X its left edge, centre or right\n"
               "  edge by the alignment. \\n in TEXT starts a new line. Prints the measured text size.",
               {"italic", "underline", "no-box", "hard", "alpha",
                "face=", "height=", "weight=", "color=", "box=", "radius=", "opacity=", "align="},
               RunText);
