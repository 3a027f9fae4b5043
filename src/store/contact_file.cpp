#include "store/contact_file.h"

#include <QDir>
#include <QFileInfo>

#include "store/apollo.h"
#include "store/contact_schema.h"
#include "store/messages.h"
#include "store/table_object.h"

namespace qv {

namespace {

// The tags whose absence makes an index unusable; the last three contact
// tags are not needed by any screen, so a file without them still works.
const char* const kCheckedTags[] = {"NAME",    "LNAME", "FNAME", "TITLE", "ORG",   "STREET",
                                    "CITY",    "STATE", "ZIP",   "COUNTRY", "PHONE", "EMAIL",
                                    "FAX",     "DATE",  "NOTES", "PREFIX", "MIDDLE", "DELETED"};

// Every contact field the screens bind; BEGIN is not shown anywhere.
bool HasContactFields(const TableObject& table) {
  for (const xb::FieldDef& f : ContactFields()) {
    const QString name = QString::fromStdString(f.name);
    if (name != QLatin1String("BEGIN") && table.fieldIndex(name) < 0) return false;
  }
  return true;
}

// Steps of the plain open: the file must exist and open as a contact file.
bool PlainOpen(const QString& fileName, TableObject& table, QString* why) {
  if (!table.close()) Messages().information(table.failureMessage());
  QFileInfo info(fileName);
  table.setDatabaseName(info.absolutePath() + QLatin1Char('/'));
  table.setTableName(info.fileName());
  table.setIndexName(QString());
  if (!table.open(why)) return false;
  if (!HasContactFields(table)) {
    // Nothing was written to this table: closing it cannot lose a change.
    (void)table.close();
    if (why != nullptr) *why = QStringLiteral("not a contact file");
    return false;
  }
  return true;
}

}  // namespace

QString NotFoundMessage(const QString& fileName) {
  return QStringLiteral("File ") + fileName + QStringLiteral(" not found");
}

QString UnableToOpenMessage(const QString& fileName) {
  return QStringLiteral("Unable to open ") + fileName +
         QStringLiteral("\n\n * May not an Quorvane file.\n * May be in use by another program or user");
}

QString CutOffFileMessage(std::uint32_t counted, std::uint32_t whole) {
  return QStringLiteral("The contact file is damaged: the header counts %1 records, but the file "
                        "holds only %2 whole ones. Rebuild Indexes may repair it.")
      .arg(counted)
      .arg(whole);
}

QString MissingIndexMessage(const QString& fileName) {
  return QStringLiteral("The index file for ") + fileName +
         QStringLiteral("\nis missing or invalid. Please select [Rebuild Indexes]\nfrom the [File] menu");
}

bool CreateContactFile(const QString& fileName, TableObject& table, TApollo& apollo) {
  if (!apollo.CreateNew(fileName, kTableTypeDbfCdx, 30)) {
    Messages().information(QStringLiteral("Create failed"));
    return false;
  }
  for (const xb::FieldDef& f : ContactFields()) {
    if (!apollo.CreateField(QString::fromStdString(f.name), QString(QLatin1Char(f.type)),
                            f.decimals, f.width)) {
      Messages().information(QStringLiteral("File creation failed"));
      return false;
    }
  }
  bool made = apollo.CreateExec() && QFileInfo::exists(fileName);
  if (!made || !PlainOpen(fileName, table, nullptr)) {
    Messages().information(QStringLiteral("File creation failed"));
    return false;
  }
  apollo.SetDataSource(&table);
  if (!CreateContactTags(table, apollo)) {
    Messages().information(QStringLiteral("File creation failed"));
    return false;
  }
  return true;
}

bool OpenContactFile(const QString& fileName, TableObject& table) {
  if (!table.close()) Messages().information(table.failureMessage());
  if (!QFileInfo::exists(fileName)) {
    Messages().information(NotFoundMessage(fileName));
    return false;
  }
  if (!PlainOpen(fileName, table, nullptr)) {
    Messages().information(UnableToOpenMessage(fileName));
    return false;
  }
  xb::WorkArea* area = table.area();
  const xb::Table& records = area->table();
  if (records.header_record_count() > records.record_count()) {
    Messages().information(CutOffFileMessage(records.header_record_count(), records.record_count()));
  }
  bool complete = area->index_status().ok();
  for (const char* tag : kCheckedTags) {
    if (area->TagArea(tag) == 0) complete = false;
  }
  if (!complete) {
    Messages().information(MissingIndexMessage(fileName));
    return true;
  }
  // The file is open either way; a failure here leaves it at its ends,
  // and the user is told.
  xb::Status s = area->SetOrder(area->TagArea("LNAME"));
  if (s.ok()) table.setIndexName(QStringLiteral("LNAME"));
  if (s.ok()) s = area->GoTop();
  table.resync();
  if (!table.noteFailure(s)) Messages().information(table.failureMessage());
  return true;
}

bool CreateContactTags(TableObject& table, TApollo& apollo) {
  xb::WorkArea* area = table.area();
  if (area == nullptr) return false;
  // A tag that cannot be built is reported, so a half-built index never
  // passes for a good one.
  xb::Status s = RebuildContactIndex(*area, apollo.GaugeHook());
  table.resync();
  return s.ok();
}

}  // namespace qv
