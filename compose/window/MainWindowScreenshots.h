// Scripted sessions of the main window without a person: the screenshots of
// its main states, the short demonstration that `make run` shows where there
// is no display, and a hook for timing the first paint.
#pragma once
#include <QImage>
#include <QStringList>
#include <functional>
#include <string>

class DlgFacecraft;
class QWidget;

// Writes the main window at start, with a resized photo, with a full sheet in
// each layout, with the "Combination" menu open, and the configuration,
// browser, save-picture and print windows into dir; returns the files.
QStringList WriteMainWindowScreenshots(DlgFacecraft& window, const QString& dir);
// Next frame, three stickers, layout 1, then a picture of the window at path.
bool RunDemoSession(DlgFacecraft& window, const QString& path);
// Opens the asset browser on folder off-screen and waits until its first
// page's thumbnails are made; prints their number and the time taken, and
// returns the number (-1 when the folder cannot be listed).
int TimeBrowserPage(DlgFacecraft& window, const std::string& folder);
// Switches the webcam on (the synthetic camera in scripted runs), counts the
// preview's frames for a few seconds and takes snapshots; prints the frame
// rate and the time from the countdown's end to the sticker in its slot.
// False when there is no camera.
bool TimeWebcam(DlgFacecraft& window);
// Calls done once, after the window's first paint.
void WhenFirstPainted(QWidget& window, std::function<void()> done);
