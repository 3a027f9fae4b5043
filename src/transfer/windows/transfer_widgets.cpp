#include "transfer/windows/transfer_widgets.h"

#include <QBoxLayout>
#include <QPushButton>

namespace qv {

QPushButton* AddButton(const QString& text, QWidget* parent, QBoxLayout* row) {
  auto* b = new QPushButton(text, parent);
  b->setAutoDefault(false);
  row->addWidget(b);
  return b;
}

}  // namespace qv
