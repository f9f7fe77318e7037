// --op table: settings and palette operations of the image object.
#include "tools/CliOps.h"

GB_CLI_OPS(GB_OP(Fill, "value=0"), GB_OP(SetGreyPalette, ""), GB_OP(SetStandardPalette, ""), GB_OP(SwapRedBlue, ""),
           GB_OP(SwapPaletteIndices, "a b"),
           GB_OP_SIG(SetPaletteColor, void (GbImage::*)(uint32_t, RGBQUAD), "index colour"), GB_OP(SetDpiX, "dpi"),
           GB_OP(SetDpiY, "dpi"), GB_OP(SetBackgroundIndex, "index"), GB_OP(SetBackgroundColor, "colour"),
           GB_OP(SetColorsImportant, "count"), GB_OP(SetJpegQuality, "quality"),
           GB_OP(SetCodecOption, "word type=0"), );
