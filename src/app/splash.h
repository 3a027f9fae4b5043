// The splash window: shown while the main window is being created, and
// again, with an OK button, as the About box.
#pragma once

#include <QDialog>

class QPushButton;

namespace qv {

class TSplash : public QDialog {
  Q_OBJECT

 public:
  enum class Mode { Splash, About };
  explicit TSplash(Mode mode, QWidget* parent = nullptr);

  QPushButton* OKButton = nullptr;  // About only

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Mode m_mode;
};

}  // namespace qv
