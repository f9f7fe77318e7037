// A popup menu drawn by the program in windows of its own, with its own
// modal loop. Track() shows it, runs until it closes and returns the chosen
// command (0 for none); a chosen command is also sent to the owner as a
// click of that id before Track() returns. CSkinMenuPro adds per-item icons.
#pragma once
#include <QEventLoop>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QTimer>
#include <memory>
#include <vector>

#include "platform/WinTypes.h"
#include "skin/MenuResources.h"

class QPainter;
class QWidget;
class SkinMenuWindow;

class CSkinMenu {
 public:
  // Style bits (process-wide).
  enum : UINT {
    kFrame3d = 1,
    kRoundPopupMark = 8,
    kPressAtOnce = 16,
    kHotFrame3d = 32,
    kHotFrameLine = 64,
    kHotGradientH = 128,
    kIconColumn = 256,
    kHotGradientV = 512,
    kSeparatorEtched = 1024,
    kSeparatorRaised = 2048,
  };
  static constexpr int kBorder = 3;
  static constexpr int kMinItemHeight = 22;
  static constexpr int kSeparatorHeight = 5;
  static constexpr int kSubmenuDelayMs = 300;

  struct Item {
    QString text;
    int id = 0;
    UINT state = 0;
    std::unique_ptr<CSkinMenu> sub;
    QImage icon;
    int top = 0;
    int height = 0;
    bool IsSeparator() const { return state & MF_SEPARATOR; }
    bool IsPopup() const { return sub != nullptr; }
    bool IsDisabled() const { return state & (MF_DISABLED | MF_GRAYED); }
  };

  CSkinMenu();
  virtual ~CSkinMenu();
  CSkinMenu(const CSkinMenu&) = delete;
  CSkinMenu& operator=(const CSkinMenu&) = delete;

  // Builds the items (submenus recursively). Replaces what was there.
  bool Build(const MenuDesc& items);
  // The items of the popup at position pos of menu resource id.
  bool BuildFromResource(int resourceId, int pos = 0);

  // Shows the menu at a global point and runs until it closes.
  int Track(QPoint globalPos, QWidget* owner);

  // Process-wide look.
  static void SetStyleBit(UINT bit, bool on);
  static UINT Style();
  static void SetColour(int index, COLORREF colour);  // 0..11; others ignored
  static COLORREF Colour(int index);
  static void SetMenuFont(const QFont& font);
  static QFont MenuFont();
  // The work area menus keep inside (default: the screen's available area).
  static void SetWorkArea(const QRect& area);
  static QRect WorkArea(QPoint near);

  // State, for the windows and for tests.
  int ItemCount() const { return int(items_.size()); }
  const Item& ItemAt(int i) const { return items_[size_t(i)]; }
  CSkinMenu* Submenu(int i) const { return items_[size_t(i)].sub.get(); }
  int HotItem() const { return hot_; }
  CSkinMenu* OpenSubmenu() const { return openSub_; }
  CSkinMenu* ParentMenu() const { return parent_; }
  QWidget* Window() const;
  bool IsShown() const;
  QSize MenuSize() const { return size_; }
  // Measures the items (done by Track; public for tests).
  void Measure();
  // Where a menu of this size goes for a point (top level) or parent item.
  QPoint Placement(QPoint wanted) const;

  // Input, as the menu windows deliver it.
  void KeyPress(int key, Qt::KeyboardModifiers mods = {});
  void MouseMove(QPoint global);
  void MousePress(QPoint global, Qt::MouseButton button);
  void MouseRelease(QPoint global, Qt::MouseButton button);
  void Paint(QPainter& p);
  // Opens the hot item's submenu now (what the delay timer does).
  void OpenHotSubmenu();

 protected:
  virtual int IconSize() const;
  // Submenus are menus of the same kind.
  virtual std::unique_ptr<CSkinMenu> NewSubmenu() const { return std::make_unique<CSkinMenu>(); }
  // The window's shape; rectangular here.
  virtual QRegion Shape(const QSize& size) const;
  virtual void DrawIcon(QPainter& p, const Item& item, const QRect& itemRect, bool hot) const;
  std::vector<Item> items_;

 private:
  CSkinMenu* Root();
  CSkinMenu* Deepest();
  CSkinMenu* MenuAt(QPoint global);
  int ItemAtLocal(QPoint local) const;
  QRect ItemRect(int i) const;
  int TextIndent() const;
  void SetHot(int index);
  void ShowAt(QPoint pos);
  void HideLevel();
  void CloseSub();
  void CloseChain(int command);
  void Choose(int index);
  void MoveHot(int step);
  void DrawItem(QPainter& p, int index, bool hot) const;

  QSize size_;
  int hot_ = -1;
  bool pressed_ = false;
  CSkinMenu* parent_ = nullptr;
  CSkinMenu* openSub_ = nullptr;
  int openSubIndex_ = -1;
  std::unique_ptr<SkinMenuWindow> window_;
  QTimer openTimer_;
  QTimer closeTimer_;
  // Top level only: the loop, the owner and the result.
  QEventLoop* loop_ = nullptr;
  int result_ = 0;
  bool closing_ = false;
  QPointer<QWidget> owner_;

  friend class SkinMenuWindow;
};

class CSkinMenuPro : public CSkinMenu {
 public:
  // Items from the popup at itemsPos; icons from the popup at iconsPos, whose
  // entries give, position by position, the icon resource id of each item.
  bool BuildFromResource(int resourceId, int itemsPos, int iconsPos);
  bool BuildWithIcons(const MenuDesc& items, const std::vector<int>& iconIds);
  // An icon for item i (null clears).
  void SetItemIcon(int i, const QImage& icon);

 protected:
  int IconSize() const override;
  std::unique_ptr<CSkinMenu> NewSubmenu() const override { return std::make_unique<CSkinMenuPro>(); }
  void DrawIcon(QPainter& p, const Item& item, const QRect& itemRect, bool hot) const override;
};
