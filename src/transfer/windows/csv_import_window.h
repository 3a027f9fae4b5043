// "CSV File Import": picks a comma-, semicolon- or tab-separated file with
// a header line (as spreadsheets and address books export them), proposes
// which contact field each column goes into from the header names, shows
// how each row will be read (which address block, phone and e-mail it
// takes), lets the user change that in "CSV File Import Match Fields",
// and appends every record to the contact file the window holds
// exclusively, with a gauge, Cancel and the index rebuild.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <vector>

#include "store/apollo_env.h"
#include "transfer/csv.h"
#include "transfer/csv_choices.h"
#include "transfer/windows/import_form.h"
#include "ui/qt_classes.h"

namespace qv {

// The matching dialog: the header line over the first records, one grid
// row per column with the contact field (and address block) it goes into,
// a button per target, the order in which each row tries the address
// blocks, and the plan in the words the command line prints.
class TCsvMatch : public QDialog {
  Q_OBJECT

 public:
  TCsvMatch(const CsvFile& file, const std::vector<QStringList>& sample, CsvChoices choices,
            QStringList blockOrder, CsvPlan proposal, QWidget* parent = nullptr);

  QTableWidget* SG;                        // the header line and the first records
  QTableWidget* CSVGrid;                   // column -> target caption, address block
  QGroupBox* FieldPanel;                   // "Quorvane Data Fields"
  std::vector<QPushButton*> FieldButtons;  // the 17 targets, "(none)" last
  QGroupBox* BlockPanel;                   // "Address Order"
  QListWidget* BlockList;
  QPushButton* MoveUpButton;
  QPushButton* MoveDownButton;
  QListWidget* PlanList;  // the plan, one line each
  QPushButton* SaveButton;
  QPushButton* CancelButton;
  QPushButton* HelpButton;

  void FieldButtonClick(QPushButton* button);
  void MoveUpButtonClick();
  void MoveDownButtonClick();
  QPushButton* fieldButton(const QString& caption) const;

  const CsvChoices& choices() const { return m_choices; }
  const QStringList& blockOrder() const { return m_blockOrder; }
  CsvPlan plan() const;

  static QStringList FieldCaptions();

 private:
  void MoveBlock(int by);
  void Refresh();

  QStringList m_header;
  CsvChoices m_choices;
  QStringList m_blockOrder;
  CsvPlan m_proposal;
};

class TCsvImport : public ImportForm {
  Q_OBJECT

 public:
  explicit TCsvImport(TApolloEnv* env, QWidget* parent = nullptr);

  QLabel* HeaderLabel;    // "Header line: ..."
  QListWidget* PlanList;  // how each row is read, as the command line says it

  void SelectButtonClick();
  void MatchButtonClick();
  void ImportButtonClick();

  // Runs the match dialog once it is filled; empty: exec() it.
  std::function<int(TCsvMatch&)> RunMatchWindow;

  const QString& fileName() const { return m_fileName; }
  const CsvFile& file() const { return m_file; }
  CsvPlan plan() const;

 private:
  void Reset();
  void ShowPlan();

  QString m_fileName;
  CsvFile m_file;
  std::vector<QStringList> m_sample;
  CsvPlan m_proposal;
  CsvChoices m_choices;
  QStringList m_blockOrder;
};

}  // namespace qv
