#include "labels/label_setup.h"

#include "labels/setup_fields.h"
#include "store/table_object.h"

namespace qv {

namespace {

// Setup fields are character, number and logical, the record in edit: only
// a date could be refused, so a label setup is written whatever they say.
void SetText(TableObject& t, const char* field, const QString& value) {
  (void)SetSetupText(t, field, value);
}

void SetLogical(TableObject& t, const char* field, bool on) { (void)SetSetupLogical(t, field, on); }

void SetWhole(TableObject& t, const char* field, int value) {
  (void)SetSetupWhole(t, field, value);
}

void SetInches(TableObject& t, const char* field, float inches) {
  SetText(t, field, QString::number(RoundToThousandths(inches), 'f', 3));
}

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
  s.description = SetupText(t, "DESCRIPT");
  s.printerType = SetupText(t, "PRINTERTYP");
  s.fontName = SetupText(t, "FONTNAME");
  s.fontSize = SetupWhole(t, "FONTSIZE");
  s.bold = SetupLogical(t, "FONTBOLD");
  s.italic = SetupLogical(t, "FONTITALIC");
  s.xOffset = SetupInches(t, "XOFFSET");
  s.yOffset = SetupInches(t, "YOFFSET");
  s.address = ReadAddressSwitches(t, &s.intelligentMail);
  s.labelHeight = SetupInches(t, "LBLHEIGHT");
  s.labelWidth = SetupInches(t, "LBLWIDTH");
  s.across = SetupWhole(t, "NBRACROSS");
  s.down = SetupWhole(t, "NBRDOWN");
  s.topMargin = SetupInches(t, "TOPMARG");
  s.leftMargin = SetupInches(t, "LEFTMARG");
  s.horizontalPitch = SetupInches(t, "HORIZPITCH");
  s.verticalPitch = SetupInches(t, "VERTPITCH");
  s.sheetWidth = SetupInches(t, "SHEETWIDTH");
  s.sheetHeight = SetupInches(t, "SHEETDEPTH");
  s.paperSize = SetupText(t, "PAPERSIZE").trimmed();
  s.trimText = SetupLogical(t, "TRIMTEXT");
  s.stockDescription = SetupText(t, "USERLABELN");
  return s;
}

bool WriteLabelSetup(TableObject& t, const LabelSetup& s) {
  if (t.state() == TableObject::State::Browse) t.edit();
  if (t.state() != TableObject::State::Edit && t.state() != TableObject::State::Insert) {
    return false;
  }
  SetText(t, "DESCRIPT", s.description.left(50));
  SetText(t, "USERLABELN", s.stockDescription.left(60));
  SetText(t, "PRINTERTYP", s.printerType.left(2));
  SetText(t, "FONTNAME", s.fontName.left(50));
  SetWhole(t, "FONTSIZE", s.fontSize);
  SetLogical(t, "FONTBOLD", s.bold);
  SetLogical(t, "FONTITALIC", s.italic);
  SetInches(t, "XOFFSET", s.xOffset);
  SetInches(t, "YOFFSET", s.yOffset);
  (void)WriteAddressSwitches(t, s.address, s.intelligentMail);
  SetInches(t, "LBLHEIGHT", s.labelHeight);
  SetInches(t, "LBLWIDTH", s.labelWidth);
  SetWhole(t, "NBRACROSS", s.across);
  SetWhole(t, "NBRDOWN", s.down);
  SetInches(t, "TOPMARG", s.topMargin);
  SetInches(t, "LEFTMARG", s.leftMargin);
  SetInches(t, "HORIZPITCH", s.horizontalPitch);
  SetInches(t, "VERTPITCH", s.verticalPitch);
  SetInches(t, "SHEETWIDTH", s.sheetWidth);
  SetInches(t, "SHEETDEPTH", s.sheetHeight);
  SetText(t, "PAPERSIZE", s.paperSize.left(5));
  SetLogical(t, "TRIMTEXT", s.trimText);
  return t.post();
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
