// "project-info": what a project file holds: its layout, the slots it lists,
// which of them open, and every member with its length.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/AppSettings.h"
#include "app/ProjectFile.h"
#include "compose/model/ProjectDocument.h"
#include "platform/profile/ProfileFile.h"
#include "tools/Cli.h"
#include "tools/CliCompose.h"

namespace {

constexpr const char* kCmd = "project-info";
constexpr const char* kUsage =
    "P.quorra\n"
    "  Exit status 0 for a complete file; 3 when the file ends inside a member or a listed slot\n"
    "  does not open (what can be read is listed); 1 when it can't be read or is not a project.";

// "320 x 240, 32 bits" for a BMP member, else a note.
std::string PictureNote(const std::string& container, const ProjectMember& m) {
  if (m.length < 54) return "not a picture";
  std::ifstream in(container, std::ios::binary);
  unsigned char h[54];
  in.seekg(std::streamoff(m.offset));
  if (!in.read(reinterpret_cast<char*>(h), sizeof h)) return "unreadable";
  if (h[0] != 'B' || h[1] != 'M') return "not a BMP picture";
  auto s32 = [&](int at) {
    return int32_t(uint32_t(h[at]) | uint32_t(h[at + 1]) << 8 | uint32_t(h[at + 2]) << 16 | uint32_t(h[at + 3]) << 24);
  };
  return std::to_string(s32(18)) + " x " + std::to_string(s32(22)) + ", " + std::to_string(h[28] | h[29] << 8) +
         " bits";
}

std::string Join(const std::vector<int>& v) {
  std::string s;
  for (int i : v) {
    if (!s.empty()) s += ' ';
    s += std::to_string(i);
  }
  return s.empty() ? "none" : s;
}

int RunProjectInfo(const CliArgs& args) {
  if (args.positional().size() != 1) {
    std::fprintf(stderr, "usage: glimmerbox-cli project-info %s\n", kUsage);
    return 2;
  }
  const std::string path = args.positional()[0];
  ProjectContents contents;
  std::string why;
  if (!ReadProjectContents(path, contents, why)) {
    std::fprintf(stderr, "glimmerbox-cli project-info: %s: %s\n", path.c_str(), why.c_str());
    return 1;
  }
  std::printf("project: %s (%llu bytes)\n", path.c_str(), (unsigned long long)contents.fileSize);

  CliTempFolder temp;
  std::vector<std::string> files;
  if (!temp.ok()) {
    std::fprintf(stderr, "glimmerbox-cli project-info: %s\n", temp.problem().c_str());
    return 1;
  }
  if (!UnpackProjectFiles(path, temp.path(), files)) {
    std::fprintf(stderr, "glimmerbox-cli project-info: %s cannot be read\n", path.c_str());
    return 1;
  }
  std::vector<int> listed, missing;
  if (!files.empty()) {
    const std::string& ini = files[0];
    const std::string layout =
        gbprofile::GetPrivateProfileString(GB_SECTION_CONFIGURE, GB_KEY_COMBINATION_INDEX, "", ini);
    const std::string flag = gbprofile::GetPrivateProfileString(GB_SECTION_CONFIGURE, GB_KEY_COM_PICTURE_FLAG, "", ini);
    SheetModel sheet;
    CSysHelper helper;
    ProjectOpenResult r;
    OpenProject(sheet, files, helper, nullptr, &r);
    listed = r.listedSlots;
    for (int slot : r.listedSlots)
      if (std::find(r.loadedSlots.begin(), r.loadedSlots.end(), slot) == r.loadedSlots.end()) missing.push_back(slot);
    std::printf("layout: %s (%d slots)\n", layout.empty() ? "missing, 0 used" : layout.c_str(), sheet.SlotCount());
    std::printf("ComPictureFlag: %s\n", flag.c_str());
    std::printf("listed slots: %s\n", Join(r.listedSlots).c_str());
    std::printf("slots that open: %s%s\n", Join(r.loadedSlots).c_str(),
                r.stoppedEarly ? " (the loading stops at a slot beyond the layout or without its pictures)" : "");
  }
  std::printf("members:\n");
  static const char* const kParts[3] = {"sticker", "frame", "plain"};
  for (size_t k = 0; k < contents.members.size(); ++k) {
    const ProjectMember& m = contents.members[k];
    std::string what;
    if (k == 0) {
      what = "settings file";
    } else {
      const size_t n = (k - 1) / 3;
      what = (n < listed.size() ? "slot " + std::to_string(listed[n]) + " " : "unlisted ") + kParts[(k - 1) % 3] +
             ", " + PictureNote(path, m);
    }
    std::printf("  %2zu  at %-9llu %9u bytes  %s\n", k, (unsigned long long)m.offset, m.length, what.c_str());
  }
  if (contents.excess)
    std::printf("  ... more members follow than a project uses (%zu); they are not listed\n", GB_PROJECT_MAX_MEMBERS);
  int status = 0;
  if (!contents.complete) {
    std::printf("incomplete: the member at byte %llu claims more bytes than the file holds\n",
                (unsigned long long)contents.badOffset);
    status = 3;
  }
  if (!missing.empty()) {
    std::printf("incomplete: listed slots that do not open: %s\n", Join(missing).c_str());
    status = 3;
  }
  return status;
}

}  // namespace

GB_CLI_COMMAND(kCmd, "show the layout, slots and members of a project file", kUsage, {}, RunProjectInfo);
