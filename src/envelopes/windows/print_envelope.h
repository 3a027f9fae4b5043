// The Print Envelope dialog: lists the envelope setups of QVPESU.DBF,
// opens the designer on one to change it or to make a new one from it,
// shows the printer, and prints or previews envelopes for the current
// contact, the filtered contacts or all of them, one envelope per page.
#pragma once

#include <QDialog>
#include <functional>

#include "envelopes/envelope_run.h"
#include "envelopes/envelope_setup.h"
#include "labels/windows/record_list.h"
#include "ui/qt_classes.h"

namespace qv {

// Edits `setup` in the envelope designer over the contact file
// `contacts`, modally over `parent`; true when it closed with Save.
bool DesignEnvelopeSetup(QWidget* parent, TableObject* contacts, TEnvelopeSetup* setup);

class TQVEnvelopes : public SetupPrintDialog {
  Q_OBJECT

 public:
  TQVEnvelopes(TableObject* contacts, TApollo* contactApollo, QWidget* parent = nullptr);

  // Opens QVPESU.DBF of `directory` and goes to its first row; false after
  // telling the user when it cannot be opened.
  bool OpenEnvelopeSetupTable(const QString& directory);

  TApolloEnv& EnvelopeSetupEnv = m_setups.env;
  TableObject* const EnvelopeSetupTable = &m_setups.table;
  TApollo& EnvelopeSetupApollo = m_setups.apollo;

  TEnvelopeSetup CurrentSetup = DefaultEnvelopeSetup();

  // ---- replaceable steps (tests script them; empty: the real windows)
  std::function<bool(TEnvelopeSetup* setup)> EditSetup;
  std::function<EnvelopeRunHooks()> RunHooks;
  EnvelopeRunResult LastRun;

  // ---- controls
  QRadioButton* rbQCurrent;
  QRadioButton* rbQFilter;
  QRadioButton* rbQAll;
  QComboBox* PaperList;
  QLabel* PrinterLabel;
  QPushButton* HelpButton;

  // ---- handlers
  void FormActivate() override;
  void ModifyButtonClick();
  void NewButtonClick();
  void DeleteButtonClick();
  void SetupGridRowChange();
  void PrintNowButtonClick();
  void PreviewButtonClick();
  void PrinterSetupButtonClick();
  void HelpButtonClick();

  // ---- operations
  void ShowSetup();
  void SetEnvelopeButtons();
  void DoPrint();
  RecordSelection Selection() const;
  EnvelopePaper Paper() const;
};

}  // namespace qv
