#include "transfer/windows/csv_import_window.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "cleanup/windows/cleanup_widgets.h"
#include "transfer/ascii_lines.h"
#include "transfer/windows/transfer_widgets.h"
#include "ui/dialogs.h"

namespace qv {

namespace {

constexpr int kSampleRecords = 10;

void SetCell(QTableWidget* grid, int row, int column, const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  grid->setItem(row, column, item);
}

// A column the header leaves unnamed is called by its number.
QString ColumnName(const QStringList& header, int column) {
  const QString name = header.value(column);
  return name.isEmpty() ? QStringLiteral("Column %1").arg(column + 1) : name;
}

void ShowLines(QListWidget* list, const QStringList& lines) {
  list->clear();
  list->addItems(lines.isEmpty() ? QStringList{QStringLiteral("(no column is matched)")} : lines);
}

QListWidget* MakePlanList(QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setSelectionMode(QAbstractItemView::NoSelection);
  list->setFocusPolicy(Qt::NoFocus);
  // Long lines (an address block of five parts) wrap instead of scrolling.
  list->setWordWrap(true);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setResizeMode(QListView::Adjust);
  return list;
}

}  // namespace

// ---- TCsvMatch ----

QStringList TCsvMatch::FieldCaptions() {
  QStringList out;
  for (const TargetInfo& info : ContactTargets()) out << info.caption;
  out << QStringLiteral("(none)");
  return out;
}

TCsvMatch::TCsvMatch(const CsvFile& file, const std::vector<QStringList>& sample,
                     CsvChoices choices, QStringList blockOrder, CsvPlan proposal, QWidget* parent)
    : QDialog(parent),
      m_header(file.header),
      m_choices(std::move(choices)),
      m_blockOrder(std::move(blockOrder)),
      m_proposal(std::move(proposal)) {
  setWindowTitle(QStringLiteral("CSV File Import Match Fields"));
  const int columns = static_cast<int>(m_header.size());
  m_choices.resize(static_cast<size_t>(columns));
  auto* layout = new QVBoxLayout(this);
  auto* explain = new QLabel(
      QStringLiteral("Each column of the CSV file is proposed for a Quorvane field by its name. "
                     "Highlight a column, and then click the button of the field it goes into. "
                     "Several columns may go into the Memo; phones, faxes and e-mails take the "
                     "first that is not empty. Each row takes its address from the first block "
                     "in the Address Order that holds a street."),
      this);
  explain->setWordWrap(true);
  layout->addWidget(explain);

  // The header line over the first records.
  SG = new QTableWidget(static_cast<int>(sample.size()), columns, this);
  SG->setEditTriggers(QAbstractItemView::NoEditTriggers);
  SG->verticalHeader()->setDefaultSectionSize(20);
  SG->setFocusPolicy(Qt::NoFocus);
  for (int c = 0; c < columns; ++c) {
    SG->setHorizontalHeaderItem(c, new QTableWidgetItem(ColumnName(m_header, c)));
  }
  for (int r = 0; r < static_cast<int>(sample.size()); ++r) {
    for (int c = 0; c < columns && c < sample[r].size(); ++c) SetCell(SG, r, c, sample[r][c]);
  }
  SG->resizeColumnsToContents();
  for (int c = 0; c < columns; ++c) {
    SG->setColumnWidth(c, std::min(SG->columnWidth(c), 2 * SG->logicalDpiX()));
  }
  layout->addWidget(SG, 2);

  auto* middle = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  auto* gridCaption = new QLabel(QStringLiteral("Columns of the &file:"), this);
  left->addWidget(gridCaption);
  CSVGrid = new QTableWidget(columns, 3, this);
  gridCaption->setBuddy(CSVGrid);
  CSVGrid->setHorizontalHeaderLabels({QStringLiteral("CSV Column"),
                                      QStringLiteral("Import into QVW Field"),
                                      QStringLiteral("Address Block")});
  CSVGrid->verticalHeader()->hide();
  CSVGrid->verticalHeader()->setDefaultSectionSize(20);
  CSVGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  CSVGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
  CSVGrid->setSelectionMode(QAbstractItemView::SingleSelection);
  CSVGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  for (int r = 0; r < columns; ++r) SetCell(CSVGrid, r, 0, ColumnName(m_header, r));
  left->addWidget(CSVGrid, 1);
  middle->addLayout(left, 3);

  auto* right = new QVBoxLayout;
  FieldPanel = FieldButtonPanel(FieldCaptions(), this, &FieldButtons,
                                [this](QPushButton* b) { FieldButtonClick(b); });
  right->addWidget(FieldPanel);

  BlockPanel = new QGroupBox(this);
  auto* blocks = new QGridLayout(BlockPanel);
  auto* orderCaption =
      new QLabel(QStringLiteral("Address &Order (the first that holds a street):"), BlockPanel);
  BlockList = new QListWidget(BlockPanel);
  orderCaption->setBuddy(BlockList);
  MoveUpButton = new QPushButton(QStringLiteral("Move &Up"), BlockPanel);
  MoveDownButton = new QPushButton(QStringLiteral("Move &Down"), BlockPanel);
  for (QPushButton* b : {MoveUpButton, MoveDownButton}) b->setAutoDefault(false);
  blocks->addWidget(orderCaption, 0, 0, 1, 2);
  blocks->addWidget(BlockList, 1, 0, 2, 1);
  blocks->addWidget(MoveUpButton, 1, 1);
  blocks->addWidget(MoveDownButton, 2, 1);
  right->addWidget(BlockPanel, 1);
  middle->addLayout(right, 2);
  layout->addLayout(middle, 3);

  layout->addWidget(new QLabel(QStringLiteral("Each row is imported as follows:"), this));
  PlanList = MakePlanList(this);
  layout->addWidget(PlanList, 2);

  auto* row = new QHBoxLayout;
  row->addStretch();
  SaveButton = AddButton(QStringLiteral("&Save"), this, row);
  CancelButton = AddButton(QStringLiteral("Cancel"), this, row);
  HelpButton = MakeHelpButton(this, kTopicCsvMatch);
  row->addWidget(HelpButton);
  layout->addLayout(row);

  connect(MoveUpButton, &QPushButton::clicked, this, &TCsvMatch::MoveUpButtonClick);
  connect(MoveDownButton, &QPushButton::clicked, this, &TCsvMatch::MoveDownButtonClick);
  connect(SaveButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

  Refresh();
  if (columns > 0) CSVGrid->setCurrentCell(0, 1);
  if (BlockList->count() > 0) BlockList->setCurrentRow(0);
  resize(900, 740);
}

QPushButton* TCsvMatch::fieldButton(const QString& caption) const {
  for (QPushButton* b : FieldButtons) {
    if (b->text() == caption) return b;
  }
  return nullptr;
}

CsvPlan TCsvMatch::plan() const { return PlanOfChoices(m_choices, m_blockOrder, m_proposal); }

void TCsvMatch::Refresh() {
  const CsvPlan current = plan();
  // The list follows the plan: a block no column is left in drops out, a
  // new one comes last.
  const QString selected =
      BlockList->currentItem() != nullptr ? m_blockOrder.value(BlockList->currentRow()) : QString();
  m_blockOrder = CsvBlockNames(current);
  BlockList->clear();
  for (const QString& name : m_blockOrder) BlockList->addItem(CsvBlockCaption(name));
  if (const qsizetype at = m_blockOrder.indexOf(selected); at >= 0) {
    BlockList->setCurrentRow(static_cast<int>(at));
  }
  const bool several = m_blockOrder.size() > 1;
  MoveUpButton->setEnabled(several);
  MoveDownButton->setEnabled(several);

  for (int r = 0; r < CSVGrid->rowCount(); ++r) {
    const CsvColumnChoice& c = m_choices[static_cast<size_t>(r)];
    SetCell(CSVGrid, r, 1, c.target ? TargetInfoOf(*c.target).caption : QString());
    QString note;
    if (c.target && CsvTargetIsAddressPart(*c.target)) note = CsvBlockCaption(c.block);
    for (const CsvPhone& p : current.phones) {
      if (p.value == r && p.label >= 0) {
        note = QStringLiteral("a fax when %1 says so").arg(ColumnName(m_header, p.label));
      }
    }
    SetCell(CSVGrid, r, 2, note);
  }
  // A target one column holds cannot be given to another.
  for (QPushButton* b : FieldButtons) {
    const auto target = TargetFromCaption(b->text());
    const bool taken = target && CsvTargetOnceOnly(*target) &&
                       std::any_of(m_choices.begin(), m_choices.end(),
                                   [&](const CsvColumnChoice& c) { return c.target == target; });
    b->setEnabled(!taken);
  }
  ShowLines(PlanList, DescribeCsvPlan(current, m_header));
}

void TCsvMatch::FieldButtonClick(QPushButton* button) {
  const int row = CSVGrid->currentRow();
  if (row < 0 || row >= CSVGrid->rowCount()) return;
  ChooseCsvTarget(&m_choices, row, TargetFromCaption(button->text()), m_header.value(row));
  Refresh();
  CSVGrid->setCurrentCell(row + 1 < CSVGrid->rowCount() ? row + 1 : row, 1);
}

void TCsvMatch::MoveBlock(int by) {
  const int from = BlockList->currentRow();
  const int to = from + by;
  if (from < 0 || to < 0 || to >= static_cast<int>(m_blockOrder.size())) return;
  m_blockOrder.swapItemsAt(from, to);
  BlockList->setCurrentRow(-1);
  Refresh();
  BlockList->setCurrentRow(to);
}

void TCsvMatch::MoveUpButtonClick() { MoveBlock(-1); }

void TCsvMatch::MoveDownButtonClick() { MoveBlock(1); }

// ---- TCsvImport ----

TCsvImport::TCsvImport(TApolloEnv* env, QWidget* parent)
    : ImportForm(env, QStringLiteral("CSV File Import"), QStringLiteral("CSV File Name"),
                 QStringLiteral("Select CSV File"),
                 QStringLiteral("Appends the records of a CSV file with a header line, as "
                                "spreadsheets and address books (Google, Outlook, Thunderbird, "
                                "LinkedIn) export them, to this contact file. The columns are "
                                "matched by their names; Match Fields shows and changes that."),
                 kTopicCsvImport, parent) {
  HeaderLabel = new QLabel(this);
  HeaderLabel->setWordWrap(true);
  PlanList = MakePlanList(this);
  PlanList->setMinimumHeight(110);
  // Under the file name, above the buttons.
  if (auto* box = qobject_cast<QVBoxLayout*>(layout())) {
    box->insertWidget(2, HeaderLabel);
    box->insertWidget(3, PlanList, 1);
  }
  Reset();
  connect(SelectButton, &QPushButton::clicked, this, &TCsvImport::SelectButtonClick);
  connect(MatchButton, &QPushButton::clicked, this, &TCsvImport::MatchButtonClick);
  connect(ImportButton, &QPushButton::clicked, this, &TCsvImport::ImportButtonClick);
  resize(680, 420);
}

CsvPlan TCsvImport::plan() const { return PlanOfChoices(m_choices, m_blockOrder, m_proposal); }

void TCsvImport::Reset() {
  m_fileName.clear();
  m_file = CsvFile();
  m_sample.clear();
  m_proposal = CsvPlan();
  m_choices.clear();
  m_blockOrder.clear();
  FileNameLabel->setText(QStringLiteral("(none)"));
  HeaderLabel->setText(QStringLiteral("Header line: (none)"));
  PlanList->clear();
  MatchButton->setEnabled(false);
  ImportButton->setEnabled(false);
}

void TCsvImport::ShowPlan() {
  const CsvPlan p = plan();
  ShowLines(PlanList, DescribeCsvPlan(p, m_file.header));
  ImportButton->setEnabled(p.any());
}

void TCsvImport::SelectButtonClick() {
  const QString name = Dialogs().openFileName(
      this, QStringLiteral("Select CSV File"), QString(),
      QStringLiteral("CSV files (*.csv *.CSV);;Text files (*.txt *.TXT);;All files (*)"));
  // A cancelled dialog changes nothing.
  if (name.isEmpty()) return;
  Reset();
  StatusLabel->clear();
  FileNameLabel->setText(name);
  LetEventsRun();
  CsvFile file;
  QString error;
  if (!ScanCsvFile(name, &file, &error) ||
      !ReadCsvSample(file, kSampleRecords, &m_sample, &error)) {
    Dialogs().information(this, error);
    Reset();
    return;
  }
  m_fileName = name;
  m_file = file;
  m_proposal = ProposeCsvPlan(m_file.header);
  m_choices = ChoicesOfPlan(m_proposal, static_cast<int>(m_file.header.size()));
  m_blockOrder = CsvBlockNames(m_proposal);
  QString header = QStringLiteral("Header line: ") + m_file.header.join(QStringLiteral(", "));
  if (m_file.skippedLines > 0) {
    header += QStringLiteral(" (line %1; the lines above it are passed over)")
                  .arg(m_file.skippedLines + 1);
  }
  HeaderLabel->setText(header);
  MatchButton->setEnabled(true);
  ShowPlan();
  StatusLabel->setText(QStringLiteral("%1 records below the header line").arg(m_file.records));
  if (!ImportButton->isEnabled()) {
    StatusLabel->setText(QStringLiteral("No column name was recognised: match the fields first."));
  }
}

void TCsvImport::MatchButtonClick() {
  TCsvMatch match(m_file, m_sample, m_choices, m_blockOrder, m_proposal, this);
  const int result = RunMatchWindow ? RunMatchWindow(match) : match.exec();
  if (result != QDialog::Accepted) return;
  m_choices = match.choices();
  m_blockOrder = match.blockOrder();
  ShowPlan();
}

void TCsvImport::ImportButtonClick() {
  const CsvPlan p = plan();
  if (!p.any()) return;
  CsvRowSource source(m_file, p);
  RunImport(source, [&](QString* why) { return source.open(why); });
}

}  // namespace qv
