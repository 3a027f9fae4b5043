#include "labels/setup_fields.h"

#include <QStringList>

#include "labels/imb.h"
#include "store/apollo_env.h"
#include "store/messages.h"
#include "store/table_object.h"

namespace qv {

bool SetupLogical(const TableObject& t, const char* field) {
  const QString v = t.fieldText(QString::fromLatin1(field)).trimmed().toUpper();
  return v == QLatin1String("T") || v == QLatin1String("Y");
}

float SetupInches(const TableObject& t, const char* field) {
  return t.fieldText(QString::fromLatin1(field)).trimmed().toFloat();
}

int SetupWhole(const TableObject& t, const char* field) {
  return int(t.fieldText(QString::fromLatin1(field)).trimmed().toDouble());
}

QString SetupText(const TableObject& t, const char* field) {
  return t.fieldText(QString::fromLatin1(field));
}

bool SetSetupText(TableObject& t, const char* field, const QString& value) {
  return t.setFieldText(QString::fromLatin1(field), value);
}

bool SetSetupLogical(TableObject& t, const char* field, bool on) {
  return SetSetupText(t, field, on ? QStringLiteral("T") : QStringLiteral("F"));
}

bool SetSetupWhole(TableObject& t, const char* field, int value) {
  return SetSetupText(t, field, QString::number(value));
}

AddressOptions ReadAddressSwitches(const TableObject& t, bool* intelligentMail) {
  AddressOptions o;
  o.barCode = SetupLogical(t, "BARCODE");
  *intelligentMail = false;
  if (t.fieldIndex(QStringLiteral("BARTYPE")) >= 0 &&
      !SetupText(t, "BARTYPE").trimmed().isEmpty()) {
    const int kind = SetupWhole(t, "BARTYPE");
    o.barCode = kind != int(BarCodeKind::None);
    *intelligentMail = kind == int(BarCodeKind::IntelligentMail);
  }
  o.name = SetupLogical(t, "NAME");
  o.title = SetupLogical(t, "TITLE");
  o.company = SetupLogical(t, "COMPANY");
  o.street = SetupLogical(t, "STREET");
  o.cityState = SetupLogical(t, "CITYSTATE");
  o.zip = SetupLogical(t, "ZIP");
  o.phone = SetupLogical(t, "PHONE");
  o.country = SetupLogical(t, "COUNTRY");
  o.zipOption = SetupWhole(t, "ZIPOPTIONS");
  o.upperCase = SetupLogical(t, "UPPERCASE");
  return o;
}

bool WriteAddressSwitches(TableObject& t, const AddressOptions& o, bool intelligentMail) {
  bool ok = SetSetupLogical(t, "BARCODE", o.barCode);
  if (t.fieldIndex(QStringLiteral("BARTYPE")) >= 0) {
    const BarCodeKind kind = !o.barCode        ? BarCodeKind::None
                             : intelligentMail ? BarCodeKind::IntelligentMail
                                               : BarCodeKind::Postnet;
    ok = SetSetupWhole(t, "BARTYPE", int(kind)) && ok;
  }
  ok = SetSetupLogical(t, "NAME", o.name) && ok;
  ok = SetSetupLogical(t, "TITLE", o.title) && ok;
  ok = SetSetupLogical(t, "COMPANY", o.company) && ok;
  ok = SetSetupLogical(t, "STREET", o.street) && ok;
  ok = SetSetupLogical(t, "CITYSTATE", o.cityState) && ok;
  ok = SetSetupLogical(t, "ZIP", o.zip) && ok;
  ok = SetSetupLogical(t, "PHONE", o.phone) && ok;
  ok = SetSetupLogical(t, "COUNTRY", o.country) && ok;
  ok = SetSetupWhole(t, "ZIPOPTIONS", o.zipOption) && ok;
  ok = SetSetupLogical(t, "UPPERCASE", o.upperCase) && ok;
  return ok;
}

bool BeginSetupWrite(TableObject& t) {
  if (t.state() == TableObject::State::Browse) t.edit();
  return t.state() == TableObject::State::Edit || t.state() == TableObject::State::Insert;
}

bool TellRefusedColumns(const QString& kind, const QString& fileName, const QStringList& refused) {
  if (refused.isEmpty()) return true;
  Messages().information(QStringLiteral("The %1 could not be saved: %2 does not take %3.")
                             .arg(kind, fileName, refused.join(QStringLiteral(", "))));
  return false;
}

bool FindSetupRow(const QString& directory, const QString& fileName, const QString& openFailure,
                  const QString& kind, const QString& description,
                  const std::function<void(const TableObject&)>& read, QString* error) {
  TApolloEnv env;
  TableObject table(&env);
  table.setDatabaseName(directory);
  table.setTableName(fileName);
  table.setExclusive(false);
  table.setReadOnly(true);
  if (!table.open()) {
    *error = openFailure;
    return false;
  }
  QStringList names;
  for (bool ok = table.first(); ok && !table.eof(); ok = table.next()) {
    const QString name = table.fieldText(QStringLiteral("DESCRIPT")).trimmed();
    if (name.compare(description.trimmed(), Qt::CaseInsensitive) == 0) {
      read(table);
      return true;
    }
    names << QLatin1Char('"') + name + QLatin1Char('"');
  }
  if (table.failed()) {
    *error = table.failureMessage();
    return false;
  }
  *error = QStringLiteral("There is no %1 called \"%2\". The %1s are: %3")
               .arg(kind, description.trimmed(),
                    names.isEmpty() ? QStringLiteral("(none)") : names.join(QStringLiteral(", ")));
  return false;
}

}  // namespace qv
