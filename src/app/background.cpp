#include "app/background.h"

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QRandomGenerator>

namespace qv {

TBackground::TBackground(QWidget* parent) : QWidget(parent), m_tile(MakeTile()) {
  setAttribute(Qt::WA_DontShowOnScreen);
  hide();
}

QPixmap TBackground::MakeTile(int size) {
  // Warm light paper with fine grain and a few longer fibres; the grain
  // wraps at the edges so the tiles join without seams.
  QImage image(size, size, QImage::Format_RGB32);
  QRandomGenerator random(0x51a7e);
  std::vector<int> grain(static_cast<size_t>(size) * size);
  for (int& g : grain) g = static_cast<int>(random.bounded(9)) - 4;
  for (int fibre = 0; fibre < size / 4; ++fibre) {
    int x = static_cast<int>(random.bounded(size));
    int y = static_cast<int>(random.bounded(size));
    const int length = 6 + static_cast<int>(random.bounded(14));
    const int dx = random.bounded(2) == 0 ? 1 : -1;
    for (int k = 0; k < length; ++k) {
      grain[static_cast<size_t>(((y % size) + size) % size) * size + ((x % size) + size) % size] -=
          5;
      x += dx;
      if (random.bounded(3) == 0) ++y;
    }
  }
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      // A soft blur of the grain with its wrapped neighbours.
      int sum = 0;
      for (int oy = -1; oy <= 1; ++oy) {
        for (int ox = -1; ox <= 1; ++ox) {
          sum += grain[static_cast<size_t>((y + oy + size) % size) * size + (x + ox + size) % size];
        }
      }
      const int g = sum / 3;
      image.setPixel(
          x, y, qRgb(qBound(0, 238 + g, 255), qBound(0, 234 + g, 255), qBound(0, 222 + g, 255)));
    }
  }
  return QPixmap::fromImage(image);
}

void TBackground::applyToApplication() const {
  QPalette palette = QApplication::palette();
  palette.setBrush(QPalette::Window, QBrush(m_tile));
  QApplication::setPalette(palette);
}

}  // namespace qv
