#include "transfer/windows/transfer_widgets.h"

#include <QBoxLayout>
#include <QEvent>
#include <QPushButton>
#include <vector>

namespace qv {

QPushButton* AddButton(const QString& text, QWidget* parent, QBoxLayout* row) {
  auto* b = new QPushButton(text, parent);
  b->setAutoDefault(false);
  row->addWidget(b);
  return b;
}

namespace {

class StepFollower : public QObject {
 public:
  StepFollower(std::initializer_list<QPushButton*> steps, QObject* parent)
      : QObject(parent), m_steps(steps) {
    for (QPushButton* b : m_steps) b->installEventFilter(this);
    Follow();
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::EnabledChange) Follow();
    return QObject::eventFilter(watched, event);
  }

 private:
  void Follow() {
    for (auto it = m_steps.rbegin(); it != m_steps.rend(); ++it) {
      if ((*it)->isEnabled()) {
        (*it)->setDefault(true);
        return;
      }
    }
  }

  std::vector<QPushButton*> m_steps;
};

}  // namespace

void DefaultToFurthestStep(std::initializer_list<QPushButton*> steps) {
  if (steps.size() == 0) return;
  new StepFollower(steps, *steps.begin());
}

}  // namespace qv
