#include "window/graph/jpeg_picture.h"

#include <QFile>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

namespace tarvelo::window {

namespace {

// Far beyond any picture the program shows; stops a damaged header from asking for
// gigabytes before the data runs out.
constexpr qint64 kMaxPixelCount = 64LL * 1024 * 1024;
constexpr int kRgbComponents = 3;

// libjpeg reports errors through a callback that must not return. It jumps back to
// the stage function that called libjpeg; only trivially destructible locals live
// there, so skipping their frames is well defined.
struct ErrorTrap {
  jpeg_error_mgr manager;
  std::jmp_buf escape;
};

[[noreturn]] void escapeOnError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->escape, 1);
}

// Warnings (level -1) mark damage libjpeg papers over, such as a truncated stream
// filled with grey: treat them as errors. Trace messages are dropped, never printed.
void escapeOnWarning(j_common_ptr info, int level) {
  if (level < 0) escapeOnError(info);
}

// Owns the libjpeg state; each stage returns false when libjpeg gave up.
class JpegDecoder {
 public:
  JpegDecoder() {
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = escapeOnError;
    trap.manager.emit_message = escapeOnWarning;
  }
  JpegDecoder(const JpegDecoder&) = delete;
  JpegDecoder& operator=(const JpegDecoder&) = delete;
  ~JpegDecoder() { jpeg_destroy_decompress(&info); }

  // Reads the header and starts decompression to RGB.
  bool start(const QByteArray& bytes) {
    if (setjmp(trap.escape) != 0) return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
    info.out_color_space = JCS_RGB;
    if (qint64{info.image_width} * info.image_height > kMaxPixelCount) return false;
    jpeg_start_decompress(&info);
    return info.output_components == kRgbComponents;
  }

  // Reads every row into image, which has the output's size in RGB888.
  bool readRows(QImage& image) {
    if (setjmp(trap.escape) != 0) return false;
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
      jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
  }

  int width() const { return static_cast<int>(info.output_width); }
  int height() const { return static_cast<int>(info.output_height); }

 private:
  jpeg_decompress_struct info{};
  ErrorTrap trap{};
};

}  // namespace

QImage decodeJpeg(const QByteArray& bytes) {
  if (bytes.isEmpty()) return {};
  JpegDecoder decoder;
  if (!decoder.start(bytes)) return {};
  QImage image(decoder.width(), decoder.height(), QImage::Format_RGB888);
  if (image.isNull() || !decoder.readRows(image)) return {};
  return image;
}

namespace {

// Owns the libjpeg state of one compression.
class JpegEncoder {
 public:
  JpegEncoder() {
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = escapeOnError;
  }
  JpegEncoder(const JpegEncoder&) = delete;
  JpegEncoder& operator=(const JpegEncoder&) = delete;
  ~JpegEncoder() {
    jpeg_destroy_compress(&info);
    std::free(buffer);
  }

  // A greyscale picture stays greyscale; any other is written as RGB.
  QByteArray encode(const QImage& image, int quality) {
    const bool grey = image.format() == QImage::Format_Grayscale8;
    const QImage rows = grey ? image : image.convertToFormat(QImage::Format_RGB888);
    if (setjmp(trap.escape) != 0) return {};
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(rows.width());
    info.image_height = static_cast<JDIMENSION>(rows.height());
    info.input_components = grey ? 1 : kRgbComponents;
    info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
      JSAMPROW row = const_cast<JSAMPROW>(rows.constScanLine(static_cast<int>(info.next_scanline)));
      jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return QByteArray(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
  }

 private:
  jpeg_compress_struct info{};
  ErrorTrap trap{};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
};

}  // namespace

QByteArray encodeJpeg(const QImage& image, int quality) {
  if (image.isNull()) return {};
  JpegEncoder encoder;
  return encoder.encode(image, quality);
}

bool writeJpeg(const QImage& image, const QString& path) {
  const QByteArray bytes = encodeJpeg(image);
  if (bytes.isEmpty()) return false;
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() &&
         file.flush();
}

QImage readJpeg(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return decodeJpeg(file.readAll());
}

}  // namespace tarvelo::window
