// A grid model over a small table (stocks, setups, result grids): a list of
// field/title columns, every visible row read into memory in the table's
// current order. Read-only unless made editable, when a typed cell goes
// into the table's pending edit until the caller posts or cancels it.
// Tables of a few hundred rows only; the contact browse grid has its own
// on-demand model.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

namespace qv {

class TableObject;

struct TableGridColumn {
  QString field;
  QString title;
};

class TableGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Follows the table: a new order, query, open, close or post reloads the rows.
  TableGridModel(TableObject* table, std::vector<TableGridColumn> columns,
                 QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Editable grids only: moves to the row's record (posting a pending edit
  // of another record), puts it into edit state and sets the field.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

  // Off by default.
  void setEditable(bool on) { m_editable = on; }
  bool editable() const { return m_editable; }

  // Reads every visible record anew.
  void reload();

  // 0 for a row out of range.
  int recordOfRow(int row) const;
  // -1 when the record is not among the rows.
  int rowOfRecord(int recno) const;
  // The shown text of a cell; "" out of range.
  QString cell(int row, int column) const;
  // -1 when no column shows `field`.
  int columnOfField(const QString& field) const;
  // The first row whose cell in `column` contains `text`, letter case
  // ignored; -1 when none does.
  int findRow(int column, const QString& text) const;
  // Makes the record of `row` the table's current record; false when the
  // row is out of range or the table is closed.
  bool moveToRow(int row);

 private:
  TableObject* m_table;
  std::vector<TableGridColumn> m_columns;
  std::vector<int> m_recnos;
  std::vector<QStringList> m_cells;
  std::vector<bool> m_numeric;  // per column: right-aligned
  bool m_editable = false;
};

}  // namespace qv
