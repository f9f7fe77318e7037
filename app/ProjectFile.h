// The project file (".quorra"): a plain concatenation of files, each after
// its 4-byte little-endian length. Member 0 is the settings file; then three
// 32-bit BMP pictures (sticker, frame, plain) per saved slot. Saving stages
// the pictures in a folder of the temp directory and packs them; opening
// unpacks into the same folder. The sheet side (which slots, which layout)
// lives with the sheet model in compose/model; this part knows only files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/SettingsStore.h"
#include "app/SysHelper.h"
#include "platform/gdi/GdiTypes.h"

constexpr const char* GB_PROJECT_EXTENSION = ".quorra";
constexpr const char* GB_PROJECT_FILTER = "Quorra project file(*.quorra)|*.quorra||";
constexpr const char* GB_KEY_COMBINATION_INDEX = "CombinationIndex";
constexpr const char* GB_KEY_COM_PICTURE_FLAG = "ComPictureFlag";
// The saved slots' opacities and edited marks, in the order of ComPictureFlag.
constexpr const char* GB_KEY_COM_PICTURE_ALPHA = "ComPictureAlpha";
constexpr const char* GB_KEY_COM_PICTURE_EDITED = "ComPictureEdited";

// Writes a bitmap as a 32-bit bottom-up BMP file (blue, green, red, 0).
// 0 on success, 1 on failure. Only a complete file replaces what stood at
// the path; a failed write leaves that as it was.
int WriteBitmapFile(HBITMAP bitmap, const std::string& path);

// ---- staging folder ---------------------------------------------------------
// tempDirectory + "Glimmerbox/".
std::string ProjectStagingFolder(const std::string& tempDirectory);
// Removes the folder when it is empty, then makes sure it exists.
bool PrepareStagingFolder(const std::string& folder);
std::string StagedStickerPath(const std::string& folder, int slot);  // "<slot>.bmp"
std::string StagedFramePath(const std::string& folder, int slot);    // "<slot>Frame.bmp"
std::string StagedPlainPath(const std::string& folder, int slot);    // "<slot>Bk.bmp"
// Unpacked member k: the settings file for 0, else "<k - 1>.bmp".
std::string UnpackedMemberPath(const std::string& folder, size_t member);

// ---- container ---------------------------------------------------------------
struct ProjectMember {
  uint64_t offset = 0;  // of the member's first byte, after its length
  uint32_t length = 0;
};

// The members a container holds. A length that is cut off or that claims
// more bytes than follow ends the list; `complete` is then false.
struct ProjectContents {
  uint64_t fileSize = 0;
  std::vector<ProjectMember> members;
  bool complete = true;
  uint64_t badOffset = 0;  // where the first incomplete member starts
  bool excess = false;     // the scan stopped at its limit with bytes left
};

// False when the file cannot be opened or is not a regular file. At most
// maxMembers are listed, so a file of countless tiny members costs no more
// than the members anyone will use.
bool ScanProjectContainer(const std::string& containerPath, ProjectContents& contents, size_t maxMembers = SIZE_MAX);

// The members of a file that must be a project (at most one more than a
// project uses, then `excess`). False with the reason when the file can't be
// read or is not a project at all: empty, or not starting with a settings
// text. A project cut short is still one; `complete` tells.
bool ReadProjectContents(const std::string& containerPath, ProjectContents& contents, std::string& why);

// Packs the files in order. The container is written beside the target
// under a temporary name and renamed over it only when complete, so a failed
// save (unreadable or empty member, full disk) leaves an existing project
// untouched. error, when given, receives the reason of a failure.
bool PackProjectFiles(const std::vector<std::string>& paths, const std::string& containerPath,
                      std::string* error = nullptr);

// The most members a project can use: the settings file and three pictures
// for each of 16 slots. Unpacking stops there, so a file of countless tiny
// members can't fill the staging folder.
constexpr size_t GB_PROJECT_MAX_MEMBERS = 1 + 3 * 16;

// Unpacks the container's members into the staging folder and lists them,
// entry 0 the settings file. Only members that were complete in the file and
// fully written are listed; the first that is not ends the unpacking. When
// the container cannot be opened, list keeps its entries and false comes
// back; otherwise true (even when not every member could be unpacked).
bool UnpackProjectFiles(const std::string& containerPath, const std::string& stagingFolder,
                        std::vector<std::string>& list);

// Copies one member (from ScanProjectContainer) into a file at path. Only a
// complete copy appears there; with replace false an existing file (or any
// name already taken) is left alone and the call fails. error, when given,
// receives the reason of a failure.
bool ExtractProjectMember(const std::string& containerPath, const ProjectMember& member, const std::string& path,
                          bool replace = true, std::string* error = nullptr);

// The application object's hook: unpacks app.projectPath into the staging
// folder of the temp directory and fills app.unpackedFiles.
class CFacecraftApp;
void UnpackStartupProject(CFacecraftApp& app);

// ---- "ComPictureFlag" ----------------------------------------------------------
// "1,11,": each saved slot index followed by a comma, in rising order.
std::string FormatComPictureFlag(const std::vector<int>& slots);
// The numbers of such a list in order; an entry that is not a number gives -1.
// Text after the last comma is not an entry.
std::vector<int> ParseComPictureList(const std::string& text);
// True when "<slot>," is one whole entry of the text (so 1 is not found in "11,").
bool ComPictureFlagLists(const std::string& flag, int slot);

// Section "Configure" of an unpacked settings file into the store: the delay,
// the current and save folders, the six template folders and the print size.
// An empty PathCurrent becomes the application directory; an empty folder
// value leaves the store's folder as it was.
void ReadProjectSettings(SettingsStore& store, const CSysHelper& helper, const std::string& settingsFile);
