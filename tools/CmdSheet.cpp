// "sheet": stickers from many photos fill the slots of a layout; the sheet
// is written as a picture (over a background when asked, as the save-picture
// dialog does) and, when asked, as a project file the program can open.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "app/AppSettings.h"
#include "compose/model/BatchCompose.h"
#include "compose/model/ProjectDocument.h"
#include "platform/profile/PlatformPaths.h"
#include "platform/profile/ProfileFile.h"
#include "tools/Cli.h"
#include "output/print/PrintSheet.h"
#include "tools/CliCompose.h"
#include "tools/CliPrint.h"

namespace {

constexpr const char* kCmd = "sheet";
constexpr const char* kUsage =
    "--layout K [--frame F]... [--alpha A] [--cover] [--fill] [--background B [--size large|small]]\n"
    "       [--project P.quorra] [--print-pdf OUT.pdf [--printer-dpi N] [--page a4|letter|WxHmm]] PHOTO... -o OUT\n"
    "  Each photo becomes a sticker (resampled to 320 x 240, or with --cover keeping its aspect)\n"
    "  behind the frame; several --frame options are used in turn. The stickers fill the slots of\n"
    "  layout K (0: 13 slots, 1: 4, 2: 10, 3: 16, 4: 7) in order; --fill repeats the photos until\n"
    "  every slot is used. OUT is the 364 x 276 sheet, or with --background the sheet laid over B\n"
    "  at 1024 x 768 (--size small: 528 x 400). --project also writes the project file. --print-pdf\n"
    "  also prints the sheet (its gaps white) as print-pdf does.";

// The settings member of a project made here: the program's settings file
// when there is one, else a fresh one with the default values. Written to
// dir, so the program's own file is never touched.
bool MakeSettingsFile(const std::string& dir, std::string& path) {
  path = dir + GB_SETTINGS_FILE_NAME;
  CSysHelper helper;
  std::string bytes;
  const std::string own = gbpaths::ApplicationDirectory() + GB_SETTINGS_FILE_NAME;
  if (gbprofile::ReadProfileBytes(own, bytes) == gbprofile::FileState::Ok && !bytes.empty())
    return gbprofile::WriteProfileBytes(path, bytes);
  SettingsStore store;
  store.appDirectory = gbpaths::ApplicationDirectory();
  ApplyDefaultSettings(store);
  store.PathSave = gbpaths::DefaultSaveFolder();
  store.settingsFile = path;
  return SaveSettings(store, helper);
}

int RunSheet(const CliArgs& args) {
  std::vector<std::string> photos;
  std::string out;
  if (!CliSplitOutput(args, kCmd, photos, out)) return 2;
  if (!args.value("layout") || photos.empty()) {
    std::fprintf(stderr, "usage: glimmerbox-cli sheet %s\n", kUsage);
    return 2;
  }
  long layout = 0, alpha = 255;
  if (!CliIntInRange(args, "layout", 0, GB_LAYOUT_COUNT - 1, 0, layout, kCmd) ||
      !CliIntInRange(args, "alpha", 0, 255, 255, alpha, kCmd))
    return 2;
  const std::string size = args.valueOr("size", "large");
  if (size != "large" && size != "small") {
    std::fprintf(stderr, "glimmerbox-cli sheet: --size is large or small\n");
    return 2;
  }
  const auto backgroundPath = args.value("background");
  if (args.has("size") && !backgroundPath) {
    std::fprintf(stderr,
                 "glimmerbox-cli sheet: --size sets the size of the picture laid over --background; "
                 "without a background the sheet is always 364 x 276\n");
    return 2;
  }
  if (!CliCheckPictureOutput(out, kCmd)) return 2;
  const auto printPdf = args.value("print-pdf");
  long printDpi = 300;
  double pageW = 0, pageH = 0;
  if ((args.has("printer-dpi") || args.has("page")) && !printPdf) {
    std::fprintf(stderr, "glimmerbox-cli sheet: --printer-dpi and --page go with --print-pdf\n");
    return 2;
  }
  if (printPdf &&
      !CliPrintOptions(args.valueOr("printer-dpi", "300"), args.valueOr("page", "a4"), printDpi, pageW, pageH, kCmd))
    return 2;
  const auto project = args.value("project");
  std::vector<std::string> outputs{out}, inputs = photos;
  if (project) outputs.push_back(*project);
  if (printPdf) outputs.push_back(*printPdf);
  for (const std::string& f : args.values("frame")) inputs.push_back(f);
  if (backgroundPath) inputs.push_back(*backgroundPath);
  if (!CliCheckOutputPaths(outputs, inputs, kCmd)) return 2;

  std::string error;
  std::vector<GbImage> frames;
  for (const std::string& f : args.values("frame")) {
    frames.emplace_back();
    if (!CliLoadPicture(f, frames.back(), error)) {
      std::fprintf(stderr, "glimmerbox-cli sheet: %s\n", error.c_str());
      return 1;
    }
  }
  GbImage background;
  if (backgroundPath && !CliLoadPicture(*backgroundPath, background, error)) {
    std::fprintf(stderr, "glimmerbox-cli sheet: %s\n", error.c_str());
    return 1;
  }

  SheetModel sheet;
  sheet.SetupLayout(int(layout));
  const size_t count = args.has("fill") ? std::max<size_t>(photos.size(), size_t(sheet.SlotCount())) : photos.size();
  // Only finished stickers are kept (a photo repeated with the same frame
  // reuses its sticker), so a sheet needs memory for one photo at a time.
  std::map<std::pair<std::string, size_t>, ComposedSticker> made;
  size_t dropped = 0;
  for (size_t n = 0; n < count; ++n) {
    const std::string& path = photos[n % photos.size()];
    const size_t frameIndex = frames.empty() ? 0 : n % frames.size();
    const GbImage* frame = frames.empty() ? nullptr : &frames[frameIndex];
    auto key = std::make_pair(path, frameIndex);
    auto it = made.find(key);
    if (it == made.end()) {
      GbImage photo;
      if (!CliLoadPicture(path, photo, error)) {
        std::fprintf(stderr, "glimmerbox-cli sheet: %s\n", error.c_str());
        return 1;
      }
      const PhotoPlacement place =
          args.has("cover") ? CoverPlacement(long(photo.Width()), long(photo.Height())) : PhotoPlacement{};
      ComposedSticker sticker;
      if (!ComposeStickerFromPictures(photo, frame, place, int(alpha), sticker)) {
        std::fprintf(stderr, "glimmerbox-cli sheet: %s: the sticker could not be made%s%s\n", path.c_str(),
                     *photo.LastError() ? ": " : "", photo.LastError());
        return 1;
      }
      it = made.emplace(std::move(key), std::move(sticker)).first;
    }
    if (sheet.PlaceInFirstFree(it->second, frame != nullptr, int(alpha)) < 0) ++dropped;
  }
  if (dropped)
    std::fprintf(stderr, "glimmerbox-cli sheet: layout %ld has %d slots; %zu photo(s) left out\n", layout,
                 sheet.SlotCount(), dropped);

  GbImage picture;
  if (!sheet.BuildSheetImage(picture)) {
    std::fprintf(stderr, "glimmerbox-cli sheet: the sheet could not be made\n");
    return 1;
  }
  if (printPdf) {
    GbImage printPicture;
    const std::vector<RECT> stickers = StickerRectangles(sheet);
    if (!MakePrintPicture(picture, &stickers, printPicture)) {
      std::fprintf(stderr, "glimmerbox-cli sheet: the print picture could not be made\n");
      return 1;
    }
    if (!CliPrintPdf(printPicture, *printPdf, printDpi, pageW, pageH, kCmd)) return 1;
  }
  if (backgroundPath) {
    GbImage laid;
    const std::vector<RECT> stickers = StickerRectangles(sheet);
    const bool large = size == "large";
    if (!LaySheetOverBackground(
            picture, &background, large ? GB_SHEET_PICTURE_LARGE_WIDTH : GB_SHEET_PICTURE_SMALL_WIDTH,
            large ? GB_SHEET_PICTURE_LARGE_HEIGHT : GB_SHEET_PICTURE_SMALL_HEIGHT, laid, &stickers)) {
      std::fprintf(stderr, "glimmerbox-cli sheet: the sheet could not be laid over the background\n");
      return 1;
    }
    picture.TakeOver(laid);
  }
  if (!CliSavePicture(picture, out, kCmd)) return 1;

  if (project) {
    CliTempFolder temp;
    ProjectSaveOptions options;
    options.stagingFolder = temp.path() + "stage/";
    if (!temp.ok()) {
      std::fprintf(stderr, "glimmerbox-cli sheet: %s\n", temp.problem().c_str());
      return 1;
    }
    if (!MakeSettingsFile(temp.path(), options.settingsFile)) {
      std::fprintf(stderr, "glimmerbox-cli sheet: cannot write the project's settings file in %s\n",
                   temp.path().c_str());
      return 1;
    }
    CSysHelper helper;
    if (!SaveProject(sheet, helper, options, *project, &error)) {
      std::fprintf(stderr, "glimmerbox-cli sheet: %s: %s\n", project->c_str(), error.c_str());
      return 1;
    }
  }
  std::printf("sheet: %zu sticker(s) on layout %ld, written to %s (%u x %u)\n", sheet.UsedSlots().size(), layout,
              out.c_str(), picture.Width(), picture.Height());
  return 0;
}

}  // namespace

GB_CLI_COMMAND(kCmd, "fill a sheet layout with stickers from photos; write the sheet and optionally a project", kUsage,
               std::vector<std::string>{"layout=", "frame*", "alpha=", "cover", "fill", "background=", "size=",
                                        "project=", "print-pdf=", "printer-dpi=", "page=", "output="},
               RunSheet);
