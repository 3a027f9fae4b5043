#include "letters/letter_store.h"

#include <QFileInfo>

#include "store/apollo.h"
#include "store/codepage.h"
#include "store/table_object.h"

namespace qv {

QString LettersFileName() { return QStringLiteral("QVPLTRS.DBF"); }

QString LettersOpenFailedMessage() {
  return QStringLiteral("Unable to Open or Create QVPLTRS.DBF");
}

bool OpenLettersTable(const QString& directory, TableObject& table, TApollo& apollo) {
  QString dir = directory;
  if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
  table.setDatabaseName(dir);
  table.setTableName(LettersFileName());
  table.setIndexName(QString());
  apollo.SetDataSource(&table);
  if (table.open()) return true;
  const QString path = dir + LettersFileName();
  if (QFileInfo::exists(path)) return false;
  if (!apollo.CreateNew(path, kTableTypeDbfCdx, 2)) return false;
  if (!apollo.CreateField(QStringLiteral("DESCRIPT"), QStringLiteral("C"), 0, 50) ||
      !apollo.CreateField(QStringLiteral("RTF"), QStringLiteral("M"), 0, 10) ||
      !apollo.CreateExec() || !QFileInfo::exists(path)) return false;
  return table.open();
}

RtfReadResult LoadRichText(const TableObject& table, RichDocument* doc) {
  // Our own RTF is ASCII; text from elsewhere kept its bytes as Windows-1252.
  const QString text = table.fieldText(QStringLiteral("RTF"));
  QByteArray bytes;
  bytes.reserve(text.size());
  std::string encoded;
  if (EncodeAnsi(text, &encoded)) {
    bytes = QByteArray(encoded.data(), qsizetype(encoded.size()));
  } else {
    bytes = text.toUtf8();
  }
  if (bytes.trimmed().isEmpty()) {
    doc->clear();
    RtfReadResult empty;
    empty.ok = true;
    return empty;
  }
  return ReadRtf(bytes, doc);
}

bool SaveRichText(TableObject& table, const RichDocument& doc) {
  return table.setFieldText(QStringLiteral("RTF"), QString::fromLatin1(WriteRtf(doc)));
}

bool FindLetter(TableObject& table, const QString& description) {
  const QString wanted = description.trimmed();
  for (bool ok = table.first(); ok && !table.eof(); ok = table.next()) {
    if (table.fieldText(QStringLiteral("DESCRIPT")).trimmed().compare(wanted, Qt::CaseInsensitive) ==
        0) {
      return true;
    }
  }
  return false;
}

QStringList LetterDescriptions(TableObject& table) {
  QStringList names;
  for (bool ok = table.first(); ok && !table.eof(); ok = table.next()) {
    names << table.fieldText(QStringLiteral("DESCRIPT")).trimmed();
  }
  return names;
}

bool StoreLetter(TableObject& table, const QString& description, const RichDocument& doc,
                 QString* error) {
  table.clearFailure();
  const bool found = FindLetter(table, description);
  if (table.failed()) {
    *error = table.failureMessage();
    return false;
  }
  if (found) {
    table.edit();
  } else {
    table.insert();
  }
  if (!table.setFieldText(QStringLiteral("DESCRIPT"), description.trimmed()) ||
      !SaveRichText(table, doc) || !table.post()) {
    table.cancel();
    *error = QStringLiteral("The letter \"%1\" could not be saved in %2.")
                 .arg(description.trimmed(), LettersFileName());
    return false;
  }
  return true;
}

}  // namespace qv
