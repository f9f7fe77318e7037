#include "platform/profile/ProfileDocument.h"

#include <algorithm>

namespace gbprofile {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool HasLineBreakOrNul(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

void AddUnique(std::vector<std::string>& list, std::string_view name) {
  for (const auto& have : list)
    if (EqualsNoCase(have, name)) return;
  list.emplace_back(name);
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

std::string_view TrimBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

void ProfileDocument::Parse(std::string_view bytes) {
  lines_.clear();
  size_t pos = 0;
  while (pos < bytes.size()) {
    const size_t nl = bytes.find('\n', pos);
    if (nl == std::string_view::npos) {
      lines_.push_back({std::string(bytes.substr(pos)), ""});
      break;
    }
    size_t end = nl;
    std::string eol = "\n";
    if (end > pos && bytes[end - 1] == '\r') {
      --end;
      eol = "\r\n";
    }
    lines_.push_back({std::string(bytes.substr(pos, end - pos)), std::move(eol)});
    pos = nl + 1;
  }
}

std::string ProfileDocument::Bytes() const {
  size_t total = 0;
  for (const auto& l : lines_) total += l.text.size() + l.eol.size();
  std::string out;
  out.reserve(total);
  for (const auto& l : lines_) {
    out += l.text;
    out += l.eol;
  }
  return out;
}

ProfileDocument::Parsed ProfileDocument::Classify(size_t index) const {
  std::string_view t = lines_[index].text;
  if (index == 0 && t.substr(0, kUtf8Bom.size()) == kUtf8Bom) t.remove_prefix(kUtf8Bom.size());
  t = TrimBlanks(t);
  Parsed p;
  if (t.empty() || t.front() == ';') return p;
  if (t.front() == '[') {
    std::string_view name = t.substr(1);
    const size_t close = name.find(']');
    if (close != std::string_view::npos) name = name.substr(0, close);
    p.kind = Kind::Section;
    p.name = TrimBlanks(name);
    return p;
  }
  const size_t eq = t.find('=');
  if (eq == std::string_view::npos) return p;
  p.kind = Kind::Entry;
  p.name = TrimBlanks(t.substr(0, eq));
  p.value = TrimBlanks(t.substr(eq + 1));
  return p;
}

std::string ProfileDocument::LineEnd() const {
  for (const auto& l : lines_)
    if (!l.eol.empty()) return l.eol;
  return "\n";
}

std::optional<std::string> ProfileDocument::Find(std::string_view section, std::string_view key) const {
  if (key.empty()) return std::nullopt;
  section = TrimBlanks(section);
  key = TrimBlanks(key);
  bool inSection = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const Parsed p = Classify(i);
    if (p.kind == Kind::Section) {
      inSection = EqualsNoCase(p.name, section);
    } else if (p.kind == Kind::Entry && inSection && EqualsNoCase(p.name, key)) {
      std::string_view v = p.value;
      if (v.size() >= 2 && v.front() == v.back() && (v.front() == '"' || v.front() == '\''))
        v = v.substr(1, v.size() - 2);
      // Callers get a C-string view of the value, as the Windows reader gives.
      const size_t nul = v.find('\0');
      if (nul != std::string_view::npos) v = v.substr(0, nul);
      return std::string(v);
    }
  }
  return std::nullopt;
}

std::vector<std::string> ProfileDocument::SectionNames() const {
  std::vector<std::string> names;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const Parsed p = Classify(i);
    if (p.kind == Kind::Section) AddUnique(names, p.name);
  }
  return names;
}

std::vector<std::string> ProfileDocument::KeyNames(std::string_view section) const {
  section = TrimBlanks(section);
  std::vector<std::string> names;
  bool inSection = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const Parsed p = Classify(i);
    if (p.kind == Kind::Section)
      inSection = EqualsNoCase(p.name, section);
    else if (p.kind == Kind::Entry && inSection && !p.name.empty())
      AddUnique(names, p.name);
  }
  return names;
}

bool ProfileDocument::ValidSectionName(std::string_view name) {
  name = TrimBlanks(name);
  return !name.empty() && !HasLineBreakOrNul(name) && name.find(']') == std::string_view::npos;
}

bool ProfileDocument::ValidKeyName(std::string_view name) {
  name = TrimBlanks(name);
  return !name.empty() && !HasLineBreakOrNul(name) && name.find('=') == std::string_view::npos && name.front() != '[' &&
         name.front() != ';';
}

bool ProfileDocument::ValidValue(std::string_view value) { return !HasLineBreakOrNul(value); }

bool ProfileDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  // A line break in any part would smuggle extra keys or sections into the file.
  if (!ValidSectionName(section) || !ValidKeyName(key) || !ValidValue(value)) return false;
  section = TrimBlanks(section);
  key = TrimBlanks(key);

  size_t header = lines_.size();
  bool inSection = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const Parsed p = Classify(i);
    if (p.kind == Kind::Section) {
      inSection = EqualsNoCase(p.name, section);
      if (inSection && header == lines_.size()) header = i;
    } else if (p.kind == Kind::Entry && inSection && EqualsNoCase(p.name, key)) {
      // Keep the line's indentation and the key's spelling as stored.
      std::string& text = lines_[i].text;
      const size_t nameAt = size_t(p.name.data() - text.data());
      std::string rebuilt = text.substr(0, nameAt + p.name.size());
      rebuilt += '=';
      rebuilt += value;
      text = std::move(rebuilt);
      return true;
    }
  }

  const std::string eol = LineEnd();
  Line entry{std::string(key) + "=" + std::string(value), eol};
  if (header < lines_.size()) {
    size_t insertAt = header + 1;
    for (size_t j = header + 1; j < lines_.size(); ++j) {
      const Parsed p = Classify(j);
      if (p.kind == Kind::Section) break;
      if (!TrimBlanks(lines_[j].text).empty()) insertAt = j + 1;
    }
    if (lines_[insertAt - 1].eol.empty()) lines_[insertAt - 1].eol = eol;
    lines_.insert(lines_.begin() + std::ptrdiff_t(insertAt), std::move(entry));
    return true;
  }

  if (!lines_.empty() && lines_.back().eol.empty()) lines_.back().eol = eol;
  lines_.push_back({"[" + std::string(section) + "]", eol});
  lines_.push_back(std::move(entry));
  return true;
}

bool ProfileDocument::Remove(std::string_view section, std::string_view key) {
  section = TrimBlanks(section);
  key = TrimBlanks(key);
  if (key.empty()) return false;
  bool found = false;
  bool inSection = false;
  for (size_t i = 0; i < lines_.size();) {
    const Parsed p = Classify(i);
    if (p.kind == Kind::Section) inSection = EqualsNoCase(p.name, section);
    if (p.kind == Kind::Entry && inSection && EqualsNoCase(p.name, key)) {
      lines_.erase(lines_.begin() + std::ptrdiff_t(i));
      found = true;
      continue;
    }
    ++i;
  }
  return found;
}

bool ProfileDocument::RemoveSection(std::string_view section) {
  section = TrimBlanks(section);
  bool found = false;
  bool inSection = false;
  for (size_t i = 0; i < lines_.size();) {
    const Parsed p = Classify(i);
    if (p.kind == Kind::Section) inSection = EqualsNoCase(p.name, section);
    if (inSection) {
      found = true;
      lines_.erase(lines_.begin() + std::ptrdiff_t(i));
      continue;
    }
    ++i;
  }
  return found;
}

}  // namespace gbprofile
