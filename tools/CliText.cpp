#include "tools/CliText.h"

#include <cstdlib>

bool ParseColour(const std::string& text, COLORREF& out) {
  const std::string hex = !text.empty() && text[0] == '#' ? text.substr(1) : text;
  if (hex.size() != 6 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
  const unsigned long v = std::strtoul(hex.c_str(), nullptr, 16);
  out = RGB(BYTE(v >> 16), BYTE(v >> 8), BYTE(v));
  return true;
}

std::string Lines(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n')) {
      out += "\r\n";
      if (text[i] == '\\') ++i;
    } else if (text[i] != '\r') {
      out += text[i];
    }
  }
  return out;
}
