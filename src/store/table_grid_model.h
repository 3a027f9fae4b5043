// The one grid model over a table: the columns and captions the caller
// gives, the visible records in the table's current order. It keeps only
// the record numbers (four bytes a row, gathered in one pass) and reads the
// few records a view paints straight from the file, without moving the
// table, so a million contacts cost a few megabytes, never the whole file.
// Read-only unless made editable, when a typed cell goes into the table's
// pending edit until the caller posts or cancels it.
#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <cstdint>
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
  // When the rows follow a new order, query, open, close or post of the
  // table: at once (small tables: stocks, setups, result grids), or, for a
  // large table behind a page that may be hidden, once control returns to
  // the event loop while active, and at ensureFresh() while not.
  enum class Follow { Immediately, WhenActive };

  TableGridModel(TableObject* table, std::vector<TableGridColumn> columns,
                 QObject* parent = nullptr, Follow follow = Follow::Immediately);

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

  // Follow::WhenActive: the grid is on screen (a pending rebuild happens now).
  void setActive(bool on);
  bool active() const { return m_active; }
  bool stale() const { return m_stale; }
  // Rebuilds the rows now if anything changed since the last build.
  void ensureFresh();
  // Gathers the visible records anew.
  void reload();
  // Shows every cell anew (the date format changed); the rows stay.
  void refreshCells();

  // 0 for a row out of range.
  int recordOfRow(int row) const;
  // -1 when the record is not among the rows.
  int rowOfRecord(int recno) const;
  // The shown text of a cell; "" out of range.
  QString cell(int row, int column) const;
  // -1 when no column shows `field`.
  int columnOfField(const QString& field) const;
  // The first row whose cell in `column` contains `text`, letter case
  // ignored; -1 when none does. Reads every row: small tables only.
  int findRow(int column, const QString& text) const;
  // Makes the record of `row` the table's current record; false when the
  // row is out of range or the table is closed.
  bool moveToRow(int row);

 signals:
  // The rows were gathered anew (a view's current row needs setting again).
  void reloaded();

 private:
  void markStale();
  const QStringList& rowCells(int row) const;
  QStringList readRow(int row) const;

  TableObject* m_table;
  std::vector<TableGridColumn> m_columns;
  Follow m_follow;
  std::vector<uint32_t> m_recnos;
  std::vector<int> m_fieldOfColumn;  // -1 when the table lacks the field
  std::vector<bool> m_numeric;       // per column: right-aligned
  // Recently shown rows; cleared whenever it grows past a screenful or two.
  mutable QHash<int, QStringList> m_cache;
  // Rows with cells typed into the pending edit, shown as typed until the
  // next gathering (the file still holds the old values).
  QHash<int, QStringList> m_typed;
  bool m_editable = false;
  bool m_active = true;
  bool m_stale = true;
  bool m_reloadQueued = false;
  // A row that could not be read was reported (once per gathering).
  mutable bool m_failureTold = false;
};

}  // namespace qv
