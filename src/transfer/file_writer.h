// The file under a text export's writer: created anew, written piece by
// piece, and complete only when finish() has flushed and closed it.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include "transfer/transfer.h"

namespace qv {

class FileRecordWriter : public RecordWriter {
 public:
  xb::Status finish() override {
    const bool ok = m_out.flush();
    m_out.close();
    if (!ok || m_out.error() != QFileDevice::NoError) return failed();
    return xb::Status::OK();
  }

 protected:
  xb::Status create(const QString& path) {
    m_out.setFileName(path);
    if (!m_out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      return xb::Status::IOError("cannot create " + path.toStdString());
    }
    return xb::Status::OK();
  }
  xb::Status put(const QByteArray& bytes) {
    return m_out.write(bytes) == bytes.size() ? xb::Status::OK() : failed();
  }

 private:
  xb::Status failed() const {
    return xb::Status::IOError("cannot write " + m_out.fileName().toStdString());
  }
  QFile m_out;
};

}  // namespace qv
