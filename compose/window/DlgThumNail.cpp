#include "compose/window/DlgThumNail.h"

#include <QEnterEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "compose/model/TemplateLibrary.h"
#include "compose/window/MainWindowArt.h"
#include "compose/window/Thumbnails.h"
#include "compose/window/WindowControls.h"
#include "skin/GbSkinButton.h"
#include "skin/MessageBoxDlg.h"
#include "skin/Pickers.h"
#include "skin/SkStatic.h"

const SkinCommandTable<DlgThumNail> DlgThumNail::kCommands = {
    {kFirst, &DlgThumNail::OnFirst}, {kPrevious, &DlgThumNail::OnPrevious}, {kNext, &DlgThumNail::OnNext},
    {kLast, &DlgThumNail::OnLast},   {kSearch, &DlgThumNail::OnSearch},
};

namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

// Picture names by their last three characters, or four for the longer
// extensions; case does not matter.
bool AcceptedName(const std::string& lower) {
  static const char* const kThree[] = {"bmp", "gif", "jpg", "png", "mng", "jng", "ico", "tif", "tga", "pcx", "wmf",
                                       "emf", "j2k", "jp2", "j2c", "jpc", "pgx", "pnm", "pgm", "ppm", "ras"};
  static const char* const kFour[] = {"jpeg", "tiff", "wbmp"};
  auto endsWith = [&](const char* tail) {
    const size_t n = std::char_traits<char>::length(tail);
    return lower.size() >= n && lower.compare(lower.size() - n, n, tail) == 0;
  };
  return std::any_of(std::begin(kThree), std::end(kThree), endsWith) ||
         std::any_of(std::begin(kFour), std::end(kFour), endsWith);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

// ---- CThumbCell ---------------------------------------------------------------------

CThumbCell::CThumbCell(const std::string& path, const std::string& caption, QWidget* parent)
    : QWidget(parent), path_(path), caption_(QString::fromStdString(caption)) {
  setFixedSize(kWidth, kHeight);
  setCursor(Qt::ArrowCursor);
  setToolTip(QString::fromStdString(path));
}

void CThumbCell::SetThumbnail(const QImage& thumbnail) {
  thumbnail_ = thumbnail;
  update();
}

void CThumbCell::SetHover(bool on) {
  if (on == hover_) return;
  if (on) {
    home_ = pos();
    move(home_ - QPoint(2, 2));  // lifted towards the top-left
  } else {
    move(home_);
    pressed_ = false;
  }
  hover_ = on;
  update();
}

void CThumbCell::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  if (!thumbnail_.isNull()) p.drawImage((width() - thumbnail_.width()) / 2, 4, thumbnail_);
  const QRect captionRect(0, height() - 18, width(), 18);
  p.fillRect(captionRect, hover_ ? QColor(180, 190, 210) : QColor(Qt::white));
  p.setFont(SkinFont(QStringLiteral("MS Serif"), 14, 400));
  p.setPen(QColor(0x31, 0x42, 0x61));
  p.drawText(captionRect.adjusted(3, 0, -3, 0), Qt::AlignCenter,
             p.fontMetrics().elidedText(caption_, Qt::ElideMiddle, captionRect.width() - 6));
  // The edge: raised under the mouse, sunken while pressed.
  const QColor light(255, 255, 255), dark(0x9C, 0xAD, 0xC6);
  const QColor topLeft = pressed_ ? dark : (hover_ ? light : QColor(0xDC, 0xE3, 0xEE));
  const QColor bottomRight = pressed_ ? light : (hover_ ? dark : QColor(0xDC, 0xE3, 0xEE));
  p.setPen(topLeft);
  p.drawLine(0, 0, width() - 1, 0);
  p.drawLine(0, 0, 0, height() - 1);
  p.setPen(bottomRight);
  p.drawLine(0, height() - 1, width() - 1, height() - 1);
  p.drawLine(width() - 1, 0, width() - 1, height() - 1);
}

void CThumbCell::enterEvent(QEnterEvent*) { SetHover(true); }
void CThumbCell::leaveEvent(QEvent*) { SetHover(false); }

