// A dialog's command table: which member function handles which
// notification of which control. One table per dialog class, written as a
// static list, so each window's command list reads as one table in its code:
//
//   const SkinCommandTable<DlgMix> DlgMix::kCommands = {
//       {1135, &DlgMix::OnAccept},                         // click
//       {1206, &DlgMix::OnThumbnail},                      // click, handler gets the id
//       {kNotifySelChange, 1127, &DlgMix::OnLayerSelected},
//       {kNotifySliderMoved, 1100, 1102, &DlgX::OnSlider}, // handler gets id and value
//   };
#pragma once
#include <functional>
#include <initializer_list>
#include <vector>

#include "skin/SkinEvent.h"
#include "skin/SkinTypes.h"

template <class D>
class SkinCommandTable {
 public:
  struct Entry {
    int code;
    int firstId;
    int lastId;
    std::function<void(D&, const SkinEvent&)> call;

    // A click on control id.
    Entry(int id, void (D::*fn)()) : Entry(kNotifyClicked, id, id, fn) {}
    Entry(int id, void (D::*fn)(int)) : Entry(kNotifyClicked, id, id, fn) {}
    // A notification of control id.
    Entry(int notifyCode, int id, void (D::*fn)()) : Entry(notifyCode, id, id, fn) {}
    Entry(int notifyCode, int id, void (D::*fn)(int)) : Entry(notifyCode, id, id, fn) {}
    Entry(int notifyCode, int id, void (D::*fn)(int, int)) : Entry(notifyCode, id, id, fn) {}
    // A notification of any control in [first, last].
    Entry(int notifyCode, int first, int last, void (D::*fn)())
        : code(notifyCode), firstId(first), lastId(last), call([fn](D& d, const SkinEvent&) { (d.*fn)(); }) {}
    // Handler gets the control id.
    Entry(int notifyCode, int first, int last, void (D::*fn)(int))
        : code(notifyCode), firstId(first), lastId(last), call([fn](D& d, const SkinEvent& e) { (d.*fn)(e.id); }) {}
    // Handler gets the control id and the value (slider position, selection).
    Entry(int notifyCode, int first, int last, void (D::*fn)(int, int))
        : code(notifyCode),
          firstId(first),
          lastId(last),
          call([fn](D& d, const SkinEvent& e) { (d.*fn)(e.id, e.value); }) {}
  };

  SkinCommandTable(std::initializer_list<Entry> entries) : entries_(entries) {}

  // Runs the first matching entry; false when none matches.
  bool Dispatch(D& dialog, const SkinEvent& event) const {
    for (const Entry& e : entries_) {
      if (e.code == event.code && event.id >= e.firstId && event.id <= e.lastId) {
        e.call(dialog, event);
        return true;
      }
    }
    return false;
  }

  bool Handles(int code, int id) const {
    for (const Entry& e : entries_)
      if (e.code == code && id >= e.firstId && id <= e.lastId) return true;
    return false;
  }

 private:
  std::vector<Entry> entries_;
};
