#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace tarvelo::window {

// What Qt's own JPEG writer uses by default.
inline constexpr int kJpegQuality = 75;

// Decodes JPEG data with libjpeg into an RGB888 image (greyscale converted to RGB).
// Damaged or unreadable data, including a truncated stream that libjpeg would pad
// with grey, gives a null image.
QImage decodeJpeg(const QByteArray& bytes);

// Encodes a picture as JPEG with libjpeg, greyscale kept greyscale; empty when it cannot.
QByteArray encodeJpeg(const QImage& image, int quality = kJpegQuality);
// Writes a picture as a JPEG file; false when it cannot.
bool writeJpeg(const QImage& image, const QString& path);

// Reads a JPEG file (a resource path such as ":/splash.jpg" works too) and decodes it;
// a missing file gives a null image.
QImage readJpeg(const QString& path);

}  // namespace tarvelo::window
