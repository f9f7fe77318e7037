// Pictures of the photo editor and the effects dialog in their main states,
// written without a person (make screenshots).
#pragma once
#include <QStringList>

class GbImage;

// The editor with the portrait, after Pseudo Colors with the tracker on, and
// the effects dialog for kinds 3, 4, 6 and 10; returns the files written.
QStringList WriteEditorScreenshots(const GbImage& portrait, const QString& dir);
