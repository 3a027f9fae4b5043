// The tiled background picture every window paints behind its controls,
// held by one hidden window made at start-up. The tile is drawn here: a
// faint paper grain, so that nothing has to ship beside the program.
#pragma once

#include <QPixmap>
#include <QWidget>

namespace qv {

class TBackground : public QWidget {
  Q_OBJECT

 public:
  explicit TBackground(QWidget* parent = nullptr);

  const QPixmap& tile() const { return m_tile; }
  // Makes the tile the window brush of the application's palette, so every
  // window (and dialog) shows it behind its controls.
  void applyToApplication() const;

  // The paper tile, the same every time (a fixed seed).
  static QPixmap MakeTile(int size = 128);

 private:
  QPixmap m_tile;
};

}  // namespace qv
