// The engine settings object and the table access object: the operations
// the windows run on tables beyond what the table object offers (tags,
// seeks, queries, scopes, counts, creation), named after the engine calls
// they stand for. Every operation that moves the table re-synchronises the
// bound table object, so its views follow.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "xbase/table.h"
#include "xbase/workarea.h"

namespace qv {

class TableObject;

enum TDateFormat { dfAmerican, dfAnsi, dfBritish, dfFrench, dfGerman, dfItalian, dfSpanish };

// Engine-wide settings; one per program. Table objects created with it see
// every change at once.
class TApolloEnv {
 public:
  bool Exact() const { return m_settings.exact; }
  void SetExact(bool on) { m_settings.exact = on; }
  bool SoftSeek() const { return m_settings.soft_seek; }
  void SetSoftSeek(bool on) { m_settings.soft_seek = on; }
  bool Deleted() const { return m_settings.deleted; }
  void SetDeleted(bool on) { m_settings.deleted = on; }
  int MemoBlockSize() const { return static_cast<int>(m_settings.memo_block_size); }
  void SetMemoBlockSize(int size);
  bool Century() const { return m_century; }
  void SetCentury(bool on) { m_century = on; }
  TDateFormat DateFormat() const { return m_dateFormat; }
  void SetDateFormat(TDateFormat format) { m_dateFormat = format; }
  int LockTimeout() const { return m_lockTimeout; }
  void SetLockTimeout(int seconds) { m_lockTimeout = seconds; }

  const xb::Settings* settings() const { return &m_settings; }

  // The engine's version text.
  static QString Version();
  // Whether a version text compares as `minimum` or later ("2.40.00").
  static bool VersionAtLeast(const QString& version, const QString& minimum);
  // Checks the engine before the first table opens; false, after saying
  // so, when its version is too old.
  static bool StartEngine();

 private:
  xb::Settings m_settings;
  bool m_century = false;
  TDateFormat m_dateFormat = dfAmerican;
  int m_lockTimeout = 1;
};

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
  bool CreateNew(const QString& fileName, int tableType, int fieldRoom);
  bool CreateField(const QString& name, const QString& type, int decimals, int width);
  bool CreateExec();

  // ---- orders ----
  int IndexTag(const QString& indexFile, const QString& tag, const QString& keyExpr, int option,
               bool descending, const QString& condition);
  int Index(const QString& fileName, const QString& keyExpr, int option, bool descending,
            const QString& condition);
  bool KeyAdd(const QString& orderName);
  int TagArea(const QString& tag) const;
  int SetOrder(int order);
  int IndexOrd() const;
  QString IndexName(int order) const;
  void CloseIndexes();

  // ---- moving and finding ----
  bool Seek(const QString& key);
  bool Found() const;
  bool SetScope(const QString& low, const QString& high);
  bool Query(const QString& condition);
  // 0 when counting failed; the overload says so: false, with LastError
  // (a condition failing at run time: "the condition fails on record N: ...").
  int QueryRecCount();
  bool QueryRecCount(int* count);
  bool EvalLogical(const QString& condition);
  QString DBFilter() const;
  int RecCount() const;
  int RecNo() const;
  // The moves return false when the engine failed; the bound table object
  // keeps the failure (TableObject::failed) and stands at both ends.
  bool Go(int recno);
  bool GoTop();
  bool GoBottom();
  bool Skip(int count);
  bool Eof() const;
  bool Deleted() const;

  // ---- data ----
  QString GetMemo(const QString& field);
  // The engine hands memo text to the caller; nothing to release here.
  void MemDealloc(const QString&) {}
  bool Replace(const QString& field, const QString& type, const QString& value);
  bool Save();

  // ---- structure (fields numbered from 1) ----
  int FieldCount() const;
  QString FieldName(int field) const;
  QString FieldType(int field) const;
  int FieldWidth(int field) const;
  int FieldDecimals(int field) const;

  // ---- whole table ----
  bool Pack();
  // The visible records (query and deleted setting) into a new table.
  bool CopyFile(const QString& fileName);
  bool CopyStructure(const QString& fileName);
  // Progress of pack, index and copy: percent; an empty function stops it.
  void SetGaugeHook(std::function<void(int)> gauge);
  const std::function<void(int)>& GaugeHook() const { return m_gauge; }
  void SetTurboRead(bool on);

  // Why the last operation failed (empty after a success).
  const QString& LastError() const { return m_lastError; }

 private:
  xb::WorkArea* Area() const;
  bool Check(const xb::Status& status);
  // Check for what reads or moves in the file: a failure is also kept by
  // the table object, except a bad argument (a condition that does not
  // compile, a key of another kind), which is the caller's mistake.
  bool CheckFile(const xb::Status& status);
  void Resync();

  TableObject* m_table = nullptr;
  QString m_createFile;
  std::vector<xb::FieldDef> m_createFields;
  bool m_createStarted = false;
  std::function<void(int)> m_gauge;
  QString m_lastError;
};

}  // namespace qv
