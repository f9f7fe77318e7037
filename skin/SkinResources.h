// The skin's pictures by resource id. Each id maps to one file in the skin
// folder (assets/skin by default); a file that is missing is drawn by the
// built-in artwork instead, so the program always has a face. The files are
// written by glimmerbox-skinart from the same drawing code, and real bitmaps
// can replace any of them.
#pragma once
#include <QImage>
#include <QString>
#include <vector>

enum class SkinResKind { Bitmap, Icon };

struct SkinResource {
  int id;
  SkinResKind kind;
  const char* file;  // file name inside the skin folder
  int width;
  int height;
  const char* use;  // who shows it
};

// Ids of the kit's own pictures (not named by any window).
enum SkinKitIds : int {
  kResSliderChannel = 9001,
  kResSliderChannelActive = 9002,
  kResSliderThumb = 9003,
  kResSliderThumbActive = 9004,
  kResSkinButtonNormal = 9010,  // 88 x 26 general text-button faces
  kResSkinButtonHover = 9011,
  kResSkinButtonPressed = 9012,
  kResSkinButtonDisabled = 9013,
  kResSkinButtonMask = 9014,
  kResCheckNormal = 9020,  // 16 x 16 check and radio marks
  kResCheckChecked = 9021,
  kResRadioNormal = 9022,
  kResRadioChecked = 9023,
  kResGalleryBackground = 9100,  // the developer gallery window
};

const std::vector<SkinResource>& SkinResourceTable();
const SkinResource* FindSkinResource(int id);

// Folder the files are read from: $GLIMMERBOX_SKIN_DIR, else the skin folder
// installed beside the program, else the source tree's assets/skin.
QString SkinAssetsDir();
// Points the loader at another folder (an empty string restores the default)
// and forgets every cached picture.
void SetSkinAssetsDir(const QString& dir);

// A bitmap: RGB32, magenta stays magenta. Null for an unknown id.
QImage LoadSkinBitmap(int id);
// An icon: ARGB32 with its own transparency. Null for an unknown id.
QImage LoadSkinIcon(int id);
// The built-in drawing of a resource, ignoring files (the art generator uses it).
QImage DrawSkinResource(int id);
