// --op table: alpha and selection planes, transparency and mixing.
#include "tools/CliOps.h"

GB_CLI_OPS(GB_OP(CreateAlpha, ""), GB_OP(DeleteAlpha, ""), GB_OP(FillAlpha, "level"), GB_OP(WriteAlpha, "x y level"),
           GB_OP(InvertAlpha, ""), GB_OP(CopyAlphaFrom, "source"), GB_OP(AlphaFromImage, "grey"), GB_OP(FlipAlpha, ""),
           GB_OP(MirrorAlpha, ""), GB_OP(CreateSelection, ""), GB_OP(DeleteSelection, ""),
           GB_OP(ClearSelection, "level=0"), GB_OP(WriteSelection, "x y level"),
           GB_OP(AddRectToSelection, "rect level=255"), GB_OP(SelectionSet, "grey"), GB_OP(RebuildSelectionBox, ""),
           GB_OP(SplitSelection, "dest"), GB_OP(CopySelectionFrom, "source"), GB_OP(FlipSelection, ""),
           GB_OP(MirrorSelection, ""), GB_OP(EnablePaletteAlpha, "flag"), GB_OP(MakeTransparencyMask, "dest"),
           GB_OP(MixWith, "source operation dx=0 dy=0 mixAlpha=0"), GB_OP(PasteFrom, "source x y"), );
