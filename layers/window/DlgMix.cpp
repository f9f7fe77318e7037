#include "layers/window/DlgMix.h"

#include <QBitmap>
#include <QIcon>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <algorithm>

#include "app/FacecraftApp.h"
#include "app/SysHelper.h"
#include "compose/model/Composition.h"
#include "compose/window/DlgThumNail.h"
#include "layers/window/DlgText.h"
#include "platform/gdi/text/QtBitmaps.h"
#include "retouch/editor/DlgFilter.h"
#include "retouch/editor/EditorViews.h"
#include "skin/CIconButton.h"
#include "skin/GbSkinButton.h"
#include "skin/MessageBoxDlg.h"
#include "skin/SkinArt.h"
#include "skin/SkinResources.h"

// The framed view: the composite at the editor's drawing position, moved by
// the scroll offsets. Mouse events pass through to the editor, which works
// in window coordinates.
class MixView : public QWidget {
 public:
  explicit MixView(DlgMix* editor) : QWidget(editor), editor_(editor) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const QRect inside = rect().adjusted(1, 1, -1, -1);
    p.fillRect(inside, QColor(0x80, 0x80, 0x80));
    const QImage& shown = editor_->Display();
    if (shown.isNull()) return;
    const QPoint at = editor_->DrawPosition() - pos();
    const QPoint from = editor_->ScrollOffset();
    const int w = std::min(shown.width() - from.x(), DlgMix::kViewWidth);
    const int h = std::min(shown.height() - from.y(), DlgMix::kViewHeight);
    p.setClipRect(inside);
    p.drawImage(at, shown, QRect(from, QSize(w, h)));
  }

 private:
  DlgMix* editor_;
};

namespace {

std::string Trimmed(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return "";
  const size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

// A cursor from a skin bitmap, white see-through, hot spot at the top left.
QCursor CursorFromBitmap(int id, Qt::CursorShape fallback) {
  const QImage art = LoadSkinBitmap(id);
  if (art.isNull()) return QCursor(fallback);
  QPixmap pixmap = QPixmap::fromImage(art);
  pixmap.setMask(QBitmap::fromImage(art.createMaskFromColor(qRgb(255, 255, 255), Qt::MaskOutColor)));
  return QCursor(pixmap, 0, 0);
}

// Picture of a thumbnail file at exactly w x h (the shape is not kept).
QImage ThumbnailPicture(const GbImage& picture, int w, int h) {
  HBITMAP bitmap = picture.MakeDibSection();
  if (!bitmap) return {};
  SharedBitmap small = ResizeBitmap(bitmap, w, h, ResizeResample);
  DeleteObject(bitmap);
  if (!small) return {};
  // Shown over the slot's face with the key colour left out, as the
  // decoration will look on the picture.
  QImage shown = QImageOfBitmap(small.get()).convertToFormat(QImage::Format_ARGB32);
  const QRgb key = shown.pixel(0, 0);
  for (int y = 0; y < shown.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(shown.scanLine(y));
    for (int x = 0; x < shown.width(); ++x)
      if ((row[x] & 0xFFFFFF) == (key & 0xFFFFFF)) row[x] = 0;
  }
  return shown;
}

QImage FramedThumbnail(int frameId, const QImage& picture) {
  QImage face = LoadSkinBitmap(frameId).convertToFormat(QImage::Format_RGB32);
  if (face.isNull()) face = QImage(71, 53, QImage::Format_RGB32), face.fill(Qt::white);
  QPainter p(&face);
  p.fillRect(QRect(3, 3, picture.width(), picture.height()), QColor(0xF4, 0xF6, 0xFA));
  p.drawImage(3, 3, picture);
  return face;
}

}  // namespace

const SkinCommandTable<DlgMix> DlgMix::kCommands = {
    {kAccept, &DlgMix::OnAccept},
    {kAddPicture, &DlgMix::OnAddPicture},
    {kAddPictureHidden, &DlgMix::OnAddPicture},
    {kNotifyClicked, 1206, 1209, &DlgMix::OnThumbnail},
    {kNotifyClicked, 1091, 1091, &DlgMix::OnThumbnail},
    {kAddText, &DlgMix::OnAddText},
    {kRemove, &DlgMix::OnRemove},
    {kClear, &DlgMix::OnClear},
    {kLayerUp, &DlgMix::OnLayerUp},
    {kLayerDown, &DlgMix::OnLayerDown},
    {kLeft, &DlgMix::OnLeft},
    {kRight, &DlgMix::OnRight},
    {kUp, &DlgMix::OnUp},
    {kDown, &DlgMix::OnDown},
    {kPreviousPage, &DlgMix::OnPreviousPage},
    {kNextPage, &DlgMix::OnNextPage},
};

DlgMix::DlgMix(HBITMAP picture, QWidget* parent, const MixContext& context)
    : SkinDialog(parent), caller_(picture), context_(context) {
  UseCommands(kCommands);
  setWindowTitle(QStringLiteral("Decorations"));
  const QImage appIcon = LoadSkinIcon(128);
  if (!appIcon.isNull()) setWindowIcon(QIcon(QPixmap::fromImage(appIcon)));
  CreateControls();
  overCursor_ = CursorFromBitmap(534, Qt::OpenHandCursor);
  dragCursor_ = CursorFromBitmap(533, Qt::ClosedHandCursor);
  setMouseTracking(true);
  CentreOnScreen();

  std::vector<FolderEntry> entries;
  if (!context_.emotionFolder.empty()) CSysHelper::ScanFolder(context_.emotionFolder, entries);
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.listed < b.listed; });
  for (const FolderEntry& e : entries) thumbFiles_.push_back(e.path);
  pageStart_ = 0;
  ShowThumbnailPage();

  if (caller_) {
    MixLayerData base;
    base.source = CallerPicture;
    InsertLayer(base, QStringLiteral("Image"));
  }
}

