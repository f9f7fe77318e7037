// "decorate": flattens a picture and a list of picture and text layers the
// way the layer editor does, for batch use and for checks from outside.
// Layers are drawn in the order they are given.
#include <cstdio>
#include <cstring>
#include <string>

#include "image/core/GbImage.h"
#include "image/core/TextSettings.h"
#include "layers/model/MixLayers.h"
#include "tools/Cli.h"
#include "tools/CliImageFiles.h"
#include "tools/CliText.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "glimmerbox-cli decorate: %s\n", message.c_str());
  return 1;
}

bool Coordinate(const std::string& text, int32_t& out) {
  long v = 0;
  if (!CliParseDecimal(text, v) || v < INT32_MIN || v > INT32_MAX) return false;
  out = int32_t(v);
  return true;
}

int RunDecorate(const CliArgs& args) {
  // Look shared by every text layer, from the text tool's defaults.
  TextSettings look;
  InitTextSettings(look);
  std::memset(look.text, 0, sizeof look.text);
  if (auto face = args.value("font")) {
    if (face->size() >= sizeof look.font.lfFaceName) return Fail("the font name is longer than 31 characters");
    std::memset(look.font.lfFaceName, 0, sizeof look.font.lfFaceName);
    std::memcpy(look.font.lfFaceName, face->data(), face->size());
  }
  long number = 0;
  if (!args.intValue("height", number, look.font.lfHeight)) return 2;
  if (number < -2000 || number > 2000) return Fail("--height expects -2000 to 2000");
  look.font.lfHeight = int32_t(number);
  if (auto c = args.value("color"); c && !ParseColour(*c, look.textColor)) return Fail("--color expects #RRGGBB");
  if (auto c = args.value("box"); c && !ParseColour(*c, look.boxColor)) return Fail("--box expects #RRGGBB");
  if (args.has("no-box")) look.opaque = 0;
  if (auto a = args.value("align")) {
    if (*a == "left")
      look.alignment = kAlignLeft;
    else if (*a == "centre" || *a == "center")
      look.alignment = kAlignCentre;
    else if (*a == "right")
      look.alignment = kAlignRight;
    else
      return Fail("--align expects left, centre or right");
  }

  // The positional IN OUT and the layers, in the order given.
  std::vector<std::string> files;
  std::vector<MixLayerData> layers(1);
  const std::vector<std::string>& raw = args.raw();
  for (size_t i = 0; i < raw.size(); ++i) {
    const std::string& a = raw[i];
    if (a == "--picture" || a == "--text") {
      if (i + 3 >= raw.size()) return Fail(a + " expects three values: " + (a == "--text" ? "TEXT X Y" : "FILE X Y"));
      MixLayerData layer;
      if (!Coordinate(raw[i + 2], layer.x) || !Coordinate(raw[i + 3], layer.y))
        return Fail(a + " " + raw[i + 1] + ": X and Y must be whole numbers");
      if (a == "--text") {
        const std::string text = Lines(raw[i + 1]);
        if (text.size() >= sizeof look.text) return Fail("a text is longer than 4095 characters");
        layer.isText = 1;
        layer.path = "TEXT";
        layer.text = look;
        std::memcpy(layer.text.text, text.data(), text.size());
      } else {
        layer.path = raw[i + 1];
        GbImage probe;
        if (!LoadLayerPicture(layer.path, probe))
          return Fail("can't use " + layer.path + ": " + (*probe.LastError() ? probe.LastError() : "cannot be read"));
      }
      layers.push_back(layer);
      i += 3;
    } else if (a.rfind("--", 0) == 0) {
      // Options of one value were checked by the parser already.
      if (a.find('=') == std::string::npos && a != "--no-box") ++i;
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) return Fail("expects IN OUT and layers (see \"help decorate\")");
  const uint32_t outType = CliTypeOfPath(files[1]);
  if (outType == GB_TYPE_UNKNOWN) return Fail("unknown output type: " + files[1]);

  // The base is read the way the editor reads it: any size the engine takes.
  layers[0].path = files[0];
  GbImage base;
  if (!base.LoadFile(files[0].c_str(), CliTypeOfPath(files[0])))
    return Fail("can't read " + files[0] + ": " + base.LastError());
  CliReportWarning(base, files[0]);
  HBITMAP baseBitmap = base.MakeDibSection();
  if (!baseBitmap) return Fail("not enough memory for " + files[0]);
  layers[0].source = CallerPicture;
  GbImage composite;
  LayerRenderState state;
  RenderLayers(layers, baseBitmap, composite, state);
  DeleteObject(baseBitmap);
  if (!composite.HasPixels()) return Fail("nothing could be drawn");
  if (!composite.SaveFile(files[1].c_str(), outType))
    return Fail("can't write " + files[1] + ": " + composite.LastError());
  for (size_t i = 1; i < layers.size(); ++i) {
    const RECT r = LayerRectInComposite(layers[i]);
    std::printf("layer %zu %s: %ld,%ld %ldx%ld\n", i, layers[i].isText ? "text" : "picture", long(r.left), long(r.top),
                long(r.right - r.left), long(r.bottom - r.top));
  }
  return 0;
}

}  // namespace

GB_CLI_COMMAND("decorate", "draw picture and text layers over a picture, as the layer editor does",
               "IN OUT [--picture FILE X Y]... [--text TEXT X Y]... [--font NAME] [--height N]\n"
               "    [--color #RRGGBB] [--box #RRGGBB] [--no-box] [--align left|centre|right]\n"
               "  Layers are drawn in the order given. A picture's X is its left column and Y\n"
               "  grows upward (Y = 10 puts its top edge 10 rows above the picture). A text's\n"
               "  (X, Y) is the bottom row of its box at its centre (or left or right edge by\n"
               "  --align). The picture's top-left pixel colour is see-through. Prints where\n"
               "  each layer lies (left,top widthxheight, rows from the top).",
               {"picture*", "text*", "no-box", "font=", "height=", "color=", "box=", "align="}, RunDecorate);
