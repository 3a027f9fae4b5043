#include "labels/label_setup.h"

#include "store/apollo_env.h"
#include "store/table_object.h"

namespace qv {

namespace {

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

QString Text(const TableObject& t, const char* field) {
  return t.fieldText(QString::fromLatin1(field));
}

void SetText(TableObject& t, const char* field, const QString& value) {
  // Setup fields are character, number and logical, the record in edit:
  // only a date could be refused.
  (void)t.setFieldText(QString::fromLatin1(field), value);
}

void SetLogical(TableObject& t, const char* field, bool on) {
  SetText(t, field, on ? QStringLiteral("T") : QStringLiteral("F"));
}

void SetInches(TableObject& t, const char* field, float inches) {
  SetText(t, field, QString::number(RoundToThousandths(inches), 'f', 3));
}

void SetWhole(TableObject& t, const char* field, int value) {
  SetText(t, field, QString::number(value));
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
  s.description = Text(t, "DESCRIPT");
  s.printerType = Text(t, "PRINTERTYP");
  s.fontName = Text(t, "FONTNAME");
  s.fontSize = Whole(t, "FONTSIZE");
  s.bold = Logical(t, "FONTBOLD");
  s.italic = Logical(t, "FONTITALIC");
  s.xOffset = Inches(t, "XOFFSET");
  s.yOffset = Inches(t, "YOFFSET");
  s.address.barCode = Logical(t, "BARCODE");
  // Tables from before the Intelligent Mail barcode have no BARTYPE: their
  // bar code is POSTNET.
  if (t.fieldIndex(QStringLiteral("BARTYPE")) >= 0 && !Text(t, "BARTYPE").trimmed().isEmpty()) {
    const int kind = Whole(t, "BARTYPE");
    s.address.barCode = kind != 0;
    s.intelligentMail = kind == 2;
  }
  s.address.name = Logical(t, "NAME");
  s.address.title = Logical(t, "TITLE");
  s.address.company = Logical(t, "COMPANY");
  s.address.street = Logical(t, "STREET");
  s.address.cityState = Logical(t, "CITYSTATE");
  s.address.zip = Logical(t, "ZIP");
  s.address.phone = Logical(t, "PHONE");
  s.address.country = Logical(t, "COUNTRY");
  s.address.zipOption = Whole(t, "ZIPOPTIONS");
  s.address.upperCase = Logical(t, "UPPERCASE");
  s.labelHeight = Inches(t, "LBLHEIGHT");
  s.labelWidth = Inches(t, "LBLWIDTH");
  s.across = Whole(t, "NBRACROSS");
  s.down = Whole(t, "NBRDOWN");
  s.topMargin = Inches(t, "TOPMARG");
  s.leftMargin = Inches(t, "LEFTMARG");
  s.horizontalPitch = Inches(t, "HORIZPITCH");
  s.verticalPitch = Inches(t, "VERTPITCH");
  s.sheetWidth = Inches(t, "SHEETWIDTH");
  s.sheetHeight = Inches(t, "SHEETDEPTH");
  s.paperSize = Text(t, "PAPERSIZE").trimmed();
  s.trimText = Logical(t, "TRIMTEXT");
  s.stockDescription = Text(t, "USERLABELN");
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
  SetLogical(t, "BARCODE", s.address.barCode);
  if (t.fieldIndex(QStringLiteral("BARTYPE")) >= 0) {
    SetWhole(t, "BARTYPE", !s.address.barCode ? 0 : s.intelligentMail ? 2 : 1);
  }
  SetLogical(t, "NAME", s.address.name);
  SetLogical(t, "TITLE", s.address.title);
  SetLogical(t, "COMPANY", s.address.company);
  SetLogical(t, "STREET", s.address.street);
  SetLogical(t, "CITYSTATE", s.address.cityState);
  SetLogical(t, "ZIP", s.address.zip);
  SetLogical(t, "PHONE", s.address.phone);
  SetLogical(t, "COUNTRY", s.address.country);
  SetWhole(t, "ZIPOPTIONS", s.address.zipOption);
  SetLogical(t, "UPPERCASE", s.address.upperCase);
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

bool FindLabelSetup(const QString& directory, const QString& description, LabelSetup* out,
                    QString* error) {
  TApolloEnv env;
  TableObject table(&env);
  table.setDatabaseName(directory);
  table.setTableName(LabelSetupFileName());
  table.setExclusive(false);
  table.setReadOnly(true);
  if (!table.open()) {
    *error = QStringLiteral("Unable to Open QVPLSU.DBF (label setup file)");
    return false;
  }
  QStringList names;
  for (bool ok = table.first(); ok && !table.eof(); ok = table.next()) {
    const QString name = table.fieldText(QStringLiteral("DESCRIPT")).trimmed();
    if (name.compare(description.trimmed(), Qt::CaseInsensitive) == 0) {
      *out = ReadLabelSetup(table);
      return true;
    }
    names << QLatin1Char('"') + name + QLatin1Char('"');
  }
  if (table.failed()) {
    *error = table.failureMessage();
    return false;
  }
  *error = QStringLiteral("There is no label setup called \"%1\". The label setups are: %2")
               .arg(description.trimmed(),
                    names.isEmpty() ? QStringLiteral("(none)") : names.join(QStringLiteral(", ")));
  return false;
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
