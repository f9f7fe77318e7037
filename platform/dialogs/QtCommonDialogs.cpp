// The common dialogs on Qt: Qt's own (non-native) dialogs, so they look and
// behave the same on every desktop.
#include <QAbstractItemView>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTreeView>

#include "platform/dialogs/CommonDialogs.h"
#include "platform/dialogs/MultiPick.h"

namespace gbdlg {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
COLORREF ToRef(const QColor& c) { return RGB(BYTE(c.red()), BYTE(c.green()), BYTE(c.blue())); }

void Prepare(QFileDialog& dialog, const FileRequest& request) {
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  if (!request.title.empty()) dialog.setWindowTitle(Q(request.title));
  if (!request.initialFolder.empty()) dialog.setDirectory(Q(request.initialFolder));
  if (!request.fileName.empty()) dialog.selectFile(Q(request.fileName));
  QStringList filters;
  for (const auto& f : QtFilterList(request.filter)) filters << Q(f);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  // "*.*" style defaults name no real extension.
  std::string ext = request.defaultExt;
  while (!ext.empty() && (ext.front() == '*' || ext.front() == '.')) ext.erase(ext.begin());
  if (!ext.empty() && ext != "*") dialog.setDefaultSuffix(Q(ext));
}

// A file dialog whose accept button takes the selected files and folders
// together instead of opening a selected folder.
class MultiPickFileDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;
  std::vector<std::string> picked;

  void accept() override {
    QAbstractItemView* view = nullptr;
    for (const char* name : {"listView", "treeView"}) {
      auto* candidate = findChild<QAbstractItemView*>(name);
      if (candidate && candidate->isVisible()) view = candidate;
    }
    std::vector<std::string> selected;
    if (view && view->selectionModel()) {
      for (const QModelIndex& index : view->selectionModel()->selectedRows(0))
        selected.push_back(index.data(QFileSystemModel::FilePathRole).toString().toStdString());
    }
    if (selected.empty()) {
      QFileDialog::accept();  // the standard handling: navigate or validate a typed name
      if (result() == QDialog::Accepted) {
        picked.clear();
        for (const QString& f : selectedFiles()) picked.push_back(f.toStdString());
      }
      return;
    }
    auto* nameEdit = findChild<QLineEdit*>("fileNameEdit");
    std::string names = nameEdit ? nameEdit->text().toStdString() : std::string();
    picked = CollectPickedPaths(directory().absolutePath().toStdString(), selected, names);
    QDialog::accept();
  }
};

class QtCommonDialogs : public CommonDialogs {
 public:
  std::optional<std::string> OpenFile(const FileRequest& request) override {
    QFileDialog dialog(request.parent);
    Prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
  }

  std::optional<std::vector<std::string>> OpenFiles(const FileRequest& request) override {
    QFileDialog dialog(request.parent);
    Prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    std::vector<std::string> out;
    for (const QString& f : dialog.selectedFiles()) out.push_back(f.toStdString());
    return out;
  }

  std::optional<std::string> SaveFile(const FileRequest& request) override {
    QFileDialog dialog(request.parent);
    Prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
  }

  std::optional<std::vector<std::string>> PickFilesAndFolders(const FileRequest& request) override {
    MultiPickFileDialog dialog(request.parent);
    Prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setLabelText(QFileDialog::Accept, Q(request.acceptCaption));
    dialog.setLabelText(QFileDialog::Reject, Q(request.cancelCaption));
    dialog.setLabelText(QFileDialog::FileName, Q(request.nameLabel));
    // The file-type list is not offered.
    if (auto* typeLabel = dialog.findChild<QLabel*>("fileTypeLabel")) typeLabel->hide();
    if (auto* typeCombo = dialog.findChild<QWidget*>("fileTypeCombo")) typeCombo->hide();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.picked;
  }

  std::optional<std::string> PickFolder(const FolderRequest& request) override {
    QFileDialog dialog(request.parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setWindowTitle(Q(request.title));
    if (!request.initialFolder.empty())
      dialog.setDirectory(Q(request.initialFolder));
    else if (!request.rootFolder.empty())
      dialog.setDirectory(Q(request.rootFolder));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    QString path = QDir::cleanPath(dialog.selectedFiles().front());
    if (!request.rootFolder.empty()) {
      QString root = QDir::cleanPath(Q(request.rootFolder));
      if (path != root && !path.startsWith(root == "/" ? root : root + "/")) return std::nullopt;
    }
    return path.toStdString();
  }

  std::optional<COLORREF> PickColour(QWidget* parent, COLORREF initial, CustomColours* custom) override {
    if (custom) {
      for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, ToQColor((*custom)[i]));
    }
    QColorDialog dialog(ToQColor(initial), parent);
    dialog.setOption(QColorDialog::DontUseNativeDialog, true);
    const bool ok = dialog.exec() == QDialog::Accepted;
    if (custom) {
      for (int i = 0; i < 16; ++i) (*custom)[i] = ToRef(QColorDialog::customColor(i));
    }
    if (!ok) return std::nullopt;
    return ToRef(dialog.selectedColor());
  }

  std::optional<FontDescription> PickFont(QWidget* parent, const FontDescription& initial, COLORREF) override {
    QFont font(Q(initial.face));
    if (initial.height != 0) font.setPixelSize(std::abs(initial.height));
    font.setWeight(QFont::Weight(std::clamp(initial.weight == 0 ? 400 : initial.weight, 1, 1000)));
    font.setItalic(initial.italic);
    font.setUnderline(initial.underline);
    font.setStrikeOut(initial.strikeOut);
    bool ok = false;
    QFont chosen = QFontDialog::getFont(&ok, font, parent, QString(), QFontDialog::DontUseNativeDialog);
    if (!ok) return std::nullopt;
    FontDescription out = initial;
    out.face = chosen.family().toStdString();
    int pixels = chosen.pixelSize();
    if (pixels <= 0) pixels = int(chosen.pointSizeF() * 96.0 / 72.0 + 0.5);
    out.height = -pixels;
    out.weight = int(chosen.weight());
    out.italic = chosen.italic();
    out.underline = chosen.underline();
    out.strikeOut = chosen.strikeOut();
    return out;
  }
};

CommonDialogs* g_override = nullptr;

}  // namespace

CommonDialogs* CurrentDialogsOverride() { return g_override; }

CommonDialogs& Dialogs() {
  static QtCommonDialogs qtDialogs;
  return g_override ? *g_override : qtDialogs;
}

void SetDialogs(CommonDialogs* dialogs) { g_override = dialogs; }

std::vector<std::string> QtFilterList(const std::string& filter) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : filter) {
    if (c == '|') {
      parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  std::vector<std::string> out;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].empty() && parts[i + 1].empty()) break;  // "||" ends the list
    std::string patterns = parts[i + 1];
    for (char& c : patterns)
      if (c == ';') c = ' ';
    out.push_back(parts[i] + " (" + patterns + ")");
  }
  return out;
}

}  // namespace gbdlg
