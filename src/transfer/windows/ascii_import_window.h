// "ASCII File Import": picks a comma-separated text file, samples its first
// lines, lets the user match its columns to contact fields in "ASCII File
// Import Match Fields", and appends every line to the contact file the
// window holds exclusively, with a gauge, Cancel and the index rebuild.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <vector>

#include "store/apollo.h"
#include "store/table_object.h"
#include "transfer/ascii_import.h"
#include "transfer/ascii_lines.h"
#include "transfer/import_rows.h"

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace qv {

// The matching dialog: the sampled lines, one grid row per column of the
// file with the contact field it goes into, and a button per target.
class TAsciiMatch : public QDialog {
  Q_OBJECT

 public:
  // `targets` holds the earlier match of each column (a caption or empty).
  TAsciiMatch(const AsciiSample& sample, const QStringList& targets, QWidget* parent = nullptr);

  QTableWidget* SG;         // the sampled lines
  QTableWidget* ASCIIGrid;  // column -> target caption
  QGroupBox* FieldPanel;    // "Quorvane Data Fields"
  std::vector<QPushButton*> FieldButtons;  // the 17 targets, "(none)" last
  QPushButton* SaveButton;
  QPushButton* CancelButton;
  QPushButton* HelpButton;

  void FieldButtonClick(QPushButton* button);
  QPushButton* fieldButton(const QString& caption) const;
  // The second column of every row, as the grid shows it now.
  QStringList targets() const;

  // The captions of the buttons, in their order.
  static QStringList FieldCaptions();
};

class TAsciiImport : public QDialog {
  Q_OBJECT

 public:
  TAsciiImport(TApolloEnv* env, QWidget* parent = nullptr);
  ~TAsciiImport() override;

  // The contact file, opened exclusively by the caller.
  TableObject* Destination;
  TApollo DestinationApollo;

  QLabel* FileNameLabel;
  QPushButton* SelectButton;
  QPushButton* MatchButton;
  QPushButton* ImportButton;
  QPushButton* CancelButton;
  QPushButton* HelpButton;
  QWidget* ButtonPanel;
  QLabel* StatusLabel;
  QProgressBar* Gauge1;

  TableObject* tableObject() const { return Destination; }
  void SelectButtonClick();
  void MatchButtonClick();
  void ImportButtonClick();
  void CancelButtonClick();

  // Runs the match dialog once it is filled; empty: exec() it. Tests
  // script the dialog through it.
  std::function<int(TAsciiMatch&)> RunMatchWindow;
  // Called once per progress step of the import (tests press Cancel there).
  std::function<void(int percent)> OnImportProgress;

  const QString& fileName() const { return m_fileName; }
  int columnCount() const { return m_sample.columnCount; }
  const QStringList& targets() const { return m_targets; }
  bool importing() const { return m_importing; }
  bool rebuilding() const { return m_rebuilding; }
  const ImportResult& lastResult() const { return m_result; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  AsciiMatch match() const;
  void SetMatchButtons();

  QString m_fileName;
  AsciiSample m_sample;
  QStringList m_targets;  // per column: the caption of its target, or empty
  ImportResult m_result;
  bool m_importing = false;
  bool m_rebuilding = false;
  bool m_cancel = false;
};

}  // namespace qv
