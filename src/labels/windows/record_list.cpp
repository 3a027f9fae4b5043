#include "labels/windows/record_list.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPageLayout>
#include <QPrinter>
#include <QTimer>

#include "labels/imb.h"
#include "render/printers.h"
#include "render/report_output.h"
#include "store/table_grid_model.h"
#include "store/table_object.h"
#include "ui/dialogs.h"

namespace qv {

QTableView* NewRecordGrid(QWidget* parent, TableGridModel* model) {
  auto* grid = new QTableView(parent);
  grid->setModel(model);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
  return grid;
}

QHBoxLayout* NewButtonRow(QWidget* parent, std::initializer_list<ButtonSpec> left,
                          std::initializer_list<ButtonSpec> right) {
  auto* row = new QHBoxLayout;
  auto add = [&](const ButtonSpec& spec) {
    *spec.button = new QPushButton(QString::fromUtf8(spec.caption), parent);
    row->addWidget(*spec.button);
  };
  for (const ButtonSpec& spec : left) add(spec);
  row->addStretch(1);
  for (const ButtonSpec& spec : right) add(spec);
  return row;
}

void RecordGridLink::attach(QTableView* grid, TableGridModel* model, const TableObject* table) {
  m_grid = grid;
  m_model = model;
  m_table = table;
}

int RecordGridLink::currentRow() const {
  if (!m_table->active() || m_table->eof()) return -1;
  return m_model->rowOfRecord(m_table->recNo());
}

void RecordGridLink::showCurrent() {
  if (m_table->state() != TableObject::State::Browse &&
      m_table->state() != TableObject::State::Inactive) {
    return;
  }
  m_following = true;
  const int row = currentRow();
  if (row < 0) {
    m_grid->selectionModel()->clear();
  } else {
    const QModelIndex index = m_model->index(row, 0);
    m_grid->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_grid->scrollTo(index);
  }
  m_following = false;
}

void RecordGridLink::goToRow(int row) {
  if (m_following || row < 0 || row == currentRow()) return;
  (void)m_model->moveToRow(row);  // says why itself when it fails
}

QHBoxLayout* RecordListDialog::buildList(TableGridModel* model, const TableObject* table) {
  m_model = model;
  Grid = NewRecordGrid(this, model);
  m_link.attach(Grid, model, table);
  Grid->installEventFilter(this);
  connect(Grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { m_link.goToRow(current.row()); });
  connect(table, &TableObject::recordChanged, this, [this] { m_link.showCurrent(); });
  auto* buttons =
      NewButtonRow(this, {{&NewButton, "New"}, {&EditButton, "Edit"}, {&DeleteButton, "Delete"}},
                   {{&OkButton, "OK"}, {&CancelButton, "Cancel"}});
  OkButton->setDefault(true);
  return buttons;
}

void RecordListDialog::showEvent(QShowEvent* event) {
  FormActivate();
  QDialog::showEvent(event);
}

bool RecordListDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Grid && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Insert) {
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

SetupPrintDialog::SetupPrintDialog(TableObject* contacts, TApollo* contactApollo, QWidget* parent)
    : ContactPrintDialog(contacts, contactApollo, parent) {
  setModal(true);
  m_setups.env.SetDeleted(true);
}

QHBoxLayout* SetupPrintDialog::buildSetupGrid(QWidget* box, TableGridModel* model, int firstColumn,
                                              int minWidth, int minHeight) {
  m_gridModel = model;
  SetupGrid = NewRecordGrid(box, model);
  SetupGrid->setObjectName(QStringLiteral("SetupGrid"));
  m_gridLink.attach(SetupGrid, model, &m_setups.table);
  SetupGrid->horizontalHeader()->setStretchLastSection(true);
  const int charWidth = SetupGrid->fontMetrics().averageCharWidth();
  SetupGrid->setColumnWidth(0, firstColumn * charWidth);
  SetupGrid->setMinimumSize(minWidth * charWidth, minHeight);
  return NewButtonRow(
      box, {{&ModifyButton, "&Modify"}, {&NewButton, "&New"}, {&DeleteButton, "&Delete"}});
}

bool SetupPrintDialog::OpenSetupTable(const QString& directory, const QString& fileName,
                                      const QString& openFailure) {
  if (!OpenListTable(&m_setups.table, directory, fileName, QStringLiteral("DESCRIPT"))) {
    Dialogs().information(parentWidget(), openFailure);
    return false;
  }
  if (!m_setups.table.first()) {
    Dialogs().information(parentWidget(), m_setups.table.failureMessage());
  }
  ReloadGrid();
  return true;
}

void SetupPrintDialog::ReloadGrid() {
  m_gridModel->reload();
  m_gridLink.showCurrent();
}

bool SetupPrintDialog::FollowGridRow() {
  if (m_gridLink.following()) return false;
  const QModelIndex current = SetupGrid->selectionModel()->currentIndex();
  if (!current.isValid()) return false;
  const int recno = m_gridModel->recordOfRow(current.row());
  if (recno > 0 && !m_setups.apollo.Go(recno)) {
    Dialogs().information(this, m_setups.table.failureMessage());
  }
  return true;
}

bool SetupPrintDialog::DeleteSetupRow() {
  if (!DeleteCurrentRow(this, &m_setups.table, QStringLiteral("Delete this record?"))) return false;
  ReloadGrid();
  return true;
}

// Offscreen and some window managers never activate a window; the first
// showing stands for the first activation.
void SetupPrintDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!FirstActivation) return;
  // The list has the keyboard first: arrows choose a setup and Enter
  // prints, where a focused Modify button would take Enter for itself.
  if (SetupGrid) SetupGrid->setFocus();
  QTimer::singleShot(0, this, &SetupPrintDialog::FormActivate);
}

