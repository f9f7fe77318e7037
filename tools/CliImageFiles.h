// Small helpers the image sub-commands share.
#pragma once

#include <string>

// The extension without the dot ("" when there is none).
std::string CliExtension(const std::string& path);
// Type id from a path's extension (0 when unknown).
unsigned CliTypeOfPath(const std::string& path);
// True when progress may be drawn: stderr is a terminal.
bool CliProgressWanted();
