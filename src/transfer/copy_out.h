// Copying the selected contact records out, to a table of the contact
// file's own structure or to a comma-delimited text file.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <string>

#include "store/output_file.h"
#include "transfer/transfer.h"
#include "xbase/table.h"

namespace qv {

class TableObject;

// The records a copy takes: those without the deleted marker, narrowed by
// `filter` when it is given.
QString CopySelection(const QString& filter);

// Walks the selection of `contacts` in the order of `tag` (empty: natural
// order) and hands every record to `writer`, then finishes it. The
// table's query, order and record are restored afterwards. Stops at the
// first failure or when `progress` says so; *copied counts the records
// written. A cancelled copy keeps what it wrote; a failed one is not
// finished, so the writer leaves nothing under the target's name.
xb::Status CopyRecordsOut(TableObject& contacts, const QString& filter, const QString& tag,
                          RecordWriter& writer, const TransferProgress& progress,
                          std::int64_t* copied);

// A new table with the contact file's fields, without an index (the .CDX
// of an earlier output of that name is deleted), filled with the shown
// fields and the memo. It is made under a side name and renamed into
// place by finish(); a copy that is not finished leaves no table behind.
class DbfCopyWriter : public RecordWriter {
 public:
  ~DbfCopyWriter() override;
  // Creates `path` with the structure of `contacts`.
  xb::Status open(const QString& path, const TableObject& contacts);
  xb::Status write(const ContactValues& record) override;
  bool readsRecords() const override { return true; }
  xb::Status writeCurrent(xb::WorkArea& area) override;
  xb::Status finish() override;

 private:
  void discard();

  std::unique_ptr<xb::Table> m_table;
  QString m_target, m_side;  // the name asked for; the one written
  std::vector<std::pair<QString, int>> m_fields;  // field name, index
  int m_memo = -1;
  int m_date = -1;
  // The source field of each of m_fields, then of DATE and MEMO (-1:
  // none), learnt from the first record.
  std::vector<int> m_sources;
};

// One line per record: 16 quoted values, CR LF, in Windows-1252. The
// file takes its name only when finish() succeeds.
class AsciiCopyWriter : public RecordWriter {
 public:
  xb::Status open(const QString& path);
  xb::Status write(const ContactValues& record) override;
  bool readsRecords() const override { return true; }
  xb::Status writeCurrent(xb::WorkArea& area) override;
  xb::Status finish() override;

 private:
  xb::Status flush();
  std::unique_ptr<OutputFile> m_file;
  std::string m_buffer;
  // The table field of each of the 16 values (-1: none), learnt from the
  // first record.
  std::vector<int> m_columns;
};

// The 16 fields of a text copy, in their order.
const QStringList& AsciiCopyFields();

// What a chosen output name is worth.
enum class CopyNameCheck { Ok, NotDbf, ToItself, Exists };
CopyNameCheck CheckCopyName(const QString& name, bool toDbf, const QString& contactFile);
// The message for NotDbf and ToItself, the question for Exists.
QString CopyNameMessage(CopyNameCheck check, const QString& name);

QString CopyErrorMessage();          // "There was an error copying"
QString NothingToCopyMessage();      // "No active records for current filter. Nothing to copy"
QString CopiedMessage(std::int64_t count);  // "Copied N records"

}  // namespace qv
