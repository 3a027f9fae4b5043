// The bulk rewrites of contact records: capitals for chosen fields, search
// and replace in one field, and deletion (the deletion flag plus the
// deleted marker in PREFIX). Each walks the records the table's query lets
// through in record-number order, writes through the engine so every open
// order stays current, and restores the order it found. The caller sets
// the query that chooses the records and restores its own afterwards.
#pragma once

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "cleanup/progress.h"
#include "xbase/status.h"

namespace qv {

class TableObject;

// ---- capitals ----

// The eleven fields, caption and field name, in the window's order.
const std::vector<std::pair<QString, QString>>& UpperFields();
QString NoUpperFieldsMessage();  // "No fields checked for conversion"
// "Convert N records to capitals? This cannot be undone."
QString ConvertQuestion(int count);
QString ConvertedText(int count);  // "Converted N records"

// Converts the letters a to z of `fields` to capitals: on the current
// record only, or on every record the query lets through. *converted gets
// the number of records rewritten.
// REQUIRES: table open, not editing; with `currentOnly` on a record.
xb::Status ConvertToUpper(TableObject& table, const QStringList& fields, bool currentOnly,
                          const CleanupProgress& progress, int* converted);

// ---- search and replace ----

// Target fields, caption and field name, in the drop-down's order.
const std::vector<std::pair<QString, QString>>& ReplaceTargets();

enum class FindKind { Exact, Contains };

struct ReplaceOptions {
  QString field = QStringLiteral("LNAME");
  QString findValue;  // empty: the field is empty
  FindKind kind = FindKind::Exact;
  bool caseSensitive = true;
  bool replaceWhole = true;  // else only the matching text
  QString replaceValue;      // empty: delete
};

// The condition a record must meet, as an xBase expression. Exact
// equality compares the field without its trailing blanks, so it means what
// the user typed; any value can be searched for, quotes included.
// InvalidArgument for a value the file's code page cannot hold.
xb::Status ReplaceCondition(const ReplaceOptions& options, std::string* condition);

// The confirmation question; `caption` is the target's caption.
QString ReplaceQuestion(const ReplaceOptions& options, const QString& caption);

// Rewrites the matching records; records carrying the deletion flag are
// never touched. *replaced gets their number.
xb::Status SearchAndReplace(TableObject& table, const ReplaceOptions& options,
                            const CleanupProgress& progress, int* replaced);
QString ReplacedText(int count);  // "Replaced N records"

// ---- deletion and recall ----

// The number of records DeleteRecords would visit, for the question asked
// before: the query's records, already deleted ones included.
xb::Status CountRecordsToDelete(TableObject& table, int* count);
QString DeleteQuestion(int count);  // "Delete N records?"

// Gives every record the query lets through, already deleted ones
// included, the deleted marker and the deletion flag. *deleted counts
// every record visited.
xb::Status DeleteRecords(TableObject& table, const CleanupProgress& progress, int* deleted);
QString DeletedText(int count);  // "Deleted N records"
QString RebuildAdviceMessage();

// Takes the deletion flag and the deleted marker off every record the
// query lets through that carries either; other records stay as they are.
// *recalled counts the records given back.
xb::Status RecallRecords(TableObject& table, const CleanupProgress& progress, int* recalled);
QString RecalledText(int count);  // "Recalled N records"
// The query that selects record `recno` alone.
QString RecnoQuery(int recno);

}  // namespace qv
