#include "store/table_grid_model.h"

#include <QTimer>
#include <algorithm>
#include <string>

#include "store/messages.h"
#include "store/table_object.h"

namespace qv {

namespace {
constexpr int kCacheRows = 512;
}  // namespace

TableGridModel::TableGridModel(TableObject* table, std::vector<TableGridColumn> columns,
                               QObject* parent, Follow follow)
    : QAbstractTableModel(parent), m_table(table), m_columns(std::move(columns)), m_follow(follow) {
  connect(m_table, &TableObject::layoutChanged, this, &TableGridModel::markStale);
  connect(m_table, &TableObject::afterPost, this, &TableGridModel::markStale);
  m_numeric.assign(m_columns.size(), false);
  if (m_follow == Follow::Immediately) {
    reload();
  } else {
    m_active = false;
  }
}

int TableGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_recnos.size());
}

int TableGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant TableGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) {
    return QVariant();
  }
  if (role == Qt::DisplayRole || role == Qt::EditRole) return cell(index.row(), index.column());
  if (role == Qt::TextAlignmentRole && m_numeric[index.column()]) {
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  }
  return QVariant();
}

QVariant TableGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return QVariant();
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return QVariant();
  return m_columns[section].title;
}

Qt::ItemFlags TableGridModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  if (m_editable && index.isValid()) f |= Qt::ItemIsEditable;
  return f;
}

bool TableGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!m_editable || role != Qt::EditRole || !index.isValid() || index.row() >= rowCount() ||
      index.column() >= columnCount()) {
    return false;
  }
  const int recno = recordOfRow(index.row());
  if (m_table->recNo() != recno) {
    // A change of row ends the edit of the row before, as a grid does.
    if (m_table->state() != TableObject::State::Browse && !m_table->post()) return false;
    const int rowNow = rowOfRecord(recno);
    if (rowNow < 0 || !moveToRow(rowNow)) return false;
  }
  if (m_table->state() == TableObject::State::Browse) m_table->edit();
  const QString text = value.toString();
  if (!m_table->setFieldText(m_columns[index.column()].field, text)) return false;
  const int rowNow = rowOfRecord(recno);
  if (rowNow < 0) return true;
  QStringList cells = rowCells(rowNow);
  cells[index.column()] = text;
  m_typed.insert(rowNow, cells);
  const QModelIndex changed = this->index(rowNow, index.column());
  emit dataChanged(changed, changed);
  return true;
}

void TableGridModel::setActive(bool on) {
  m_active = on;
  if (on) ensureFresh();
}

void TableGridModel::ensureFresh() {
  if (m_stale) reload();
}

void TableGridModel::reload() {
  QString failure;
  beginResetModel();
  m_recnos.clear();
  m_cache.clear();
  m_typed.clear();
  m_fieldOfColumn.assign(m_columns.size(), -1);
  m_numeric.assign(m_columns.size(), false);
  if (xb::WorkArea* area = m_table->area()) {
    const xb::Table& table = area->table();
    for (size_t c = 0; c < m_columns.size(); ++c) {
      const int f = table.FieldIndex(m_columns[c].field.toStdString());
      m_fieldOfColumn[c] = f;
      if (f >= 0) {
        const char type = table.fields()[f].type;
        m_numeric[c] = type == 'N' || type == 'F' || type == 'I' || type == 'Y' || type == 'B';
      }
    }
    // On a read failure the grid shows what was gathered and says why.
    if (!m_table->noteFailure(area->VisibleRecnos(&m_recnos))) failure = m_table->failureMessage();
  }
  m_failureTold = false;
  m_stale = false;
  endResetModel();
  if (!failure.isEmpty()) Messages().information(failure);
  emit reloaded();
}

void TableGridModel::refreshCells() {
  m_cache.clear();
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void TableGridModel::markStale() {
  m_stale = true;
  m_cache.clear();
  if (m_follow == Follow::Immediately) {
    reload();
    return;
  }
  if (!m_active || m_reloadQueued) return;
  // Several changes in one step (post, then the views' refresh) make one
  // rebuild.
  m_reloadQueued = true;
  QTimer::singleShot(0, this, [this] {
    m_reloadQueued = false;
    if (m_active) ensureFresh();
  });
}

const QStringList& TableGridModel::rowCells(int row) const {
  auto typed = m_typed.constFind(row);
  if (typed != m_typed.constEnd()) return *typed;
  auto it = m_cache.constFind(row);
  if (it == m_cache.constEnd()) {
    if (m_cache.size() >= kCacheRows) m_cache.clear();
    it = m_cache.insert(row, readRow(row));
  }
  return *it;
}

QStringList TableGridModel::readRow(int row) const {
  QStringList cells;
  xb::WorkArea* area = m_table->area();
  if (area == nullptr) return cells;
  xb::Table& table = area->table();
  std::string buf;
  // A record gone since the last gathering (a pack) shows as an empty row;
  // one that cannot be read is damage, told once, after the paint.
  const xb::Status s = table.ReadRecord(m_recnos[row], &buf);
  if (!s.ok() && !s.IsNotFound()) {
    m_table->noteFailure(s);
    if (!m_failureTold) {
      m_failureTold = true;
      QTimer::singleShot(0, m_table, [table = m_table] {
        if (table->failed()) Messages().information(table->failureMessage());
      });
    }
  }
  if (!s.ok() || buf.size() < table.record_length()) return cells;
  const auto& fields = table.fields();
  for (int f : m_fieldOfColumn) {
    if (f < 0) {
      cells << QString();
      continue;
    }
    const xb::FieldInfo& info = fields[f];
    // Memo text stays in the memo file: a memo column shows its pointer.
    cells << FieldValueText(info, std::string_view(buf.data() + info.offset, info.width));
  }
  return cells;
}

int TableGridModel::recordOfRow(int row) const {
  return row >= 0 && row < rowCount() ? static_cast<int>(m_recnos[row]) : 0;
}

int TableGridModel::rowOfRecord(int recno) const {
  if (recno <= 0) return -1;
  auto it = std::find(m_recnos.begin(), m_recnos.end(), static_cast<uint32_t>(recno));
  return it == m_recnos.end() ? -1 : static_cast<int>(it - m_recnos.begin());
}

QString TableGridModel::cell(int row, int column) const {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return QString();
  return rowCells(row).value(column);
}

int TableGridModel::columnOfField(const QString& field) const {
  for (size_t c = 0; c < m_columns.size(); ++c) {
    if (m_columns[c].field.compare(field, Qt::CaseInsensitive) == 0) return static_cast<int>(c);
  }
  return -1;
}

int TableGridModel::findRow(int column, const QString& text) const {
  if (column < 0 || column >= columnCount()) return -1;
  for (int row = 0; row < rowCount(); ++row) {
    if (cell(row, column).contains(text, Qt::CaseInsensitive)) return row;
  }
  return -1;
}

bool TableGridModel::moveToRow(int row) {
  xb::WorkArea* area = m_table->area();
  if (area == nullptr || row < 0 || row >= rowCount()) return false;
  if (m_table->state() != TableObject::State::Browse) m_table->cancel();
  // Straight to the record and a refresh: the table reports a new current
  // record only, so the rows need no reload.
  if (!m_table->noteFailure(area->Go(m_recnos[row])) || !m_table->refresh()) {
    Messages().information(m_table->failureMessage());
    return false;
  }
  return true;
}

}  // namespace qv
