// Picture1: a 2-pixel sunken frame with a bitmap drawn unscaled at the inner
// top-left; what does not fit is cut off, and the box never changes size.
#pragma once

#include <QFrame>
#include <QImage>

#include "form/picture.h"

namespace dorvan {

class PictureBox final : public QFrame {
 public:
  explicit PictureBox(QWidget* parent);

  void setImage(const Image& image);
  const QImage& image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};

QImage toQImage(const Image& image);

}  // namespace dorvan
