// DlgFilter, the photo editor: a picture handed in as a bitmap is edited one
// operation at a time in a 320 x 240 preview, with a history that steps back
// and forth, an optional rectangle limiting the filters, the effects dialog,
// saving, and the clipboard. The caller takes the picture back after OK.
#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "image/core/GbImage.h"
#include "platform/gdi/Gdi.h"
#include "retouch/engine/FxImage.h"
#include "skin/SkinDialog.h"

class CRectTrackerPic;
class GbSkinButton;
class ProgressStrip;
class QTimer;

class DlgFilter : public SkinDialog {
  Q_OBJECT

 public:
  enum ControlId : int {
    kPicture = 1176,
    kRotateLeft = 1095,
    kRotateRight = 1096,
    kPseudoColors = 1137,
    kRedo = 1129,
    kUndo = 1130,
    kResume = 1136,
    kTracker = 1214,
    kDecoration = 1174,
    kSave = 1135,
    kProgress = 1301,  // the progress strip under the picture (no command)
  };
  static constexpr int kPreviewWidth = 320;
  static constexpr int kPreviewHeight = 240;

  // A worker button: its id, label, grid place and the operation it runs.
  struct WorkerButton {
    int id;
    const char* label;
    int workerCommand;
    int x, y;
  };
  struct EffectButton {
    int id;
    const char* label;
    int kind;
    int x, y;
  };
  static const std::vector<WorkerButton>& WorkerButtons();
  static const std::vector<EffectButton>& EffectButtons();
  // Runs a worker command's operation on image; an unknown number succeeds
  // and changes nothing.
  static bool RunWorkerCommand(int workerCommand, GbImage& image);

  // Takes the picture handle over (null: an editor without a picture).
  explicit DlgFilter(HBITMAP picture, QWidget* parent = nullptr);
  ~DlgFilter() override;

  // The editor opened last of those still open (null: none); a nested
  // editor that closes hands the role back to the one below it.
  static DlgFilter* ActiveEditor();

  // After IDOK: the edited picture, now the caller's (null without one).
  HBITMAP TakeDisplayBitmap();
  HBITMAP DisplayBitmap() const { return displayBitmap_; }

  // The folder the save dialog starts in.
  void SetCurrentFolder(const std::string& folder) { currentFolder_ = folder; }
  // The layer editor: the picture in, the decorated picture out (null: Cancel).
  std::function<HBITMAP(QWidget* parent, HBITMAP picture)> decorate;
  // What every new editor's decorate starts as (the layer editor installs itself here).
  static std::function<HBITMAP(QWidget* parent, HBITMAP picture)>& DefaultDecorate();

  // ---- state, for the effects dialog and tests --------------------------------
  GbImage* WorkingImage() const { return working_.get(); }
  const std::vector<std::unique_ptr<GbImage>>& History() const { return history_; }
  int HistoryIndex() const { return historyIndex_; }
  bool WorkerRunning() const { return workerRunning_; }
  CRectTrackerPic* Picture() const { return picture_; }
  // Called on the user-interface thread while a worker runs (tests use it
  // to act in the middle of a command, as a person would).
  std::function<void()> whileWorking;

  // ---- the commands ---------------------------------------------------------------
  void PushHistory();
  void RestoreSnapshot(int index);
  void FitToPreview();
  void RunOnWorker(int workerCommand);
  void OnWorkerButton(int id);
  void OnEffectButton(int id);
  void OnRotateLeft() { Rotate(true); }
  void OnRotateRight() { Rotate(false); }
  void OnPseudoColors();
  void OnUndo();
  void OnRedo();
  void OnResume();
  void OnTracker();
  void OnDecoration();
  void OnSave();
  void CopyToClipboard();
  void PasteFromClipboard();

  void OnOK() override;
  void OnCancel() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CreateControls();
  void Rotate(bool left);
  void ShowDisplay();
  // The working image made again from the display bitmap.
  void RebuildFromBitmap();
  // The working image replaced by a new picture, as at opening.
  void StartFrom(GbImage& picture);
  void SetCommandsEnabled(bool on);

  std::unique_ptr<GbImage> working_;
  HBITMAP displayBitmap_ = nullptr;
  HBITMAP startBitmap_ = nullptr;
  std::vector<std::unique_ptr<GbImage>> history_;
  int historyIndex_ = 0;
  int activeCommand_ = 0;
  std::atomic<bool> workerRunning_{false};
  FxImage rotateScratch_;
  bool trackerOn_ = false;
  std::string currentFolder_;

  CRectTrackerPic* picture_ = nullptr;
  ProgressStrip* progress_ = nullptr;
  std::vector<QWidget*> commandControls_;

  static const SkinCommandTable<DlgFilter> kCommands;
};
