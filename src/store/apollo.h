// The table access object: the operations
// the windows run on tables beyond what the table object offers (tags,
// seeks, queries, scopes, counts, creation), named after the engine calls
// they stand for. Every operation that moves the table re-synchronises the
// bound table object, so its views follow.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "store/apollo_env.h"
#include "xbase/table.h"
#include "xbase/workarea.h"

namespace qv {

class TableObject;

// Engine table type of contact and support files: DBF with CDX index and memo.
constexpr int kTableTypeDbfCdx = 2;

class TApollo {
 public:
  TApollo() = default;

  // The binding to a table object (may be null).
  void SetDataSource(TableObject* table) { m_table = table; }
  TableObject* DataSource() const { return m_table; }

  QStringList ExtraIndexes;
  bool TurboRead = false;
  QString Filter() const;  // the last query given

  // ---- creation (no table needed) ----
  [[nodiscard]] bool CreateNew(const QString& fileName, int tableType, int fieldRoom);
  [[nodiscard]] bool CreateField(const QString& name, const QString& type, int decimals, int width);
  [[nodiscard]] bool CreateExec();

  // ---- orders ----
  [[nodiscard]] int IndexTag(const QString& indexFile, const QString& tag, const QString& keyExpr, int option,
               bool descending, const QString& condition);
  [[nodiscard]] int Index(const QString& fileName, const QString& keyExpr, int option, bool descending,
            const QString& condition);
  [[nodiscard]] bool KeyAdd(const QString& orderName);
  int TagArea(const QString& tag) const;
  int SetOrder(int order);
  int IndexOrd() const;
  QString IndexName(int order) const;
  [[nodiscard]] bool CloseIndexes();

  // ---- moving and finding ----
  [[nodiscard]] bool Seek(const QString& key);
  bool Found() const;
  [[nodiscard]] bool SetScope(const QString& low, const QString& high);
  [[nodiscard]] bool Query(const QString& condition);
  // False when counting failed, with LastError (a condition failing at run
  // time: "the condition fails on record N: ..."); *count is then 0.
  [[nodiscard]] bool QueryRecCount(int* count);
  bool EvalLogical(const QString& condition);
  QString DBFilter() const;
  int RecCount() const;
  int RecNo() const;
  // The moves return false when the engine failed; the bound table object
  // keeps the failure (TableObject::failed) and stands at both ends.
  [[nodiscard]] bool Go(int recno);
  [[nodiscard]] bool GoTop();
  [[nodiscard]] bool GoBottom();
  [[nodiscard]] bool Skip(int count);
  bool Eof() const;
  bool Deleted() const;

  // ---- data ----
  QString GetMemo(const QString& field);
  // The engine hands memo text to the caller; nothing to release here.
  void MemDealloc(const QString&) {}
  [[nodiscard]] bool Replace(const QString& field, const QString& type, const QString& value);
  [[nodiscard]] bool Save();

  // ---- structure (fields numbered from 1) ----
  int FieldCount() const;
  QString FieldName(int field) const;
  QString FieldType(int field) const;
  int FieldWidth(int field) const;
  int FieldDecimals(int field) const;

  // ---- whole table ----
  [[nodiscard]] bool Pack();
  // The visible records (query and deleted setting) into a new table.
  [[nodiscard]] bool CopyFile(const QString& fileName);
  [[nodiscard]] bool CopyStructure(const QString& fileName);
  // Progress of pack, index and copy: percent; an empty function stops it.
  void SetGaugeHook(std::function<void(int)> gauge);
  const std::function<void(int)>& GaugeHook() const { return m_gauge; }
  void SetTurboRead(bool on);

  // Why the last operation failed (empty after a success).
  const QString& LastError() const { return m_lastError; }
  // The same in the user's words (see qv::FailureMessage).
  QString LastFailureMessage() const;

 private:
  xb::WorkArea* Area() const;
  bool Check(const xb::Status& status);
  // Check for what reads or moves in the file: a failure is also kept by
  // the table object, except a bad argument (a condition that does not
  // compile, a key of another kind), which is the caller's mistake.
  bool CheckFile(const xb::Status& status);
  // Check for the moves: every failure is kept, a condition failing at run
  // time on a record included, so a walk can say why it ended.
  bool CheckMove(const xb::Status& status);
  // Runs one move on the work area, keeps its failure and resynchronises.
  bool Move(const std::function<xb::Status(xb::WorkArea&)>& step);
  void Resync();

  TableObject* m_table = nullptr;
  QString m_createFile;
  std::vector<xb::FieldDef> m_createFields;
  bool m_createStarted = false;
  std::function<void(int)> m_gauge;
  QString m_lastError;
  xb::Status m_lastStatus;
};

}  // namespace qv
