#include "store/table_grid_model.h"

#include <algorithm>
#include <string>

#include "store/messages.h"
#include "store/table_object.h"

namespace qv {

TableGridModel::TableGridModel(TableObject* table, std::vector<TableGridColumn> columns,
                               QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_columns(std::move(columns)) {
  connect(m_table, &TableObject::layoutChanged, this, &TableGridModel::reload);
  connect(m_table, &TableObject::afterPost, this, &TableGridModel::reload);
  reload();
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
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return QVariant();
  if (section < 0 || section >= columnCount()) return QVariant();
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
  const int row = index.row();
  const int recno = m_recnos[row];
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
  m_cells[rowNow][index.column()] = text;
  const QModelIndex changed = this->index(rowNow, index.column());
  emit dataChanged(changed, changed);
  return true;
}

void TableGridModel::reload() {
  QString failure;
  beginResetModel();
  m_recnos.clear();
  m_cells.clear();
  m_numeric.assign(m_columns.size(), false);
  if (xb::WorkArea* area = m_table->area()) {
    xb::Table& table = area->table();
    std::vector<int> fieldOfColumn;
    for (size_t c = 0; c < m_columns.size(); ++c) {
      const int f = table.FieldIndex(m_columns[c].field.toStdString());
      fieldOfColumn.push_back(f);
      if (f >= 0) {
        const char type = table.fields()[f].type;
        m_numeric[c] = type == 'N' || type == 'F' || type == 'I' || type == 'Y' || type == 'B';
      }
    }
    std::vector<uint32_t> recnos;
    // On a read failure the grid shows the rows read before it and says why.
    xb::Status s = area->VisibleRecnos(&recnos);
    std::string buf;
    for (uint32_t recno : recnos) {
      if (!s.ok()) break;
      s = table.ReadRecord(recno, &buf);
      if (!s.ok()) break;
      if (buf.size() < table.record_length()) continue;
      QStringList cells;
      for (int f : fieldOfColumn) {
        if (f < 0) {
          cells << QString();
          continue;
        }
        const xb::FieldInfo& info = table.fields()[f];
        cells << FieldValueText(info, std::string_view(buf.data() + info.offset, info.width));
      }
      m_recnos.push_back(static_cast<int>(recno));
      m_cells.push_back(std::move(cells));
    }
    if (!m_table->noteFailure(s)) failure = m_table->failureMessage();
  }
  endResetModel();
  if (!failure.isEmpty()) Messages().information(failure);
}

int TableGridModel::recordOfRow(int row) const {
  return row >= 0 && row < rowCount() ? m_recnos[row] : 0;
}

int TableGridModel::rowOfRecord(int recno) const {
  if (recno <= 0) return -1;
  auto it = std::find(m_recnos.begin(), m_recnos.end(), recno);
  return it == m_recnos.end() ? -1 : static_cast<int>(it - m_recnos.begin());
}

QString TableGridModel::cell(int row, int column) const {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return QString();
  return m_cells[row].value(column);
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
    if (m_cells[row].value(column).contains(text, Qt::CaseInsensitive)) return row;
  }
  return -1;
}

bool TableGridModel::moveToRow(int row) {
  xb::WorkArea* area = m_table->area();
  if (area == nullptr || row < 0 || row >= rowCount()) return false;
  if (m_table->state() != TableObject::State::Browse) m_table->cancel();
  // Straight to the record and a refresh: the table reports a new current
  // record only, so the rows need no reload.
  if (!m_table->noteFailure(area->Go(static_cast<uint32_t>(m_recnos[row]))) ||
      !m_table->refresh()) {
    Messages().information(m_table->failureMessage());
    return false;
  }
  return true;
}

}  // namespace qv
