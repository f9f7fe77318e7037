// Opening and saving projects from the main window.
#include <filesystem>

#include "app/AppSettings.h"
#include "app/ProjectFile.h"
#include "compose/model/ProjectDocument.h"
#include "compose/window/DlgFacecraft.h"
#include "platform/dialogs/CommonDialogs.h"
#include "skin/GbSkinButton.h"
#include "skin/MessageBoxDlg.h"

namespace {

QString Name(const std::string& path) {
  return QString::fromStdString(std::filesystem::path(path).filename().string());
}

bool HasExtension(const std::string& path) { return std::filesystem::path(path).has_extension(); }

}  // namespace

void DlgFacecraft::OnOpenProject() {
  gbdlg::FileRequest request;
  request.parent = this;
  request.title = "Open project";
  request.initialFolder = settings_.PathCurrent;
  request.filter = GB_PROJECT_FILTER;
  request.defaultExt = "quorra";
  const std::optional<std::string> file = gbdlg::Dialogs().OpenFile(request);
  if (!file || file->empty()) return;
  if (!ConfirmDiscard()) return;
  OpenProjectFile(*file);
}

void DlgFacecraft::OnSaveProject() {
  gbdlg::FileRequest request;
  request.parent = this;
  request.title = "Save project";
  request.initialFolder = settings_.PathCurrent;
  request.fileName = documentPath_.empty() ? std::string() : std::filesystem::path(documentPath_).filename().string();
  request.filter = GB_PROJECT_FILTER;
  request.defaultExt = "quorra";
  request.overwritePrompt = true;
  std::optional<std::string> file = gbdlg::Dialogs().SaveFile(request);
  if (!file || file->empty()) return;
  if (!HasExtension(*file)) *file += GB_PROJECT_EXTENSION;
  SaveProjectFile(*file);
}

bool DlgFacecraft::SaveProjectFile(const std::string& path) {
  CSysHelper* helper = app_.sysHelper();
  if (!helper) return false;
  ProjectSaveOptions options;
  options.settingsFile = settings_.settingsFile;
  options.stagingFolder = ProjectStagingFolder(settings_.tempDirectory);
  std::string error;
  if (!SaveProject(*sheet_, *helper, options, path, &error)) {
    ShowProblem(QStringLiteral("The project could not be saved as %1.\n%2\nAny earlier file of that name is unchanged.")
                    .arg(QString::fromStdString(path), QString::fromStdString(error)));
    return false;
  }
  documentPath_ = path;
  dirty_ = false;
  UpdateTitle();
  return true;
}

bool DlgFacecraft::OpenProjectFile(const std::string& path) {
  CSysHelper* helper = app_.sysHelper();
  if (!helper) return false;
  const QString name = Name(path);
  ProjectContents contents;
  if (!ScanProjectContainer(path, contents)) {
    ShowProblem(QStringLiteral("The project %1 cannot be opened: the file cannot be read.").arg(name));
    return false;
  }
  if (contents.members.empty() || !contents.complete || contents.members.size() > GB_PROJECT_MAX_MEMBERS ||
      (contents.members.size() - 1) % 3 != 0) {
    ShowProblem(QStringLiteral("%1 is not a Glimmerbox project, or it is damaged. The sheet is unchanged.").arg(name));
    return false;
  }
  const std::string staging = ProjectStagingFolder(settings_.tempDirectory);
  std::vector<std::string> unpacked;
  if (!UnpackProjectFiles(path, staging, unpacked) || unpacked.size() != contents.members.size()) {
    ShowProblem(QStringLiteral("The project %1 cannot be unpacked into %2. The sheet is unchanged.")
                    .arg(name, QString::fromStdString(staging)));
    return false;
  }
  // Tried on a sheet of its own first, so a damaged project changes nothing.
  SheetModel trial;
  ProjectOpenResult tried;
  if (!OpenProject(trial, unpacked, *helper, nullptr, &tried) || tried.stoppedEarly ||
      tried.loadedSlots.size() != tried.listedSlots.size()) {
    ShowProblem(QStringLiteral("%1 is damaged: %2 of its %3 stickers cannot be read. The sheet is unchanged.")
                    .arg(name)
                    .arg(tried.listedSlots.size() - tried.loadedSlots.size())
                    .arg(tried.listedSlots.size()));
    return false;
  }
  if (sheet_->Dragging()) sheet_->SlotDrop(sheet_->SelectedSlot());
  SetDragCursor(false);
  OpenProject(*sheet_, unpacked, *helper, &settings_);
  app_.projectPath = path;
  app_.unpackedFiles = unpacked;
  documentPath_ = path;
  dirty_ = false;
  UpdateTitle();
  SyncLayoutButtons();
  return true;
}
