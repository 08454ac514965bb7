#include "ui/analog_pictures.h"

#include <QFile>

// The sheets live in a static library: their resource must be registered by name.
static void register_analog_pictures() { Q_INIT_RESOURCE(analog_pictures); }

namespace vexa::ui {

namespace {

// Reads one sheet; anything but an image of exactly the expected size counts as missing.
QImage read_sheet(const QString& path, int width, int height) {
  if (!QFile::exists(path)) return {};
  QImage image(path);
  if (image.isNull() || image.width() != width || image.height() != height) return {};
  return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

AnalogPictureImages AnalogPictureImages::load(const QString& folder) {
  static const bool registered = (register_analog_pictures(), true);
  (void)registered;
  AnalogPictureImages images;
  images.boards = read_sheet(folder + QStringLiteral("/ABOARDS.png"), kBoardSheetWidth, kBoardSheetHeight);
  images.inputs = read_sheet(folder + QStringLiteral("/AINPUTS.png"), kInputSheetWidth, kInputSheetHeight);
  images.bitmaps = read_sheet(folder + QStringLiteral("/BITMAPS.png"), kBitmapSheetWidth, kBitmapSheetHeight);
  return images;
}

void QtPictureSheets::draw_cell(PictureSheet sheet, Rect source, Rect target) {
  const QImage& image = sheet == PictureSheet::boards ? images_.boards : images_.inputs;
  if (image.isNull()) return;
  painter_.drawImage(QRect(target.x, target.y, target.width, target.height), image,
                     QRect(source.x, source.y, source.width, source.height));
}

}  // namespace vexa::ui
