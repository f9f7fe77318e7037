#include "app/SettingsStore.h"

SettingsStore& TheSettings() {
  static SettingsStore store;
  return store;
}
