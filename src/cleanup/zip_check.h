// The state and ZIP check: every record's STATE is looked up among the
// reference table's codes and its ZIP compared with that code's ranges;
// records that fit no range go into a work index that holds only the keys
// added to it and then serves as the result grid's order.
//
// A state may have several ranges (rows); a ZIP inside any one of them
// fits. The comparison is byte by byte on the stored text, so a ZIP+4 at
// the very top of a range ("14925-0001" against "14925") lies above it.
#pragma once

#include <QString>
#include <map>
#include <string>
#include <vector>

#include "cleanup/progress.h"
#include "xbase/status.h"

namespace xb {
class WorkArea;
struct Settings;
}  // namespace xb

namespace qv {

class TableObject;

struct ZipRange {
  std::string low, high;  // stored text without trailing blanks
};

// The reference rows by code: the code as the STATE tag holds it (capitals,
// no trailing blanks), its ranges in table order.
using StateZipRanges = std::map<std::string, std::vector<ZipRange>, std::less<>>;

QString StateZipTableName();   // "QVPSZCK.DBF"
QString ZipIndexFileName();    // "_chksz.idx"
QString StateZipOpenFailedMessage();

// Reads the reference table at `path`, opened exclusively.
xb::Status ReadStateZipTable(const std::string& path, const xb::Settings* settings,
                             StateZipRanges* out);

// Whether a record's STATE and ZIP (stored text, trailing blanks removed)
// fit the table. The code is looked up as stored, not in capitals: a
// lower-case code the table holds in capitals does not fit.
bool FitsStateZip(const StateZipRanges& ranges, std::string_view state, std::string_view zip);

struct ZipCheckOptions {
  bool includeBlanks = false;  // records with an empty STATE or ZIP are checked too
};

struct ZipCheckResult {
  int found = 0;
  bool cancelled = false;
};

// Checks the records the query lets through in record-number order,
// skipping those carrying the deletion flag, and leaves the work index at
// `indexPath` (replaced) as the current order, at the top.
xb::Status RunStateZipCheck(xb::WorkArea& area, const StateZipRanges& ranges,
                            const ZipCheckOptions& options, const std::string& indexPath,
                            const CleanupProgress& progress, ZipCheckResult* result);

// The same on the file open in `table`, whose views then follow.
xb::Status RunStateZipCheck(TableObject& table, const StateZipRanges& ranges,
                            const ZipCheckOptions& options, const std::string& indexPath,
                            const CleanupProgress& progress, ZipCheckResult* result);

QString ZipCountText(int found);

}  // namespace qv
