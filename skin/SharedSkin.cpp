#include "skin/SharedSkin.h"

#include <QGuiApplication>

#include "skin/SkinResources.h"

namespace {
SharedSkin g_skin;
}

void LoadSharedSkin() {
  if (g_skin.loaded) return;
  g_skin.comboFace = LoadSkinBitmap(227);
  g_skin.comboButton = LoadSkinBitmap(229);
  g_skin.comboCap = LoadSkinBitmap(230);
  g_skin.msgTitle = LoadSkinBitmap(263);
  g_skin.msgTile = LoadSkinBitmap(265);
  // Window opacity is a platform feature; the off-screen platform has none.
  const QString platform = QGuiApplication::platformName();
  g_skin.translucency =
      !platform.isEmpty() && platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
  g_skin.loaded = true;
}

const SharedSkin& GetSharedSkin() {
  if (!g_skin.loaded) LoadSharedSkin();
  return g_skin;
}

void SetSkinTranslucency(bool on) {
  LoadSharedSkin();
  g_skin.translucency = on;
}
