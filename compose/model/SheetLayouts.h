// The five layouts of the sheet: slot rectangles in main-window client
// coordinates (subtract the sheet origin 423, 61 for sheet pixels).
#pragma once
#include <vector>

#include "platform/WinTypes.h"

constexpr int GB_LAYOUT_COUNT = 5;
constexpr int GB_MAX_SLOTS = 16;
constexpr int GB_BIG_SLOT_WIDTH = 174, GB_BIG_SLOT_HEIGHT = 130;
constexpr int GB_SMALL_SLOT_WIDTH = 84, GB_SMALL_SLOT_HEIGHT = 62;
// Dialog id of slot i's window.
constexpr int GB_SLOT_CONTROL_BASE = 65520;

// The rectangles of layout k in slot order; empty for k outside 0..4.
const std::vector<RECT>& LayoutSlots(int layout);
