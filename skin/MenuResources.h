// Menu descriptions: what a menu resource holds (items, separators, popups).
#pragma once
#include <QString>
#include <vector>

#include "platform/WinTypes.h"

// Item state bits as a menu resource gives them.
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_SEPARATOR = 0x0800;

struct MenuItemDesc {
  QString text;
  int id = 0;
  UINT state = 0;
  std::vector<MenuItemDesc> children;  // for MF_POPUP
};
using MenuDesc = std::vector<MenuItemDesc>;

// Menu resources by id (507: the sheet's "Combination" menu). Empty when unknown.
MenuDesc LoadMenuResource(int id);

// Shorthands for building descriptions in code.
inline MenuItemDesc MenuCommand(const QString& text, int id, UINT state = 0) { return {text, id, state, {}}; }
inline MenuItemDesc MenuSeparator() { return {QString(), 0, MF_SEPARATOR, {}}; }
inline MenuItemDesc MenuPopup(const QString& text, MenuDesc children, UINT state = 0) {
  return {text, 0, state | MF_POPUP, std::move(children)};
}
