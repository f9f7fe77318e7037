// DlgFacecraft, the main window: the sticker area on the left (background,
// the photo the user places and sizes with a tracker, the frame over it),
// the command buttons below it, and the sheet of slots on the right with its
// layout buttons, drag-and-drop swapping and "Combination" menu. Windows
// that live in other parts (asset browser, photo editor, configuration,
// save picture, print, webcam) are reached through hooks, so this window
// works, and is tested, without them.
#pragma once
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/FacecraftApp.h"
#include "compose/model/SheetModel.h"
#include "compose/model/TemplateLibrary.h"
#include "skin/SkinDialog.h"

class CCaptureVideo;
class CSkinMenu;
class CTransparentPic;
class GbSkinButton;
class PictureControl;
class SkStatic;
class SlotPicture;

// What an asset browser hands back: the chosen file (may be empty) and the
// folder it was browsing.
struct AssetChoice {
  std::string path;
  std::string folder;
};

// The webcam, as the main window sees it. Empty hooks mean no camera. The
// window fills them with its own CCaptureVideo; tests may replace them.
struct CaptureHooks {
  std::function<std::vector<std::string>()> listDevices;
  std::function<bool(int device, QWidget* videoWindow)> openDevice;
  std::function<void()> runPreview;
  std::function<void()> stopPreview;
  // The frame file as the overlay of the live picture, with its opacity 0..10.
  std::function<void(const std::string& frameFile, int opacity)> showOverlay;
  // A slot's frame picture as the overlay.
  std::function<void(const SharedBitmap& frame, int opacity)> showOverlayPicture;
  std::function<void()> hideOverlay;
  // Asks for the next frame in path (as shown: with the overlay); the file
  // appears later. False when no request could be made.
  std::function<bool(const std::string& path, bool asShown)> snapshotToFile;
};

class DlgFacecraft : public SkinDialog {
  Q_OBJECT

 public:
  enum ControlId : int {
    kVideo = 1144,
    kBackground = 1173,
    kPhoto = 1094,
    kFrame = 1172,
    kPanel = 1083,
    kDevices = 1126,
    kCountdown = 1186,
    kSelectFrame = 1185,
    kAddFrame = 1191,
    kFrameOption = 1084,
    kSelectPhoto = 1192,
    kAddPhoto = 1193,
    kPrint = 1196,
    kWebcam = 1142,
    kSnapshot = 1140,
    kSavePicture = 1135,
    kConfigure = 1194,
    kOpenProject = 1197,
    kSaveProject = 1198,
    kPreviousPhoto = 1178,
    kNextPhoto = 1179,
    kAddToSheet = 1174,
    kPreviousFrame = 1176,
    kNextFrame = 1177,
    kLayout0 = 1180,  // to 1184
    kAbout = 1245,
    kMinimise = 1247,
  };
  // The "Combination" menu.
  enum MenuId : int {
    kMenuCopy = 33038,
    kMenuPaste = 33039,
    kMenuRemove = 33040,
    kMenuToEditArea = 33041,
    kMenuApplyToAll = 33042,
    kMenuClear = 33043,
  };
  static constexpr int kCombinationMenu = 507;
  static constexpr int kDragCursorPicture = 533;

  struct Hooks {
    // The asset browser: start folder (empty: ask for one), photo or frame.
    std::function<std::optional<AssetChoice>(QWidget* parent, const std::string& startFolder, bool photo)> browse;
    // The photo editor on a slot's sticker: the edited picture on OK.
    std::function<std::optional<SharedBitmap>(const SharedBitmap& picture)> editPicture;
    // The Enter key: the photo editor with no picture.
    std::function<void()> openEditor;
    std::function<void(QWidget* parent)> configure;
    std::function<void(QWidget* parent, const SharedBitmap& sheet)> savePicture;
    std::function<void(QWidget* parent, const SharedBitmap& sheet)> print;
    CaptureHooks capture;
  };

  explicit DlgFacecraft(CFacecraftApp& app, QWidget* parent = nullptr);
  ~DlgFacecraft() override;

  Hooks& hooks() { return hooks_; }
  CFacecraftApp& App() { return app_; }

  // ---- state, for the application and for tests --------------------------------
  SheetModel& Sheet() { return *sheet_; }
  const GbImage& PhotoImage() const { return photo_; }
  const GbImage& FrameImage() const { return frame_; }
  const TemplateList& Frames() const { return frames_; }
  const TemplateList& Photos() const { return photos_; }
  QRect TrackerRect() const { return tracker_; }
  bool Live() const { return live_; }
  bool Busy() const { return busy_; }
  // The webcam object behind the default capture hooks.
  CCaptureVideo* Capture() const { return capture_.get(); }
  // The countdown waits this long per 10-millisecond step (tests shorten it;
  // the seconds shown still count steps, not time).
  void SetCountdownStep(int milliseconds) { countdownStepMs_ = milliseconds; }
  // How long a snapshot may take to arrive before it counts as failed.
  void SetSnapshotWaitLimit(int milliseconds) { snapshotWaitMs_ = milliseconds; }
  // The snapshot file last asked for ("" before the first).
  const std::string& LastSnapshotPath() const { return snapshotPath_; }
  // Milliseconds from the countdown's end to the sticker in its slot, for the
  // last snapshot that reached the sheet (-1 before any).
  long long LastSnapshotMilliseconds() const { return snapshotMs_; }
  bool FrameOption() const { return frameOption_; }
  // True when the window was closed with its own close button.
  bool ClosedByButton() const { return closedByButton_; }
  // The sheet holds changes that are in no saved project.
  bool Dirty() const { return dirty_; }
  // The project file last opened or saved ("" for none).
  const std::string& DocumentPath() const { return documentPath_; }
  // The "Combination" menu while it is open.
  CSkinMenu* OpenMenu() const { return openMenu_; }
  SlotPicture* SlotWidget(int slot) const;

