// The skin resources every window shares, loaded once at start-up and kept
// until the program ends: the combo box skin, the message box strip and tile,
// and whether windows can be made translucent (for the drop-down's fade-in).
#pragma once
#include <QImage>

#include "platform/WinTypes.h"

struct SharedSkin {
  bool loaded = false;
  // Whether top-level windows can fade (the platform supports window opacity).
  bool translucency = false;
  QImage comboFace;    // 227
  QImage comboButton;  // 229
  QImage comboCap;     // 230, left cap, mirrored for the right one
  COLORREF comboColours[2] = {0xC8C8C8, 0xB4B4B4};
  int comboValues[2] = {0, 0};
  QImage msgTitle;  // 263
  QImage msgTile;   // 265
};

// Loads once; later calls do nothing. Needs a QGuiApplication.
void LoadSharedSkin();
// The shared resources (loaded on first use when LoadSharedSkin was not called).
const SharedSkin& GetSharedSkin();
// Tests switch the fade-in off or on.
void SetSkinTranslucency(bool on);
