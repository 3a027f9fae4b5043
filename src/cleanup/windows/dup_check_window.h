// "Check and Repair Duplicates": the set-up panel chooses the kind of
// check, the check runs over the form's own, exclusively opened table,
// and the result grid shows the suspected duplicates (the work index's
// order) for editing, deleting and merging.
#pragma once

#include <QDialog>

#include "cleanup/dup_check.h"
#include "cleanup/windows/cleanup_widgets.h"
#include "store/apollo.h"
#include "store/table_object.h"

#include "ui/qt_classes.h"

namespace qv {

class TableGridModel;

class TDupCheck : public TCheckWindow {
  Q_OBJECT

 public:
  // `env` is the main window's engine settings; `programDir` holds the
  // work index.
  TDupCheck(TApolloEnv* env, const QString& programDir, QWidget* parent = nullptr);
  ~TDupCheck() override;

  TableObject* TableChkDup;
  TApollo ApolloChkDup;

  QGroupBox* SetupPanel;
  QGroupBox* KindofCheck;
  QButtonGroup* KindGroup;
  QLabel* StreetCharsLabel;
  QSpinBox* StreetChars;
  QPushButton* CheckitButton;
  QWidget* ResultPanel;
  QTableView* ChkDupsGrid;
  QPushButton* DeleteButton;
  QPushButton* MergeButton;
  QPushButton* SaveButton;
  QPushButton* UndoButton;

  TableObject* tableObject() const { return TableChkDup; }
  DupCheckOptions options() const;
  void KindofCheckClick();
  void CheckitButtonClick();
  void DeleteButtonClick();
  // Keeps the current record, fills its empty fields from the other
  // record of its pair, joins both memos and deletes the other.
  void MergeButtonClick();
  void SaveButtonClick();
  void UndoButtonClick();
  void CloseButtonClick();

  bool checkDone() const { return m_done; }
  TableGridModel* gridModel() const { return m_model; }
  QString indexPath() const;

 private:
  void ShowResults(int found);
  QString m_programDir;
  TableGridModel* m_model = nullptr;
  bool m_done = false;
};

}  // namespace qv
