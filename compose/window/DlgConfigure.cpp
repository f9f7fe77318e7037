#include "compose/window/DlgConfigure.h"

#include <QLineEdit>
#include <cstdlib>
#include <filesystem>

#include "app/AppSettings.h"
#include "compose/model/TemplateFiles.h"
#include "compose/window/MainWindowArt.h"
#include "compose/window/PictureViews.h"
#include "compose/window/WindowControls.h"
#include "skin/GbSkinButton.h"
#include "skin/MessageBoxDlg.h"
#include "skin/Pickers.h"
#include "skin/SkStatic.h"
#include "skin/SkinResources.h"

const SkinCommandTable<DlgConfigure> DlgConfigure::kCommands = {
    {kNotifyClicked, 1229, 1232, &DlgConfigure::OnChooseFolder},
    {kNotifyClicked, 1091, 1091, &DlgConfigure::OnChooseFolder},
    {kNotifyClicked, 1132, 1132, &DlgConfigure::OnChooseFolder},
    {kImportMode, &DlgConfigure::OnImportMode},
    {kRemoveMode, &DlgConfigure::OnRemoveMode},
    {kNotifyClicked, kCategory0, kCategory0 + 5, &DlgConfigure::OnCategory},
    {kAutoChange, &DlgConfigure::OnAutoChange},
    {IDOK, &DlgConfigure::OnApply},
    {kDefault, &DlgConfigure::OnDefault},
};

namespace {

const char* const kFolderTitles[6] = {"Select frame folder", "Select portrait folder", "Select background folder",
                                      "Select mask folder",  "Select emotion folder",  "Select base map folder"};
const char* const kFolderLabels[6] = {"Frame", "Portrait", "Background", "Mask", "Emotion", "Base map"};
const char* const kCategoryCaptions[6] = {"Frame", "Portrait", "Back ground", "Mask", "Emotion", "Base map"};
const int kCategoryX[6] = {21, 86, 151, 236, 301, 366};
const int kCategoryW[6] = {60, 60, 80, 60, 60, 70};
// Folder edits: the left column holds Frame, Background, Emotion, the right
// one Portrait, Mask, BaseMap.
QRect FolderEditRect(int k) { return QRect(k % 2 == 0 ? 102 : 317, 64 + (k / 2) * 23, 118, 18); }
QRect FolderButtonRect(int k) { return QRect(k % 2 == 0 ? 226 : 441, 65 + (k / 2) * 23, 20, 16); }

GbSkinButton* CheckBox(SkinDialog* dlg, int id, const QRect& r) {
  auto* b = dlg->Add<GbSkinButton>(id, r.x(), r.y(), r.width(), r.height());
  b->SetSkinImages(LoadSkinIcon(kResCheckNormal), LoadSkinIcon(kResCheckChecked), QImage(), QImage(), QImage(),
                   QImage(), GbSkinButton::kStretch);
  b->SetKind(GbSkinButton::kCheckBox);
  return b;
}

SkStatic* Label(SkinDialog* dlg, const QRect& r, const QString& text, bool title = false) {
  auto* l = dlg->Add<SkStatic>(0, r.x(), r.y(), r.width(), r.height());
  if (title) l->SetTitleFont();
  l->SetText(text);
  return l;
}

// The decimal value at the start of the text ("12x" is 12), 0 when there is
// none; values beyond int saturate rather than wrap.
int DecimalOf(const QString& text) {
  const std::string s = text.trimmed().toStdString();
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(s.c_str(), &end, 10);
  if (end == s.c_str()) return 0;
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return int(v);
}

}  // namespace

DlgConfigure::DlgConfigure(SettingsStore& settings, CSysHelper& helper, QWidget* parent)
    : SkinDialog(parent), settings_(settings), helper_(helper) {
  UseCommands(kCommands);
  setWindowTitle(QStringLiteral("Template folders"));
  SetSkin(477, 500, 400, 28);
  CreateControls();
  // 1. Section "Configure" by the start-up rules; 2. the controls.
  LoadSettings(settings_, helper_);
  Fill();
}

