#include "window/graph/gif_image.h"

#include <gif_lib.h>

#include <QFile>

#include <vector>

namespace tarvelo::window {

namespace {

constexpr int kGifPaletteSize = 256;
constexpr int kGifColourBits = 8;

int writeToFile(GifFileType* gif, const GifByteType* bytes, int count) {
  return static_cast<int>(static_cast<QFile*>(gif->UserData)->write(reinterpret_cast<const char*>(bytes), count));
}

struct GifFileCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    EGifCloseFile(gif, &error);
  }
};

}  // namespace

bool writeGif(const QImage& image, const QString& path) {
  // A fixed palette keeps a chart's few flat colours exact and needs no dithering.
  const QImage indexed = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
  std::vector<GifColorType> colours(kGifPaletteSize, GifColorType{0, 0, 0});
  const QList<QRgb> table = indexed.colorTable();
  for (int i = 0; i < table.size() && i < kGifPaletteSize; ++i) {
    colours[static_cast<std::size_t>(i)] = {static_cast<GifByteType>(qRed(table[i])),
                                            static_cast<GifByteType>(qGreen(table[i])),
                                            static_cast<GifByteType>(qBlue(table[i]))};
  }
  // Opened by QFile rather than by giflib's narrow name, so a Cyrillic name works on Windows too.
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  int error = 0;
  std::unique_ptr<GifFileType, GifFileCloser> gif(EGifOpen(&file, writeToFile, &error));
  if (!gif) return false;
  ColorMapObject* palette = GifMakeMapObject(kGifPaletteSize, colours.data());
  const bool described = EGifPutScreenDesc(gif.get(), indexed.width(), indexed.height(), kGifColourBits, 0, palette) ==
                             GIF_OK &&
                         EGifPutImageDesc(gif.get(), 0, 0, indexed.width(), indexed.height(), false, nullptr) == GIF_OK;
  GifFreeMapObject(palette);
  if (!described) return false;
  for (int y = 0; y < indexed.height(); ++y) {
    auto* line = const_cast<GifPixelType*>(indexed.constScanLine(y));
    if (EGifPutLine(gif.get(), line, indexed.width()) != GIF_OK) return false;
  }
  GifFileType* done = gif.release();
  return EGifCloseFile(done, &error) == GIF_OK && file.flush();
}

}  // namespace tarvelo::window
