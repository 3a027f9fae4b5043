#include "cleanup/windows/cleanup_widgets.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "store/table_grid_model.h"
#include "store/table_object.h"
#include "ui/dialogs.h"

namespace qv {

QPushButton* MakeHelpButton(QDialog* window, int topic) {
  auto* help = new QPushButton(QStringLiteral("Help"), window);
  help->setAutoDefault(false);
  QObject::connect(help, &QPushButton::clicked, window,
                   [window, topic] { Dialogs().showHelp(window, topic); });
  auto* f1 = new QShortcut(QKeySequence::HelpContents, window);
  QObject::connect(f1, &QShortcut::activated, window,
                   [window, topic] { Dialogs().showHelp(window, topic); });
  return help;
}

Navigator MakeNavigator(QTableView* grid, QWidget* parent) {
  Navigator n;
  n.panel = new QWidget(parent);
  auto* row = new QHBoxLayout(n.panel);
  row->setContentsMargins(0, 0, 0, 0);
  auto button = [&](const QString& text, const QString& tip) {
    auto* b = new QToolButton(n.panel);
    b->setText(text);
    b->setToolTip(tip);
    row->addWidget(b);
    return b;
  };
  n.first = button(QStringLiteral("|<"), QStringLiteral("First record"));
  n.prior = button(QStringLiteral("<"), QStringLiteral("Prior record"));
  n.next = button(QStringLiteral(">"), QStringLiteral("Next record"));
  n.last = button(QStringLiteral(">|"), QStringLiteral("Last record"));
  row->addStretch();
  auto go = [grid](int delta, bool absolute) {
    if (grid->model() == nullptr || grid->model()->rowCount() == 0) return;
    const int rows = grid->model()->rowCount();
    int r = absolute ? (delta < 0 ? 0 : rows - 1) : grid->currentIndex().row() + delta;
    r = std::clamp(r, 0, rows - 1);
    const int column = std::max(0, grid->currentIndex().column());
    grid->setCurrentIndex(grid->model()->index(r, column));
  };
  QObject::connect(n.first, &QToolButton::clicked, grid, [go] { go(-1, true); });
  QObject::connect(n.prior, &QToolButton::clicked, grid, [go] { go(-1, false); });
  QObject::connect(n.next, &QToolButton::clicked, grid, [go] { go(1, false); });
  QObject::connect(n.last, &QToolButton::clicked, grid, [go] { go(1, true); });
  return n;
}

void FollowGridRow(QTableView* grid, TableGridModel* model, TableObject* table) {
  QObject::connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, grid,
                   [model, table](const QModelIndex& now) {
                     const int recno = model->recordOfRow(now.row());
                     if (recno == 0 || recno == table->recNo()) return;
                     if (table->state() != TableObject::State::Browse && !table->post()) return;
                     model->moveToRow(model->rowOfRecord(recno));
                   });
}

void LetEventsRun() { QApplication::processEvents(); }

QProgressBar* MakeGauge(QWidget* parent) {
  auto* g = new QProgressBar(parent);
  g->setRange(0, 100);
  return g;
}

void AddButtonRow(QVBoxLayout* layout, std::initializer_list<QPushButton*> buttons) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  for (QPushButton* b : buttons) row->addWidget(b);
  layout->addLayout(row);
}

// ---- TCheckWindow ----

void TCheckWindow::addFooter(QVBoxLayout* layout, int helpTopic, QPushButton* leading) {
  LabelCount = new QLabel(this);
  layout->addWidget(LabelCount);
  Gauge = MakeGauge(this);
  Gauge->hide();
  layout->addWidget(Gauge);
  auto* buttons = new QHBoxLayout;
  if (leading != nullptr) buttons->addWidget(leading);
  buttons->addStretch();
  CloseButton = new QPushButton(QStringLiteral("Close"), this);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  HelpButton = MakeHelpButton(this, helpTopic);
  CancelButton->hide();
  for (QPushButton* b : {CloseButton, CancelButton, HelpButton}) buttons->addWidget(b);
  layout->addLayout(buttons);
  connect(CancelButton, &QPushButton::clicked, this, &TCheckWindow::CancelButtonClick);
}

void TCheckWindow::beginCheck() {
  m_checking = true;
  m_cancel = false;
  HelpButton->hide();
  CloseButton->hide();
  CancelButton->show();
  Gauge->setValue(0);
  Gauge->show();
  LetEventsRun();
}

CleanupProgress TCheckWindow::checkProgress(const std::function<QString(int)>& countText) {
  return [this, countText](int percent, int found) {
    if (percent >= 1 && percent <= 99) Gauge->setValue(percent);
    LabelCount->setText(countText(found));
    LetEventsRun();
    return !m_cancel;
  };
}

void TCheckWindow::endCheck() {
  m_checking = false;
  HelpButton->show();
  CloseButton->show();
  CancelButton->hide();
  Gauge->hide();
}

void TCheckWindow::CancelButtonClick() {
  if (m_checking && Dialogs().question(this, QStringLiteral("Cancel operation?"), true)) {
    m_cancel = true;
  }
}

void TCheckWindow::closeEvent(QCloseEvent* event) {
  if (m_checking) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TCheckWindow::reject() {
  if (!m_checking) QDialog::reject();
}

}  // namespace qv
