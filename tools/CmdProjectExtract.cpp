// "project-extract": a project file's members as files: Glimmerbox.ini and,
// for every listed slot N, N.bmp (the sticker), NFrame.bmp and NBk.bmp (the
// picture without its frame), the names the program stages them under.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/AppSettings.h"
#include "app/ProjectFile.h"
#include "compose/model/SheetLayouts.h"
#include "platform/profile/PlatformPaths.h"
#include "platform/profile/ProfileFile.h"
#include "tools/Cli.h"
#include "tools/CliCompose.h"

namespace {

constexpr const char* kCmd = "project-extract";
constexpr const char* kUsage =
    "P.quorra DIR [--force]\n"
    "  Writes DIR/Glimmerbox.ini and DIR/N.bmp, DIR/NFrame.bmp, DIR/NBk.bmp for each saved slot N;\n"
    "  members no slot claims become memberK.bin. Files already in DIR are kept: the command\n"
    "  refuses before writing anything unless --force lets it replace them. Nothing is deleted\n"
    "  when it fails. Exit status 3 when the file ends inside a member.";

int RunProjectExtract(const CliArgs& args) {
  if (args.positional().size() != 2) {
    std::fprintf(stderr, "usage: glimmerbox-cli project-extract %s\n", kUsage);
    return 2;
  }
  const std::string path = args.positional()[0];
  const std::string dir = gbpaths::WithSlash(args.positional()[1]);
  const bool force = args.has("force");
  ProjectContents contents;
  std::string why;
  if (!ReadProjectContents(path, contents, why)) {
    std::fprintf(stderr, "glimmerbox-cli project-extract: %s: %s\n", path.c_str(), why.c_str());
    return 1;
  }
  if (contents.members.size() > GB_PROJECT_MAX_MEMBERS)
    std::fprintf(stderr, "glimmerbox-cli project-extract: %s holds %zu members; only the first %zu are written\n",
                 path.c_str(), contents.members.size(), GB_PROJECT_MAX_MEMBERS);
  const size_t count = std::min(contents.members.size(), GB_PROJECT_MAX_MEMBERS);

  // The names depend on the slots the settings member lists, so read it
  // first, privately; then every name is known before anything is written.
  std::vector<int> listed;
  if (count > 0) {
    CliTempFolder temp;
    const std::string settings = temp.path() + GB_SETTINGS_FILE_NAME;
    if (!temp.ok() || !ExtractProjectMember(path, contents.members[0], settings, true, &why)) {
      std::fprintf(stderr, "glimmerbox-cli project-extract: cannot read the settings member: %s\n",
                   temp.ok() ? why.c_str() : temp.problem().c_str());
      return 1;
    }
    const std::string flag =
        gbprofile::GetPrivateProfileString(GB_SECTION_CONFIGURE, GB_KEY_COM_PICTURE_FLAG, "", settings);
    for (int j = 0; j < GB_MAX_SLOTS; ++j)
      if (ComPictureFlagLists(flag, j)) listed.push_back(j);
  }
  std::vector<std::string> names;
  for (size_t k = 0; k < count; ++k) {
    if (k == 0) {
      names.push_back(dir + GB_SETTINGS_FILE_NAME);
      continue;
    }
    const size_t n = (k - 1) / 3;
    if (n < listed.size()) {
      const int slot = listed[n];
      const int part = int((k - 1) % 3);
      names.push_back(part == 0   ? StagedStickerPath(dir, slot)
                      : part == 1 ? StagedFramePath(dir, slot)
                                  : StagedPlainPath(dir, slot));
    } else {
      names.push_back(dir + "member" + std::to_string(k) + ".bin");
    }
  }
  if (!CSysHelper::EnsureFolder(dir)) {
    std::fprintf(stderr, "glimmerbox-cli project-extract: cannot make the folder %s\n", dir.c_str());
    return 1;
  }
  if (!force) {
    std::vector<std::string> taken;
    std::error_code ec;
    for (const std::string& name : names)
      if (std::filesystem::exists(std::filesystem::symlink_status(name, ec))) taken.push_back(name);
    if (!taken.empty()) {
      std::fprintf(stderr, "glimmerbox-cli project-extract: %zu file(s) already exist in %s and are kept:\n",
                   taken.size(), dir.c_str());
      for (const std::string& name : taken) std::fprintf(stderr, "  %s\n", name.c_str());
      std::fprintf(stderr, "nothing was written; --force replaces them\n");
      return 1;
    }
  }
  for (size_t k = 0; k < count; ++k) {
    // Each file appears whole or not at all; those written before a failure stay.
    if (!ExtractProjectMember(path, contents.members[k], names[k], force, &why)) {
      std::fprintf(stderr, "glimmerbox-cli project-extract: %s\n", why.c_str());
      return 1;
    }
    std::printf("%s\n", names[k].c_str());
  }
  if (!contents.complete) {
    std::fprintf(stderr, "glimmerbox-cli project-extract: %s ends inside a member at byte %llu; the rest is lost\n",
                 path.c_str(), (unsigned long long)contents.badOffset);
    return 3;
  }
  return 0;
}

}  // namespace

GB_CLI_COMMAND(kCmd, "write the settings file and pictures of a project file into a folder", kUsage, {"force"},
               RunProjectExtract);
