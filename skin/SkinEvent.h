// How a skinned control tells its dialog that something happened: the
// control finds the nearest SkinEventTarget among its ancestors (a skinned
// dialog, or any window that wants the notifications) and hands it the event.
#pragma once

class QWidget;

struct SkinEvent {
  int code = 0;   // SkinNotify value
  int id = 0;     // control id of the sender
  int value = 0;  // position, selection index, ...
  QWidget* sender = nullptr;
};

class SkinEventTarget {
 public:
  virtual ~SkinEventTarget() = default;
  // Returns true when the event was handled.
  virtual bool OnSkinEvent(const SkinEvent& event) = 0;
};

// Control ids live in a dynamic property so any widget can carry one.
void SetControlId(QWidget* control, int id);
int ControlId(const QWidget* control);  // 0 when it has none

// Sends code/value from control to the first ancestor that is a target.
// Returns true when some target handled it.
bool SendSkinEvent(QWidget* control, int code, int value = 0);
