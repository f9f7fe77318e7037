// The record readers of the metafile player: every WMF and EMF drawing
// record the player knows is turned into Player calls; unknown records are
// skipped. Every length and offset inside a record is checked against the
// record; a record that does not fit its stream ends the playback.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "image/codecs/MetaPlayer.h"

namespace meta {

// Plays the records that follow a Windows metafile header (records starts
// at the first record). objectCount is the header's object table size.
// cancelled is asked now and then; playback stops when it says so.
void PlayWmf(const uint8_t* records, size_t size, uint32_t objectCount, Player& player,
             const std::function<bool()>& cancelled);

// Plays an enhanced metafile (data starts at its header record).
void PlayEmf(const uint8_t* data, size_t size, Player& player, const std::function<bool()>& cancelled);

// Text of the records in UTF-8: single bytes in the Windows Latin code page,
// and UTF-16 little-endian code units.
std::string AnsiToUtf8(const uint8_t* bytes, size_t n);
std::string Utf16ToUtf8(const uint8_t* units, size_t count);
void AppendUtf8(std::string& out, uint32_t codePoint);

// A packed DIB split into its description (header, masks, colours) and its
// bits; false when the description does not fit.
bool SplitPackedDib(const uint8_t* dib, size_t size, size_t& infoSize);

// Rectangle lists of a region record (RGNDATA); false when malformed.
bool ParseRegionData(const uint8_t* data, size_t size, Rects& out);

}  // namespace meta
