#include "transfer/windows/transfer_widgets.h"

#include <QBoxLayout>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <vector>

namespace qv {

QPushButton* AddButton(const QString& text, QWidget* parent, QBoxLayout* row) {
  auto* b = new QPushButton(text, parent);
  b->setAutoDefault(false);
  row->addWidget(b);
  return b;
}

QGroupBox* FieldButtonPanel(const QStringList& captions, QWidget* parent,
                            std::vector<QPushButton*>* buttons,
                            const std::function<void(QPushButton*)>& click) {
  auto* panel = new QGroupBox(QStringLiteral("Quorvane Data Fields"), parent);
  auto* grid = new QGridLayout(panel);
  for (int i = 0; i < captions.size(); ++i) {
    auto* b = new QPushButton(captions[i], panel);
    b->setAutoDefault(false);
    grid->addWidget(b, i / 3, i % 3);
    QObject::connect(b, &QPushButton::clicked, panel, [click, b] { click(b); });
    buttons->push_back(b);
  }
  return panel;
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
