#include "labels/windows/select_label.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

#include "labels/windows/record_list.h"
#include "store/label_geometry.h"
#include "store/settings.h"
#include "store/table_grid_model.h"
#include "ui/dialogs.h"

namespace qv {

namespace {

const char kLaserQuery[] = "\"LJ\"$printer";
const char kDotMatrixQuery[] = "\"DM\"$printer";

QString LengthText(float inches) { return QString::number(static_cast<double>(inches), 'f', 3); }

float LengthField(const TableObject& table, const char* field) {
  return table.fieldText(field).toFloat();
}

QString TrimRight(QString s) {
  while (!s.isEmpty() && s.back() == QLatin1Char(' ')) s.chop(1);
  return s;
}

}  // namespace

LabelRecord ReadLabelDefinition(const TableObject& table) {
  LabelRecord r;
  LabelGeometry& g = r.geometry;
  g.description = table.fieldText("USERDESC").toStdString();
  g.height = LengthField(table, "LBLHEIGHT");
  g.width = LengthField(table, "LBLWIDTH");
  // Counts are stored as whole numbers, but a hand-edited table may hold "3.0".
  g.across = static_cast<int>(table.fieldText("NBRACROSS").toDouble());
  g.down = static_cast<int>(table.fieldText("NBRDOWN").toDouble());
  g.top_margin = LengthField(table, "TOPMARG");
  g.left_margin = LengthField(table, "LEFTMARG");
  g.horizontal_pitch = LengthField(table, "HORIZPITCH");
  g.vertical_pitch = LengthField(table, "VERTPITCH");
  g.sheet_width = LengthField(table, "SHEETWIDTH");
  g.sheet_height = LengthField(table, "SHEETDEPTH");
  r.printer = table.fieldText("PRINTER").toStdString();
  r.paper_size = table.fieldText("PAPERSIZE").toStdString();
  return r;
}

bool WriteLabelDefinition(TableObject& table, const LabelRecord& record) {
  const LabelGeometry& g = record.geometry;
  const std::pair<const char*, QString> values[] = {
      {"USERDESC", QString::fromStdString(g.description)},
      {"LBLHEIGHT", LengthText(g.height)},
      {"LBLWIDTH", LengthText(g.width)},
      {"NBRACROSS", QString::number(g.across)},
      {"NBRDOWN", QString::number(g.down)},
      {"TOPMARG", LengthText(g.top_margin)},
      {"LEFTMARG", LengthText(g.left_margin)},
      {"HORIZPITCH", LengthText(g.horizontal_pitch)},
      {"VERTPITCH", LengthText(g.vertical_pitch)},
      {"SHEETWIDTH", LengthText(g.sheet_width)},
      {"SHEETDEPTH", LengthText(g.sheet_height)},
      {"PRINTER", QString::fromStdString(record.printer)},
      {"PAPERSIZE", QString::fromStdString(record.paper_size)},
  };
  bool ok = true;
  for (const auto& [field, text] : values) ok = table.setFieldText(field, text) && ok;
  return ok;
}

bool IsUserLabelDefinition(const TableObject& table) {
  const QString flag = table.fieldText("USERDEF").toUpper();
  return flag.startsWith(QLatin1Char('T')) || flag.startsWith(QLatin1Char('Y'));
}

TSelectLabel::TSelectLabel(QWidget* parent) : RecordListDialog(parent) {
  setWindowTitle("Select Label Definition");
  setModal(true);
  // Deleted definitions leave the list at once.
  LabelEnv.SetDeleted(true);

  rbLaser = new QRadioButton("Laser or Inkjet", this);
  rbDotMatrix = new QRadioButton("Dot Matrix", this);
  auto* printerGroup = new QButtonGroup(this);
  printerGroup->addButton(rbLaser);
  printerGroup->addButton(rbDotMatrix);
  auto* printerBox = new QGroupBox("Printer Type", this);
  auto* printerRow = new QHBoxLayout(printerBox);
  printerRow->addWidget(rbLaser);
  printerRow->addWidget(rbDotMatrix);
  printerRow->addStretch();

  FindEdit = new QLineEdit(this);
  auto* findLabel = new QLabel("Find:", this);
  findLabel->setBuddy(FindEdit);
  auto* findRow = new QHBoxLayout;
  findRow->addWidget(findLabel);
  findRow->addWidget(FindEdit, 1);
  FindMatches = new QListWidget(this);
  FindMatches->setMaximumHeight(FindEdit->sizeHint().height() * 3);
  FindMatches->hide();

  auto* buttons = buildList(new TableGridModel(LabelTable,
                                               {{"USERDESC", "Label"},
                                                {"LBLHEIGHT", "Height in."},
                                                {"LBLWIDTH", "Width in."},
                                                {"NBRACROSS", "# Across"},
                                                {"NBRDOWN", "# Down"},
                                                {"TOPMARG", "Top Margin"},
                                                {"LEFTMARG", "Left Margin"},
                                                {"SHEETWIDTH", "Page Width"},
                                                {"SHEETDEPTH", "Page Height"},
                                                {"PAPERSIZE", "Paper Size"}},
                                               this),
                            LabelTable);
  Grid->horizontalHeader()->setStretchLastSection(false);
  Grid->setColumnWidth(0, 260);
  // Number columns as wide as their titles, so most of a stock's sizes show
  // without scrolling.
  for (int c = 1; c < m_model->columnCount(); ++c) {
    Grid->setColumnWidth(c, Grid->fontMetrics().horizontalAdvance(
                                m_model->headerData(c, Qt::Horizontal).toString()) + 16);
  }

  SameSizeList = new QListWidget(this);
  SameSizeList->setMaximumHeight(FindEdit->sizeHint().height() * 3);
  auto* sameSizeLabel = new QLabel("Same size as the chosen stock:", this);
  sameSizeLabel->setBuddy(SameSizeList);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(printerBox);
  layout->addLayout(findRow);
  layout->addWidget(FindMatches);
  layout->addWidget(Grid, 1);
  layout->addWidget(sameSizeLabel);
  layout->addWidget(SameSizeList);
  layout->addLayout(buttons);
  resize(820, 560);

  // Clicks only: FormActivate sets the buttons without running the queries twice.
  connect(rbLaser, &QRadioButton::clicked, this, &TSelectLabel::rbLaserClick);
  connect(rbDotMatrix, &QRadioButton::clicked, this, &TSelectLabel::rbDotMatrixClick);
  connect(FindEdit, &QLineEdit::textEdited, this, &TSelectLabel::FindEditChange);
  connect(FindMatches, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    m_model->moveToRow(item->data(Qt::UserRole).toInt());
  });
  connect(SameSizeList, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { (void)goToDescription(item->text()); });
  connect(LabelTable, &TableObject::recordChanged, this, &TSelectLabel::ShowSameSize);
  connect(LabelTable, &TableObject::afterPost, this, [this] {
    readStocks();
    ShowSameSize();
  });
  connectList(&TSelectLabel::NewButtonClick, &TSelectLabel::EditButtonClick,
              &TSelectLabel::DeleteButtonClick, &TSelectLabel::OkButtonClick);
}

