// Constants and small helpers shared by the skinned windows and controls.
#pragma once
#include <QColor>
#include <QFont>
#include <QString>

#include "platform/WinTypes.h"

// Modal results.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Message box type word: low nibble the buttons, next nibble the icon.
constexpr UINT MB_OK = 0x00;
constexpr UINT MB_OKCANCEL = 0x01;
constexpr UINT MB_YESNO = 0x04;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;

// The control that closes every skinned window.
constexpr int kCloseControlId = 1175;

// See-through colour of every skin bitmap.
constexpr COLORREF kSkinKey = 0xFF00FF;

// Notification codes carried from a control to its dialog's command table.
enum SkinNotify : int {
  kNotifyClicked = 0,    // button click or menu command (an ordinary command)
  kNotifySelChange = 1,  // combo box or list selection changed
  kNotifyDoubleClicked = 5,
  kNotifyScrollPos = 0x04FF,    // a drop-down's scroll bar moved: value = position
  kNotifySliderMoving = 10449,  // a slider's thumb moves: value = position
  kNotifySliderMoved = 10450,   // a slider move ended: value = position
};

inline QColor QColorFromRef(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
inline COLORREF RefFromQColor(const QColor& c) { return RGB(BYTE(c.red()), BYTE(c.green()), BYTE(c.blue())); }

// A font by its Windows name, pixel height and weight (400 normal, 700 bold).
// The names resolve through fontconfig ("Tahoma" to a similar sans face).
QFont SkinFont(const QString& face, int pixelHeight, int weight);

// The fonts the kit draws with.
QFont SkinLabelFont();  // "Tahoma" bold 11
QFont SkinTitleFont();  // "Tahoma" bold 13
QFont SkinSerifFont();  // "MS Serif" bold 10
QFont SkinMenuFont();   // the shared menu font
