#include "skin/SkinEvent.h"

#include <QFont>
#include <QVariant>
#include <QWidget>

#include "skin/SkinTypes.h"

namespace {
constexpr const char* kIdProperty = "gbControlId";
}

void SetControlId(QWidget* control, int id) {
  if (control) control->setProperty(kIdProperty, id);
}

int ControlId(const QWidget* control) {
  if (!control) return 0;
  const QVariant v = control->property(kIdProperty);
  return v.isValid() ? v.toInt() : 0;
}

bool SendSkinEvent(QWidget* control, int code, int value) {
  if (!control) return false;
  SkinEvent event{code, ControlId(control), value, control};
  for (QWidget* w = control->parentWidget(); w; w = w->parentWidget()) {
    if (auto* target = dynamic_cast<SkinEventTarget*>(w)) return target->OnSkinEvent(event);
  }
  return false;
}

QFont SkinFont(const QString& face, int pixelHeight, int weight) {
  QFont f(face);
  f.setPixelSize(std::max(1, pixelHeight));
  f.setWeight(QFont::Weight(std::clamp(weight, 100, 900)));
  f.setHintingPreference(QFont::PreferFullHinting);
  return f;
}

QFont SkinLabelFont() { return SkinFont(QStringLiteral("Tahoma"), 11, 700); }
QFont SkinTitleFont() { return SkinFont(QStringLiteral("Tahoma"), 13, 700); }
QFont SkinSerifFont() { return SkinFont(QStringLiteral("MS Serif"), 10, 700); }
QFont SkinMenuFont() { return SkinFont(QStringLiteral("Tahoma"), 12, 400); }
