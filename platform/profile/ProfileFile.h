// Profile-file functions over INI files on disk, with the Windows behaviour
// the settings code relies on: reads never fail (a missing, empty or
// unreadable file reads as empty), values are cut to the caller's buffer,
// the file is created by the first write, a write changes only its own line,
// and a write to a read-only file fails quietly.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile/ProfileDocument.h"

namespace gbprofile {

// Buffer of the profile reads: 259 characters and the terminator.
constexpr size_t kProfileBufferSize = 260;
// Larger files are not settings files; they are neither read nor rewritten.
constexpr size_t kMaxProfileFileBytes = 16u << 20;

enum class FileState { Ok, Missing, Unreadable };

// Whole-file read of a regular file of at most kMaxProfileFileBytes.
FileState ReadProfileBytes(const std::string& path, std::string& bytes);
// Replaces the file's contents (creating it when missing) so that a crash or a
// full disk leaves the old or the new contents, never a mix. Refuses a file
// that is read-only, even for the superuser, as Windows does.
bool WriteProfileBytes(const std::string& path, std::string_view bytes);
// True when the path exists but may not be written.
bool IsReadOnlyFile(const std::string& path);

// Loads the file; a missing or unreadable one gives an empty document.
ProfileDocument LoadProfile(const std::string& path);

// The value, or nullopt when the key is absent (no length limit).
std::optional<std::string> FindProfileValue(const std::string& file, std::string_view section, std::string_view key);

// The value, or def when the key is absent, cut to bufferSize - 1 characters.
std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view def,
                                    const std::string& file, size_t bufferSize = kProfileBufferSize);
// Decimal value with an optional sign, read up to the first non-digit ("12x"
// gives 12, "x" gives 0) and held within the int range; def when absent.
int GetPrivateProfileInt(std::string_view section, std::string_view key, int def, const std::string& file);
// Writes one key; false when the file cannot be written or the text does not
// fit one line. Nothing else in the file changes.
bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::string& file);
bool DeletePrivateProfileKey(std::string_view section, std::string_view key, const std::string& file);
bool DeletePrivateProfileSection(std::string_view section, const std::string& file);

std::vector<std::string> GetPrivateProfileSectionNames(const std::string& file);
std::vector<std::string> GetPrivateProfileKeyNames(std::string_view section, const std::string& file);

// The decimal parse of GetPrivateProfileInt, for text from elsewhere.
int ParseDecimalInt(std::string_view text);

}  // namespace gbprofile