void CThumbCell::mousePressEvent(QMouseEvent* e) {
  pressed_ = true;
  update();
  if (e->button() == Qt::LeftButton)
    emit leftClicked(this);
  else if (e->button() == Qt::RightButton)
    emit rightClicked(this);
}

void CThumbCell::mouseReleaseEvent(QMouseEvent*) {
  pressed_ = false;
  update();
}

void CThumbCell::mouseDoubleClickEvent(QMouseEvent* e) {
  pressed_ = true;
  update();
  if (e->button() == Qt::LeftButton) emit doubleClicked(this);
}

// ---- DlgThumNail ---------------------------------------------------------------------

DlgThumNail::DlgThumNail(const std::string& startFolder, QWidget* parent, bool photo, SettingsStore& settings,
                         CSysHelper& helper)
    : SkinDialog(parent), settings_(settings), helper_(helper), photo_(photo), folder_(startFolder) {
  UseCommands(kCommands);
  setWindowTitle(photo ? QStringLiteral("Photos") : QStringLiteral("Pictures"));
  SetSkin(340, 698, 536, 28);
  CreateControls();
  maker_ = std::make_unique<ThumbnailMaker>();
  connect(maker_.get(), &ThumbnailMaker::ready, this, &DlgThumNail::OnThumbnailReady);
}

DlgThumNail::~DlgThumNail() = default;

void DlgThumNail::CreateControls() {
  MakeGlyphButton(this, kFirst, QRect(497, 457, 45, 29), MainArt::Glyph::FirstPage, {}, QStringLiteral("First page"));
  MakeGlyphButton(this, kPrevious, QRect(546, 457, 45, 29), MainArt::Glyph::Previous, {},
                  QStringLiteral("Previous page"));
  MakeGlyphButton(this, kNext, QRect(595, 457, 45, 29), MainArt::Glyph::Next, {}, QStringLiteral("Next page"));
  MakeGlyphButton(this, kLast, QRect(642, 457, 45, 29), MainArt::Glyph::LastPage, {}, QStringLiteral("Last page"));
  pageText_ = Add<SkStatic>(kPageText, 12, 465, 240, 18);
  auto* search = new QLineEdit(this);
  Place(search, kSearchText, QRect(241, 463, 74, 18));
  search->setPlaceholderText(QStringLiteral("file name"));
  search->setFont(SkinFont(QStringLiteral("Tahoma"), 11, 400));
  MakeGlyphButton(this, kSearch, QRect(320, 461, 25, 22), MainArt::Glyph::Search, {}, QStringLiteral("Find the file"));
  MakeTextButton(this, IDOK, QRect(533, 496, 70, 23), QStringLiteral("O k"), true);
  MakeTextButton(this, IDCANCEL, QRect(613, 496, 70, 23), QStringLiteral("Cancel"), true);
  MakeGlyphButton(this, kCloseControlId, QRect(664, 1, 25, 25), MainArt::Glyph::Close, {}, QStringLiteral("Close"));
}

int DlgThumNail::exec() {
  if (!prepared_ && !Prepare()) return IDCANCEL;
  return SkinDialog::exec();
}

bool DlgThumNail::Prepare() {
  // 1. Without a start folder, the user names one.
  if (folder_.empty()) {
    CBrowseFolder picker;
    const std::string chosen = picker.BrowseForFolder("Select the OutPut Path", settings_.PathCurrent, {}, this);
    if (chosen.empty()) return false;
    folder_ = chosen;
    settings_.PathCurrent = chosen;
  }
  folder_ = WithSlash(folder_);
  // 2, 3. The list with the recent items first; 4. the first page.
  BuildList();
  prepared_ = true;
  ShowPage(0);
  return true;
}

