// "DBF File Import": picks another DBF table, proposes which of its fields
// go into which contact fields by their names, lets the user correct that
// in "DBF File Import Match Fields" (choosing from "Select Import Field"),
// and appends every record of the table to the contact file.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <vector>

#include "store/apollo.h"
#include "store/table_object.h"
#include "transfer/dbf_import.h"
#include "transfer/windows/import_form.h"
#include "store/owned_table.h"

#include "ui/qt_classes.h"

namespace qv {

// The source fields a match row may take, "(None)" first.
class TGetImportField : public QDialog {
  Q_OBJECT

 public:
  TGetImportField(const QStringList& choices, const QString& current, QWidget* parent = nullptr);

  QListWidget* ListOfFields;
  QPushButton* OkButton;
  QPushButton* CancelButton;

  QString chosen() const;
};

class TDBFMatch : public QDialog {
  Q_OBJECT

 public:
  // Works on a copy of `fields`; until the match was once saved
  // (`matched` false) every field gets its proposed target first.
  TDBFMatch(std::vector<DbfSourceField> fields, bool matched, TableObject* source,
            const QString& sourceName, QWidget* parent = nullptr);

  QTableWidget* ImportGrid;  // contact field label -> source field name
  QTableView* SourceGrid;    // the source table, read-only
  QPushButton* SelectFieldButton;
  QPushButton* ClearCurrentButton;
  QPushButton* ClearAllButton;
  QPushButton* SaveButton;
  QPushButton* CancelButton;
  QPushButton* HelpButton;

  void SelectField();
  void ClearCurrentClick();
  void ClearAllClick();

  // Runs "Select Import Field" once it is filled; empty: exec() it.
  std::function<int(TGetImportField&)> RunSelectWindow;

  // The grid's second column, rows 1 to 17.
  const QStringList& grid() const { return m_grid; }
  const std::vector<DbfSourceField>& fields() const { return m_fields; }

 private:
  void ShowGrid();

  std::vector<DbfSourceField> m_fields;
  QStringList m_grid;
};

class TDBFImport : public ImportForm {
  Q_OBJECT

 public:
  explicit TDBFImport(TApolloEnv* env, QWidget* parent = nullptr);

  OwnedTable m_source;
  TApolloEnv& SourceEnv = m_source.env;
  TableObject* const Source = &m_source.table;
  TApollo& SourceApollo = m_source.apollo;

  void SelectButtonClick();
  void MatchButtonClick();
  void ImportButtonClick();

  // Runs the match dialog once it is filled; empty: exec() it.
  std::function<int(TDBFMatch&)> RunMatchWindow;

  const QString& fileName() const { return m_fileName; }
  const std::vector<DbfSourceField>& fields() const { return m_fields; }
  bool matched() const { return m_matched; }

 private:
  void Reset();

  QString m_fileName;
  std::vector<DbfSourceField> m_fields;
  bool m_matched = false;
};

}  // namespace qv
