#pragma once

#include <QImage>
#include <QString>

namespace tarvelo::window {

// Writes the picture as a GIF with giflib, in at most 256 colours. False when the
// file cannot be written.
bool writeGif(const QImage& image, const QString& path);

}  // namespace tarvelo::window