DlgMix::~DlgMix() = default;

void DlgMix::CreateControls() {
  SetSkin(178, 500, 410, 29);
  view_ = new MixView(this);
  Place(view_, kView, QRect(kViewLeft - 1, kViewTop - 1, kViewWidth + 2, kViewHeight + 2));
  view_->lower();
  hbar_ = new QScrollBar(Qt::Horizontal, this);
  Place(hbar_, kHScroll, QRect(kViewLeft, kViewTop + kViewHeight, kViewWidth, 18));
  vbar_ = new QScrollBar(Qt::Vertical, this);
  Place(vbar_, kVScroll, QRect(kViewLeft + kViewWidth, kViewTop, 18, kViewHeight));
  hbar_->hide();
  vbar_->hide();
  connect(hbar_, &QScrollBar::valueChanged, this, [this](int v) {
    scroll_.setX(v);
    view_->update();
  });
  connect(vbar_, &QScrollBar::valueChanged, this, [this](int v) {
    scroll_.setY(v);
    view_->update();
  });

  list_ = new QListWidget(this);
  Place(list_, kLayerList, QRect(333, 30, 97, 244));
  list_->setFont(SkinFont(QStringLiteral("Tahoma"), 11, 400));
  // Entries are paths: the file name at the end is the part worth seeing.
  list_->setTextElideMode(Qt::ElideLeft);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setWordWrap(false);
  connect(list_, &QListWidget::currentRowChanged, this, [this](int) {
    if (!filling_) OnLayerSelected();
  });
  connect(list_, &QListWidget::itemChanged, this, &DlgMix::OnItemChanged);

  auto text = [this](int id, int y, const char* caption, const char* tip) {
    auto* b = Add<GbSkinButton>(id, 431, y, 60, 23);
    b->SetSkin(510, 510, 509, 0, 0, 511);
    b->setText(QString::fromUtf8(caption));
    b->setFont(SkinFont(QStringLiteral("Tahoma"), 9, 400));
    b->SetTextColour(RGB(0x31, 0x42, 0x61));
    if (*tip) b->SetTooltipText(QString::fromUtf8(tip));
    b->setFocusPolicy(Qt::NoFocus);
  };
  text(kAccept, 38, "O k", "");
  text(IDCANCEL, 68, "Cancel", "Close mix dialog");
  text(kAddText, 139, "Add Text", "Add text layer");
  text(kRemove, 167, "Remove", "Remove selected layer");
  text(kClear, 195, "Clear", "Clear all layer");
  text(kLayerUp, 223, "Layer Up", "Layer Up");
  text(kLayerDown, 251, "Layer Down", "Layer Down");

  auto icon = [this](int id, const QRect& r, int hot, int idle, const char* tip) {
    auto* b = Add<CIconButton>(id, r.x(), r.y(), r.width(), r.height());
    b->SetIcons(hot, idle);
    b->DrawTransparent(true);
    b->DrawBorder(false);
    b->SetAlign(CIconButton::kAbove);
    if (*tip) b->SetTooltipText(QString::fromUtf8(tip));
    b->setFocusPolicy(Qt::NoFocus);
    return b;
  };
  CIconButton* add = icon(kAddPicture, QRect(354, 290, 137, 23), 199, 198, "Replace image in currently layer");
  add->SetAlign(CIconButton::kBeside);
  add->setText(QStringLiteral("Add picture..."));
  icon(kAddPictureHidden, QRect(435, 117, 56, 21), 0, 0, "Add image layer")->hide();
  icon(kLeft, QRect(103, 286, 32, 32), 206, 205, "");
  icon(kUp, QRect(136, 286, 32, 32), 210, 209, "");
  icon(kDown, QRect(168, 286, 32, 32), 204, 203, "");
  icon(kRight, QRect(201, 286, 32, 32), 208, 207, "");
  icon(kPreviousPage, QRect(11, 341, 45, 45), 197, 202, "Previous image");
  icon(kNextPage, QRect(446, 341, 45, 45), 201, 200, "Next image");
  icon(kCloseControlId, QRect(457, 1, 25, 25), 313, 312, "");
  for (int i = 0; i < kThumbsPerPage; ++i) {
    auto* b = Add<GbSkinButton>(kThumbIds[i], 60 + 78 * i, 337, 71, 53);
    b->SetKind(GbSkinButton::kCheckBox);
    b->setFocusPolicy(Qt::NoFocus);
    b->hide();
  }
}

