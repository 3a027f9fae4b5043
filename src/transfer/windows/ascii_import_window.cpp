#include "transfer/windows/ascii_import_window.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "cleanup/windows/cleanup_widgets.h"
#include "transfer/import_rows.h"
#include "transfer/windows/transfer_widgets.h"
#include "ui/dialogs.h"

namespace qv {

namespace {

constexpr int kTargetChars = 20;

QString ColumnHeading(int column) { return QStringLiteral("Field %1").arg(column); }

QString CellText(const QTableWidget* grid, int row, int column) {
  const QTableWidgetItem* item = grid->item(row, column);
  return item == nullptr ? QString() : item->text();
}

void SetCell(QTableWidget* grid, int row, int column, const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  grid->setItem(row, column, item);
}

}  // namespace

// ---- TAsciiMatch ----

QStringList TAsciiMatch::FieldCaptions() {
  QStringList out;
  for (const TargetInfo& info : ContactTargets()) {
    // The text import converts no dates, so it offers no Date button.
    if (info.target != ContactTarget::Date) out << info.caption;
  }
  out << QStringLiteral("(none)");
  return out;
}

TAsciiMatch::TAsciiMatch(const AsciiSample& sample, const QStringList& targets, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("ASCII File Import Match Fields"));
  auto* layout = new QVBoxLayout(this);
  auto* explain = new QLabel(
      QStringLiteral("Please decide which fields in the Quorvane file go with which fields in "
                     "the ASCII file. Highlight the ASCII file field, and then click the "
                     "appropriate button to match it with a Quorvane field. Multiple ASCII "
                     "fields may be put in the Memo field."),
      this);
  explain->setWordWrap(true);
  layout->addWidget(explain);

  // The sampled lines, one grid column per file column.
  SG = new QTableWidget(static_cast<int>(sample.rows.size()), sample.columnCount, this);
  SG->setEditTriggers(QAbstractItemView::NoEditTriggers);
  SG->verticalHeader()->setDefaultSectionSize(20);
  const QFontMetrics metrics(SG->font());
  const int letterW = metrics.horizontalAdvance(QLatin1Char('W'));
  const int least = metrics.horizontalAdvance(ColumnHeading(12));
  const int most = 2 * SG->logicalDpiX();
  for (int c = 0; c < sample.columnCount; ++c) {
    SG->setHorizontalHeaderItem(c, new QTableWidgetItem(ColumnHeading(c + 1)));
    const int maxLen = c < static_cast<int>(sample.maxLen.size()) ? sample.maxLen[c] : 0;
    SG->setColumnWidth(c, std::clamp(maxLen * letterW, least, std::max(least, most)));
  }
  for (int r = 0; r < static_cast<int>(sample.rows.size()); ++r) {
    const QStringList& values = sample.rows[r];
    for (int c = 0; c < sample.columnCount && c < values.size(); ++c) SetCell(SG, r, c, values[c]);
  }
  layout->addWidget(SG, 1);

  auto* middle = new QHBoxLayout;
  ASCIIGrid = new QTableWidget(sample.columnCount, 2, this);
  ASCIIGrid->setHorizontalHeaderLabels(
      {QStringLiteral("ASCII Field "), QStringLiteral("Import into QVW Field ")});
  ASCIIGrid->verticalHeader()->hide();
  ASCIIGrid->verticalHeader()->setDefaultSectionSize(20);
  ASCIIGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ASCIIGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
  ASCIIGrid->setSelectionMode(QAbstractItemView::SingleSelection);
  ASCIIGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  for (int r = 0; r < sample.columnCount; ++r) {
    SetCell(ASCIIGrid, r, 0, ColumnHeading(r + 1));
    SetCell(ASCIIGrid, r, 1, r < targets.size() ? targets[r] : QString());
  }
  middle->addWidget(ASCIIGrid, 1);

  FieldPanel = FieldButtonPanel(FieldCaptions(), this, &FieldButtons,
                                [this](QPushButton* b) { FieldButtonClick(b); });
  middle->addWidget(FieldPanel);
  layout->addLayout(middle, 1);

  // A target already given to a column cannot be given again.
  for (const QString& target : targets) {
    if (target.isEmpty()) continue;
    if (QPushButton* b = fieldButton(target); b != nullptr && b->text() != QLatin1String("Memo")) {
      b->setEnabled(false);
    }
  }

