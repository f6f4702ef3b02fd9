#include "app/qt/picture_box.h"

#include <QPainter>

namespace dorvan {

QImage toQImage(const Image& image) {
  QImage out(image.width, image.height, QImage::Format_RGB32);
  for (int y = 0; y < image.height; ++y) {
    auto* line = reinterpret_cast<std::uint32_t*>(out.scanLine(y));
    for (int x = 0; x < image.width; ++x) line[x] = 0xFF000000u | image.at(x, y);
  }
  return out;
}

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(2);
}

void PictureBox::setImage(const Image& image) {
  image_ = toQImage(image);
  update();
}

void PictureBox::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  const QRect inner = contentsRect();
  painter.setClipRect(inner);
  painter.drawImage(inner.topLeft(), image_);
}

}  // namespace dorvan
