#include "compose/model/ProjectDocument.h"

#include "app/AppSettings.h"

namespace {

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

bool LoadBitmapFile(const std::string& path, SharedBitmap& bitmap) {
  GbImage image;
  if (!image.LoadFile(path.c_str(), GB_TYPE_BMP)) return false;
  bitmap = BitmapOfImage(image);
  return bitmap != nullptr;
}

}  // namespace

bool SaveProject(const SheetModel& sheet, const CSysHelper& helper, const ProjectSaveOptions& options,
                 const std::string& containerPath, std::string* error) {
  const std::string& ini = options.settingsFile;
  const std::string& staging = options.stagingFolder;
  if (!PrepareStagingFolder(staging)) {
    SetError(error, "cannot use the staging folder " + staging);
    return false;
  }
  if (!helper.WriteProfileInt(ini, GB_SECTION_CONFIGURE, GB_KEY_COMBINATION_INDEX, sheet.Layout())) {
    SetError(error, "cannot write the settings file " + ini);
    return false;
  }
  std::vector<std::string> members{ini};
  std::vector<int> saved, alphas, edited;
  SharedBitmap placeholder;
  for (int i = 0; i < sheet.SlotCount(); ++i) {
    const ComData& slot = sheet.Slot(i);
    if (slot.used != 1) continue;
    // Three pictures per listed slot keep the members and the list in step.
    SharedBitmap frame = slot.frame;
    if (!frame) {
      if (!placeholder) placeholder = EmptySlotBitmap();
      frame = placeholder;
    }
    const SharedBitmap& plain = slot.plain ? slot.plain : slot.sticker;
    const std::string paths[3] = {StagedStickerPath(staging, i), StagedFramePath(staging, i),
                                  StagedPlainPath(staging, i)};
    const HBITMAP pictures[3] = {slot.sticker.get(), frame.get(), plain.get()};
    for (int k = 0; k < 3; ++k) {
      if (WriteBitmapFile(pictures[k], paths[k]) != 0) {
        SetError(error, "cannot write " + paths[k]);
        return false;
      }
      members.push_back(paths[k]);
    }
    saved.push_back(i);
    alphas.push_back(slot.alpha);
    edited.push_back(slot.edited);
  }
  // Opacity and the edited mark decide how a slot is redrawn after a layout
  // change; without them a reopened sticker would get its frame back opaque.
  if (!helper.WriteProfileString(ini, GB_SECTION_CONFIGURE, GB_KEY_COM_PICTURE_FLAG, FormatComPictureFlag(saved)) ||
      !helper.WriteProfileString(ini, GB_SECTION_CONFIGURE, GB_KEY_COM_PICTURE_ALPHA, FormatComPictureFlag(alphas)) ||
      !helper.WriteProfileString(ini, GB_SECTION_CONFIGURE, GB_KEY_COM_PICTURE_EDITED, FormatComPictureFlag(edited))) {
    SetError(error, "cannot write the settings file " + ini);
    return false;
  }
  return PackProjectFiles(members, containerPath, error);
}

bool OpenProject(SheetModel& sheet, const std::vector<std::string>& unpacked, const CSysHelper& helper,
                 SettingsStore* store, ProjectOpenResult* result) {
  ProjectOpenResult r;
  if (unpacked.empty()) {
    if (result) *result = r;
    return false;
  }
  const std::string& ini = unpacked[0];
  if (store) ReadProjectSettings(*store, helper, ini);
  int layout = helper.ReadProfileInt(ini, GB_SECTION_CONFIGURE, GB_KEY_COMBINATION_INDEX);
  // A layout number outside the five would leave no slots at all.
  if (LayoutSlots(layout).empty()) layout = 0;
  sheet.SetupLayout(layout);
  r.layout = layout;

  const std::string flag = helper.ReadProfileString(ini, GB_SECTION_CONFIGURE, GB_KEY_COM_PICTURE_FLAG);
  // Entry n of these belongs to the n-th listed slot; projects without them
  // open with alpha 255 and nothing edited.
  const std::vector<int> alphas =
      ParseComPictureList(helper.ReadProfileString(ini, GB_SECTION_CONFIGURE, GB_KEY_COM_PICTURE_ALPHA));
  const std::vector<int> edited =
      ParseComPictureList(helper.ReadProfileString(ini, GB_SECTION_CONFIGURE, GB_KEY_COM_PICTURE_EDITED));
  size_t m = 1;
  for (int j = 0; j < GB_MAX_SLOTS; ++j) {
    if (!ComPictureFlagLists(flag, j)) continue;
    r.listedSlots.push_back(j);
    if (r.stoppedEarly) continue;
    if (j >= sheet.SlotCount() || m + 2 >= unpacked.size()) {
      r.stoppedEarly = true;
      continue;
    }
    SharedBitmap sticker, frame, plain;
    // A member that is not a picture leaves its slot empty; the next slot
    // still finds its own members.
    if (LoadBitmapFile(unpacked[m], sticker) && LoadBitmapFile(unpacked[m + 2], plain)) {
      if (!LoadBitmapFile(unpacked[m + 1], frame)) frame = nullptr;
      ComData& slot = sheet.Slot(j);
      slot.sticker = sticker;
      slot.frame = frame;
      slot.plain = plain;
      slot.used = 1;
      const size_t n = r.listedSlots.size() - 1;
      if (n < alphas.size() && alphas[n] >= 0 && alphas[n] <= 255) slot.alpha = alphas[n];
      if (n < edited.size() && edited[n] == 1) slot.edited = 1;
      if (slot.window) {
        slot.window->ShowBitmap(ResizeBitmap(sticker, slot.Width(), slot.Height(), ResizeResample));
        slot.window->Repaint();
      }
      r.loadedSlots.push_back(j);
    }
    m += 3;
  }
  if (result) *result = r;
  return true;
}
