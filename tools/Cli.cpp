#include "tools/Cli.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

CliArgs::CliArgs(const std::vector<std::string>& raw, const std::vector<std::string>& flagNames) {
  for (size_t i = 0; i < raw.size(); ++i) {
    const std::string& a = raw[i];
    if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      std::string name = a.substr(2);
      const auto eq = name.find('=');
      if (eq != std::string::npos) {
        options_.emplace(name.substr(0, eq), name.substr(eq + 1));
      } else if (std::find(flagNames.begin(), flagNames.end(), name) != flagNames.end()) {
        flags_.push_back(name);
      } else if (i + 1 < raw.size()) {
        options_.emplace(name, raw[++i]);
      } else {
        error_ = "option --" + name + " needs a value";
      }
    } else {
      positional_.push_back(a);
    }
  }
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
  errno = 0;
  char* end = nullptr;
  const long n = std::strtol(v->c_str(), &end, 0);
  if (v->empty() || *end != 0 || errno == ERANGE) {
    std::fprintf(stderr, "glimmerbox-cli: --%s expects a number, got \"%s\"\n", name.c_str(), v->c_str());
    return false;
  }
  out = n;
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
