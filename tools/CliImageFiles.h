// Small helpers the image sub-commands share.
#pragma once

#include <string>

// The extension without the dot ("" when there is none).
std::string CliExtension(const std::string& path);
// Type id from a path's extension (0 when unknown).
unsigned CliTypeOfPath(const std::string& path);
// True when progress may be drawn: stderr is a terminal.
bool CliProgressWanted();

// A decoder's warning about a damaged file it read as far as it goes, on
// standard error; nothing when there is none.
class GbImage;
void CliReportWarning(const GbImage& image, const std::string& path);

// The engine's size limit in plain words, for messages.
std::string CliMemoryLimitText();
// An engine error text as a user should read it: the size-limit message
// of the engine becomes plain words, anything else stays.
std::string CliPlainError(const char* engineText);