// ---- layers ----------------------------------------------------------------------------

int DlgMix::Selected() const { return list_->currentRow(); }

void DlgMix::Select(int index) { list_->setCurrentRow(index); }

void DlgMix::InsertLayer(const MixLayerData& layer, const QString& entry) {
  const int at = Selected() < 0 ? 0 : std::min(Selected() + 1, int(layers_.size()));
  layers_.insert(layers_.begin() + at, layer);
  filling_ = true;
  auto* item = new QListWidgetItem(entry);
  item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
  item->setCheckState(Qt::Checked);
  item->setToolTip(entry);
  list_->insertItem(at, item);
  list_->setCurrentRow(at);
  filling_ = false;
  Render();
}

bool DlgMix::AddPictureLayer(const std::string& given) {
  const std::string path = Trimmed(given);
  if (path.empty()) return false;
  // Read once here, so that a file that can't be drawn is refused with a
  // reason instead of becoming a layer that silently shows nothing.
  GbImage probe;
  if (!LoadLayerPicture(path, probe)) {
    const std::string why = *probe.LastError() ? probe.LastError() : "The file is not a picture.";
    ShowMessageBox(QString::fromStdString("This picture can't be used as a decoration:\n" + path + "\n" + why),
                   QStringLiteral("Decorations"), MB_OK | MB_ICONWARNING, this);
    return false;
  }
  MixLayerData layer;
  layer.source = FromFile;
  layer.path = path;
  layer.x = int32_t(state_.defaultX);
  layer.y = int32_t(state_.defaultY);
  InsertLayer(layer, QString::fromStdString(path));
  return true;
}

