// "project-extract": a project file's members as files: Glimmerbox.ini and,
// for every listed slot N, N.bmp (the sticker), NFrame.bmp and NBk.bmp (the
// picture without its frame), the names the program stages them under.
#include <cstdio>
#include <string>

#include "app/AppSettings.h"
#include "app/ProjectFile.h"
#include "compose/model/SheetLayouts.h"
#include "platform/profile/PlatformPaths.h"
#include "platform/profile/ProfileFile.h"
#include "tools/Cli.h"

namespace {

constexpr const char* kCmd = "project-extract";
constexpr const char* kUsage =
    "P.quorra DIR\n"
    "  Writes DIR/Glimmerbox.ini and DIR/N.bmp, DIR/NFrame.bmp, DIR/NBk.bmp for each saved slot N;\n"
    "  members no slot claims become memberK.bin. Exit status 3 when the file ends inside a member.";

int RunProjectExtract(const CliArgs& args) {
  if (args.positional().size() != 2) {
    std::fprintf(stderr, "usage: glimmerbox-cli project-extract %s\n", kUsage);
    return 2;
  }
  const std::string path = args.positional()[0];
  const std::string dir = gbpaths::WithSlash(args.positional()[1]);
  ProjectContents contents;
  if (!ScanProjectContainer(path, contents)) {
    std::fprintf(stderr, "glimmerbox-cli project-extract: %s cannot be read\n", path.c_str());
    return 1;
  }
  if (!CSysHelper::EnsureFolder(dir)) {
    std::fprintf(stderr, "glimmerbox-cli project-extract: cannot make the folder %s\n", dir.c_str());
    return 1;
  }
  std::vector<int> listed;
  if (contents.members.size() > GB_PROJECT_MAX_MEMBERS)
    std::fprintf(stderr, "glimmerbox-cli project-extract: %s holds %zu members; only the first %zu are written\n",
                 path.c_str(), contents.members.size(), GB_PROJECT_MAX_MEMBERS);
  for (size_t k = 0; k < contents.members.size() && k < GB_PROJECT_MAX_MEMBERS; ++k) {
    std::string name;
    if (k == 0) {
      name = dir + GB_SETTINGS_FILE_NAME;
    } else {
      const size_t n = (k - 1) / 3;
      if (n < listed.size()) {
        const int slot = listed[n];
        const int part = int((k - 1) % 3);
        name = part == 0 ? StagedStickerPath(dir, slot) : part == 1 ? StagedFramePath(dir, slot) : StagedPlainPath(dir, slot);
      } else {
        name = dir + "member" + std::to_string(k) + ".bin";
      }
    }
    if (!ExtractProjectMember(path, contents.members[k], name)) {
      std::fprintf(stderr, "glimmerbox-cli project-extract: cannot write %s\n", name.c_str());
      return 1;
    }
    std::printf("%s\n", name.c_str());
    if (k == 0) {
      const std::string flag =
          gbprofile::GetPrivateProfileString(GB_SECTION_CONFIGURE, GB_KEY_COM_PICTURE_FLAG, "", name);
      for (int j = 0; j < GB_MAX_SLOTS; ++j)
        if (ComPictureFlagLists(flag, j)) listed.push_back(j);
    }
  }
  if (!contents.complete) {
    std::fprintf(stderr, "glimmerbox-cli project-extract: %s ends inside a member at byte %llu; the rest is lost\n",
                 path.c_str(), (unsigned long long)contents.badOffset);
    return 3;
  }
  return 0;
}

}  // namespace

GB_CLI_COMMAND(kCmd, "write the settings file and pictures of a project file into a folder", kUsage, {},
               RunProjectExtract);
