// Text arguments of the commands that draw text (text, decorate).
#pragma once
#include <string>

#include "image/core/TextSettings.h"

// "#RRGGBB" (or "RRGGBB") into a COLORREF; false when it is not six hex digits.
bool ParseColour(const std::string& text, COLORREF& out);
// Line breaks typed as a real newline or as the two characters \n become CR LF,
// as the text dialog stores them; a lone CR is dropped.
std::string Lines(const std::string& text);