void DlgMix::OnAddPicture() {
  if (!context_.settings || !context_.helper) return;
  DlgThumNail browser(std::string(), this, false, *context_.settings, *context_.helper);
  if (browser.exec() != IDOK) return;
  AddPictureLayer(browser.SelectedPath());
}

void DlgMix::OnThumbnail(int id) {
  int slot = -1;
  for (int i = 0; i < kThumbsPerPage; ++i) {
    auto* b = ItemAs<GbSkinButton>(kThumbIds[i]);
    if (kThumbIds[i] == id) slot = i;
    if (b) b->SetChecked(kThumbIds[i] == id);
  }
  if (slot >= 0 && !slotPaths_[slot].empty()) AddPictureLayer(slotPaths_[slot]);
}

void DlgMix::OnAddText() {
  DlgText dialog(this);
  if (context_.textTool) dialog.Settings() = *context_.textTool;
  if (dialog.exec() != IDOK) return;
  if (context_.textTool) *context_.textTool = dialog.Settings();
  MixLayerData layer;
  layer.isText = 1;
  layer.path = "TEXT";
  layer.x = 40;
  layer.y = 40;
  layer.text = dialog.Settings();
  InsertLayer(layer, QStringLiteral("TEXT"));
}

void DlgMix::OnRemove() {
  const int s = Selected();
  if (s <= 0 || s >= int(layers_.size())) return;
  layers_.erase(layers_.begin() + s);
  filling_ = true;
  delete list_->takeItem(s);
  filling_ = false;
  Render();
  Select(s < int(layers_.size()) ? s : s - 1);
}

void DlgMix::OnClear() {
  if (layers_.empty()) return;
  filling_ = true;
  while (layers_.size() > 1) {
    layers_.pop_back();
    delete list_->takeItem(list_->count() - 1);
  }
  list_->setCurrentRow(0);
  filling_ = false;
  Render();
}

void DlgMix::OnLayerUp() {
  const int s = Selected();
  if (!MoveLayerTowardBase(layers_, size_t(s < 0 ? 0 : s))) return;
  filling_ = true;
  QListWidgetItem* item = list_->takeItem(s);
  item->setText(QString::fromStdString(layers_[size_t(s) - 1].path));
  list_->insertItem(s - 1, item);
  list_->setCurrentRow(s - 1);
  filling_ = false;
  Render();
}

void DlgMix::OnLayerDown() {
  const int s = Selected();
  if (!MoveLayerAwayFromBase(layers_, size_t(s < 0 ? 0 : s))) return;
  filling_ = true;
  QListWidgetItem* item = list_->takeItem(s + 1);
  list_->insertItem(s, item);
  list_->setCurrentRow(s + 1);
  filling_ = false;
  Render();
}

void DlgMix::MoveSelected(long dx, long dy) {
  const int s = Selected();
  if (s < 0 || s >= int(layers_.size())) return;
  MoveLayerBy(layers_[size_t(s)], dx, dy);
  Render();
}

void DlgMix::OnLeft() { MoveSelected(-MoveStep, 0); }
void DlgMix::OnRight() { MoveSelected(MoveStep, 0); }
void DlgMix::OnUp() { MoveSelected(0, -MoveStep); }
void DlgMix::OnDown() { MoveSelected(0, MoveStep); }

void DlgMix::OnLayerSelected() {
  const int s = Selected();
  if (s < 0 || s >= int(layers_.size())) return;
  layers_[size_t(s)].visible = list_->item(s)->checkState() == Qt::Checked ? 1 : 0;
  Render();
}

void DlgMix::OnItemChanged(QListWidgetItem* item) {
  if (filling_) return;
  // A cleared check box hides its layer at once, selected or not.
  const int row = list_->row(item);
  if (row < 0 || row >= int(layers_.size())) return;
  const int32_t visible = item->checkState() == Qt::Checked ? 1 : 0;
  if (layers_[size_t(row)].visible == visible) return;
  layers_[size_t(row)].visible = visible;
  Render();
}