void ContactPrintDialog::SetRunTarget(PrintTarget* target, bool print) const {
  target->print = print;
  target->printerName = CurrentPrinterName();
  if (print) target->pdfFile = m_pdfFile;
}

bool OpenListTable(TableObject* table, const QString& directory, const QString& fileName,
                   const QString& tag) {
  table->setDatabaseName(directory);
  table->setTableName(fileName);
  table->setIndexName(tag);
  if (table->open()) return true;
  table->setIndexName(QString());
  return table->open();
}

void GoToFirstRow(QWidget* parent, TableObject* table,
                  const std::function<bool(const TableObject&)>& isRow) {
  table->disableControls();
  bool moved = table->first();
  while (moved && !table->eof() && !isRow(*table)) moved = table->next();
  table->enableControls();
  if (!moved) Dialogs().information(parent, table->failureMessage());
}

bool DeleteCurrentRow(QWidget* parent, TableObject* table, const QString& question) {
  if (!table->active() || table->eof()) return false;
  if (!Dialogs().question(parent, question, true)) return false;
  return table->deleteRecord();  // says why itself when it fails
}

void KeepToBarCodesTableHolds(QWidget* parent, const TableObject& table, const QString& fileName,
                              bool* intelligentMail) {
  if (!*intelligentMail || table.fieldIndex(QStringLiteral("BARTYPE")) >= 0) return;
  // Saying so, rather than letting the choice fall back unseen.
  Dialogs().information(parent, OldSetupTableMessage(fileName));
  *intelligentMail = false;
}

void TakePrinterFromDialog(const QPrinter& printer, QString* pdfFile) {
  pdfFile->clear();
  if (IsPdfPrinter(printer)) {
    SetCurrentPrinterName(PdfPrinterName());
    *pdfFile = printer.outputFileName();
  } else if (!printer.printerName().isEmpty()) {
    SetCurrentPrinterName(printer.printerName());
  }
}

namespace {

// The current printer, the page turned to `*orientation` when given; none
// when it is not there.
std::unique_ptr<QPrinter> CurrentPrinter(const Orientation* orientation) {
  std::unique_ptr<QPrinter> printer = CreatePrinter(PrinterDeviceName(CurrentPrinterName()));
  // The paper last chosen is offered again; Letter, the reports' own,
  // until one is.
  if (printer) {
    const QPageSize paper = CurrentPaper();
    printer->setPageSize(paper.isValid() ? paper : QPageSize(QPageSize::Letter));
  }
  if (printer && orientation) {
    printer->setPageOrientation(*orientation == Orientation::Landscape ? QPageLayout::Landscape
                                                                       : QPageLayout::Portrait);
  }
  return printer;
}

void TakeChoice(const QPrinter& printer, QString* pdfFile, Orientation* orientation) {
  if (orientation) {
    *orientation = printer.pageLayout().orientation() == QPageLayout::Landscape
                       ? Orientation::Landscape
                       : Orientation::Portrait;
  }
  TakePrinterFromDialog(printer, pdfFile);
  SetCurrentPaper(printer.pageLayout().pageSize());
}

}  // namespace

void AskPrinterSetup(QWidget* parent, QString* pdfFile, Orientation* orientation) {
  std::unique_ptr<QPrinter> printer = CurrentPrinter(orientation);
  if (printer && Dialogs().printerSetup(parent, printer.get())) {
    TakeChoice(*printer, pdfFile, orientation);
  }
}

PrintDialogAnswer AskPrintDialog(QWidget* parent, QString* pdfFile, Orientation* orientation) {
  std::unique_ptr<QPrinter> printer = CurrentPrinter(orientation);
  if (!printer) {
    Dialogs().information(
        parent, QStringLiteral("The printer \"%1\" is not available.").arg(CurrentPrinterName()));
    return PrintDialogAnswer::PrinterGone;
  }
  if (!Dialogs().print(parent, printer.get())) return PrintDialogAnswer::Cancelled;
  TakeChoice(*printer, pdfFile, orientation);
  return PrintDialogAnswer::Chosen;
}

}  // namespace qv
