// The table object: a dataset over one DBF with its production index, a
// current record, a state (browse, edit, insert), events, and field values
// read and written as text by field name. Bound views (edit boxes, the
// grid) listen to its signals.
//
// Text conversion happens here: files hold Windows-1252, the screens Qt
// strings. A value the file cannot hold is refused when posting, with a
// message, and the record stays in edit with the user's input.
#pragma once

#include <QDate>
#include <QHash>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "xbase/expr.h"
#include "xbase/index_check.h"
#include "xbase/workarea.h"

namespace qv {

// An engine failure in the user's words: DamagedFileMessage, or for a bad
// argument (a condition that does not compile or fails on a record) the
// engine's own text; "" for success.
QString FailureMessage(const xb::Status& status);

class TApolloEnv;

// The text a screen shows for a field's stored bytes: character fields
// without trailing blanks, dates in the short date format, numbers and
// logicals trimmed. Memo and binary fields give "" (their text lives in
// the memo file; TableObject::fieldText reads it).
QString FieldValueText(const xb::FieldInfo& field, std::string_view raw);

class TableObject : public QObject {
  Q_OBJECT

 public:
  enum class State { Inactive, Browse, Edit, Insert };

  explicit TableObject(TApolloEnv* env, QObject* parent = nullptr);
  ~TableObject() override;

  // Where the table is: directory (with or without a trailing '/'), file
  // name and the tag to order by (empty: natural order).
  void setDatabaseName(const QString& directory) { m_databaseName = directory; }
  void setTableName(const QString& name) { m_tableName = name; }
  void setIndexName(const QString& tag) { m_indexName = tag; }
  void setExclusive(bool on) { m_exclusive = on; }
  void setReadOnly(bool on) { m_readOnly = on; }
  // Off for a table that is no contact file (a DBF to import from): its
  // failures are not told as the contact file's, nor sent to Rebuild
  // Indexes, which would not help.
  void setContactFile(bool on) { m_contactFile = on; }
  QString databaseName() const { return m_databaseName; }
  QString tableName() const { return m_tableName; }
  QString indexName() const { return m_indexName; }
  QString fullPath() const;

  // Opens the table in the order of indexName(); false with the reason in
  // *error (the caller words the message) and the engine's status kept
  // (failure()). Stands on the first visible record. A tag asked of an
  // index that cannot be used fails with the index's own problem.
  [[nodiscard]] bool open(QString* error = nullptr);
  // Cancels a pending edit and closes; false when writing the last change
  // failed (failure() says why).
  [[nodiscard]] bool close();
  bool active() const { return m_area != nullptr; }
  State state() const { return m_state; }
  // The engine's view of the table; null while closed. For the store layer
  // and tests; jobs go through runOnEngine, which keeps the views in step.
  xb::WorkArea* area() const { return m_area.get(); }
  TApolloEnv* env() const { return m_env; }
  // Why the production index is unusable, or empty.
  QString indexProblem() const;
  // The production index file ("" while closed) and its number of tags.
  QString productionIndexPath() const;
  int tagCount() const;
  // A full check of every tag of the index file at `indexPath` against the
  // records, one result a tag in file order; an error only when the file as
  // a whole cannot be read.
  // REQUIRES: no unwritten change to that index; closed by this table, as
  // the check opens the file itself.
  [[nodiscard]] xb::Status checkIndex(const QString& indexPath,
                                      std::vector<xb::TagCheck>* tags) const;
  // What checkIndex finds wrong, one line a tag; empty when the index is
  // sound or missing.
  QString indexDamage(const QString& indexPath) const;
  // Builds a new production index holding the one tag `tag` on `keyExpr`
  // and puts it in place of the old one once whole; natural order after.
  // REQUIRES: open exclusively for writing.
  [[nodiscard]] xb::Status rebuildIndex(const QString& tag, const QString& keyExpr);

  // ---- fields ----
  int fieldCount() const;
  QString fieldName(int index) const;         // from 0
  int fieldIndex(const QString& name) const;  // -1 when absent
  int fieldWidth(const QString& name) const;  // 0 when absent
  // The field's text: character fields without trailing blanks, dates in
  // the program's short date format, numbers and logicals as stored,
  // trimmed, memos as their text. "" for an unknown field, and for a memo
  // that cannot be read, whose failure is kept (failed()).
  QString fieldText(const QString& name) const;
  // REQUIRES: edit or insert state. Character fields are cut to their
  // width; a date field takes the short date format (blanks and separators
  // only: empty date) and returns false for text that is not a date.
  [[nodiscard]] bool setFieldText(const QString& name, const QString& text);
  // The stored value of field `index` (from 0) of the current record as the
  // engine reads it, a memo's text included; a pending edit is not seen.
  // A value that cannot be read is its failure, also kept (failed()).
  [[nodiscard]] xb::Status fieldValue(int index, xb::Value* value) const;
  // The stored bytes of field `index` (from 0) of the current record, as
  // the file holds them: no decoding, a memo's block number for a memo; a
  // pending edit is not seen. Cannot fail (the record is read by the move
  // that reached it); "" past the end, for an unknown field and while
  // closed. Valid until the next move.
  std::string_view fieldBytes(int index) const;
  // The fields as the file describes them; empty while closed.
  const std::vector<xb::FieldInfo>& fieldInfos() const;
  QDate fieldDate(const QString& name) const;  // invalid when empty
  // A date on or before 30 Dec 1899 writes an empty date.
  [[nodiscard]] bool setFieldDate(const QString& name, const QDate& date);

