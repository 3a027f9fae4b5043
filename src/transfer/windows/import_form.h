// What the text and DBF import windows share: the contact file held
// exclusively, the Select/Match/Import buttons, the status line and gauge,
// Cancel while importing, and the run itself with its end messages.
#pragma once

#include <QDialog>
#include <functional>

#include "store/apollo.h"
#include "store/table_object.h"
#include "transfer/import_rows.h"

#include "ui/qt_classes.h"

namespace qv {

class ImportForm : public QDialog {
  Q_OBJECT

 public:
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
  void CancelButtonClick();

  // Called once per progress step of the import (tests press Cancel there).
  std::function<void(int percent)> OnImportProgress;
  // Called once per progress step of the index rebuild that follows.
  std::function<void(int percent)> OnRebuildProgress;

  bool importing() const { return m_importing; }
  bool rebuilding() const { return m_rebuilding; }
  const ImportResult& lastResult() const { return m_result; }

 protected:
  ImportForm(TApolloEnv* env, const QString& title, const QString& nameCaption,
             const QString& selectCaption, const QString& explanation, int helpTopic,
             QWidget* parent);
  // Runs the import of `source` (its open() already done by `open`, which
  // may set the status line and fails with the reason) and says how it
  // went. The window closes once records were posted.
  void RunImport(RowSource& source, const std::function<bool(QString* error)>& open);

  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  ImportResult m_result;
  bool m_importing = false;
  bool m_rebuilding = false;
  bool m_cancel = false;
};

}  // namespace qv