  auto* row = new QHBoxLayout;
  row->addStretch();
  SaveButton = AddButton(QStringLiteral("Save"), this, row);
  SaveButton->setDefault(true);
  CancelButton = AddButton(QStringLiteral("Cancel"), this, row);
  HelpButton = MakeHelpButton(this, kTopicAsciiMatch);
  row->addWidget(HelpButton);
  layout->addLayout(row);
  connect(SaveButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

  if (sample.columnCount > 0) ASCIIGrid->setCurrentCell(0, 1);
  resize(720, 520);
}

QPushButton* TAsciiMatch::fieldButton(const QString& caption) const {
  for (QPushButton* b : FieldButtons) {
    if (b->text() == caption) return b;
  }
  return nullptr;
}

void TAsciiMatch::FieldButtonClick(QPushButton* button) {
  const int row = ASCIIGrid->currentRow();
  if (row < 0 || row >= ASCIIGrid->rowCount()) return;
  const QString current = CellText(ASCIIGrid, row, 1);
  const QString pressed = button->text();
  if (!current.isEmpty()) {
    if (QPushButton* before = fieldButton(current)) before->setEnabled(true);
  }
  if (pressed == QLatin1String("(none)")) {
    SetCell(ASCIIGrid, row, 1, QString());
  } else {
    SetCell(ASCIIGrid, row, 1, pressed);
    // Memo takes any number of columns.
    if (pressed != QLatin1String("Memo")) button->setEnabled(false);
  }
  if (row + 1 < ASCIIGrid->rowCount()) ASCIIGrid->setCurrentCell(row + 1, 1);
}

QStringList TAsciiMatch::targets() const {
  QStringList out;
  for (int r = 0; r < ASCIIGrid->rowCount(); ++r) out << CellText(ASCIIGrid, r, 1);
  return out;
}

// ---- TAsciiImport ----

TAsciiImport::TAsciiImport(TApolloEnv* env, QWidget* parent)
    : ImportForm(env, QStringLiteral("ASCII File Import"), QStringLiteral("ASCII File Name"),
                 QStringLiteral("Select ASCII File"),
                 QStringLiteral("Appends the lines of a comma-separated text file to this "
                                "contact file, one new contact per line. Select the file, match "
                                "its fields to the contact fields, then press Import."),
                 kTopicAsciiImport, parent) {
  connect(SelectButton, &QPushButton::clicked, this, &TAsciiImport::SelectButtonClick);
  connect(MatchButton, &QPushButton::clicked, this, &TAsciiImport::MatchButtonClick);
  connect(ImportButton, &QPushButton::clicked, this, &TAsciiImport::ImportButtonClick);
}

void TAsciiImport::SelectButtonClick() {
  const QString chosen = Dialogs().openFileName(
      this, QStringLiteral("Select ASCII File"), QString(),
      QStringLiteral("Text files (*.txt *.TXT);;Comma-separated files (*.csv *.CSV);;All files (*)"));
  if (!chosen.isEmpty()) m_fileName = chosen;
  // A new sampling forgets every match.
  m_sample = AsciiSample();
  m_targets.clear();
  bool accepted = false;
  if (!m_fileName.isEmpty()) {
    FileNameLabel->setText(m_fileName);
    LetEventsRun();
    QString error;
    if (!SampleAsciiFile(m_fileName, &m_sample, &error)) {
      Dialogs().information(this, UnableToImportMessage() + QStringLiteral("\r\n") + error);
    } else if (!m_sample.accepted()) {
      Dialogs().information(this, UnableToImportMessage());
    } else {
      accepted = true;
    }
    if (accepted && m_sample.columnsCut) {
      Dialogs().information(this, QStringLiteral("Only the first %1 fields of a line can be "
                                                 "imported.")
                                      .arg(kAsciiMaxColumns));
    }
  } else {
    FileNameLabel->setText(QStringLiteral("(none)"));
  }
  if (!accepted) m_sample = AsciiSample();
  for (int c = 0; c < m_sample.columnCount; ++c) m_targets << QString();
  MatchButton->setEnabled(accepted);
  SetMatchButtons();
  StatusLabel->clear();
}

void TAsciiImport::MatchButtonClick() {
  TAsciiMatch match(m_sample, m_targets, this);
  const int result = RunMatchWindow ? RunMatchWindow(match) : match.exec();
  if (result != QDialog::Accepted) return;
  const QStringList chosen = match.targets();
  for (int c = 0; c < m_targets.size(); ++c) {
    m_targets[c] = c < chosen.size() ? chosen[c].left(kTargetChars) : QString();
  }
  SetMatchButtons();
}

AsciiMatch TAsciiImport::match() const {
  AsciiMatch out(static_cast<size_t>(m_targets.size()));
  for (int c = 0; c < m_targets.size(); ++c) out[c] = TargetFromCaption(m_targets[c]);
  return out;
}

void TAsciiImport::SetMatchButtons() { ImportButton->setEnabled(AnyMatched(match())); }

void TAsciiImport::ImportButtonClick() {
  const AsciiMatch columns = match();
  QString error;
  if (!CheckAsciiMatch(columns, &error)) {
    Dialogs().information(this, error);
    return;
  }
  AsciiRowSource source(m_fileName, m_sample.columnCount, columns);
  RunImport(source, [&](QString* why) {
    StatusLabel->setText(QStringLiteral("Counting total lines"));
    LetEventsRun();
    return source.open(why);
  });
}

}  // namespace qv
