#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace tarvelo::app {

// Decodes JPEG data with libjpeg into an RGB888 image (greyscale converted to RGB).
// Damaged or unreadable data, including a truncated stream that libjpeg would pad
// with grey, gives a null image.
QImage decodeJpeg(const QByteArray& bytes);

// Reads a JPEG file (a resource path such as ":/splash.jpg" works too) and decodes it;
// a missing file gives a null image.
QImage readJpeg(const QString& path);

}  // namespace tarvelo::app
