// The Browse page's grid model over the main contact table. Rows are read
// on demand: the model keeps only the record numbers of the visible
// records in the current order (four bytes a row, built in one pass when
// the rows are needed) and reads the few records a view paints straight
// from the table, without moving it. A million contacts cost a few
// megabytes and one pass, never the whole file in memory.
#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <vector>

namespace qv {

class TableObject;

struct BrowseColumn {
  const char* field;
  const char* title;
  bool hidden;
};

class BrowseModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // The columns in grid order, the hidden ones last.
  static const std::vector<BrowseColumn>& Columns();

  explicit BrowseModel(TableObject* table, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  // While active (the grid is on screen) a change of order, query or data
  // rebuilds the rows once control returns to the event loop; while not,
  // the rebuild waits for ensureFresh().
  void setActive(bool on);
  bool active() const { return m_active; }
  bool stale() const { return m_stale; }
  // Rebuilds the rows now if anything changed since the last build.
  void ensureFresh();
  // Rebuilds the rows now.
  void reload();
  // Shows every cell anew (the date format changed); the rows stay.
  void refreshCells();

  int recordOfRow(int row) const;
  // -1 when the record is not among the rows.
  int rowOfRecord(int recno) const;

 signals:
  // The rows were rebuilt (the view's current row needs setting again).
  void reloaded();

 private:
  void markStale();
  QStringList readRow(int row) const;

  TableObject* m_table;
  std::vector<uint32_t> m_rows;
  std::vector<int> m_fieldOfColumn;  // -1 when the table lacks the field
  bool m_active = false;
  bool m_stale = true;
  bool m_reloadQueued = false;
  // A row that could not be read was reported (once per build).
  mutable bool m_failureTold = false;
  // Recently painted rows; cleared whenever it grows past a screenful or two.
  mutable QHash<int, QStringList> m_cache;
};

}  // namespace qv
