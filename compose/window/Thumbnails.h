// Thumbnails for the asset browser: the 90 x 67 picture of a file, made on a
// worker thread and kept for the life of the process, so a page opens at
// once, fills in as pictures become ready, and paging back costs nothing.
#pragma once
#include <QImage>
#include <QObject>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

constexpr int GB_THUMB_WIDTH = 90;
constexpr int GB_THUMB_HEIGHT = 67;

// The thumbnail of a file: its picture stretched to fit inside 90 x 67,
// keeping its aspect. JPEG files are decoded at the smallest scale that still
// covers the thumbnail. Null when the file has no picture type or cannot be
// read.
QImage MakeThumbnail(const std::string& path);

// The thumbnail when it was made before (ready true), from the process-wide store.
QImage CachedThumbnail(const std::string& path, bool* ready);
// Forgets every stored thumbnail (tests).
void ForgetThumbnails();

// Worker threads (one per core, at most two) that make the thumbnails asked
// for and report each on the window thread. A new request replaces the
// pending ones (the page changed); the destructor waits only for the
// pictures being made.
class ThumbnailMaker : public QObject {
  Q_OBJECT

 public:
  explicit ThumbnailMaker(QObject* parent = nullptr);
  ~ThumbnailMaker() override;
  void Request(const std::vector<std::string>& paths);
  // True while pictures are pending or being made.
  bool Busy() const;

 signals:
  void ready(QString path, QImage thumbnail);

 private:
  void Run();

  mutable std::mutex lock_;
  std::condition_variable wake_;
  std::deque<std::string> queue_;
  int working_ = 0;
  bool stop_ = false;
  std::vector<std::thread> threads_;
};
