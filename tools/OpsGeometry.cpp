// --op table: geometry transforms.
#include "tools/CliOps.h"

GB_CLI_OPS(GB_OP(FlipVertical, "flipSelection=0 flipAlpha=1"),
           GB_OP(MirrorHorizontal, "mirrorSelection=0 mirrorAlpha=1"), GB_OP(RotateQuarterLeft, "dest"),
           GB_OP(RotateQuarterRight, "dest"), GB_OP(RotateHalfTurn, "dest"),
           GB_OP(RotateFree, "angle dest method=Bilinear overflow=Color replacement=none rightAngles=1 keepSize=0"),
           GB_OP(ResampleSimple, "width height mode=Nearest dest"),
           GB_OP(ResampleInterpolated, "width height method=CatmullRom overflow=Repeat dest disableAveraging=0"),
           GB_OP(QIShrink, "width height dest changeTo24Bits=0"), GB_OP(CropTo, "left top right bottom dest"),
           GB_OP(CropToRect, "rect dest"), GB_OP(SkewBy, "xGain yGain xPivot yPivot interpolate=1"),
           GB_OP(ExpandCanvas, "left top right bottom colour dest"), );
