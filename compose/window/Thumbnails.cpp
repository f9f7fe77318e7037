#include "compose/window/Thumbnails.h"

#include <sys/stat.h>

#include <map>

#include "compose/model/Composition.h"
#include "compose/window/PictureViews.h"

namespace {

struct Store {
  std::mutex lock;
  // Keyed by path, size and modification time, so a changed file is made anew.
  std::map<std::string, QImage> made;
};

Store& TheStore() {
  static Store store;
  return store;
}

std::string Key(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return path + "|missing";
  return path + "|" + std::to_string(st.st_size) + "|" + std::to_string(st.st_mtim.tv_sec) + "." +
         std::to_string(st.st_mtim.tv_nsec);
}

bool LoadForThumbnail(const std::string& path, uint32_t type, GbImage& image) {
  if (type != GB_TYPE_JPG) return image.LoadFile(path.c_str(), type) && image.HasPixels();
  // An eighth of a camera photo is still several times the thumbnail; a
  // small photo takes the largest scale that still covers 90 x 67.
  image.SetJpegScale(8);
  if (!image.LoadFile(path.c_str(), type) || !image.HasPixels()) return false;
  const long w8 = long(image.Width()), h8 = long(image.Height());
  if (w8 >= GB_THUMB_WIDTH && h8 >= GB_THUMB_HEIGHT) return true;
  int scale = 4;
  while (scale > 1 && (w8 * 8 / scale < GB_THUMB_WIDTH || h8 * 8 / scale < GB_THUMB_HEIGHT)) scale /= 2;
  GbImage larger;
  larger.SetJpegScale(uint8_t(scale));
  if (!larger.LoadFile(path.c_str(), type) || !larger.HasPixels()) return true;  // keep the small one
  return image.TakeOver(larger);
}

}  // namespace

QImage MakeThumbnail(const std::string& path) {
  const uint32_t type = GbImage::TypeFromPath(path);
  if (type == GB_TYPE_UNKNOWN) return {};
  GbImage image;
  if (!LoadForThumbnail(path, type, image)) return {};
  // Decoding runs on several threads at once; the drawing stand-in is used
  // by one at a time.
  static std::mutex drawing;
  std::lock_guard<std::mutex> guard(drawing);
  const SharedBitmap picture = BitmapOfImage(image);
  image.Release();  // the full picture goes before the thumbnail is made
  return QImageOfBitmap(ResizeBitmap(picture, GB_THUMB_WIDTH, GB_THUMB_HEIGHT, ResizeStretch, true));
}

QImage CachedThumbnail(const std::string& path, bool* ready) {
  Store& s = TheStore();
  const std::string key = Key(path);
  std::lock_guard<std::mutex> guard(s.lock);
  const auto it = s.made.find(key);
  if (ready) *ready = it != s.made.end();
  return it != s.made.end() ? it->second : QImage();
}

void ForgetThumbnails() {
  Store& s = TheStore();
  std::lock_guard<std::mutex> guard(s.lock);
  s.made.clear();
}

ThumbnailMaker::ThumbnailMaker(QObject* parent) : QObject(parent) {
  const unsigned cores = std::thread::hardware_concurrency();
  const unsigned count = cores >= 2 ? 2 : 1;
  for (unsigned i = 0; i < count; ++i) threads_.emplace_back([this] { Run(); });
}

ThumbnailMaker::~ThumbnailMaker() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stop_ = true;
    queue_.clear();
  }
  wake_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void ThumbnailMaker::Request(const std::vector<std::string>& paths) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    queue_.assign(paths.begin(), paths.end());
  }
  wake_.notify_all();
}

bool ThumbnailMaker::Busy() const {
  std::lock_guard<std::mutex> guard(lock_);
  return working_ > 0 || !queue_.empty();
}

void ThumbnailMaker::Run() {
  for (;;) {
    std::string path;
    {
      std::unique_lock<std::mutex> guard(lock_);
      wake_.wait(guard, [this] { return stop_ || !queue_.empty(); });
      if (stop_) return;
      path = std::move(queue_.front());
      queue_.pop_front();
      ++working_;
    }
    bool known = false;
    QImage thumbnail = CachedThumbnail(path, &known);
    if (!known) {
      const std::string key = Key(path);
      thumbnail = MakeThumbnail(path);
      Store& s = TheStore();
      std::lock_guard<std::mutex> guard(s.lock);
      s.made[key] = thumbnail;
    }
    // Queued to the window thread, which owns this object.
    emit ready(QString::fromStdString(path), thumbnail);
    std::lock_guard<std::mutex> guard(lock_);
    --working_;
  }
}