  // ---- moving ----
  // Each returns false when the engine failed: the table then stands at
  // both ends (eof and bof), so a walk ends, and failure() keeps why until
  // clearFailure() or the next open. A walk clears it before it starts and
  // reads it when it ends.
  [[nodiscard]] bool first();
  [[nodiscard]] bool last();
  [[nodiscard]] bool next();
  [[nodiscard]] bool prior();
  [[nodiscard]] bool moveBy(int count);
  // Stands on record `recno` whatever the filter and deletion setting
  // (past the end when there is no such record); false as the moves.
  [[nodiscard]] bool goToRecord(int recno);
  // Whether the current record passes the filter and the deletion
  // setting; false past the end, and when the filter fails on the record
  // (the failure is then kept).
  bool isVisible() const;
  bool eof() const;
  bool bof() const;
  // Whether the current record carries the deletion flag; false past the end.
  bool isDeleted() const;
  // Record number; record count + 1 while inserting.
  int recNo() const;
  int recordCount() const;  // physical records
  bool isEmpty() const;     // no visible record

  // ---- query ----
  // The condition a record must pass to be visible, as last set ("": none).
  QString query() const;
  // Sets the condition ("" clears it) and stands on the first record
  // passing it. A condition that does not compile hides every record and
  // returns the compile error; one holding a character the file cannot is
  // refused, the query unchanged.
  [[nodiscard]] xb::Status setQuery(const QString& condition);
  // The number of visible records; a condition failing on a record gives
  // InvalidArgument "the condition fails on record N: ...".
  [[nodiscard]] xb::Status countVisible(int* count);

  // ---- editing ----
  void edit();
  // Starts a new record (appended on post).
  void insert();
  // Writes the pending values; false (after saying why) keeps the edit.
  [[nodiscard]] bool post();
  void cancel();
  // Sets the deletion flag on the current record and moves to the next one.
  [[nodiscard]] bool deleteRecord();
  // Re-reads the current record.
  [[nodiscard]] bool refresh();

  // ---- engine failures ----
  bool failed() const { return !m_failure.ok(); }
  const xb::Status& failure() const { return m_failure; }
  // The failure in the user's words: DamagedFileMessage, or for a
  // condition that fails at run time the engine's "The condition fails on
  // record N: ..."; "" when none.
  QString failureMessage() const;
  // Keeps `status` when it is a failure and returns status.ok(): for the
  // table access object and walks that call the engine themselves. Not
  // nodiscard: keeping the failure is the point, the result a convenience.
  bool noteFailure(const xb::Status& status) const;
  void clearFailure() { m_failure = xb::Status::OK(); }

  // ---- engine-level jobs ----
  // Clean-up, check and transfer jobs visit every record through the engine
  // itself (work indexes, rewrites, batched appends), which one call a
  // record through this object would make many times slower. `work` runs on
  // the engine's view of the open table; the bound views are re-synchronised
  // after it however it ended. InvalidArgument "the contact file is not
  // open" while closed.
  [[nodiscard]] xb::Status runOnEngine(const std::function<xb::Status(xb::WorkArea&)>& work);
  // The same for reading alone: records `first`.. `first + count - 1` as
  // the file holds them, and the visible records' numbers in the current
  // order. The table stays where it stands.
  [[nodiscard]] xb::Status readRecords(uint32_t first, uint32_t count, std::string* buf) const;
  int recordLength() const;  // bytes a record, 0 while closed
  [[nodiscard]] xb::Status visibleRecords(std::vector<uint32_t>* recnos) const;
  // A new empty table at `path` with this one's fields.
  [[nodiscard]] xb::Status copyStructure(const QString& path) const;

  // Long loops stop the bound views from repainting; calls nest.
  void disableControls();
  void enableControls();
  bool controlsDisabled() const { return m_disabled > 0; }

  // Called by the table access object after it moved or changed the table.
  void resync();

 signals:
  void beforeInsert();
  void afterInsert();
  void afterEdit();
  void afterPost();
  void afterCancel();
  // The current record or its values changed: bound views repaint.
  void recordChanged();
  // Order, query or many records changed: a grid reloads.
  void layoutChanged();
  void stateChanged();
  // open() is rebuilding an index a cut-off job left out of date (0..100,
  // ending with 100 whether or not the rebuild succeeded), which on a large
  // file takes long enough to need showing.
  void indexRebuildProgress(int percent);

 private:
  struct Pending {
    QString text;
    QDate date;
  };
  void setState(State state);
  void notifyRecord();
  void notifyLayout();
  const xb::FieldInfo* field(const QString& name, int* index = nullptr) const;
  bool encodePending(int index, const Pending& value, std::string* bytes, QString* problem) const;

  TApolloEnv* m_env;
  QString m_databaseName, m_tableName, m_indexName;
  bool m_exclusive = true;
  bool m_readOnly = false;
  bool m_contactFile = true;
  std::unique_ptr<xb::WorkArea> m_area;
  State m_state = State::Inactive;
  QHash<int, Pending> m_pending;
  int m_disabled = 0;
  bool m_missedRecord = false;
  // Kept by const reads too (a memo that cannot be read).
  mutable xb::Status m_failure;
};

}  // namespace qv
