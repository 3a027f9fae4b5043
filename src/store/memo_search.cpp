#include "store/memo_search.h"

#include "store/apollo.h"
#include "store/table_object.h"

namespace qv {

MemoSearchOutcome FindTextInMemo(TableObject& table, TApollo& apollo, const QString& text,
                                 bool fromStart, const std::function<bool()>& cancelled) {
  const QString wanted = text.left(kMemoSearchTextLength).toUpper();
  const int start = apollo.RecNo();
  table.clearFailure();
  bool moved = fromStart ? apollo.GoTop() : apollo.Skip(1);
  // A failed read leaves the table at its end, so the walk stops there;
  // a memo that cannot be read is a failure too, never a blank memo.
  bool stopped = false;
  while (moved && !apollo.Eof() && !table.failed()) {
    const QString memo = apollo.GetMemo(QStringLiteral("MEMO")).left(kMemoSearchMemoLength);
    if (table.failed()) break;
    if (memo.toUpper().contains(wanted)) return MemoSearchOutcome::Found;
    if (cancelled && cancelled()) {
      stopped = true;
      break;
    }
    moved = apollo.Skip(1);
  }
  if (table.failed()) return MemoSearchOutcome::Failed;
  if (start >= 1 && !apollo.Go(start)) return MemoSearchOutcome::Failed;
  return stopped ? MemoSearchOutcome::Cancelled : MemoSearchOutcome::NotFound;
}

}  // namespace qv
