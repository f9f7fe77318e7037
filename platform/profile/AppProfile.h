// The application profile: per-user start values of the text tool and the
// image options, in an INI file under ConfigDirectory() that the user or an
// installer may provide. The program only reads it.
#pragma once
#include <string>
#include <string_view>

namespace gbprofile {

// The value, or def when the file or key is missing.
std::string AppProfileGetString(std::string_view section, std::string_view key, std::string_view def);
// Unsigned decimal value; def when absent, 0 for text that is not a number
// or is negative.
unsigned AppProfileGetInt(std::string_view section, std::string_view key, unsigned def);

}  // namespace gbprofile
