#include "envelopes/envelope_setup.h"

#include "labels/setup_fields.h"
#include "store/table_object.h"

namespace qv {

namespace {

constexpr int kFontNameWidth = 50;

const SetupColumn<TEnvelopeSetup> kColumns[] = {
    {"DESCRIPT", &TEnvelopeSetup::description, 50},  {"ENVNAME", &TEnvelopeSetup::envelopeName, 20},
    {"USERETURN", &TEnvelopeSetup::useReturn},       {"USEMESSAGE", &TEnvelopeSetup::useMessage},
    {"MESSTEXT", &TEnvelopeSetup::messageText, 50},  {"ENVWIDTH", &TEnvelopeSetup::envelopeWidth},
    {"ENVHEIGHT", &TEnvelopeSetup::envelopeHeight},  {"ORIENT", &TEnvelopeSetup::orientation},
    {"FACING", &TEnvelopeSetup::facing},             {"POSITION", &TEnvelopeSetup::position},
};

// Each block's columns, in the order of EnvelopeBlock's members; the
// return address's italic column is spelled out, the others' cut short.
struct BlockColumns {
  EnvelopeBlock TEnvelopeSetup::*block;
  SetupColumn<EnvelopeBlock> columns[6];
};

constexpr BlockColumns Block(EnvelopeBlock TEnvelopeSetup::*block, const char* top,
                             const char* left, const char* fontName, const char* fontSize,
                             const char* bold, const char* italic) {
  return {block,
          {{top, &EnvelopeBlock::top},
           {left, &EnvelopeBlock::left},
           {fontName, &EnvelopeBlock::fontName, kFontNameWidth},
           {fontSize, &EnvelopeBlock::fontSize},
           {bold, &EnvelopeBlock::bold},
           {italic, &EnvelopeBlock::italic}}};
}

const BlockColumns kBlocks[] = {
    Block(&TEnvelopeSetup::returnBlock, "RETTOP", "RETLEFT", "RETFNAME", "RETFSIZE", "RETFBOLD",
          "RETFITALIC"),
    Block(&TEnvelopeSetup::messageBlock, "MESSTOP", "MESSLEFT", "MESSFNAME", "MESSFSIZE",
          "MESSFBOLD", "MESSFITAL"),
    Block(&TEnvelopeSetup::deliveryBlock, "DELTOP", "DELLEFT", "DELFNAME", "DELFSIZE", "DELFBOLD",
          "DELFITAL"),
};

QString ReturnLineField(int i) { return QStringLiteral("RETLINE%1").arg(i + 1); }

// The decimal rendering of the single-precision value (15 significant
// digits), kept to the table's 4 decimals.
QString Inches(float inches) {
  const double value = QString::number(double(inches), 'g', 15).toDouble();
  return QString::number(value, 'f', 4);
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
  s.messageBlock.top = s.envelopeHeight - 1.0f;
  s.deliveryBlock.top = s.envelopeHeight * 0.5f;
  s.deliveryBlock.left = float(double(s.envelopeWidth) * 0.3333333333333333);
  return s;
}

TEnvelopeSetup ReadEnvelopeSetup(const TableObject& t) {
  if (!t.active() || t.eof() || t.isEmpty()) return DefaultEnvelopeSetup();
  TEnvelopeSetup s;
  ReadSetupColumns(t, kColumns, CutTextOnRead::Yes, &s);
  for (const BlockColumns& b : kBlocks) {
    ReadSetupColumns(t, b.columns, CutTextOnRead::Yes, &(s.*b.block));
  }
  s.returnLines.clear();
  for (int i = 0; i < kReturnLines; ++i) {
    s.returnLines << t.fieldText(ReturnLineField(i)).left(kReturnLineWidth);
  }
  s.address = ReadAddressSwitches(t, &s.intelligentMail);
  return s;
}

bool WriteEnvelopeSetup(TableObject& t, const TEnvelopeSetup& s) {
  if (!BeginSetupWrite(t)) return false;
  QStringList refused;
  WriteSetupColumns(t, kColumns, &Inches, s, &refused);
  for (const BlockColumns& b : kBlocks) {
    WriteSetupColumns(t, b.columns, &Inches, s.*b.block, &refused);
  }
  for (int i = 0; i < kReturnLines; ++i) {
    const QString line = i < s.returnLines.size() ? s.returnLines[i] : QString();
    if (!t.setFieldText(ReturnLineField(i), line.left(kReturnLineWidth))) {
      refused << ReturnLineField(i);
    }
  }
  if (!WriteAddressSwitches(t, s.address, s.intelligentMail)) {
    refused << QStringLiteral("the address lines");
  }
  return TellRefusedColumns(QStringLiteral("envelope setup"), EnvelopeSetupFileName(), refused) &&
         t.post();
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
