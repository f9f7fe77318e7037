// Project containers: the structure check, the bounded member scan and the
// "ComPictureFlag" list, on arbitrary bytes. A file that passes the check
// lists members that lie inside it, never more than a project can hold.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <string>

#include "app/ProjectFile.h"
#include "fuzz/FuzzCheck.h"

using gbfuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An anonymous in-memory file, reached by its descriptor's path.
  const int fd = ::memfd_create("project", 0);
  if (fd < 0) return 0;
  size_t written = 0;
  while (written < size) {
    const ssize_t n = ::write(fd, data + written, size - written);
    if (n <= 0) break;
    written += size_t(n);
  }
  const std::string path = "/proc/self/fd/" + std::to_string(fd);

  ProjectContents contents;
  std::string why;
  if (ReadProjectContents(path, contents, why)) {
    Require(contents.fileSize == written);
    Require(contents.members.size() <= GB_PROJECT_MAX_MEMBERS + 1);
    Require(!contents.members.empty() && contents.members[0].length > 0);
    for (const ProjectMember& m : contents.members)
      Require(m.offset <= contents.fileSize && m.length <= contents.fileSize - m.offset);
  } else {
    Require(!why.empty());
  }
  ProjectContents bounded;
  if (ScanProjectContainer(path, bounded, GB_PROJECT_MAX_MEMBERS))
    Require(bounded.members.size() <= GB_PROJECT_MAX_MEMBERS);

  // The slot list of a settings file, from the same bytes as text.
  const std::string text(reinterpret_cast<const char*>(data), std::min<size_t>(size, 4096));
  for (int v : ParseComPictureList(text)) Require(v >= -1);
  for (int slot = 0; slot < 16; ++slot) ComPictureFlagLists(text, slot);
  ::close(fd);
  return 0;
}
