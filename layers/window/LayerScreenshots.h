// Pictures of the layer editor and the text dialog for make screenshots.
#pragma once
#include <QString>
#include <QStringList>

class CFacecraftApp;
class GbImage;

// The layer editor over portrait with two decorations of the emotion folder
// and a text layer (selected), and the text dialog; the files written.
QStringList WriteLayerScreenshots(CFacecraftApp& app, const GbImage& portrait, const QString& dir);
