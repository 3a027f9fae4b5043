// Moving contact records in and out of the contact file. Every import form
// (fixed-column text, another DBF table, CSV with a header line, vCard)
// turns its input into rows of (target, value) pairs; one loop posts them.
// Every export form walks the same selection and hands each record to a
// writer. No widgets: the windows and the command line both call these.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "xbase/status.h"

namespace qv {

class TableObject;
}  // namespace qv
namespace xb {
class WorkArea;
}  // namespace xb
namespace qv {

// The contact fields an import can fill, in the order of the text import's
// field buttons (Date is offered by the DBF import only).
enum class ContactTarget {
  First, Last, Middle, Title, Organization, Street, City, State, Zip, Country,
  Phone, Fax, EMail, Codes, Prefix, Memo, Date,
};

struct TargetInfo {
  ContactTarget target;
  QString caption;  // "Zip/Post Code"
  QString field;    // "ZIP"
};

// All seventeen, in the enum's order.
const std::vector<TargetInfo>& ContactTargets();
const TargetInfo& TargetInfoOf(ContactTarget target);
// Letter case ignored; nothing for "(none)" or an unknown caption.
std::optional<ContactTarget> TargetFromCaption(const QString& caption);

// One record to append. Values are stored as given: no trimming, no change
// of case; an empty value leaves its field empty. Memo values are appended
// to the memo as lines in their order; a Date value is the date's text in
// the date format in force.
struct ImportRow {
  std::vector<std::pair<ContactTarget, QString>> values;
  // A memo copied from another table replaces the memo text as it is
  // instead of adding lines to it.
  bool memoReplaces = false;
};

// Where the rows come from. next() answers false at the end, or on a fault
// with *error set (the import then stops and says so).
class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual bool next(ImportRow* row, QString* error) = 0;
  // How many rows to expect, for the gauge; 0 when unknown.
  virtual std::int64_t expected() const = 0;
  // What the user must hear about the input once the rows are read: parts
  // passed over or repaired, one line each.
  virtual QStringList notices() const { return {}; }
};

// Called after every few records and once at the end; false stops the run
// after the current record.
using TransferProgress = std::function<bool(int percent, std::int64_t count)>;

// One contact record as an export sees it: the text of every field, MEMO
// included, by field name ("LNAME" -> "Smith").
struct ContactValues {
  std::vector<std::pair<QString, QString>> fields;
  QString value(const QString& field) const;
};

// Where the records of an export go.
class RecordWriter {
 public:
  virtual ~RecordWriter() = default;
  virtual xb::Status write(const ContactValues& record) = 0;
  // A writer that reads the current record of `area` itself, faster than
  // through ContactValues, says so here and takes each record by
  // writeCurrent instead of write.
  virtual bool readsRecords() const { return false; }
  virtual xb::Status writeCurrent(xb::WorkArea& area);
  // Flushes and closes; an export is complete only when this succeeds.
  virtual xb::Status finish() = 0;
};

}  // namespace qv
