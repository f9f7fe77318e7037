// The per-user key store that stands in for the registry: string values
// addressed by root, subkey and value name, kept in one INI file under
// ConfigDirectory() (one section per key, e.g.
// "[HKEY_CURRENT_USER\Software\Glimmerbox\General]"). Key and value names
// compare without regard to case. Values are stored in quotes so that they
// come back byte for byte, blanks included.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace gbprofile {

enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine };

// REG_SZ values: at most 260 bytes with the terminator.
constexpr size_t kRegMaxValueBytes = 260;

// False when the value is missing, unreadable or longer than the limit.
bool RegQueryString(RegRoot root, std::string_view subkey, std::string_view name, std::string& value);
// Creates the store (and key) when missing. False when the store cannot be
// written, or the value is over the limit or not one line of text.
bool RegSetString(RegRoot root, std::string_view subkey, std::string_view name, std::string_view value);
bool RegDeleteValue(RegRoot root, std::string_view subkey, std::string_view name);

// The section name that holds a key, e.g. "HKEY_CURRENT_USER\Software\Glimmerbox\General".
std::string RegSectionName(RegRoot root, std::string_view subkey);

}  // namespace gbprofile
