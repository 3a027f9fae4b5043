#include "cleanup/windows/cleanup_widgets.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QToolButton>

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

}  // namespace qv