void TSelectLabel::FormActivate() {
  if (!m_firstActivation) return;
  m_firstActivation = false;
  if (PassedPrinterType.trimmed() == "LJ") {
    rbLaser->setChecked(true);
    rbLaserClick();
  } else {
    rbDotMatrix->setChecked(true);
    rbDotMatrixClick();
  }
  if (!LabelTable->active()) return;
  readStocks();
  const QString wanted = TrimRight(PassedDescription);
  GoToFirstRow(this, LabelTable, [&wanted](const TableObject& t) {
    return TrimRight(t.fieldText("USERDESC")) == wanted;
  });
  ShowSameSize();
}

void TSelectLabel::readStocks() {
  m_stocks.clear();
  m_stocksError.clear();
  if (!LabelTable->active()) return;
  // A walk of the dialog's own table (the file is open here already), with
  // the grid frozen and the current record put back.
  const int at = LabelTable->eof() ? 0 : LabelTable->recNo();
  m_readingStocks = true;
  LabelTable->disableControls();
  for (bool ok = LabelTable->first(); ok && !LabelTable->eof(); ok = LabelTable->next()) {
    const LabelRecord r = ReadLabelDefinition(*LabelTable);
    LabelStock stock;
    stock.geometry = r.geometry;
    stock.geometry.description =
        TrimRight(QString::fromStdString(r.geometry.description)).toStdString();
    stock.printer = QString::fromStdString(r.printer).trimmed();
    m_stocks.push_back(std::move(stock));
  }
  if (LabelTable->failed()) m_stocksError = LabelTable->failureMessage();
  if (at > 0 && !LabelTable->goToRecord(at) && m_stocksError.isEmpty()) {
    m_stocksError = LabelTable->failureMessage();
  }
  LabelTable->enableControls();
  m_readingStocks = false;
}

