// "ASCII File Import": picks a comma-separated text file, samples its first
// lines, lets the user match its columns to contact fields in "ASCII File
// Import Match Fields", and appends every line to the contact file the
// window holds exclusively, with a gauge, Cancel and the index rebuild.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <vector>

#include "store/apollo_env.h"
#include "store/table_object.h"
#include "transfer/ascii_import.h"
#include "transfer/ascii_lines.h"
#include "transfer/import_rows.h"
#include "transfer/windows/import_form.h"

#include "ui/qt_classes.h"

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

class TAsciiImport : public ImportForm {
  Q_OBJECT

 public:
  explicit TAsciiImport(TApolloEnv* env, QWidget* parent = nullptr);

  void SelectButtonClick();
  void MatchButtonClick();
  void ImportButtonClick();

  // Runs the match dialog once it is filled; empty: exec() it. Tests
  // script the dialog through it.
  std::function<int(TAsciiMatch&)> RunMatchWindow;

  const QString& fileName() const { return m_fileName; }
  int columnCount() const { return m_sample.columnCount; }
  const QStringList& targets() const { return m_targets; }

 private:
  AsciiMatch match() const;
  void SetMatchButtons();

  QString m_fileName;
  AsciiSample m_sample;
  QStringList m_targets;  // per column: the caption of its target, or empty
};

}  // namespace qv
