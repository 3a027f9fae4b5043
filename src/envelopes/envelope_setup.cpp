#include "envelopes/envelope_setup.h"

#include "labels/setup_fields.h"
#include "store/table_object.h"

namespace qv {

namespace {

constexpr int kFontNameWidth = 50;

QString Text(const TableObject& t, const char* field, int width) {
  return SetupText(t, field).left(width);
}

// The decimal rendering of the single-precision value (15 significant
// digits), kept to the table's 4 decimals.
bool SetInches(TableObject& t, const char* field, float inches) {
  const double value = QString::number(double(inches), 'g', 15).toDouble();
  return SetSetupText(t, field, QString::number(value, 'f', 4));
}

}  // namespace

QString ReturnAddressProblem(const QStringList& lines) {
  qsizetype used = lines.size();
  while (used > 0 && lines[used - 1].isEmpty()) --used;
  if (used > kReturnLines) {
    return QStringLiteral("The return address holds %1 lines; these %2 lines do not fit")
        .arg(kReturnLines)
        .arg(used);
  }
  for (qsizetype i = 0; i < used; ++i) {
    if (lines[i].size() > kReturnLineWidth) {
      return QStringLiteral("Line %1 of the return address is longer than %2 characters")
          .arg(i + 1)
          .arg(kReturnLineWidth);
    }
  }
  return QString();
}

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
  s.useReturn = SetupLogical(t, "USERETURN");
  s.useMessage = SetupLogical(t, "USEMESSAGE");
  s.returnTop = SetupInches(t, "RETTOP");
  s.returnLeft = SetupInches(t, "RETLEFT");
  s.returnFontName = Text(t, "RETFNAME", kFontNameWidth);
  s.returnFontSize = SetupWhole(t, "RETFSIZE");
  s.returnBold = SetupLogical(t, "RETFBOLD");
  s.returnItalic = SetupLogical(t, "RETFITALIC");
  s.returnLines.clear();
  for (int i = 1; i <= kReturnLines; ++i) {
    s.returnLines << Text(t, QStringLiteral("RETLINE%1").arg(i).toLatin1().constData(),
                          kReturnLineWidth);
  }
  s.messageTop = SetupInches(t, "MESSTOP");
  s.messageLeft = SetupInches(t, "MESSLEFT");
  s.messageFontName = Text(t, "MESSFNAME", kFontNameWidth);
  s.messageFontSize = SetupWhole(t, "MESSFSIZE");
  s.messageBold = SetupLogical(t, "MESSFBOLD");
  s.messageItalic = SetupLogical(t, "MESSFITAL");
  s.messageText = Text(t, "MESSTEXT", 50);
  s.deliveryTop = SetupInches(t, "DELTOP");
  s.deliveryLeft = SetupInches(t, "DELLEFT");
  s.deliveryFontName = Text(t, "DELFNAME", kFontNameWidth);
  s.deliveryFontSize = SetupWhole(t, "DELFSIZE");
  s.deliveryBold = SetupLogical(t, "DELFBOLD");
  s.deliveryItalic = SetupLogical(t, "DELFITAL");
  s.address = ReadAddressSwitches(t, &s.intelligentMail);
  s.envelopeWidth = SetupInches(t, "ENVWIDTH");
  s.envelopeHeight = SetupInches(t, "ENVHEIGHT");
  s.orientation = SetupWhole(t, "ORIENT");
  s.facing = SetupWhole(t, "FACING");
  s.position = SetupWhole(t, "POSITION");
  return s;
}

bool WriteEnvelopeSetup(TableObject& t, const TEnvelopeSetup& s) {
  if (t.state() == TableObject::State::Browse) t.edit();
  if (t.state() != TableObject::State::Edit && t.state() != TableObject::State::Insert) {
    return false;
  }
  bool ok = SetSetupText(t, "DESCRIPT", s.description.left(50));
  ok = SetSetupText(t, "ENVNAME", s.envelopeName.left(20)) && ok;
  ok = SetSetupLogical(t, "USERETURN", s.useReturn) && ok;
  ok = SetSetupLogical(t, "USEMESSAGE", s.useMessage) && ok;
  ok = SetInches(t, "RETTOP", s.returnTop) && ok;
  ok = SetInches(t, "RETLEFT", s.returnLeft) && ok;
  ok = SetSetupText(t, "RETFNAME", s.returnFontName.left(kFontNameWidth)) && ok;
  ok = SetSetupWhole(t, "RETFSIZE", s.returnFontSize) && ok;
  ok = SetSetupLogical(t, "RETFBOLD", s.returnBold) && ok;
  ok = SetSetupLogical(t, "RETFITALIC", s.returnItalic) && ok;
  for (int i = 0; i < kReturnLines; ++i) {
    const QString line = i < s.returnLines.size() ? s.returnLines[i] : QString();
    ok = SetSetupText(t, QStringLiteral("RETLINE%1").arg(i + 1).toLatin1().constData(),
                      line.left(kReturnLineWidth)) &&
         ok;
  }
  ok = SetInches(t, "MESSTOP", s.messageTop) && ok;
  ok = SetInches(t, "MESSLEFT", s.messageLeft) && ok;
  ok = SetSetupText(t, "MESSFNAME", s.messageFontName.left(kFontNameWidth)) && ok;
  ok = SetSetupWhole(t, "MESSFSIZE", s.messageFontSize) && ok;
  ok = SetSetupLogical(t, "MESSFBOLD", s.messageBold) && ok;
  ok = SetSetupLogical(t, "MESSFITAL", s.messageItalic) && ok;
  ok = SetSetupText(t, "MESSTEXT", s.messageText.left(50)) && ok;
  ok = SetInches(t, "DELTOP", s.deliveryTop) && ok;
  ok = SetInches(t, "DELLEFT", s.deliveryLeft) && ok;
  ok = SetSetupText(t, "DELFNAME", s.deliveryFontName.left(kFontNameWidth)) && ok;
  ok = SetSetupWhole(t, "DELFSIZE", s.deliveryFontSize) && ok;
  ok = SetSetupLogical(t, "DELFBOLD", s.deliveryBold) && ok;
  ok = SetSetupLogical(t, "DELFITAL", s.deliveryItalic) && ok;
  ok = WriteAddressSwitches(t, s.address, s.intelligentMail) && ok;
  ok = SetInches(t, "ENVWIDTH", s.envelopeWidth) && ok;
  ok = SetInches(t, "ENVHEIGHT", s.envelopeHeight) && ok;
  ok = SetSetupWhole(t, "ORIENT", s.orientation) && ok;
  ok = SetSetupWhole(t, "FACING", s.facing) && ok;
  ok = SetSetupWhole(t, "POSITION", s.position) && ok;
  if (!ok) return false;
  return t.post();
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
  return FindSetupRow(
      directory, EnvelopeSetupFileName(), EnvelopeSetupOpenFailure(),
      QStringLiteral("envelope setup"), description,
      [out](const TableObject& table) { *out = ReadEnvelopeSetup(table); }, error);
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