void TSelectLabel::ShowSameSize() {
  if (m_readingStocks) return;
  SameSizeList->clear();
  if (!m_stocksError.isEmpty()) {
    // The list stays usable without the look-alikes; the reason shows in their place.
    auto* item = new QListWidgetItem(m_stocksError, SameSizeList);
    item->setFlags(Qt::NoItemFlags);
    return;
  }
  if (!LabelTable->active() || LabelTable->eof() ||
      LabelTable->state() != TableObject::State::Browse) {
    return;
  }
  LabelStock current;
  const LabelRecord record = ReadLabelDefinition(*LabelTable);
  current.geometry = record.geometry;
  current.geometry.description =
      TrimRight(QString::fromStdString(record.geometry.description)).toStdString();
  const QString printer = rbDotMatrix->isChecked() ? QStringLiteral("DM") : QStringLiteral("LJ");
  for (const LabelStock& s : SameSizeStocks(m_stocks, current)) {
    if (s.printer.contains(printer)) {
      SameSizeList->addItem(QString::fromStdString(s.geometry.description));
    }
  }
}

bool TSelectLabel::goToDescription(const QString& description) {
  const int column = m_model->columnOfField("USERDESC");
  for (int row = 0; row < m_model->rowCount(); ++row) {
    if (TrimRight(m_model->data(m_model->index(row, column)).toString()) == description) {
      m_model->moveToRow(row);
      return true;
    }
  }
  return false;
}

void TSelectLabel::rbLaserClick() {
  if (!LabelApollo.Query(kLaserQuery)) Dialogs().information(this, LabelApollo.LastError());
  ShowSameSize();
}

void TSelectLabel::rbDotMatrixClick() {
  if (!LabelApollo.Query(kDotMatrixQuery)) Dialogs().information(this, LabelApollo.LastError());
  ShowSameSize();
}

bool TSelectLabel::runEdit(TLabelEdit& edit) {
  if (RunLabelEdit) return RunLabelEdit(edit);
  return edit.exec() == QDialog::Accepted;
}

void TSelectLabel::NewButtonClick() {
  if (!LabelTable->active()) return;
  LabelRecord record;
  if (!LabelTable->eof()) {
    record = ReadLabelDefinition(*LabelTable);
    record.geometry.description = "[New] " + record.geometry.description;
  } else {
    // Nothing highlighted: empty values, for the printer type shown.
    record.printer = rbDotMatrix->isChecked() ? "DM" : "LJ";
  }
  TLabelEdit edit(this);
  edit.setWindowTitle("Add Label Definition");
  edit.record = record;
  if (!runEdit(edit)) return;
  LabelTable->insert();
  // A refused value has been reported; nothing is appended.
  if (!WriteLabelDefinition(*LabelTable, edit.record) || !LabelTable->setFieldText("USERDEF", "T") ||
      !LabelTable->post()) {
    LabelTable->cancel();
  }
}

