// The memo search of the main window without the window: walks the contact
// table from the top or from the record after the current one to the first
// record whose memo holds a text, ignoring letter case.
#pragma once

#include <QString>
#include <functional>

namespace qv {

class TApollo;
class TableObject;

enum class MemoSearchOutcome {
  Found,     // the table stands on the record
  NotFound,  // the walk reached the end; the table is back where it was
  Cancelled,  // as NotFound, before the end
  Failed,    // the contact file failed under the walk (TableObject::failure)
};

// Only the first 255 characters of the wanted text and the first 32767 of
// each memo take part, as in the program's first versions.
constexpr int kMemoSearchTextLength = 255;
constexpr int kMemoSearchMemoLength = 32767;

// REQUIRES: `apollo` bound to the open `table`. `cancelled` is asked after
// every record that does not match (the window serves its events there).
[[nodiscard]] MemoSearchOutcome FindTextInMemo(TableObject& table, TApollo& apollo, const QString& text,
                                 bool fromStart, const std::function<bool()>& cancelled);

}  // namespace qv