void DlgMix::OnAccept() { done(IDOK); }

void DlgMix::OnOK() {
  DlgFilter editor(nullptr, this);
  editor.exec();
}

// ---- rendering and the view ------------------------------------------------------------

void DlgMix::Render() {
  if (!RenderLayers(layers_, caller_, result_, state_)) return;
  display_ = result_.HasPixels() ? editorview::ImageOfGbImage(result_) : QImage();
  UpdateView();
}

void DlgMix::UpdateView() {
  const int wc = display_.width(), hc = display_.height();
  // The view stays where the user scrolled it while the picture keeps its
  // size; otherwise every arrow press would jump back to the top left.
  const QSize size(wc, hc);
  const QPoint keep = size == shownSize_ ? scroll_ : QPoint(0, 0);
  shownSize_ = size;
  scroll_ = keep;
  const bool scrollH = wc > kViewWidth, scrollV = hc > kViewHeight;
  const int x = scrollH ? kViewLeft : kViewLeft + (kViewWidth - wc) / 2;
  const int y = scrollV ? kViewTop : kViewTop + (kViewHeight - hc) / 2;
  drawPos_ = QPoint(x, y);
  vbar_->setGeometry(x + std::min(wc, kViewWidth), kViewTop, 18, kViewHeight);
  hbar_->setGeometry(x, y + std::min(hc, kViewHeight), kViewWidth, 18);
  hbar_->blockSignals(true);
  vbar_->blockSignals(true);
  hbar_->setRange(0, scrollH ? wc - kViewWidth : 0);
  hbar_->setPageStep(kViewWidth);
  hbar_->setValue(scroll_.x());
  vbar_->setRange(0, scrollV ? hc - kViewHeight : 0);
  vbar_->setPageStep(kViewHeight);
  vbar_->setValue(scroll_.y());
  hbar_->blockSignals(false);
  vbar_->blockSignals(false);
  scroll_ = QPoint(hbar_->value(), vbar_->value());
  hbar_->setVisible(scrollH);
  vbar_->setVisible(scrollV);
  view_->update();
}

// ---- the thumbnail strip ---------------------------------------------------------------

void DlgMix::ShowThumbnailPage() {
  for (int i = 0; i < kThumbsPerPage; ++i) {
    ShowItem(kThumbIds[i], false);
    slotPaths_[i].clear();
  }
  int slot = 0;
  for (size_t i = size_t(pageStart_); i < thumbFiles_.size() && slot < kThumbsPerPage; ++i) {
    const std::string& path = thumbFiles_[i];
    if (path.empty()) continue;
    GbImage picture;
    // Unknown types and unreadable files leave the slot to the next file.
    if (GbImage::TypeFromPath(path) == GB_TYPE_UNKNOWN) continue;
    if (!LoadLayerPicture(path, picture)) continue;
    slotPaths_[slot] = path;
    const QImage small = ThumbnailPicture(picture, 65, 47);
    QImage hover(71, 53, QImage::Format_RGB32);
    hover.fill(QColor(0xFF, 0xFF, 0xFF));
    {
      QPainter p(&hover);
      p.drawImage(0, 0, ThumbnailPicture(picture, 71, 53));
    }
    auto* b = ItemAs<GbSkinButton>(kThumbIds[slot]);
    if (b) {
      b->SetSkinImages(FramedThumbnail(528, small), FramedThumbnail(527, small), hover, QImage(), QImage(), QImage(),
                       GbSkinButton::kStretch);
      b->SetChecked(false);
      b->SetTooltipText(QString::fromStdString(CSysHelper::SplitPath(path, CSysHelper::NameExtension)));
    }
    ShowItem(kThumbIds[slot], true);
    ++slot;
  }
}

