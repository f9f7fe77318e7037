// Off-screen screenshots of the gallery, the message box variants, the open
// popup menu and the open drop-down list.
#pragma once
#include <QImage>
#include <QString>
#include <QStringList>

class QWidget;

// The window as it shows on screen: pixels outside its mask are transparent.
QImage GrabShaped(QWidget* window);
// Writes the PNGs into dir; returns the files written.
QStringList WriteSkinScreenshots(const QString& dir);
