#include "transfer/windows/dbf_import_window.h"

#include <QAbstractTableModel>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "cleanup/windows/cleanup_widgets.h"
#include "transfer/ascii_lines.h"
#include "transfer/windows/transfer_widgets.h"
#include "ui/dialogs.h"

namespace qv {

namespace {

// The source table, read record by record as the view asks for rows, so a
// large table costs nothing until it is scrolled.
class SourceModel : public QAbstractTableModel {
 public:
  explicit SourceModel(TableObject* table, QObject* parent)
      : QAbstractTableModel(parent), m_table(table) {}
  int rowCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() || !m_table->active() ? 0 : m_table->recordCount();
  }
  int columnCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() || !m_table->active() ? 0 : m_table->fieldCount();
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return QVariant();
    if (!m_table->goToRecord(index.row() + 1)) return QVariant();
    return m_table->fieldText(m_table->fieldName(index.column()));
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole) return QVariant();
    if (orientation == Qt::Vertical) return section + 1;
    return m_table->active() ? QVariant(m_table->fieldName(section)) : QVariant();
  }

 private:
  TableObject* m_table;
};

}  // namespace

// ---- TGetImportField ----

TGetImportField::TGetImportField(const QStringList& choices, const QString& current,
                                 QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Select Import Field"));
  auto* layout = new QVBoxLayout(this);
  ListOfFields = new QListWidget(this);
  ListOfFields->addItems(choices);
  const int at = current.isEmpty() ? 0 : std::max(0, static_cast<int>(choices.indexOf(current)));
  if (!choices.isEmpty()) ListOfFields->setCurrentRow(at);
  layout->addWidget(ListOfFields, 1);
  auto* row = new QHBoxLayout;
  row->addStretch();
  OkButton = AddButton(QStringLiteral("OK"), this, row);
  CancelButton = AddButton(QStringLiteral("Cancel"), this, row);
  OkButton->setDefault(true);
  layout->addLayout(row);
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(ListOfFields, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  resize(240, 320);
}

QString TGetImportField::chosen() const {
  const QListWidgetItem* item = ListOfFields->currentItem();
  return item == nullptr ? QString() : item->text();
}

// ---- TDBFMatch ----

TDBFMatch::TDBFMatch(std::vector<DbfSourceField> fields, bool matched, TableObject* source,
                     const QString& sourceName, QWidget* parent)
    : QDialog(parent), m_fields(std::move(fields)) {
  setWindowTitle(QStringLiteral("DBF File Import Match Fields"));
  m_grid = OpenMatchGrid(&m_fields, matched);
  auto* layout = new QVBoxLayout(this);
  auto* explain = new QLabel(
      QStringLiteral("Each row is a field of the Quorvane file. Highlight a row and press "
                     "Select Field (or double-click it) to choose the field of the DBF file "
                     "that goes into it."),
      this);
  explain->setWordWrap(true);
  layout->addWidget(explain);

  auto* middle = new QHBoxLayout;
  ImportGrid = new QTableWidget(kDbfMatchRows, 2, this);
  ImportGrid->setHorizontalHeaderLabels(
      {QStringLiteral("Quorvane Field"),
       QStringLiteral("Import from Field (in ") + QFileInfo(sourceName).fileName() +
           QLatin1Char(')')});
  ImportGrid->verticalHeader()->hide();
  ImportGrid->verticalHeader()->setDefaultSectionSize(20);
  ImportGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ImportGrid->setSelectionMode(QAbstractItemView::SingleSelection);
  ImportGrid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  ImportGrid->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  ImportGrid->setMinimumWidth(440);
  for (int r = 0; r < kDbfMatchRows; ++r) {
    auto* label = new QTableWidgetItem(DbfMatchLabels()[r]);
    label->setFlags(Qt::ItemIsEnabled);
    // The label column reads as fixed cells: white on grey.
    label->setBackground(Qt::gray);
    label->setForeground(Qt::white);
    ImportGrid->setItem(r, 0, label);
  }
  ShowGrid();
  middle->addWidget(ImportGrid, 1);

  auto* right = new QVBoxLayout;
  right->addWidget(new QLabel(QStringLiteral("Import DBF File Browser"), this));
  SourceGrid = new QTableView(this);
  SourceGrid->setModel(new SourceModel(source, SourceGrid));
  SourceGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  SourceGrid->verticalHeader()->setDefaultSectionSize(20);
  right->addWidget(SourceGrid, 1);
  middle->addLayout(right, 1);
  layout->addLayout(middle, 1);

  auto* row = new QHBoxLayout;
  SelectFieldButton = AddButton(QStringLiteral("Select Field"), this, row);
  ClearCurrentButton = AddButton(QStringLiteral("Clear Current"), this, row);
  ClearAllButton = AddButton(QStringLiteral("Clear All"), this, row);
  row->addStretch();
  SaveButton = AddButton(QStringLiteral("Save"), this, row);
  SaveButton->setDefault(true);
  CancelButton = AddButton(QStringLiteral("Cancel"), this, row);
  HelpButton = MakeHelpButton(this, kTopicDbfMatch);
  row->addWidget(HelpButton);
  layout->addLayout(row);

  connect(SelectFieldButton, &QPushButton::clicked, this, &TDBFMatch::SelectField);
  connect(ClearCurrentButton, &QPushButton::clicked, this, &TDBFMatch::ClearCurrentClick);
  connect(ClearAllButton, &QPushButton::clicked, this, &TDBFMatch::ClearAllClick);
  connect(ImportGrid, &QTableWidget::cellDoubleClicked, this, [this] { SelectField(); });
  connect(SaveButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  ImportGrid->setCurrentCell(0, 1);
  resize(820, 500);
}

void TDBFMatch::ShowGrid() {
  for (int r = 0; r < kDbfMatchRows; ++r) {
    auto* cell = new QTableWidgetItem(m_grid[r]);
    cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    ImportGrid->setItem(r, 1, cell);
  }
}

void TDBFMatch::SelectField() {
  const int row = ImportGrid->currentRow();
  if (row < 0 || row >= kDbfMatchRows) return;
  TGetImportField pick(SelectableFields(m_fields, row), m_grid[row], this);
  const int result = RunSelectWindow ? RunSelectWindow(pick) : pick.exec();
  if (result != QDialog::Accepted) return;
  SelectFieldInRow(&m_grid, row, pick.chosen());
  ShowGrid();
  ImportGrid->setCurrentCell(row, 1);
}

void TDBFMatch::ClearCurrentClick() {
  const int row = ImportGrid->currentRow();
  if (row < 0 || row >= kDbfMatchRows) return;
  ClearGridRow(&m_grid, row);
  ShowGrid();
  ImportGrid->setCurrentCell(row, 1);
}

void TDBFMatch::ClearAllClick() {
  const int row = std::max(0, ImportGrid->currentRow());
  ClearGrid(&m_grid);
  ShowGrid();
  ImportGrid->setCurrentCell(row, 1);
}

// ---- TDBFImport ----

TDBFImport::TDBFImport(TApolloEnv* env, QWidget* parent)
    : ImportForm(env, QStringLiteral("DBF File Import"), QStringLiteral("DBF File Name"),
                 QStringLiteral("Select DBF File"),
                 QStringLiteral("Appends every record of another DBF table to this contact "
                                "file. Select the table, match its fields to the contact "
                                "fields, then press Import."),
                 kTopicDbfImport, parent) {
  // Records the other table has flagged deleted are not imported.
  SourceEnv.SetDeleted(true);
  connect(SelectButton, &QPushButton::clicked, this, &TDBFImport::SelectButtonClick);
  connect(MatchButton, &QPushButton::clicked, this, &TDBFImport::MatchButtonClick);
  connect(ImportButton, &QPushButton::clicked, this, &TDBFImport::ImportButtonClick);
}

void TDBFImport::Reset() {
  (void)Source->close();  // the source opens read-only: nothing to lose
  m_fileName.clear();
  m_fields.clear();
  FileNameLabel->setText(QStringLiteral("(none)"));
  MatchButton->setEnabled(false);
  ImportButton->setEnabled(false);
}

void TDBFImport::SelectButtonClick() {
  const QString chosen = Dialogs().openFileName(
      this, QStringLiteral("Select DBF File"), QString(),
      QStringLiteral("DBF files (*.dbf *.DBF);;All files (*)"));
  if (!chosen.isEmpty()) m_fileName = chosen;
  const QString name = m_fileName;
  Reset();
  m_matched = false;
  StatusLabel->clear();
  if (name.isEmpty()) return;
  FileNameLabel->setText(name);
  LetEventsRun();
  QString message;
  if (!OpenDbfSource(name, *Source, &message)) {
    Dialogs().information(this, message);
    Reset();
    return;
  }
  QString leftOut;
  m_fields = ReadSourceFields(*Source, &leftOut);
  if (m_fields.empty()) {
    Dialogs().information(this, UnableToImportMessage());
    Reset();
    return;
  }
  if (!leftOut.isEmpty()) Dialogs().information(this, leftOut);
  m_fileName = name;
  FileNameLabel->setText(name);
  MatchButton->setEnabled(true);
}

void TDBFImport::MatchButtonClick() {
  TDBFMatch match(m_fields, m_matched, Source, m_fileName, this);
  const int result = RunMatchWindow ? RunMatchWindow(match) : match.exec();
  if (result != QDialog::Accepted) return;
  m_matched = true;
  m_fields = match.fields();
  ImportButton->setEnabled(SaveMatchGrid(match.grid(), &m_fields));
}

void TDBFImport::ImportButtonClick() {
  DbfRowSource rows(*Source, m_fields);
  RunImport(rows, [](QString*) { return true; });
}

}  // namespace qv
