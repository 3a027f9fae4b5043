#include "envelopes/envelope_setup.h"

#include "labels/imb.h"
#include "store/apollo_env.h"
#include "store/table_object.h"

namespace qv {

namespace {

constexpr int kReturnLines = 5;
constexpr int kReturnLineWidth = 40;
constexpr int kFontNameWidth = 50;

bool Logical(const TableObject& t, const char* field) {
  const QString v = t.fieldText(QString::fromLatin1(field)).trimmed().toUpper();
  return v == QLatin1String("T") || v == QLatin1String("Y");
}

float Inches(const TableObject& t, const char* field) {
  return t.fieldText(QString::fromLatin1(field)).trimmed().toFloat();
}

int Whole(const TableObject& t, const char* field) {
  return int(t.fieldText(QString::fromLatin1(field)).trimmed().toDouble());
}

QString Text(const TableObject& t, const char* field, int width) {
  return t.fieldText(QString::fromLatin1(field)).left(width);
}

bool SetText(TableObject& t, const char* field, const QString& value) {
  return t.setFieldText(QString::fromLatin1(field), value);
}

bool SetLogical(TableObject& t, const char* field, bool on) {
  return SetText(t, field, on ? QStringLiteral("T") : QStringLiteral("F"));
}

// The decimal rendering of the single-precision value (15 significant
// digits), kept to the table's 4 decimals.
bool SetInches(TableObject& t, const char* field, float inches) {
  const double value = QString::number(double(inches), 'g', 15).toDouble();
  return SetText(t, field, QString::number(value, 'f', 4));
}

bool SetWhole(TableObject& t, const char* field, int value) {
  return SetText(t, field, QString::number(value));
}

}  // namespace

TEnvelopeSetup DefaultEnvelopeSetup() {
  TEnvelopeSetup s;
  s.description = QStringLiteral("Default Envelope Setup");
  s.envelopeName = QStringLiteral("Envelope #10");
  // Two blanks before the ZIP, as an address line has them.
  s.returnLines = {QStringLiteral("John Q Public"), QStringLiteral("123 N West St"),
                   QStringLiteral("LA, CA  90024"), QString(), QString()};
  s.messageText = QStringLiteral("Handle with Care");
  s.messageTop = s.envelopeHeight - 1.0f;
  s.deliveryTop = s.envelopeHeight * 0.5f;
  s.deliveryLeft = float(double(s.envelopeWidth) * 0.3333333333333333);
  return s;
}

TEnvelopeSetup ReadEnvelopeSetup(const TableObject& t) {
  if (!t.active() || t.eof() || t.isEmpty()) return DefaultEnvelopeSetup();
  TEnvelopeSetup s;
  s.description = Text(t, "DESCRIPT", 50);
  s.envelopeName = Text(t, "ENVNAME", 20);
  s.useReturn = Logical(t, "USERETURN");
  s.useMessage = Logical(t, "USEMESSAGE");
  s.returnTop = Inches(t, "RETTOP");
  s.returnLeft = Inches(t, "RETLEFT");
  s.returnFontName = Text(t, "RETFNAME", kFontNameWidth);
  s.returnFontSize = Whole(t, "RETFSIZE");
  s.returnBold = Logical(t, "RETFBOLD");
  s.returnItalic = Logical(t, "RETFITALIC");
  s.returnLines.clear();
  for (int i = 1; i <= kReturnLines; ++i) {
    s.returnLines << Text(t, QStringLiteral("RETLINE%1").arg(i).toLatin1().constData(),
                          kReturnLineWidth);
  }
  s.messageTop = Inches(t, "MESSTOP");
  s.messageLeft = Inches(t, "MESSLEFT");
  s.messageFontName = Text(t, "MESSFNAME", kFontNameWidth);
  s.messageFontSize = Whole(t, "MESSFSIZE");
  s.messageBold = Logical(t, "MESSFBOLD");
  s.messageItalic = Logical(t, "MESSFITAL");
  s.messageText = Text(t, "MESSTEXT", 50);
  s.deliveryTop = Inches(t, "DELTOP");
  s.deliveryLeft = Inches(t, "DELLEFT");
  s.deliveryFontName = Text(t, "DELFNAME", kFontNameWidth);
  s.deliveryFontSize = Whole(t, "DELFSIZE");
  s.deliveryBold = Logical(t, "DELFBOLD");
  s.deliveryItalic = Logical(t, "DELFITAL");
  s.barCode = Logical(t, "BARCODE");
  // Tables from before the Intelligent Mail barcode have no BARTYPE: their
  // bar code is POSTNET.
  if (t.fieldIndex(QStringLiteral("BARTYPE")) >= 0 && !Text(t, "BARTYPE", 1).trimmed().isEmpty()) {
    const int kind = Whole(t, "BARTYPE");
    s.barCode = kind != 0;
    s.intelligentMail = kind == int(BarCodeKind::IntelligentMail);
  }
  s.name = Logical(t, "NAME");
  s.title = Logical(t, "TITLE");
  s.company = Logical(t, "COMPANY");
  s.street = Logical(t, "STREET");
  s.cityState = Logical(t, "CITYSTATE");
  s.zip = Logical(t, "ZIP");
  s.phone = Logical(t, "PHONE");
  s.country = Logical(t, "COUNTRY");
  s.zipOptions = Whole(t, "ZIPOPTIONS");
  s.upperCase = Logical(t, "UPPERCASE");
  s.envelopeWidth = Inches(t, "ENVWIDTH");
  s.envelopeHeight = Inches(t, "ENVHEIGHT");
  s.orientation = Whole(t, "ORIENT");
  s.facing = Whole(t, "FACING");
  s.position = Whole(t, "POSITION");
  return s;
}

bool WriteEnvelopeSetup(TableObject& t, const TEnvelopeSetup& s) {
  if (t.state() == TableObject::State::Browse) t.edit();
  if (t.state() != TableObject::State::Edit && t.state() != TableObject::State::Insert) {
    return false;
  }
  bool ok = SetText(t, "DESCRIPT", s.description.left(50));
  ok = SetText(t, "ENVNAME", s.envelopeName.left(20)) && ok;
  ok = SetLogical(t, "USERETURN", s.useReturn) && ok;
  ok = SetLogical(t, "USEMESSAGE", s.useMessage) && ok;
  ok = SetInches(t, "RETTOP", s.returnTop) && ok;
  ok = SetInches(t, "RETLEFT", s.returnLeft) && ok;
  ok = SetText(t, "RETFNAME", s.returnFontName.left(kFontNameWidth)) && ok;
  ok = SetWhole(t, "RETFSIZE", s.returnFontSize) && ok;
  ok = SetLogical(t, "RETFBOLD", s.returnBold) && ok;
  ok = SetLogical(t, "RETFITALIC", s.returnItalic) && ok;
  for (int i = 0; i < kReturnLines; ++i) {
    const QString line = i < s.returnLines.size() ? s.returnLines[i] : QString();
    ok = SetText(t, QStringLiteral("RETLINE%1").arg(i + 1).toLatin1().constData(),
                 line.left(kReturnLineWidth)) &&
         ok;
  }
  ok = SetInches(t, "MESSTOP", s.messageTop) && ok;
  ok = SetInches(t, "MESSLEFT", s.messageLeft) && ok;
  ok = SetText(t, "MESSFNAME", s.messageFontName.left(kFontNameWidth)) && ok;
  ok = SetWhole(t, "MESSFSIZE", s.messageFontSize) && ok;
  ok = SetLogical(t, "MESSFBOLD", s.messageBold) && ok;
  ok = SetLogical(t, "MESSFITAL", s.messageItalic) && ok;
  ok = SetText(t, "MESSTEXT", s.messageText.left(50)) && ok;
  ok = SetInches(t, "DELTOP", s.deliveryTop) && ok;
  ok = SetInches(t, "DELLEFT", s.deliveryLeft) && ok;
  ok = SetText(t, "DELFNAME", s.deliveryFontName.left(kFontNameWidth)) && ok;
  ok = SetWhole(t, "DELFSIZE", s.deliveryFontSize) && ok;
  ok = SetLogical(t, "DELFBOLD", s.deliveryBold) && ok;
  ok = SetLogical(t, "DELFITAL", s.deliveryItalic) && ok;
  ok = SetLogical(t, "BARCODE", s.barCode) && ok;
  if (t.fieldIndex(QStringLiteral("BARTYPE")) >= 0) {
    const BarCodeKind kind = !s.barCode           ? BarCodeKind::None
                             : s.intelligentMail ? BarCodeKind::IntelligentMail
                                                 : BarCodeKind::Postnet;
    ok = SetWhole(t, "BARTYPE", int(kind)) && ok;
  }
  ok = SetLogical(t, "NAME", s.name) && ok;
  ok = SetLogical(t, "TITLE", s.title) && ok;
  ok = SetLogical(t, "COMPANY", s.company) && ok;
  ok = SetLogical(t, "STREET", s.street) && ok;
  ok = SetLogical(t, "CITYSTATE", s.cityState) && ok;
  ok = SetLogical(t, "ZIP", s.zip) && ok;
  ok = SetLogical(t, "PHONE", s.phone) && ok;
  ok = SetLogical(t, "COUNTRY", s.country) && ok;
  ok = SetWhole(t, "ZIPOPTIONS", s.zipOptions) && ok;
  ok = SetLogical(t, "UPPERCASE", s.upperCase) && ok;
  ok = SetInches(t, "ENVWIDTH", s.envelopeWidth) && ok;
  ok = SetInches(t, "ENVHEIGHT", s.envelopeHeight) && ok;
  ok = SetWhole(t, "ORIENT", s.orientation) && ok;
  ok = SetWhole(t, "FACING", s.facing) && ok;
  ok = SetWhole(t, "POSITION", s.position) && ok;
  if (!ok) return false;
  return t.post();
}

AddressOptions AddressOptionsOf(const TEnvelopeSetup& s) {
  AddressOptions o;
  o.name = s.name;
  o.title = s.title;
  o.company = s.company;
  o.street = s.street;
  o.cityState = s.cityState;
  o.zip = s.zip;
  o.phone = s.phone;
  o.country = s.country;
  o.barCode = s.barCode;
  o.zipOption = s.zipOptions;
  o.upperCase = s.upperCase;
  return o;
}

QString EnvelopeSetupFileName() { return QStringLiteral("QVPESU.DBF"); }
QString EnvelopeSizeFileName() { return QStringLiteral("QVPENVS.DBF"); }

QString EnvelopeSetupOpenFailure() {
  return QStringLiteral("Unable to Open QVPESU.DBF (envelope setup file)");
}

QString EnvelopeSizeOpenFailure() {
  return QStringLiteral("We were unable to open the envelope definition file: QVPENVS.DBF");
}

bool FindEnvelopeSetup(const QString& directory, const QString& description,
                       TEnvelopeSetup* out, QString* error) {
  TApolloEnv env;
  TableObject table(&env);
  table.setDatabaseName(directory);
  table.setTableName(EnvelopeSetupFileName());
  table.setExclusive(false);
  table.setReadOnly(true);
  if (!table.open()) {
    *error = EnvelopeSetupOpenFailure();
    return false;
  }
  QStringList names;
  for (bool ok = table.first(); ok && !table.eof(); ok = table.next()) {
    const QString name = table.fieldText(QStringLiteral("DESCRIPT")).trimmed();
    if (name.compare(description.trimmed(), Qt::CaseInsensitive) == 0) {
      *out = ReadEnvelopeSetup(table);
      return true;
    }
    names << QLatin1Char('"') + name + QLatin1Char('"');
  }
  if (table.failed()) {
    *error = table.failureMessage();
    return false;
  }
  *error = QStringLiteral("There is no envelope setup called \"%1\". The envelope setups are: %2")
               .arg(description.trimmed(),
                    names.isEmpty() ? QStringLiteral("(none)") : names.join(QStringLiteral(", ")));
  return false;
}

QString EnvelopeSizeProblem(double width, double height, const QString& name,
                            const QString& description) {
  if (!(height >= 2.0)) return QStringLiteral("Envelope Height must be at least 2 inches (50mm)");
  if (!(width >= 2.0)) return QStringLiteral("Envelope Width must be at least 2 inches (50mm)");
  if (name.isEmpty()) return QStringLiteral("A Unique Name is required");
  if (description.isEmpty()) return QStringLiteral("A Description is required");
  return QString();
}

}  // namespace qv
