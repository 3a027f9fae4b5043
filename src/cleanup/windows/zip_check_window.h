// "Check State and Zip  Codes": checks every record's state and ZIP
// against QVPSZCK.DBF over the form's own, exclusively opened table, shows
// the questionable records in an editable grid, and lets the user edit the
// reference table itself.
#pragma once

#include <QDialog>

#include "cleanup/windows/cleanup_widgets.h"
#include "cleanup/zip_check.h"
#include "store/apollo.h"
#include "store/table_object.h"

#include "ui/qt_classes.h"

namespace qv {

class TableGridModel;

class TStateZipCheck : public TCheckWindow {
  Q_OBJECT

 public:
  TStateZipCheck(TApolloEnv* env, const QString& programDir, QWidget* parent = nullptr);
  ~TStateZipCheck() override;

  TableObject* TableCreate;
  TApollo ApolloCreate;
  TableObject* StateTable;
  TApollo StateApollo;

  QGroupBox* SetupPanel;
  QCheckBox* CheckBlanks;
  QPushButton* CheckitButton;
  QPushButton* EditStateButton;
  QWidget* StatePanel;
  QTableView* StateGrid;
  QPushButton* StateAddButton;
  QPushButton* StateDeleteButton;
  QPushButton* StateSaveButton;
  QPushButton* StateUndoButton;
  QWidget* ResultPanel;
  QTableView* ResultGrid;
  QPushButton* ResultEditButton;
  QPushButton* ResultSaveButton;
  QPushButton* ResultCancelButton;

  TableObject* tableObject() const { return TableCreate; }
  void CheckitButtonClick();
  void EditStateButtonClick();
  void StartEditStatePRov();
  void EndEditStatePRov();
  void CloseButtonClick();

  bool editingStates() const { return m_editing; }
  TableGridModel* resultModel() const { return m_resultModel; }
  TableGridModel* stateModel() const { return m_stateModel; }
  QString indexPath() const;
  QString stateTablePath() const;

 private:
  QString m_programDir;
  TableGridModel* m_resultModel = nullptr;
  TableGridModel* m_stateModel = nullptr;
  bool m_editing = false;
  bool m_done = false;
};

}  // namespace qv
