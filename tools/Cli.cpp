#include "tools/Cli.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

// Letters to change, add or drop to turn a into b (for "did you mean").
size_t Distance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
}

}  // namespace

CliArgs::CliArgs(const std::vector<std::string>& raw, const std::vector<std::string>& optionSpecs) : raw_(raw) {
  enum Kind { Flag, Single, Repeated };
  std::map<std::string, Kind> known;
  for (const std::string& spec : optionSpecs) {
    const char last = spec.empty() ? 0 : spec.back();
    if (last == '=')
      known[spec.substr(0, spec.size() - 1)] = Single;
    else if (last == '*')
      known[spec.substr(0, spec.size() - 1)] = Repeated;
    else
      known[spec] = Flag;
  }
  auto fail = [&](std::string text) {
    if (error_.empty()) error_ = std::move(text);
  };
  bool optionsEnded = false;
  for (size_t i = 0; i < raw.size(); ++i) {
    const std::string& a = raw[i];
    if (optionsEnded || a.size() < 2 || a.compare(0, 2, "--") != 0) {
      positional_.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = a.substr(2);
    std::optional<std::string> inlineValue;
    if (const auto eq = name.find('='); eq != std::string::npos) {
      inlineValue = name.substr(eq + 1);
      name.erase(eq);
    }
    if (name == "help") {
      help_ = true;
      continue;
    }
    const auto it = known.find(name);
    if (it == known.end()) {
      std::string text = "unknown option --" + name;
      std::string nearest;
      size_t best = 3;
      for (const auto& [candidate, kind] : known)
        if (const size_t d = Distance(name, candidate); d < best) best = d, nearest = candidate;
      if (!nearest.empty()) text += " (did you mean --" + nearest + "?)";
      fail(text);
      continue;
    }
    if (it->second == Flag) {
      if (inlineValue)
        fail("option --" + name + " takes no value");
      else if (has(name))
        fail("option --" + name + " is given twice");
      else
        flags_.push_back(name);
      continue;
    }
    if (it->second == Single && options_.count(name)) fail("option --" + name + " is given twice");
    if (inlineValue) {
      options_.emplace(name, *inlineValue);
    } else if (i + 1 < raw.size()) {
      options_.emplace(name, raw[++i]);
    } else {
      fail("option --" + name + " needs a value");
    }
  }
}

bool CliParseDecimal(const std::string& text, long& out) {
  if (text.empty() || text.find_first_not_of("+-0123456789") != std::string::npos) return false;
  errno = 0;
  char* end = nullptr;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (*end != 0 || errno == ERANGE || end == text.c_str()) return false;
  out = n;
  return true;
}

bool CliArgs::has(const std::string& name) const {
  return options_.count(name) || std::find(flags_.begin(), flags_.end(), name) != flags_.end();
}

std::optional<std::string> CliArgs::value(const std::string& name) const {
  auto it = options_.find(name);
  if (it == options_.end()) return std::nullopt;
  return it->second;
}

std::vector<std::string> CliArgs::values(const std::string& name) const {
  std::vector<std::string> out;
  auto range = options_.equal_range(name);
  for (auto it = range.first; it != range.second; ++it) out.push_back(it->second);
  return out;
}

std::string CliArgs::valueOr(const std::string& name, const std::string& fallback) const {
  auto v = value(name);
  return v ? *v : fallback;
}

bool CliArgs::intValue(const std::string& name, long& out, long fallback) const {
  auto v = value(name);
  if (!v) {
    out = fallback;
    return true;
  }
  if (!CliParseDecimal(*v, out)) {
    std::fprintf(stderr, "glimmerbox-cli: --%s expects a whole number, got \"%s\"\n", name.c_str(), v->c_str());
    return false;
  }
  return true;
}

CliRegistry& CliRegistry::instance() {
  static CliRegistry registry;
  return registry;
}

void CliRegistry::add(CliCommand command) {
  std::string name = command.name;
  commands_[name] = std::move(command);
}

const CliCommand* CliRegistry::find(const std::string& name) const {
  auto it = commands_.find(name);
  return it == commands_.end() ? nullptr : &it->second;
}