void DlgConfigure::CreateControls() {
  Label(this, QRect(24, 42, 300, 18), QStringLiteral("Template folders"), true);
  for (int k = 0; k < 6; ++k) {
    const QRect e = FolderEditRect(k);
    Label(this, QRect(e.x() - 80, e.y() + 1, 76, 16), QString::fromUtf8(kFolderLabels[k]))
        ->SetAlignment(Qt::AlignRight);
    auto* edit = new CReadOnlyEdit(this);
    Place(edit, kFrameFolder + k, e);
    edit->SetBackgroundColour(RGB(0x3C, 0x7E, 0xD6));
    edit->SetTextColour(RGB(255, 255, 255));
    edit->setFont(SkinFont(QStringLiteral("Tahoma"), 11, 400));
    edit->setFrame(false);
    MakeTextButton(this, kFolderButtons[k], FolderButtonRect(k), QStringLiteral("..."))
        ->SetTooltipText(QString::fromUtf8(kFolderTitles[k]));
  }
  Label(this, QRect(24, 140, 300, 18), QStringLiteral("Pictures in a template folder"), true);
  CheckBox(this, kImportMode, QRect(125, 166, 12, 12))->SetChecked(true);
  Label(this, QRect(143, 164, 150, 16), QStringLiteral("Import files"));
  CheckBox(this, kRemoveMode, QRect(334, 166, 12, 12));
  Label(this, QRect(352, 164, 120, 16), QStringLiteral("Remove files"));
  for (int k = 0; k < 6; ++k)
    MakeTextButton(this, kCategory0 + k, QRect(kCategoryX[k], 190, kCategoryW[k], 23),
                   QString::fromUtf8(kCategoryCaptions[k]));

  Label(this, QRect(24, 230, 78, 16), QStringLiteral("Countdown"));
  Place(new QLineEdit(this), kDelay, QRect(104, 229, 37, 17));
  Label(this, QRect(146, 230, 200, 16), QStringLiteral("seconds before a snapshot"));
  Label(this, QRect(24, 270, 140, 16), QStringLiteral("Print size (pixels)"));
  Place(new QLineEdit(this), kPrintWidth, QRect(167, 269, 40, 17));
  Label(this, QRect(212, 270, 14, 16), QStringLiteral("x"));
  Place(new QLineEdit(this), kPrintHeight, QRect(228, 269, 40, 17));
  Label(this, QRect(24, 303, 98, 16), QStringLiteral("Frame opacity"));
  Place(new QLineEdit(this), kAlpha, QRect(124, 302, 36, 17));
  Label(this, QRect(165, 303, 200, 16), QStringLiteral("0 clear to 255 solid"));
  CheckBox(this, kAutoChange, QRect(24, 335, 13, 13));
  Label(this, QRect(43, 333, 300, 16), QStringLiteral("Next frame after each sticker"));
  for (int id : {kDelay, kPrintWidth, kPrintHeight, kAlpha})
    Edit(id)->setFont(SkinFont(QStringLiteral("Tahoma"), 11, 400));

  MakeTextButton(this, kDefault, QRect(16, 358, 60, 23), QStringLiteral("Default"));
  MakeTextButton(this, IDOK, QRect(334, 358, 60, 23), QStringLiteral("Apply"));
  MakeTextButton(this, IDCANCEL, QRect(422, 358, 60, 23), QStringLiteral("Close"));
  MakeGlyphButton(this, kCloseControlId, QRect(468, 2, 25, 25), MainArt::Glyph::Close, {}, QStringLiteral("Close"));
}

QLineEdit* DlgConfigure::Edit(int id) const { return qobject_cast<QLineEdit*>(Item(id)); }
GbSkinButton* DlgConfigure::Button(int id) const { return qobject_cast<GbSkinButton*>(Item(id)); }

void DlgConfigure::Fill() {
  for (int k = 0; k < 6; ++k) {
    Edit(kFrameFolder + k)->setText(QString::fromStdString(settings_.*kTemplateFolderKeys[k].field));
    Edit(kFrameFolder + k)->setCursorPosition(0);
  }
  Edit(kPrintWidth)->setText(QString::number(settings_.PrintWidth));
  Edit(kPrintHeight)->setText(QString::number(settings_.PrintHeight));
  Edit(kAlpha)->setText(QString::number(settings_.Alpha));
  Button(kAutoChange)->SetChecked(settings_.AutoChangeFrame == 1);
  Edit(kDelay)->setText(QString::number(settings_.ShottingDelay));
}

int DlgConfigure::Category(int folderButton) {
  for (int k = 0; k < 6; ++k)
    if (kFolderButtons[k] == folderButton) return k;
  return -1;
}

