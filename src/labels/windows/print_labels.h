// The Print Labels dialog: lists the named label setups of QVPLSU.DBF,
// opens the designer on one to change it or to make a new one from it,
// chooses the records (all, those matching the filter, or the current
// one), the presort, the printer, the number of copies and the label to
// start at, and starts a printed or previewed label run on the contact file
// or prints the stock's alignment page.
#pragma once

#include <QDialog>
#include <functional>

#include "labels/label_run.h"
#include "labels/label_setup.h"
#include "labels/windows/record_list.h"
#include "ui/qt_classes.h"

namespace qv {

class WindowJobHost;

// Edits `record` in the label designer over the contact file `contacts`,
// modally over `parent`; true when the designer closed with OK.
bool DesignLabelSetup(QWidget* parent, TableObject* contacts, LabelSetup* record);

class TQVLabels : public SetupPrintDialog {
  Q_OBJECT

 public:
  // `contacts` and `contactApollo`: the open contact file the labels are
  // printed from (not owned).
  TQVLabels(TableObject* contacts, TApollo* contactApollo, QWidget* parent = nullptr);

  // Opens QVPLSU.DBF of `directory` and goes to its first row; false after
  // telling the user when it cannot be opened.
  bool OpenLabelSetupTable(const QString& directory);

  // ---- the setup table
  TApolloEnv& LabelSetupEnv = m_setups.env;
  TableObject* const LabelSetupTable = &m_setups.table;
  TApollo& LabelSetupApollo = m_setups.apollo;

  // ---- state
  LabelSetup WorkingRecord = DefaultLabelSetup();
  bool PresortDone = false;

  // ---- replaceable steps (tests script them; empty: the real windows)
  // Edits a copy of a setup in the designer; true when it closed with OK.
  std::function<bool(LabelSetup* record)> EditSetup;
  // The windows a run shows (presort, status, preview).
  std::function<LabelRunHooks(WindowJobHost& host)> RunHooks;
  // What the last run ended as; for the tests and the status bar.
  LabelRunResult LastRun;

  // ---- controls
  QRadioButton* rbQAll;
  QRadioButton* rbQFilter;
  QRadioButton* rbQCurrent;
  QCheckBox* StartCurrentCheck;
  QCheckBox* PresortCheck;
  QComboBox* PrinterList;
  QSpinBox* CopiesSpin;
  // The position of the run's first label on a partly used first sheet.
  QSpinBox* StartLabelSpin;
  // Prints one sheet of label outlines of the highlighted setup.
  QPushButton* AlignmentButton;
  QPushButton* HelpButton;
  static constexpr int kHelpTopic = 1030;

  // ---- handlers
  void FormActivate() override;
  void ModifyButtonClick();
  void NewButtonClick();
  void DeleteButtonClick();
  void SetupGridRowChange();
  void rbQAllClick();
  void rbQFilterClick();
  void rbQCurrentClick();
  void StartCurrentCheckClick();
  void PrinterListChange(int index);
  void PrinterSetupButtonClick();
  void PrintNowButtonClick();
  void PreviewButtonClick();
  void AlignmentButtonClick();

  // ---- operations
  void SetButtons();
  // 1 to the labels on one sheet of the highlighted setup's stock.
  void SetStartLabelRange();
  void FillPrinterList();
  void DoPrint();
  RecordSelection Selection() const;

 private:
  bool m_alignment = false;  // the run is the alignment page
};

}  // namespace qv
