// The bulk-mail presort: counts the selected contact records by ZIP key,
// arranges the keys into 5-digit, 3-digit and ADC groups and a remainder,
// and writes the result as PRESORT.PSL in the program directory for the
// label printer. Byte layout of the file: docs/formats/presort-psl.md.
//
// TSortBulkMail is the presort job of the "Bulk Mail Presorting" window
// without the window: the window (or the command line) runs DoTheSort and
// forwards its Cancel button to CancelButtonClick from the host's
// processPendingEvents().
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class JobHost;
class TableObject;
class TApollo;

// The presort file of a program directory ("PRESORT.PSL").
QString PresortFilePath(const QString& programDirectory);

// Pieces counted for one ZIP key.
struct TallyRecord {
  int32_t count = 0;
};
TallyRecord MakeTallyRecord(int count);

// Keys (bytes of the file's code page) and their counts, ascending by key;
// one bucket per first digit.
using ZipBucket = std::map<std::string, TallyRecord>;
using ZipBuckets = std::array<ZipBucket, 10>;
// Lines of the presort list: header lines ("** ...") and ZIP keys.
using ZipList = std::vector<std::string>;

// A group needs this many pieces.
constexpr int kPresortGroupMinimum = 10;

// The key of a ZIP field: its first five characters, trailing blanks of
// the field dropped.
std::string PresortKey(std::string_view zipField);
// Whether a key is counted: between "00000" and "99999-999" as bytes and
// starting with a digit.
bool PresortKeyCounts(std::string_view key);
// Adds one piece under `key`. REQUIRES: PresortKeyCounts(key).
void TallyZipKey(ZipBuckets& buckets, const std::string& key);

// Moves the keys of `source` whose first three characters occur in
// `prefixes` to `destination`, under one "** ADC " + name header written
// before the first of them.
void ExtractADC(const char* name, const char* prefixes, ZipList& source, ZipList& destination);
// ExtractADC for every row of the ADC table, in table order.
void FillADCList(ZipList& source, ZipList& destination);
// The key a foreign address is listed under: its postal code's first five
// characters in capitals (the ZIP tag's key is in capitals); empty when it
// has no postal code.
std::string ForeignPresortKey(std::string_view zipField);
// The 5-digit, 3-digit, ADC and remainder passes: the lines of PRESORT.PSL.
// Foreign addresses (keys in `foreign`) are grouped by no US ZIP: their
// keys join the remainder under "** Unknown", each key once.
ZipList PresortLines(ZipBuckets buckets, const std::set<std::string>& foreign = {});
// The header of the remainder group.
inline constexpr char kUnknownPresortHeader[] = "** Unknown";

class TSortBulkMail {
 public:
  // `table` is the contact table under the caller's selection; `apollo`
  // is bound to it.
  TSortBulkMail(TableObject& table, TApollo& apollo, JobHost& host,
                const QString& programDirectory);

  static QString Caption() { return QStringLiteral("Bulk Mail Presorting"); }

  // The whole presort. True when it finished and PRESORT.PSL was written;
  // false after a cancel (nothing written), when the contact file failed
  // under the count (the table object keeps the failure) or when the file
  // could not be written; the host was told why, and any earlier
  // PRESORT.PSL stays as it was.
  bool DoTheSort();
  // Asks "Cancel PRESORT?"; Yes stops the counting at the next record.
  void CancelButtonClick();
  bool Done() const { return m_done; }
  bool Cancelled() const { return m_cancel; }
  // Records counted by the last run.
  int64_t PiecesCounted() const { return m_pieces; }

 private:
  void SetLabel1(const QString& text);

  TableObject& m_table;
  TApollo& m_apollo;
  JobHost& m_host;
  QString m_directory;
  bool m_cancel = false;
  bool m_done = false;
  int64_t m_pieces = 0;
};

}  // namespace qv
