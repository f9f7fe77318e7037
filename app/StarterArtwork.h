// The starter templates installed with the program, and the first-run step
// that fills missing template folders from them.
#pragma once
#include <string>

#include "app/SettingsStore.h"

// The installed starter artwork: $GLIMMERBOX_STARTER when set; else the
// folder "starter" beside the executable, or "../share/glimmerbox/starter"
// from it; else the source tree's assets/starter. Ends in "/"; empty when
// none of these exists.
std::string StarterArtworkDirectory();

// Every template folder of the store that is still its default folder under
// the application directory and does not exist is created and given the
// files of the starter folder of the same category. A folder the user chose
// elsewhere, or one that exists (even empty), is left alone. A folder is
// filled completely or not at all. Returns the number of folders filled.
int FillMissingTemplateFolders(const SettingsStore& store, const std::string& starterDirectory);
