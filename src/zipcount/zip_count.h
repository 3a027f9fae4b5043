// The ZIP code count: reads the contact records of the current selection in
// natural order, counts them per ZIP key, and builds the lines of the
// four-column count report. Valid keys are counted in ten first-digit
// buckets, other non-empty keys in a list of their own, empty ZIPs as
// "BLANK"; the report lists the buckets in key order, two empty lines, the
// other keys in key order, then the BLANK line.
//
// TZipCount is the counting of the "Count Zip Codes" dialog without the
// dialog: the window (or the command line) runs DoTheSort and forwards its
// Cancel button to CancelButtonClick from the host's processPendingEvents().
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <string_view>
#include <vector>

namespace qv {

class JobHost;
class TableObject;
class TApollo;

// A key is valid when it has at least 5 characters, lies between "00000"
// and "99999-999" as bytes and starts with a digit.
bool ZipKeyIsValid(std::string_view key);
// "#,##0": thousands separated by commas, no blanks.
QString FormatCount(int64_t count);
// "%-10.10s" of the key followed at once by the formatted count.
QString ZipReportLine(const QString& key, int64_t count);

// One counted key, in report order.
struct ZipTally {
  QString key;  // "BLANK" for the empty ZIPs
  int64_t count = 0;
  bool odd = false;  // not a valid key (or BLANK): after the two empty lines
};

// The report lines of `tallies` (valid ones first, then the odd ones after
// two empty lines).
QStringList ZipReportLines(const std::vector<ZipTally>& tallies);

// Writes "ZIP,Count" and one row per key to `path`; false with the reason
// in *error. Nothing is left behind on failure.
bool WriteZipCountCsv(const std::vector<ZipTally>& tallies, const QString& path, QString* error);

class TZipCount {
 public:
  // `table` is the contact table under the caller's selection; `apollo`
  // is bound to it.
  TZipCount(TableObject& table, TApollo& apollo, JobHost& host);

  // Counts and builds the report lines. True when it finished; false after
  // a cancel or when the file could not be read (the host was told why).
  // The table's order and record are put back either way.
  bool DoTheSort();
  // Asks "Cancel Count?"; Yes stops the counting at the next record.
  void CancelButtonClick();
  bool Done() const { return m_done; }
  bool Cancelled() const { return m_cancel; }
  bool Counting() const { return m_counting; }

  const QStringList& ReportLines() const { return m_lines; }
  const std::vector<ZipTally>& Tallies() const { return m_tallies; }
  int64_t RecordsRead() const { return m_records; }

 private:
  void SetStatusLabel(const QString& text);

  TableObject& m_table;
  TApollo& m_apollo;
  JobHost& m_host;
  bool m_cancel = false;
  bool m_counting = false;
  bool m_done = false;
  int64_t m_records = 0;
  QStringList m_lines;
  std::vector<ZipTally> m_tallies;
};

}  // namespace qv