void DlgMix::OnPreviousPage() {
  if (pageStart_ == 0) return;
  pageStart_ = std::max(0, pageStart_ - kThumbsPerPage);
  ShowThumbnailPage();
}

void DlgMix::OnNextPage() {
  if (pageStart_ + kThumbsPerPage > int(thumbFiles_.size()) - 1) return;
  pageStart_ += kThumbsPerPage;
  ShowThumbnailPage();
}

// ---- the mouse -------------------------------------------------------------------------

bool DlgMix::OverSelected(QPoint p) const {
  const int s = Selected();
  if (s <= 0 || s >= int(layers_.size()) || display_.isNull()) return false;
  // Hits follow what the user sees: only inside the shown part of the view,
  // and through the centring and the scroll offsets.
  const QRect shown(drawPos_, QSize(std::min(display_.width(), kViewWidth), std::min(display_.height(), kViewHeight)));
  if (!shown.contains(p)) return false;
  const QPoint c = p - drawPos_ + scroll_;
  return LayerContains(layers_[size_t(s)], c.x(), c.y());
}

void DlgMix::mousePressEvent(QMouseEvent* event) {
  SkinDialog::mousePressEvent(event);
  if (event->button() != Qt::LeftButton || layers_.empty()) return;
  const QPoint p = event->position().toPoint();
  if (p.y() < 29) return;
  if (OverSelected(p) && !havePress_) {
    dragging_ = true;
    havePress_ = true;
    press_ = p;
    setCursor(dragCursor_);
  }
}

void DlgMix::mouseMoveEvent(QMouseEvent* event) {
  SkinDialog::mouseMoveEvent(event);
  const QPoint p = event->position().toPoint();
  if (dragging_)
    setCursor(dragCursor_);
  else if (OverSelected(p))
    setCursor(overCursor_);
  else
    unsetCursor();
}

void DlgMix::mouseReleaseEvent(QMouseEvent* event) {
  SkinDialog::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton) return;
  const QPoint p = event->position().toPoint();
  const bool wasDragging = dragging_ && havePress_;
  dragging_ = false;
  havePress_ = false;
  // A release with no press on the layer moves nothing and is forgotten.
  if (wasDragging) {
    const int s = Selected();
    if (s > 0 && s < int(layers_.size())) {
      MixLayerData& layer = layers_[size_t(s)];
      MoveLayerBy(layer, p.x() - press_.x(), p.y() - press_.y());
      Render();
      KeepReachable(layer);
    }
  }
  if (OverSelected(p))
    setCursor(overCursor_);
  else
    unsetCursor();
}

void DlgMix::KeepReachable(MixLayerData& layer) {
  if (display_.isNull()) return;
  const RECT r = LayerRectInComposite(layer);
  const long w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  // At least this much of the layer stays on the picture.
  const long keepX = std::min<long>(8, w), keepY = std::min<long>(8, h);
  long dx = 0, dy = 0;
  if (r.right < keepX)
    dx = keepX - r.right;
  else if (r.left > display_.width() - keepX)
    dx = display_.width() - keepX - r.left;
  if (r.bottom < keepY)
    dy = keepY - r.bottom;
  else if (r.top > display_.height() - keepY)
    dy = display_.height() - keepY - r.top;
  if (dx == 0 && dy == 0) return;
  MoveLayerBy(layer, dx, dy);
  Render();
}

// ---- the photo editor's hook -----------------------------------------------------------

void InstallLayerEditor(CFacecraftApp& app) {
  CFacecraftApp* a = &app;
  DlgFilter::DefaultDecorate() = [a](QWidget* parent, HBITMAP picture) -> HBITMAP {
    MixContext context;
    context.emotionFolder = a->settings().PathEmotion;
    context.textTool = &a->textTool;
    context.settings = &a->settings();
    context.helper = a->sysHelper();
    DlgMix editor(picture, parent, context);
    if (editor.exec() != IDOK || !editor.Result().HasPixels()) return nullptr;
    return editor.Result().MakeDibSection();
  };
}
