// The duplicate check: walks the contact file in name or street order,
// compares each record with the one before it and puts every record of a
// matching pair into a work index that holds only the keys added to it.
// That index then serves as the order of the result grid, so the grid shows
// the suspected duplicates side by side and nothing else, and edits made
// in it go straight into the contact file.
//
// A fourth kind, "Similar name and address", pairs records that a plain
// comparison misses: last names that sound alike, the same first initial,
// street lines that agree once spelled the postal way, in one 5-digit ZIP.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "cleanup/progress.h"
#include "xbase/status.h"

namespace xb {
class WorkArea;
}

namespace qv {

class TableObject;

// The radio group's order; stored nowhere.
enum class DupKind { LastFirst = 0, LastInitial = 1, Street = 2, Similar = 3 };

constexpr int kMaxStreetChars = 30;

struct DupCheckOptions {
  DupKind kind = DupKind::LastFirst;
  int streetChars = kMaxStreetChars;  // 1 to 30, street check only
};

struct DupCheckResult {
  int found = 0;  // matching pairs of neighbours
  bool cancelled = false;
};

// The file name of the work index, in the program directory.
QString DupIndexFileName();
// The work index's key expression for a kind.
std::string DupIndexExpression(DupKind kind);

// Runs the check over the records the query lets through, skipping those
// carrying the deletion flag. Creates the work index at `indexPath`
// (replacing it) and leaves it as the current order, at the top.
// REQUIRES: `area` holds a contact file with its tags.
xb::Status RunDupCheck(xb::WorkArea& area, const DupCheckOptions& options,
                       const std::string& indexPath, const CleanupProgress& progress,
                       DupCheckResult* result);

// The same on the file open in `table`, whose views then follow.
xb::Status RunDupCheck(TableObject& table, const DupCheckOptions& options,
                       const std::string& indexPath, const CleanupProgress& progress,
                       DupCheckResult* result);

// One line per record the current order shows, in its order (after a
// check, the work index's): the record number and `fields` as the grid
// shows them, tab-separated, in UTF-8, each ended by '\n'. The records are
// read in record order, in runs; the lines go to `write` a large piece at
// a time, whose failure ends the listing.
xb::Status WriteListed(TableObject& table, std::initializer_list<const char*> fields,
                       const std::function<xb::Status(const std::string&)>& write);

// The text below the grid.
QString DupCountText(int found);

}  // namespace qv
