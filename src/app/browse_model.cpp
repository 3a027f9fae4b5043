#include "app/browse_model.h"

#include <QTimer>
#include <algorithm>
#include <string>

#include "store/messages.h"
#include "store/table_object.h"

namespace qv {

namespace {
constexpr int kCacheRows = 512;
}  // namespace

const std::vector<BrowseColumn>& BrowseModel::Columns() {
  static const std::vector<BrowseColumn> columns = {
      {"LNAME", "Last Name", false},
      {"FNAME", "First Name", false},
      {"MIDDLE", "Middle", false},
      {"ORG", "Organization", false},
      {"CITY", "City", false},
      {"ZIP", "Zip/Postal Code", false},
      {"STREET", "Street Address", false},
      {"PREFIX", "PREFIX", false},
      {"STATE", "State", false},
      {"TITLE", "Title", false},
      {"COUNTRY", "Country", false},
      {"PHONE", "Phone", false},
      {"NOTES", "Codes", false},
      {"EMAIL", "Email", false},
      {"FAX", "Fax", false},
      {"DATE", "DATE", false},
      {"CARRIER", "CARRIER", true},
      {"MEMO", "MEMO", true},
      {"SEQNO", "SEQNO", true},
  };
  return columns;
}

BrowseModel::BrowseModel(TableObject* table, QObject* parent)
    : QAbstractTableModel(parent), m_table(table) {
  connect(m_table, &TableObject::layoutChanged, this, &BrowseModel::markStale);
  connect(m_table, &TableObject::afterPost, this, &BrowseModel::markStale);
}

int BrowseModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int BrowseModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(Columns().size());
}

QVariant BrowseModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return QVariant();
  if (orientation == Qt::Vertical) return section + 1;
  if (section < 0 || section >= columnCount()) return QVariant();
  return QString::fromLatin1(Columns()[section].title);
}

QVariant BrowseModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return QVariant();
  auto it = m_cache.constFind(index.row());
  if (it == m_cache.constEnd()) {
    if (m_cache.size() >= kCacheRows) m_cache.clear();
    it = m_cache.insert(index.row(), readRow(index.row()));
  }
  return index.column() < it->size() ? it->at(index.column()) : QString();
}

QStringList BrowseModel::readRow(int row) const {
  QStringList cells;
  xb::WorkArea* area = m_table->area();
  if (area == nullptr) return cells;
  xb::Table& table = area->table();
  std::string buf;
  // A record gone since the last build (a pack) shows as an empty row; one
  // that cannot be read is damage, told once, after the paint.
  const xb::Status s = table.ReadRecord(m_rows[row], &buf);
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
    std::string_view raw(buf.data() + info.offset, info.width);
    // Memo text stays in the memo file: the column is hidden.
    cells << FieldValueText(info, raw);
  }
  return cells;
}

void BrowseModel::setActive(bool on) {
  m_active = on;
  if (on) ensureFresh();
}

void BrowseModel::ensureFresh() {
  if (m_stale) reload();
}

void BrowseModel::reload() {
  beginResetModel();
  m_rows.clear();
  m_cache.clear();
  m_fieldOfColumn.clear();
  if (xb::WorkArea* area = m_table->area()) {
    for (const BrowseColumn& c : Columns()) {
      m_fieldOfColumn.push_back(area->table().FieldIndex(c.field));
    }
    // On a read failure the grid shows what was gathered and says why.
    if (!m_table->noteFailure(area->VisibleRecnos(&m_rows))) {
      Messages().information(m_table->failureMessage());
    }
  }
  m_failureTold = false;
  m_stale = false;
  endResetModel();
  emit reloaded();
}

void BrowseModel::refreshCells() {
  m_cache.clear();
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void BrowseModel::markStale() {
  m_stale = true;
  m_cache.clear();
  if (!m_active || m_reloadQueued) return;
  // Several changes in one step (post, then the views' refresh) make one
  // rebuild.
  m_reloadQueued = true;
  QTimer::singleShot(0, this, [this] {
    m_reloadQueued = false;
    if (m_active) ensureFresh();
  });
}

int BrowseModel::recordOfRow(int row) const {
  return row >= 0 && row < rowCount() ? static_cast<int>(m_rows[row]) : 0;
}

int BrowseModel::rowOfRecord(int recno) const {
  if (recno <= 0) return -1;
  auto it = std::find(m_rows.begin(), m_rows.end(), static_cast<uint32_t>(recno));
  return it == m_rows.end() ? -1 : static_cast<int>(it - m_rows.begin());
}

}  // namespace qv
