#include "store/output_file.h"

#include <QDir>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <atomic>

namespace qv {

namespace {
std::atomic<qint64> g_budget{-1};

// What is left of the test budget; takes up to `want` bytes of it.
qint64 TakeBudget(qint64 want) {
  qint64 left = g_budget.load();
  while (left >= 0) {
    const qint64 take = std::min(left, want);
    if (g_budget.compare_exchange_weak(left, left - take)) return take;
  }
  return want;
}

// A write the disk took only part of sets no error on the file, only errno
// (a size limit, a full disk): the system's words are the reason then.
QString Why(const QFileDevice& file, int err) {
  if (file.error() != QFileDevice::NoError && file.errorString() != QLatin1String("Unknown error")) {
    return file.errorString();
  }
  if (err != 0) return QString::fromLocal8Bit(std::strerror(err));
  return QStringLiteral("the disk took only part of it");
}
}  // namespace

void OutputFile::FailAfter(qint64 bytes) { g_budget.store(bytes); }

OutputFile::OutputFile(QString path) : m_target(std::move(path)) {}

OutputFile::~OutputFile() { discard(); }

bool OutputFile::open(OpenMode mode) {
  m_failed = false;
  m_message.clear();
  m_reason.clear();
  m_file.setFileName(m_target);
  if (!(mode & QIODevice::WriteOnly) || (mode & QIODevice::ReadOnly) ||
      !m_file.open(QIODevice::WriteOnly)) {
    fail(m_file.errorString());
    return false;
  }
  return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 OutputFile::writeData(const char* data, qint64 len) {
  if (m_failed || !m_file.isOpen()) return -1;
  const qint64 allowed = TakeBudget(len);
  errno = 0;
  const qint64 n = m_file.write(data, allowed);
  if (n != len) {
    fail(allowed < len ? QStringLiteral("No space left on device") : Why(m_file, errno));
    return -1;
  }
  return n;
}

bool OutputFile::put(std::string_view bytes) {
  if (m_failed) return false;
  if (!isOpen()) {
    fail(QStringLiteral("the file is not open"));
    return false;
  }
  return bytes.empty() || write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

bool OutputFile::commit() {
  // The PDF writer closes the device it was given; the side file stays open.
  if (!m_failed && !m_file.isOpen()) fail(QStringLiteral("the file is not open"));
  if (!m_failed && g_budget.load() == 0) fail(QStringLiteral("No space left on device"));
  if (m_failed) {
    discard();
    return false;
  }
  if (isOpen()) QIODevice::close();
  errno = 0;
  if (!m_file.commit()) {
    fail(Why(m_file, errno));
    return false;
  }
  return true;
}

void OutputFile::discard() {
  if (m_file.isOpen()) m_file.cancelWriting();
  if (m_file.isOpen()) m_file.commit();  // with writing cancelled: only removes the side file
  if (isOpen()) QIODevice::close();
}

void OutputFile::fail(const QString& why) {
  if (m_failed) return;
  m_failed = true;
  m_reason = why;
  m_message = QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(m_target), why);
  setErrorString(m_message);
}

}  // namespace qv
