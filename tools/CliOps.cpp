#include "tools/CliOps.h"

#include "tools/CliImageFiles.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

namespace {

std::string hintOf(const CliOpParam& p) {
  switch (p.kind) {
    case CliArgKind::Bool: return p.name + ":0|1";
    case CliArgKind::Colour: return p.name + ":#RRGGBB";
    case CliArgKind::Palette: return p.name + ":none|#RRGGBB|FILE";
    case CliArgKind::Image: return p.name + ":FILE";
    case CliArgKind::Rect: return p.name + ".left " + p.name + ".top " + p.name + ".right " + p.name + ".bottom";
    case CliArgKind::Text: return p.name + ":TEXT";
    case CliArgKind::Number: return p.names ? p.name + ":" + p.names->type : p.name;
    default: return p.name;
  }
}

// Word counts a command may have: the typed parameters up to and including
// the last one without a default, then each further one in turn.
std::vector<int> validCounts(const CliOp& op) {
  std::vector<int> counts;
  int total = 0;
  bool optional = false;
  for (const CliOpParam& p : op.params) {
    if (p.tokens == 0) continue;
    if (p.hasDefault && !optional) {
      optional = true;
      counts.push_back(total);
    }
    total += p.tokens;
    if (optional) counts.push_back(total);
  }
  if (!optional) counts.push_back(total);
  return counts;
}

}  // namespace

// ---- the op description ------------------------------------------------------

std::string CliOp::Usage() const {
  std::string u = name;
  for (const CliOpParam& p : params) {
    if (p.tokens == 0) continue;
    if (p.hasDefault)
      u += " [" + hintOf(p) + "=" + p.defaultText + "]";
    else
      u += " " + hintOf(p);
  }
  return u;
}

int CliOp::MinArgs() const { return validCounts(*this).front(); }
int CliOp::MaxArgs() const { return validCounts(*this).back(); }

CliOpRegistry& CliOpRegistry::instance() {
  static CliOpRegistry registry;
  return registry;
}

void CliOpRegistry::add(CliOp op) {
  auto it = ops_.find(op.name);
  if (it != ops_.end()) {
    it->second.tableError = "registered twice";
    return;
  }
  std::string name = op.name;
  ops_.emplace(std::move(name), std::move(op));
}

const CliOp* CliOpRegistry::find(const std::string& name) const {
  auto it = ops_.find(name);
  return it == ops_.end() ? nullptr : &it->second;
}

// ---- words ---------------------------------------------------------------------

std::vector<std::string> SplitCliWords(const std::string& text, std::string& error) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (char c : text) {
    if (quote) {
      if (c == quote)
        quote = 0;
      else
        word += c;
    } else if (c == '"' || c == '\'') {
      quote = c;
      inWord = true;
    } else if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quote) error = "unclosed quote";
  if (inWord) words.push_back(word);
  return words;
}

namespace clio {

bool ParseNumber(const std::string& text, long double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  out = std::strtold(text.c_str(), &end);
  return end && *end == 0 && errno != ERANGE && std::isfinite(out) &&
         // Hex floats and words like "inf" are not what anyone types here.
         text.find_first_of("xXnNiI") == std::string::npos;
}

bool IsWhole(long double n) { return std::isfinite(n) && std::truncl(n) == n; }

bool ParseColour(const std::string& text, RGBQUAD& out) {
  if ((text.size() != 7 && text.size() != 9) || text[0] != '#') return false;
  uint8_t bytes[4] = {0, 0, 0, 0};
  for (size_t i = 1; i < text.size(); i += 2) {
    int v = 0;
    for (size_t k = i; k < i + 2; ++k) {
      const char c = text[k];
      int d;
      if (c >= '0' && c <= '9')
        d = c - '0';
      else if (c >= 'a' && c <= 'f')
        d = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F')
        d = c - 'A' + 10;
      else
        return false;
      v = v * 16 + d;
    }
    bytes[(i - 1) / 2] = uint8_t(v);
  }
  out = RGBQUAD{bytes[2], bytes[1], bytes[0], bytes[3]};
  return true;
}

bool LoadImageArg(const std::string& path, GbImage& out, std::string& error) {
  if (!out.LoadFile(path.c_str(), CliTypeOfPath(path))) {
    error = "cannot read image " + path + (*out.LastError() ? std::string(": ") + out.LastError() : "");
    return false;
  }
  CliReportWarning(out, path);
  return true;
}

bool ParseSpec(const char* spec, std::vector<CliOpParam>& params, std::string& error) {
  params.clear();
  std::string splitError;
  for (const std::string& word : SplitCliWords(spec ? spec : "", splitError)) {
    CliOpParam p;
    std::string head = word;
    const size_t eq = head.find('=');
    if (eq != std::string::npos) {
      p.hasDefault = true;
      p.defaultText = head.substr(eq + 1);
      head = head.substr(0, eq);
    }
    const size_t colon = head.find(':');
    if (colon != std::string::npos) {
      const std::string tag = head.substr(colon + 1);
      head = head.substr(0, colon);
      if (tag != "colorref") {
        error = "unknown mark :" + tag;
        return false;
      }
      p.kind = CliArgKind::Colour;
    }
    if (head.empty()) {
      error = "empty parameter name";
      return false;
    }
    p.name = head;
    if (head == "dest") p.kind = CliArgKind::Destination;
    params.push_back(p);
  }
  if (!splitError.empty()) error = splitError;
  return splitError.empty();
}

}  // namespace clio

// ---- running -------------------------------------------------------------------

bool RunCliOp(GbImage& picture, const std::string& text, bool progress, std::string& message) {
  std::string error;
  std::vector<std::string> words = SplitCliWords(text, error);
  if (!error.empty() || words.empty()) {
    message = "--op \"" + text + "\": " + (error.empty() ? "no operation named" : error);
    return false;
  }
  const std::string name = words.front();
  words.erase(words.begin());
  const CliOp* op = CliOpRegistry::instance().find(name);
  if (!op) {
    message = "unknown operation \"" + name + "\"; the operations are:";
    for (const auto& [n, o] : CliOpRegistry::instance().all()) message += "\n  " + o.Usage();
    return false;
  }
  if (!op->tableError.empty()) {
    message = name + ": not available (" + op->tableError + ")";
    return false;
  }
  bool countOk = false;
  for (int n : validCounts(*op)) countOk |= size_t(n) == words.size();
  if (!countOk) {
    const int lo = op->MinArgs(), hi = op->MaxArgs();
    message = name + " takes " + (lo == hi ? std::to_string(lo) : std::to_string(lo) + " to " + std::to_string(hi)) +
              " argument" + (hi == 1 ? "" : "s") + ", got " + std::to_string(words.size()) + "\nusage: --op \"" +
              op->Usage() + "\"";
    return false;
  }
  if (!progress) return op->invoke(picture, words, message);

  // The operation runs on a worker; this thread shows its progress field,
  // the one piece of state the two share.
  std::atomic<bool> done{false};
  bool ok = false;
  picture.SetProgress(0);
  std::thread worker([&] {
    ok = op->invoke(picture, words, message);
    done.store(true);
  });
  long shown = -1;
  while (!done.load()) {
    const long p = picture.Progress();
    if (p != shown) {
      std::fprintf(stderr, "\r%s %3ld%%", name.c_str(), p < 0 ? 0 : p > 100 ? 100 : p);
      std::fflush(stderr);
      shown = p;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  worker.join();
  if (shown >= 0) std::fprintf(stderr, "\r%*s\r", int(name.size()) + 6, "");
  return ok;
}
