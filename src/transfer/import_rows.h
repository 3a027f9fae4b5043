// The loop every import runs: append a contact record per row, store its
// values, post it. The contact file's index is dropped first and its tags
// rebuilt at the end, also after a cancel or a failure, which is far faster
// than keeping 21 tags current record by record.
#pragma once

#include <QString>
#include <cstdint>

#include "transfer/transfer.h"
#include "xbase/status.h"
#include "xbase/table.h"

namespace qv {

class TableObject;

struct ImportResult {
  std::int64_t posted = 0;  // records appended and written
  bool cancelled = false;
  // Each character the contact file's code page cannot hold, once, in the
  // order met; such characters are stored as '?'.
  QString unstorable;
  std::int64_t valuesWithUnstorable = 0;
  // Date values that are no date in the format in force; stored empty.
  std::int64_t badDates = 0;
  QString firstBadDate;
  // Values longer than their field: cut in the field, kept whole as a line
  // of the record's memo ("EMAIL: ...").
  std::int64_t cutValues = 0;
  QString firstCutField;
  std::int64_t firstCutRecord = 0;
  int firstCutLength = 0;
  int firstCutWidth = 0;
};

// REQUIRES: `destination` open exclusively on a contact file, not editing.
// Posts the rows of `source` until its end, a cancel from `progress` or the
// first failure (a source fault comes back as Corruption with the source's
// words); result->posted counts the records written before it. Then
// rebuilds the 21 tags; its failure is returned when the loop succeeded.
// `rebuildProgress` (may be null) sees the rebuild's percentage.
xb::Status ImportRows(TableObject& destination, RowSource& source,
                      const TransferProgress& progress, ImportResult* result,
                      const xb::ProgressFn& rebuildProgress = nullptr);

// "Import complete. Imported N records."
QString ImportCompleteMessage(std::int64_t count);
// "Import cancelled after importing N records."
QString ImportCancelledMessage(std::int64_t count);
// The notice about characters stored as '?', empty when there were none.
QString UnstorableMessage(const ImportResult& result);
// The notice about dates stored empty, empty when there were none.
QString BadDateMessage(const ImportResult& result);
// The notice about values cut to their field, empty when there were none.
QString CutValuesMessage(const ImportResult& result);
// Everything the user hears after an import besides its count: what the
// source passed over, then the result's notices; one entry each.
QStringList ImportNotices(const ImportResult& result, const RowSource& source);

}  // namespace qv
