// The base of every skinned window: a captionless dialog sized in pixels,
// its background bitmap stretched over it, its outline cut from a bitmap
// (magenta is see-through), a top strip that drags the window, controls
// placed by id, and a command table that routes the controls' notifications
// to member functions. exec() is the modal loop and returns IDOK, IDCANCEL or
// whatever the window passed to done().
#pragma once
#include <QDialog>
#include <QImage>
#include <QPointer>
#include <functional>
#include <map>

#include "skin/SkinCommands.h"
#include "skin/SkinEvent.h"
#include "skin/SkinTypes.h"

class SkinDialog : public QDialog, public SkinEventTarget {
  Q_OBJECT

 public:
  // Drag strip height meaning "anywhere that is not a control".
  static constexpr int kDragWholeWindow = 1 << 20;

  explicit SkinDialog(QWidget* parent = nullptr);
  ~SkinDialog() override;

  // Skin from a bitmap resource: size the window, stretch the bitmap as the
  // background, cut the outline from it, and drag by the rows [0, dragStrip).
  // dragStrip 0: no drag strip. Returns false when the bitmap is missing
  // (the window then keeps a plain face and rectangular shape).
  bool SetSkin(int backgroundId, int width, int height, int dragStrip);
  bool SetSkinImage(const QImage& background, int width, int height, int dragStrip);
  // Cuts the outline from another picture than the background (or none: null).
  void SetShapeImage(const QImage& shape);
  void SetDragStrip(int rows) { dragStrip_ = rows; }
  int DragStrip() const { return dragStrip_; }
  const QImage& Background() const { return background_; }

  // Controls by id. Add creates a T(parent = this), gives it the id, places
  // it at (x, y, w, h) and shows it.
  template <class T>
  T* Add(int id, int x, int y, int w, int h) {
    T* control = new T(this);
    Place(control, id, QRect(x, y, w, h));
    return control;
  }
  // Adopts a control made elsewhere (it becomes a child of this window).
  void Place(QWidget* control, int id, const QRect& rect);
  QWidget* Item(int id) const;
  template <class T>
  T* ItemAs(int id) const {
    return qobject_cast<T*>(Item(id));
  }
  void MoveItem(int id, int x, int y, int w, int h);
  void ShowItem(int id, bool show);
  void EnableItem(int id, bool enable);

  // Forwards a Qt signal of a standard widget as a notification of its id.
  template <class W>
  void Forward(W* widget, void (W::*signal)(), int code) {
    connect(widget, signal, this, [widget, code] { SendSkinEvent(widget, code, 0); });
  }
  template <class W>
  void Forward(W* widget, void (W::*signal)(int), int code) {
    connect(widget, signal, this, [widget, code](int v) { SendSkinEvent(widget, code, v); });
  }

  // The id the Enter key sends as a click (Escape always sends IDCANCEL).
  void SetDefaultId(int id) { defaultId_ = id; }

  // Centre the window on a global rectangle, or on the screen.
  void CentreOn(const QRect& globalRect);
  void CentreOnScreen();

  // The notification entry point: the window's table first, then the
  // defaults (1 OK, 2 Cancel, 1175 close button).
  bool OnSkinEvent(const SkinEvent& event) override;

  // Closing paths. Escape, the window manager's close and control 2 come to
  // OnCancel; control 1 to OnOK; the close button 1175 to OnCloseButton.
  virtual void OnOK() { done(IDOK); }
  virtual void OnCancel() { done(IDCANCEL); }
  virtual void OnCloseButton() { OnCancel(); }

  void accept() override { OnOK(); }
  void reject() override { OnCancel(); }

 signals:
  // A press in the drag strip started moving the window (global position).
  void dragStarted(QPoint globalPos);

 protected:
  // Installs the window's command table.
  template <class D>
  void UseCommands(const SkinCommandTable<D>& table) {
    dispatch_ = [this, &table](const SkinEvent& e) { return table.Dispatch(*static_cast<D*>(this), e); };
  }

  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplyShape();
  void BeginMove(QPoint globalPos);

  QImage background_;
  QImage shape_;
  bool shapeFromBackground_ = true;
  int dragStrip_ = 0;
  int defaultId_ = IDOK;
  std::function<bool(const SkinEvent&)> dispatch_;
  // Manual move when the platform cannot move the window itself.
  bool manualMove_ = false;
  QPoint moveOffset_;
};