void TSelectLabel::EditButtonClick() {
  if (!LabelTable->active() || LabelTable->eof()) return;
  if (!IsUserLabelDefinition(*LabelTable) &&
      !Dialogs().question(this,
                          "This is a predefined Avery label.\rChanging it may result in "
                          "incorrect output.\rAre you sure you wish to modify it?",
                          true)) {
    return;
  }
  TLabelEdit edit(this);
  edit.setWindowTitle("Edit Label Definition");
  edit.record = ReadLabelDefinition(*LabelTable);
  if (!runEdit(edit)) return;
  LabelTable->edit();
  if (!WriteLabelDefinition(*LabelTable, edit.record) || !LabelTable->post()) LabelTable->cancel();
}

void TSelectLabel::DeleteButtonClick() {
  if (!LabelTable->active() || LabelTable->eof()) return;
  const QString question = IsUserLabelDefinition(*LabelTable)
                               ? "Are you sure you wish to delete this label?"
                               : "This is a predefined Avery label. Are you sure you wish "
                                 "to delete it?";
  if (DeleteCurrentRow(this, LabelTable, question)) readStocks();
  ShowSameSize();
}

void TSelectLabel::FindEditChange(const QString& text) {
  FindMatches->clear();
  FindMatches->setVisible(!text.trimmed().isEmpty());
  if (text.trimmed().isEmpty()) return;
  const int column = m_model->columnOfField("USERDESC");
  std::vector<std::string> descriptions;
  for (int row = 0; row < m_model->rowCount(); ++row) {
    descriptions.push_back(
        m_model->data(m_model->index(row, column)).toString().toStdString());
  }
  const std::vector<size_t> ranked = RankStockMatches(descriptions, text.toStdString());
  if (ranked.empty()) {
    FindMatches->hide();
    Dialogs().beep();
    return;
  }
  for (size_t row : ranked) {
    auto* item = new QListWidgetItem(QString::fromStdString(descriptions[row]).trimmed());
    item->setData(Qt::UserRole, int(row));
    FindMatches->addItem(item);
  }
  FindMatches->setCurrentRow(0);
  m_model->moveToRow(int(ranked.front()));
}

void TSelectLabel::OkButtonClick() {
  if (!LabelTable->active() || LabelTable->eof()) {
    Dialogs().information(this, "Please choose a label definition from the list first.");
    return;
  }
  accept();
}

int TSelectLabel::currentGridRow() const { return m_link.currentRow(); }

bool TSelectLabel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Grid && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (Grid->currentIndex().isValid()) OkButtonClick();
      return true;
    }
  }
  return RecordListDialog::eventFilter(watched, event);
}

bool ChooseLabelDefinition(QWidget* parent, const QString& directory, const QString& description,
                           const QString& printerType, LabelRecord* chosen,
                           const std::function<bool(TSelectLabel&)>& run) {
  TSelectLabel dialog(parent);
  TableObject& table = *dialog.LabelTable;
  if (!OpenListTable(&table, directory.isEmpty() ? ProgramDirectory() : directory, "QVPLBLS.DBF",
                     "USERDESC")) {
    Dialogs().information(parent, "We were unable to open the label definition file: QVPLBLS.DBF");
    return false;
  }
  dialog.PassedDescription = description;
  dialog.PassedPrinterType = printerType;
  dialog.FormActivate();
  const bool ok = run ? run(dialog) : dialog.exec() == QDialog::Accepted;
  if (!ok || table.eof()) return false;
  if (chosen != nullptr) *chosen = ReadLabelDefinition(table);
  return true;
}

}  // namespace qv
