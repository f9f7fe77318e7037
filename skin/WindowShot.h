// Screenshots of windows as they show on screen, for `make screenshots`.
#pragma once
#include <QImage>
#include <QString>
#include <QStringList>

class QWidget;

// The window's picture; pixels outside its shape (its mask) are transparent.
QImage GrabShaped(QWidget* window);
// Lets pending paints run, grabs the window and writes dir/name as PNG; the
// path joins `written` when the file was written.
bool SaveShaped(QWidget* window, const QString& dir, const QString& name, QStringList& written);
