#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/camera/CameraSource.h"
#include "platform/camera/TestPatternCamera.h"
#include "platform/camera/V4l2Camera.h"

namespace gbcam {

namespace {

std::vector<std::string> DeviceNodes() {
  std::vector<std::string> nodes;
  if (const char* list = std::getenv("GLIMMERBOX_VIDEO_DEVICES")) {
    std::string all(list);
    size_t start = 0;
    while (start <= all.size()) {
      const size_t end = std::min(all.find(':', start), all.size());
      if (end > start) nodes.push_back(all.substr(start, end - start));
      start = end + 1;
    }
    return nodes;
  }
  DIR* dir = ::opendir("/dev");
  if (!dir) return nodes;
  while (const dirent* e = ::readdir(dir))
    if (std::strncmp(e->d_name, "video", 5) == 0) nodes.push_back(std::string("/dev/") + e->d_name);
  ::closedir(dir);
  // /dev/video2 before /dev/video10.
  std::sort(nodes.begin(), nodes.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  return nodes;
}

}  // namespace

std::vector<CameraInfo> ListCameras() {
  std::vector<CameraInfo> cameras;
  const char* choice = std::getenv("GLIMMERBOX_CAMERA");
  if (choice && std::strcmp(choice, "test-pattern") == 0) {
    cameras.push_back({kTestPatternName, {}});
    return cameras;
  }
  if (choice && std::strcmp(choice, "none") == 0) return cameras;
  // Many cameras have a second node for metadata only; Probe leaves those out.
  for (const std::string& node : DeviceNodes()) {
    std::string card, why;
    int err = 0;
    if (V4l2Camera::Probe(node, card, why, &err)) cameras.push_back({card, node});
    // A camera the user may not open is still listed, so that switching the
    // webcam on says why it does not start instead of finding nothing.
    else if (err == EACCES || err == EPERM)
      cameras.push_back({node + " (no permission)", node});
  }
  return cameras;
}

std::unique_ptr<CameraSource> MakeCamera(const CameraInfo& info) {
  if (info.node.empty()) return std::make_unique<TestPatternCamera>();
  return std::make_unique<V4l2Camera>(info.node);
}

}  // namespace gbcam