void DlgConfigure::OnChooseFolder(int id) {
  const int k = Category(id);
  if (k < 0) return;
  CBrowseFolder picker;
  const std::string folder = picker.BrowseForFolder(kFolderTitles[k], settings_.PathCurrent, {}, this);
  if (folder.empty()) return;
  settings_.*kTemplateFolderKeys[k].field = folder;
  settings_.PathCurrent = folder;
  Edit(kFrameFolder + k)->setText(QString::fromStdString(folder));
  const bool written = helper_.WriteProfileString(settings_.settingsFile, GB_SECTION_CONFIGURE,
                                                  kTemplateFolderKeys[k].settingsKey, folder) &&
                       helper_.WriteProfileString(settings_.settingsFile, GB_SECTION_CONFIGURE, "PathCurrent", folder);
  const bool exists = CSysHelper::EnsureFolder(folder);
  if (!written || !exists)
    ShowMessageBox(QStringLiteral("%1\n%2").arg(
                       written ? QString() : QStringLiteral("The choice could not be written to Glimmerbox.ini."),
                       exists ? QString() : QStringLiteral("The folder could not be created.")),
                   QStringLiteral("Template folders"), MB_OK | MB_ICONWARNING, this);
}

void DlgConfigure::OnImportMode() {
  // Exactly one mode: whatever was clicked, the other box takes the opposite state.
  Button(kRemoveMode)->SetChecked(!Button(kImportMode)->IsChecked());
}

void DlgConfigure::OnRemoveMode() { Button(kImportMode)->SetChecked(!Button(kRemoveMode)->IsChecked()); }

void DlgConfigure::OnCategory(int id) {
  const int k = id - kCategory0;
  const std::string folder = settings_.*kTemplateFolderKeys[k].field;
  const bool import = Button(kImportMode)->IsChecked();
  CMultiPickDialog picker(true, "*.*", {}, 0,
                          std::string("Support files|*.bmp;*.jpg|All pictures|") + kPicturePatterns + "|", this);
  picker.acceptCaption = import ? "Import" : "Remove";
  picker.nameLabel = "Selected:";
  picker.title = import ? "Import pictures" : "Remove pictures";
  if (!import) picker.initialFolder = folder;
  if (picker.DoModal() != IDOK) return;
  CSysHelper::EnsureFolder(folder);
  const TemplateFileResult result =
      import ? ImportTemplateFiles(SelectedPaths, folder) : RemoveTemplateFiles(SelectedPaths, folder);
  if (result.refused.empty()) return;
  QString text =
      import ? QStringLiteral("These files were not copied:") : QStringLiteral("These files were not removed:");
  for (size_t i = 0; i < result.refused.size() && i < 12; ++i)
    text += QStringLiteral("\n") + QString::fromStdString(result.refused[i]);
  if (result.refused.size() > 12) text += QStringLiteral("\n... and %1 more").arg(result.refused.size() - 12);
  ShowMessageBox(text, QStringLiteral("Template folders"), MB_OK | MB_ICONWARNING, this);
}

void DlgConfigure::OnAutoChange() { settings_.AutoChangeFrame = Button(kAutoChange)->IsChecked() ? 1 : 0; }

void DlgConfigure::OnApply() {
  settings_.ShottingDelay = DecimalOf(Edit(kDelay)->text());
  for (int k = 0; k < 6; ++k) settings_.*kTemplateFolderKeys[k].field = Edit(kFrameFolder + k)->text().toStdString();
  settings_.PrintWidth = DecimalOf(Edit(kPrintWidth)->text());
  settings_.PrintHeight = DecimalOf(Edit(kPrintHeight)->text());
  settings_.AutoChangeFrame = Button(kAutoChange)->IsChecked() ? 1 : 0;
  settings_.Alpha = DecimalOf(Edit(kAlpha)->text());
  if (!SaveSettings(settings_, helper_))
    ShowMessageBox(
        QStringLiteral("The settings could not be written to %1.").arg(QString::fromStdString(settings_.settingsFile)),
        QStringLiteral("Template folders"), MB_OK | MB_ICONWARNING, this);
}

void DlgConfigure::OnDefault() {
  ApplyDefaultSettings(settings_);
  Fill();
  if (!SaveSettings(settings_, helper_))
    ShowMessageBox(
        QStringLiteral("The settings could not be written to %1.").arg(QString::fromStdString(settings_.settingsFile)),
        QStringLiteral("Template folders"), MB_OK | MB_ICONWARNING, this);
}
