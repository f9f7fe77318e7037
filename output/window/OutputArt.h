// The pictures of the save-picture and print windows, drawn in code: their
// backgrounds (the kit's window look with wells where pictures sit) and the
// 86 x 66 thumbnail frames with their 3-pixel border.
#pragma once
#include <QImage>

namespace OutputArt {
QImage SavePictureBackground();  // 640 x 550
QImage PrintBackground();        // 800 x 600
// checked: the frame of the chosen background.
QImage ThumbnailFrame(bool checked);
}  // namespace OutputArt
