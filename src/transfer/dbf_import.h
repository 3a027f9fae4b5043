// Importing another DBF table: its field list, the proposal of which of its
// fields go into which contact fields (by their names), the match grid the
// window shows, and the rows its records give.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "transfer/transfer.h"

namespace qv {

class TableObject;

struct DbfSourceField {
  QChar type;      // first letter of the field type: C N L D M G ...
  QString name;    // upper case
  int width = 0;
  QString target;  // a match label ("Zip/Post Code"), empty when unmatched
};

// The match grid has one row per contact field, in this order.
inline constexpr int kDbfMatchRows = 17;
const QStringList& DbfMatchLabels();
// The field types a row offers: "M" for Memo, "D" for Date, else C, N, L.
QString AllowedTypes(const QString& label);

// Opens `fileName` read-only into `source`, which is then on its first
// record. False with the message for the user when it cannot be opened or
// holds no records.
bool OpenDbfSource(const QString& fileName, TableObject& source, QString* message);
// Fields of a type the engine does not know are left out; `leftOut`, when
// given, gets one sentence naming them (empty when none).
std::vector<DbfSourceField> ReadSourceFields(const TableObject& source,
                                             QString* leftOut = nullptr);

// The target proposed for a field by its name and type, or empty; `exact`
// (may be null) says whether the whole name gave it, which wins over a
// word inside a name.
QString AutoTarget(const DbfSourceField& field, bool* exact = nullptr);

// The 17 cells of the grid's second column for `fields`: for each row the
// first field whose target is its label. Until the match has once been
// saved (`matched` false), every field first gets its proposed target in
// `fields`; of fields with the same target, one named exactly takes the
// row, else the first.
QStringList OpenMatchGrid(std::vector<DbfSourceField>* fields, bool matched);
// Save: every field's target becomes the label of the row naming it
// exactly (a later row wins), or empty. True when any field got one.
bool SaveMatchGrid(const QStringList& grid, std::vector<DbfSourceField>* fields);
// The choices of "Select Field" for `row`: "(None)" first, then the fields
// of an allowed type in field order.
QStringList SelectableFields(const std::vector<DbfSourceField>& fields, int row);
// Writes `name` into `row` after taking it out of every other row, so a
// field stands in at most one row; "(None)" or empty clears the row.
void SelectFieldInRow(QStringList* grid, int row, const QString& name);
void ClearGridRow(QStringList* grid, int row);
void ClearGrid(QStringList* grid);

// The rows of an open source table, from its first record to its end.
class DbfRowSource : public RowSource {
 public:
  DbfRowSource(TableObject& source, std::vector<DbfSourceField> fields);
  bool next(ImportRow* row, QString* error) override;
  std::int64_t expected() const override;

 private:
  TableObject& m_source;
  std::vector<std::pair<QString, ContactTarget>> m_matched;  // field name, target
  std::vector<bool> m_memo;
  std::vector<bool> m_dateOfStamp;  // a date-time field going to the Date
  bool m_started = false;
};

QString UnableToOpenSourceMessage(const QString& fileName);
QString NoRecordsMessage(const QString& fileName);

}  // namespace qv
