// An INI file held in memory as its original lines, so that a change to one
// key leaves every other byte (comments, unknown sections, order, line ends)
// exactly as it was. Lookups follow Windows profile rules: section and key
// names compare without regard to ASCII case, names and values are trimmed of
// blanks, a value in matching quotes loses them, and the first of duplicate
// keys wins.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gbprofile {

class ProfileDocument {
 public:
  ProfileDocument() = default;
  explicit ProfileDocument(std::string_view bytes) { Parse(bytes); }

  void Parse(std::string_view bytes);
  // The file's bytes: the original ones with the changes applied.
  std::string Bytes() const;
  bool Empty() const { return lines_.empty(); }

  // The trimmed, unquoted value of the first matching key; nullopt when the
  // section or key is absent, or the line has no "=".
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  // Section names in file order, duplicates (in any case) listed once.
  std::vector<std::string> SectionNames() const;
  // Key names of every section of that name, in file order, listed once.
  std::vector<std::string> KeyNames(std::string_view section) const;

  // Replaces the first matching key's line, or adds "key=value" at the end of
  // the first section of that name, or adds the section at the end. False
  // (nothing changed) when a name or the value could not be stored as one line.
  bool Set(std::string_view section, std::string_view key, std::string_view value);
  // Removes every line of the key in sections of that name; true when found.
  bool Remove(std::string_view section, std::string_view key);
  // Removes every section of that name with all its lines; true when found.
  bool RemoveSection(std::string_view section);

  // Names and values that fit one line and cannot be misread as another kind.
  static bool ValidSectionName(std::string_view name);
  static bool ValidKeyName(std::string_view name);
  static bool ValidValue(std::string_view value);

 private:
  enum class Kind { Other, Section, Entry };
  struct Line {
    std::string text;  // without its line end
    std::string eol;   // "\n", "\r\n" or "" for a last line without one
  };
  struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // entries: trimmed value, quotes still on
  };
  Parsed Classify(size_t index) const;
  std::string LineEnd() const;

  std::vector<Line> lines_;
};

// ASCII-only, locale-independent.
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string_view TrimBlanks(std::string_view s);

}  // namespace gbprofile
