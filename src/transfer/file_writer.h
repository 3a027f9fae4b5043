// The file under a text export's writer: written piece by piece beside
// its target, and given the target's name only when finish() has flushed
// and closed it.
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

#include "store/output_file.h"
#include "transfer/transfer.h"

namespace qv {

class FileRecordWriter : public RecordWriter {
 public:
  xb::Status finish() override {
    if (!m_out) return xb::Status::OK();
    const bool ok = m_out->commit();
    const std::string why = m_out->message().toStdString();
    m_out.reset();
    return ok ? xb::Status::OK() : xb::Status::IOError(why);
  }

 protected:
  xb::Status create(const QString& path) {
    m_out = std::make_unique<OutputFile>(path);
    if (!m_out->open()) {
      const std::string why = m_out->message().toStdString();
      m_out.reset();
      return xb::Status::IOError(why);
    }
    return xb::Status::OK();
  }
  xb::Status put(const QByteArray& bytes) {
    if (!m_out) return xb::Status::InvalidArgument("the output is not open");
    return m_out->put(bytes) ? xb::Status::OK() : xb::Status::IOError(m_out->message().toStdString());
  }

 private:
  std::unique_ptr<OutputFile> m_out;
};

}  // namespace qv