void DlgThumNail::BuildList() {
  entries_.clear();
  std::vector<FolderEntry> files;
  std::string bare = folder_;
  while (bare.size() > 1 && bare.back() == '/') bare.pop_back();
  CSysHelper::ScanFolder(bare, files);
  for (const FolderEntry& f : files) {
    const std::string lower = Lower(NameOf(f.path));
    if (AcceptedName(lower)) entries_.push_back({f.path, folder_ + lower});
  }
  const std::vector<std::string> recent =
      ReadRecent(helper_, settings_.settingsFile, photo_ ? TemplateCategory::Portrait : TemplateCategory::Frame);
  for (const std::string& r : recent) {
    const std::string key = Lower(Trim(r));
    for (size_t i = entries_.size(); i-- > 0;) {
      if (Lower(Trim(entries_[i].listed)) == key || Lower(Trim(entries_[i].path)) == key) {
        entries_.erase(entries_.begin() + long(i));
        break;
      }
    }
  }
  std::vector<BrowserEntry> front;
  for (const std::string& r : recent) front.push_back({r, Lower(r)});
  entries_.insert(entries_.begin(), front.begin(), front.end());
}

int DlgThumNail::PageCount() const { return std::max(1, (int(entries_.size()) + kPerPage - 1) / kPerPage); }

QString DlgThumNail::PageText() const { return pageText_->Text(); }

bool DlgThumNail::Filling() const { return maker_->Busy(); }

void DlgThumNail::ShowPage(int offset) {
  offset_ = offset;
  for (CThumbCell* c : cells_) {
    c->hide();
    c->deleteLater();
  }
  cells_.clear();
  std::vector<std::string> wanted;
  int j = 0;
  for (int i = offset; i < int(entries_.size()) && i < offset + kPerPage; ++i) {
    const BrowserEntry& e = entries_[size_t(i)];
    if (Trim(e.path).empty()) continue;  // empty entries take no cell
    auto* cell = new CThumbCell(e.path, NameOf(e.listed), this);
    cell->move((j % 5) * 132 + 25, (j / 5) * 102 + 42);
    connect(cell, &CThumbCell::leftClicked, this, &DlgThumNail::OnCellLeft);
    connect(cell, &CThumbCell::doubleClicked, this, &DlgThumNail::OnCellDouble);
    bool ready = false;
    const QImage thumbnail = CachedThumbnail(e.path, &ready);
    if (ready)
      cell->SetThumbnail(thumbnail);
    else
      wanted.push_back(e.path);
    cell->show();
    cells_.push_back(cell);
    ++j;
  }
  maker_->Request(wanted);
  pageText_->SetText(QStringLiteral("Current page : %1 / %2").arg(offset_ / kPerPage + 1).arg(PageCount()));
}

void DlgThumNail::OnThumbnailReady(const QString& path, const QImage& thumbnail) {
  const std::string p = path.toStdString();
  for (CThumbCell* c : cells_)
    if (c->Path() == p) c->SetThumbnail(thumbnail);
}

void DlgThumNail::OnFirst() { ShowPage(0); }

void DlgThumNail::OnPrevious() {
  if (offset_ > 0) ShowPage(offset_ - kPerPage);
}

void DlgThumNail::OnNext() {
  if (offset_ + kPerPage < int(entries_.size())) ShowPage(offset_ + kPerPage);
}

void DlgThumNail::OnLast() { ShowPage((PageCount() - 1) * kPerPage); }

void DlgThumNail::OnSearch() {
  auto* edit = qobject_cast<QLineEdit*>(Item(kSearchText));
  const std::string typed = Trim(edit ? edit->text().toStdString() : std::string());
  if (typed.empty()) return;
  const std::string wanted = Lower(Trim(folder_) + typed);
  for (size_t i = 0; i < entries_.size(); ++i) {
    const std::string listed = Lower(Trim(entries_[i].listed));
    if (!listed.empty() && listed == wanted) {
      ShowPage(int(i) / kPerPage * kPerPage);
      return;
    }
  }
  ShowMessageBox(QStringLiteral("  The image do not exist !  "), QStringLiteral("Search image"),
                 MB_OK | MB_ICONINFORMATION, this);
}

void DlgThumNail::OnCellLeft(CThumbCell* cell) {
  if (std::find(cells_.begin(), cells_.end(), cell) != cells_.end()) selected_ = cell->Path();
}

void DlgThumNail::OnCellDouble(CThumbCell* cell) {
  if (std::find(cells_.begin(), cells_.end(), cell) == cells_.end()) return;
  selected_ = cell->Path();
  OnOK();
}
