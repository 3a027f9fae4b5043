// The engine settings object: SET EXACT, SOFTSEEK, DELETED, the memo block
// size and the date display, shared by every table object opened with it.
// Kept apart from the table access object so the table object can use it
// without depending on that object.
#pragma once

#include <QString>

#include "xbase/workarea.h"

namespace qv {

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
  [[nodiscard]] static bool StartEngine();

 private:
  xb::Settings m_settings;
  bool m_century = false;
  TDateFormat m_dateFormat = dfAmerican;
  int m_lockTimeout = 1;
};

}  // namespace qv
