// The main window's own pictures, drawn in code: the command button faces
// (glyph and caption on a rounded face), the layout buttons and the sheet
// panel's layout pictures, which outline the slots of each layout.
#pragma once
#include <QImage>
#include <QString>

namespace MainArt {

enum class Glyph {
  SelectFrame,
  AddFrame,
  FrameOption,
  SelectPhoto,
  AddPhoto,
  Print,
  Webcam,
  Snapshot,
  SavePicture,
  Configure,
  OpenProject,
  SaveProject,
  AddToSheet,
  Previous,
  Next,
  Minimise,
  Close,
  About,
  FirstPage,
  LastPage,
  Search,
};

// Face states, in the order the skinned button takes them.
enum Face { kNormal = 0, kPressed = 1, kHover = 2, kDisabled = 3 };

// A command button face of w x h with the glyph above the caption (no
// caption: the glyph fills the face). Transparent outside the rounded face.
QImage CommandFace(int w, int h, int face, Glyph glyph, const QString& caption);
// A 16 x 16 layout button: a small picture of layout k's slots.
QImage LayoutButtonFace(int layout, int face);
// The sheet panel's picture of layout k: 364 x 276, each slot outlined.
QImage LayoutPicture(int layout);
// The drag cursor's picture: 16 x 16, white is see-through.
QImage DragCursorPicture();

}  // namespace MainArt
