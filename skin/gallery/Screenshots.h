// Off-screen screenshots of the gallery, the message box variants, the open
// popup menu and the open drop-down list.
#pragma once
#include <QImage>
#include <QString>
#include <QStringList>

class QWidget;

// Writes the PNGs into dir; returns the files written.
QStringList WriteSkinScreenshots(const QString& dir);
