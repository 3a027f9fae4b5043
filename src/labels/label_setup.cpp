#include "labels/label_setup.h"

#include "labels/setup_fields.h"
#include "store/table_object.h"

namespace qv {

namespace {

const SetupColumn<LabelSetup> kColumns[] = {
    {"DESCRIPT", &LabelSetup::description, 50},  {"USERLABELN", &LabelSetup::stockDescription, 60},
    {"PRINTERTYP", &LabelSetup::printerType, 2}, {"FONTNAME", &LabelSetup::fontName, 50},
    {"FONTSIZE", &LabelSetup::fontSize},         {"FONTBOLD", &LabelSetup::bold},
    {"FONTITALIC", &LabelSetup::italic},         {"XOFFSET", &LabelSetup::xOffset},
    {"YOFFSET", &LabelSetup::yOffset},           {"LBLHEIGHT", &LabelSetup::labelHeight},
    {"LBLWIDTH", &LabelSetup::labelWidth},       {"NBRACROSS", &LabelSetup::across},
    {"NBRDOWN", &LabelSetup::down},              {"TOPMARG", &LabelSetup::topMargin},
    {"LEFTMARG", &LabelSetup::leftMargin},       {"HORIZPITCH", &LabelSetup::horizontalPitch},
    {"VERTPITCH", &LabelSetup::verticalPitch},   {"SHEETWIDTH", &LabelSetup::sheetWidth},
    {"SHEETDEPTH", &LabelSetup::sheetHeight},    {"PAPERSIZE", &LabelSetup::paperSize, 5},
    {"TRIMTEXT", &LabelSetup::trimText},
};

QString Inches(float inches) { return QString::number(RoundToThousandths(inches), 'f', 3); }

}  // namespace

double RoundToThousandths(double inches) {
  // Printed and parsed back, so the stored value is exactly what a reader
  // of the table gets.
  return QString::number(inches, 'f', 3).toDouble();
}

LabelSetup DefaultLabelSetup() {
  LabelSetup s;
  s.description = QStringLiteral("Default Label Setup");
  // Two blanks after 5160 and three after the comma, as the stock list has it.
  s.stockDescription = QStringLiteral("Avery 5160  Address,   1.00 x 2.63");
  return s;
}

LabelSetup ReadLabelSetup(const TableObject& t) {
  if (!t.active() || t.eof()) return DefaultLabelSetup();
  LabelSetup s;
  ReadSetupColumns(t, kColumns, CutTextOnRead::No, &s);
  s.paperSize = s.paperSize.trimmed();
  s.address = ReadAddressSwitches(t, &s.intelligentMail);
  return s;
}

bool WriteLabelSetup(TableObject& t, const LabelSetup& s) {
  if (!BeginSetupWrite(t)) return false;
  QStringList refused;
  if (!WriteAddressSwitches(t, s.address, s.intelligentMail)) {
    refused << QStringLiteral("the address lines");
  }
  WriteSetupColumns(t, kColumns, &Inches, s, &refused);
  return TellRefusedColumns(QStringLiteral("label setup"), LabelSetupFileName(), refused) &&
         t.post();
}

QString LabelSetupFileName() { return QStringLiteral("QVPLSU.DBF"); }

QString LabelSetupOpenFailure() {
  return QStringLiteral("Unable to Open QVPLSU.DBF (label setup file)");
}

bool FindLabelSetup(const QString& directory, const QString& description, LabelSetup* out,
                    QString* error) {
  return FindSetupRow(
      directory, LabelSetupFileName(), LabelSetupOpenFailure(), QStringLiteral("label setup"),
      description, [out](const TableObject& table) { *out = ReadLabelSetup(table); }, error);
}

QString LabelSetupProblem(const LabelSetup& s) {
  if (s.across < 1 || s.down < 1) {
    return QStringLiteral("The label setup \"%1\" has no labels across or down the sheet.")
        .arg(s.description.trimmed());
  }
  if (s.labelWidth <= 0 || s.labelHeight <= 0) {
    return QStringLiteral("The label setup \"%1\" has labels without width or height.")
        .arg(s.description.trimmed());
  }
  if (s.fontSize < 1 || s.fontSize > 999) {
    return QStringLiteral("The label setup \"%1\" has a font size of %2 points.")
        .arg(s.description.trimmed())
        .arg(s.fontSize);
  }
  if (s.sheetWidth <= 0 || s.sheetHeight <= 0 || s.sheetWidth > 100 || s.sheetHeight > 100) {
    return QStringLiteral("The label setup \"%1\" has a sheet size the printer cannot take.")
        .arg(s.description.trimmed());
  }
  return QString();
}

void ApplyLabelGeometry(const LabelGeometry& g, const QString& paperSize,
                        const QString& printerType, LabelSetup* setup) {
  setup->labelHeight = g.height;
  setup->labelWidth = g.width;
  setup->across = g.across;
  setup->down = g.down;
  setup->topMargin = g.top_margin;
  setup->leftMargin = g.left_margin;
  setup->horizontalPitch = g.horizontal_pitch;
  setup->verticalPitch = g.vertical_pitch;
  setup->sheetWidth = g.sheet_width;
  setup->sheetHeight = g.sheet_height;
  setup->paperSize = paperSize.left(5);
  setup->printerType = printerType.left(2);
  setup->stockDescription = QString::fromStdString(g.description).left(60);
}

LabelCorner LabelOrigin(const LabelSetup& s, int column, int row) {
  return {double(column) * double(s.horizontalPitch) + double(s.leftMargin),
          double(row) * double(s.verticalPitch) + double(s.topMargin)};
}

}  // namespace qv
