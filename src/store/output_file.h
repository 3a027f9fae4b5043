// The one road every file written above the engine takes. Each write is
// checked (a short write is a failure, as a full disk or a size limit
// gives), and so is the final flush. The file is written beside its target
// and renamed over it only on commit, so a failure never leaves half a
// file under the target's name: an older file of that name stays as it was.
//
// For tests, OutputFile::FailAfter(n) makes every output file of the
// process share a budget of n bytes: the write that would pass it is cut
// short there and fails, as a full disk would; a commit with the budget
// spent fails too, so failing at 0..total bytes reaches every write and the
// final flush.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QSaveFile>
#include <QString>
#include <string_view>

namespace qv {

class OutputFile : public QIODevice {
 public:
  explicit OutputFile(QString path = QString());
  // A file not committed is discarded: its target keeps what it had.
  ~OutputFile() override;

  // Starts the side file; false with message() set.
  bool open(OpenMode mode = QIODevice::WriteOnly) override;
  const QString& target() const { return m_target; }
  void setTarget(const QString& path) { m_target = path; }

  // Writes all of `bytes` or fails; after a failure nothing more is written.
  bool put(std::string_view bytes);
  bool put(const QByteArray& bytes) { return put(std::string_view(bytes.constData(), size_t(bytes.size()))); }

  // Flushes, closes and renames the side file over the target. False, with
  // the target untouched, when any write or this failed.
  bool commit();
  // Throws the side file away.
  void discard();

  bool failed() const { return m_failed; }
  // "cannot write PATH: why" for the first failure.
  const QString& message() const { return m_message; }
  // Only the why: "No space left on device".
  const QString& reason() const { return m_reason; }

  bool isSequential() const override { return true; }

  // The test stand-in: -1 (the default) writes without a limit.
  static void FailAfter(qint64 bytes);

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 len) override;

 private:
  void fail(const QString& why);

  QString m_target;
  QSaveFile m_file;
  bool m_failed = false;
  QString m_message;
  QString m_reason;
};

}  // namespace qv