  // ---- the sticker area ------------------------------------------------------------------
  // Loads a frame file as the previous/next commands do (false: nothing changed).
  bool StepFrame(int direction);
  bool StepPhoto(int direction);
  // A file dropped or chosen: as the select commands load it. why gets the reason of a failure.
  bool LoadFrameFile(const std::string& path, bool resampleToSticker, std::string* why = nullptr);
  bool LoadPhotoFile(const std::string& path, std::string* why = nullptr);
  // Moves and sizes the photo as a finished tracker drag does.
  void PlacePhoto(const QRect& rect);

  // ---- projects ----------------------------------------------------------------------------
  // Opens a project into the sheet; on any fault shows why and leaves the sheet alone.
  bool OpenProjectFile(const std::string& path);
  bool SaveProjectFile(const std::string& path);

  // ---- the command table -------------------------------------------------------------------
  void OnSelectFrame();
  void OnAddFrame();
  void OnFrameOption();
  void OnSelectPhoto();
  void OnAddPhoto();
  void OnPrint();
  void OnWebcam();
  void OnSnapshot();
  void OnSavePicture();
  void OnConfigure();
  void OnOpenProject();
  void OnSaveProject();
  void OnPreviousPhoto();
  void OnNextPhoto();
  void OnAddToSheet();
  void OnPreviousFrame();
  void OnNextFrame();
  void OnLayout(int id);
  void OnAbout();
  void OnMinimise();
  void OnEnterKey();
  void OnMenuCopy();
  void OnMenuPaste();
  void OnMenuRemove();
  void OnMenuClear();
  void OnMenuToEditArea();
  void OnMenuApplyToAll();

  void OnOK() override { OnEnterKey(); }
  void OnCancel() override;
  void OnCloseButton() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  class TrackerOverlay;
  enum TrackHit { kNoHit = -1, kTopLeft, kTop, kTopRight, kRight, kBottomRight, kBottom, kBottomLeft, kLeft, kMove };

  void CreateControls();
  void InstallCaptureHooks();
  void OnCaptureEvents();
  // The countdown's end to the sticker in its slot; false when the snapshot failed.
  bool TakeSnapshot();
  void ShowLivePicture(bool live);
  void LoadStartPictures();
  void ReloadOnShow();
  // The pictures on screen.
  void ShowPhoto();
  void ShowFrame(const GbImage& shown);
  void SetTrackerVisible(bool visible);
  void UpdateTitle();
  void SyncLayoutButtons();
  void MarkDirty() { dirty_ = true; }
  bool ConfirmDiscard();
  bool ComposeCurrent(ComposedSticker& out);
  std::optional<AssetChoice> Browse(const std::string& startFolder, bool photo);
  // A chosen file as the select and add commands take it; a message when it cannot be used.
  void UseFrameChoice(const std::string& path);
  void UsePhotoChoice(const std::string& path);
  void ShowProblem(const QString& text);
  void ShowWarning(const std::string& path, const char* warning);

  // The tracker.
  TrackHit HitTracker(const QPoint& pos) const;
  QRect DraggedRect(const QPoint& pos) const;
  void UpdateTrackerCursor(const QPoint& pos);

  // The slot windows.
  std::shared_ptr<SlotWindow> MakeSlotWindow(int controlId, const RECT& rect);
  int SlotOf(const QWidget* widget) const;
  int SlotAt(const QPoint& globalPos) const;
  void SlotPressed(SlotPicture* slot, QMouseEvent* event);
  void SlotReleased(SlotPicture* slot, QMouseEvent* event);
  void SlotDoubleClicked(SlotPicture* slot, QMouseEvent* event);
  void SetDragCursor(bool on);

  CFacecraftApp& app_;
  SettingsStore& settings_;
  Hooks hooks_;
  std::unique_ptr<SheetModel> sheet_;

  GbImage background_;
  GbImage photo_;
  GbImage frame_;
  TemplateList frames_;
  TemplateList photos_;
  std::string frameFile_;  // the file the frame image came from

  bool live_ = false;
  std::unique_ptr<CCaptureVideo> capture_;
  int countdownStepMs_ = 10;
  int snapshotWaitMs_ = 5000;
  std::string snapshotPath_;
  std::string snapshotError_;
  long long snapshotMs_ = -1;  // why the pending snapshot could not be written
  bool captureStarted_ = false;
  bool busy_ = false;
  bool frameOption_ = true;
  bool shownOnce_ = false;
  bool closedByButton_ = false;
  bool dirty_ = false;
  std::string documentPath_;

  QRect tracker_;  // the photo window's rectangle while the tracker is on
  bool trackerOn_ = true;
  TrackHit trackHit_ = kNoHit;
  QPoint trackStart_;
  QRect trackRubber_;  // the rectangle being dragged

  PictureControl* backgroundView_ = nullptr;
  PictureControl* photoView_ = nullptr;
  CTransparentPic* frameView_ = nullptr;
  PictureControl* panelView_ = nullptr;
  QWidget* videoView_ = nullptr;
  SkStatic* countdown_ = nullptr;
  QWidget* overlay_ = nullptr;  // draws the tracker over the sticker area
  std::vector<GbSkinButton*> layoutButtons_;
  CSkinMenu* openMenu_ = nullptr;
  bool dragCursor_ = false;

  static const SkinCommandTable<DlgFacecraft> kCommands;
};
