#include "cleanup/cleanup_open.h"

#include <QFile>
#include <QFileInfo>

#include "store/contact_file.h"
#include "store/filter_text.h"
#include "store/messages.h"
#include "store/table_object.h"

namespace qv {

QString ExclusiveOpenFailedMessage() {
  return QStringLiteral(
      "Unable to open this file exclusively. Possibly in use by another program or user");
}

bool OpenContactsExclusively(const QString& fileName, TableObject& table) {
  if (!table.close()) Messages().information(table.failureMessage());
  if (!QFileInfo::exists(fileName)) {
    Messages().information(NotFoundMessage(fileName));
    return false;
  }
  const QFileInfo info(fileName);
  table.setDatabaseName(info.absolutePath());
  table.setTableName(info.fileName());
  table.setIndexName(QString());
  table.setExclusive(true);
  table.setReadOnly(false);
  if (!table.open()) {
    Messages().information(ExclusiveOpenFailedMessage());
    return false;
  }
  const xb::Status s = table.setQuery(kNotDeletedCondition);
  if (!s.ok()) {
    Messages().information(QString::fromStdString(s.ToString()));
    (void)table.close();  // the failure just told is the one that matters
    return false;
  }
  return true;
}

bool RemoveWorkIndex(const QString& path) { return !QFileInfo::exists(path) || QFile::remove(path); }

}  // namespace qv
