// The RTF writer: everything outside ASCII goes out as \uN, followed for
// readers without Unicode by its Windows-1252 byte (\'xx) or '?', so the
// file does not depend on a code page.
#include <QBuffer>
#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QUrl>
#include <vector>

#include "richtext/rtf.h"
#include "store/codepage.h"

namespace qv {

namespace {

class Writer {
 public:
  explicit Writer(const RichDocument& doc) : m_rich(doc), m_doc(doc.doc()) {}
  QByteArray run();

 private:
  int fontIndex(const QString& family);
  int colorIndex(const QColor& color);
  void collect(const QTextBlock& block);
  void writeFrame(QTextFrame* frame);
  void writeTable(QTextTable* table);
  void writeCellBorders(const QTextTableCellFormat& f);
  void writeBlock(const QTextBlock& block, bool inTable, const char* ending);
  void writeParagraphFormat(const QTextBlockFormat& f, bool inTable, const QTextList* list);
  int listNumber(const QTextList* list);
  QByteArray listTables() const;
  void writeCharFormat(const QTextCharFormat& f);
  void writeText(const QString& text);
  void writeImage(const QTextImageFormat& f);
  QString familyOf(const QTextCharFormat& f) const;

  const RichDocument& m_rich;
  const QTextDocument& m_doc;
  QStringList m_fonts;
  std::vector<QColor> m_colors;
  std::vector<const QTextList*> m_lists;  // \ls n is m_lists[n - 1]
  QByteArray m_body;
};

QString Writer::familyOf(const QTextCharFormat& f) const {
  const QStringList families = f.fontFamilies().toStringList();
  if (!families.isEmpty() && !families.first().isEmpty()) return families.first();
  return m_doc.defaultFont().family();
}

int Writer::fontIndex(const QString& family) {
  int i = int(m_fonts.indexOf(family));
  if (i < 0) {
    m_fonts << family;
    i = int(m_fonts.size()) - 1;
  }
  return i;
}

int Writer::colorIndex(const QColor& color) {
  const QRgb rgb = color.rgb();
  for (size_t i = 0; i < m_colors.size(); ++i) {
    if (m_colors[i].rgb() == rgb) return int(i) + 1;
  }
  m_colors.push_back(color);
  return int(m_colors.size());
}

void Writer::writeText(const QString& text) {
  for (QChar c : text) {
    const char16_t u = c.unicode();
    if (u == '\\' || u == '{' || u == '}') {
      m_body += '\\';
      m_body += char(u);
    } else if (u == '\t') {
      m_body += "\\tab ";
    } else if (u == QChar::LineSeparator || u == '\n') {
      m_body += "\\line ";
    } else if (u == 0x00A0) {
      m_body += "\\~";
    } else if (u >= 0x20 && u < 0x80) {
      m_body += char(u);
    } else if (u >= 0x80 && u != QChar::ParagraphSeparator && u != QChar::ObjectReplacementCharacter) {
      // The code page's byte after \u for readers that take only the
      // fallback, as word processors write it; '?' where it has none.
      m_body += "\\u" + QByteArray::number(int(short(u)));
      std::string ansi;
      if (!c.isSurrogate() && EncodeAnsi(QString(c), &ansi) && ansi.size() == 1) {
        m_body += "\\'" + QByteArray::number(uchar(ansi[0]), 16).rightJustified(2, '0');
      } else {
        m_body += '?';
      }
    }
  }
}

void Writer::writeCharFormat(const QTextCharFormat& f) {
  m_body += "\\plain\\f" + QByteArray::number(fontIndex(familyOf(f)));
  const double points = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : 12.0;
  m_body += "\\fs" + QByteArray::number(qRound(points * 2));
  if (f.fontWeight() >= QFont::DemiBold) m_body += "\\b";
  if (f.fontItalic()) m_body += "\\i";
  if (f.fontUnderline()) m_body += "\\ul";
  if (f.fontStrikeOut()) m_body += "\\strike";
  if (f.foreground().style() != Qt::NoBrush) {
    m_body += "\\cf" + QByteArray::number(colorIndex(f.foreground().color()));
  }
  if (f.background().style() != Qt::NoBrush) {
    m_body += "\\highlight" + QByteArray::number(colorIndex(f.background().color()));
  }
  m_body += ' ';
}

int Writer::listNumber(const QTextList* list) {
  for (size_t i = 0; i < m_lists.size(); ++i) {
    if (m_lists[i] == list) return int(i) + 1;
  }
  m_lists.push_back(list);
  return int(m_lists.size());
}

// The \levelnfc number of a list style.
int NumberFormatOf(QTextListFormat::Style style) {
  switch (style) {
    case QTextListFormat::ListDecimal: return 0;
    case QTextListFormat::ListUpperRoman: return 1;
    case QTextListFormat::ListLowerRoman: return 2;
    case QTextListFormat::ListUpperAlpha: return 3;
    case QTextListFormat::ListLowerAlpha: return 4;
    default: return 23;
  }
}

// One list definition and one override per list, each list of one level
// (the level a paragraph stands at goes with the paragraph).
QByteArray Writer::listTables() const {
  if (m_lists.empty()) return {};
  QByteArray lists = "{\\*\\listtable";
  QByteArray overrides = "{\\*\\listoverridetable";
  for (size_t i = 0; i < m_lists.size(); ++i) {
    const QByteArray id = QByteArray::number(int(i) + 1);
    const int nfc = NumberFormatOf(m_lists[i]->format().style());
    lists += "{\\list\\listtemplateid" + id + "\\listsimple";
    for (int level = 0; level < 9; ++level) {
      lists += "{\\listlevel\\levelnfc" + QByteArray::number(nfc) + "\\levelnfcn" +
               QByteArray::number(nfc) + "\\leveljc0\\levelstartat1\\levelfollow0";
      lists += nfc == 23 ? "{\\leveltext\\'01\\u8226 ?;}{\\levelnumbers;}"
                         : "{\\leveltext\\'02\\'" + QByteArray::number(level, 16).rightJustified(2, '0') +
                               ".;}{\\levelnumbers\\'01;}";
      lists += "\\fi-360\\li" + QByteArray::number(720 * (level + 1)) + "}";
    }
    lists += "{\\listname ;}\\listid" + id + "}\n";
    overrides += "{\\listoverride\\listid" + id + "\\listoverridecount0\\ls" + id + "}";
  }
  return lists + "}\n" + overrides + "}\n";
}

void Writer::writeParagraphFormat(const QTextBlockFormat& f, bool inTable, const QTextList* list) {
  m_body += "\\pard";
  if (inTable) m_body += "\\intbl";
  if (list) {
    m_body += "\\ls" + QByteArray::number(listNumber(list)) + "\\ilvl" +
              QByteArray::number(list->format().intProperty(kListLevel));
  }
  const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
  if (a & Qt::AlignHCenter) m_body += "\\qc";
  else if (a & Qt::AlignRight) m_body += "\\qr";
  else if (a & Qt::AlignJustify) m_body += "\\qj";
  else m_body += "\\ql";
  auto length = [this](const char* word, double v) {
    if (qRound(v) != 0) m_body += QByteArray("\\") + word + QByteArray::number(qRound(v));
  };
  length("li", f.leftMargin());
  length("ri", f.rightMargin());
  if (list) {
    // The marker's place is the first-line indent a word processor reads.
    length("fi", f.hasProperty(kListMarkerIndent) ? f.intProperty(kListMarkerIndent) : -360);
  } else {
    length("fi", f.textIndent());
  }
  const double unit = TwipsPerScaledUnit();
  length("sb", f.topMargin() * unit);
  length("sa", f.bottomMargin() * unit);
  switch (f.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
      m_body += "\\sl" + QByteArray::number(qRound(f.lineHeight() * 240.0 / 100.0)) + "\\slmult1";
      break;
    case QTextBlockFormat::MinimumHeight:
      m_body += "\\sl" + QByteArray::number(qRound(f.lineHeight() * unit)) + "\\slmult0";
      break;
    case QTextBlockFormat::FixedHeight:
      m_body += "\\sl-" + QByteArray::number(qRound(f.lineHeight() * unit)) + "\\slmult0";
      break;
    default:
      break;
  }
  for (const QTextOption::Tab& t : f.tabPositions()) {
    if (t.type == QTextOption::RightTab) m_body += "\\tqr";
    else if (t.type == QTextOption::CenterTab) m_body += "\\tqc";
    else if (t.type == QTextOption::DelimiterTab) m_body += "\\tqdec";
    m_body += "\\tx" + QByteArray::number(qRound(t.position * unit));
  }
  if (f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) m_body += "\\pagebb";
  m_body += ' ';
}

void Writer::writeImage(const QTextImageFormat& f) {
  const QVariant data = m_doc.resource(QTextDocument::ImageResource, QUrl(f.name()));
  QByteArray bytes;
  bool jpeg = false;
  QSize pixels;
  if (data.userType() == QMetaType::QByteArray) {
    bytes = data.toByteArray();
    jpeg = bytes.startsWith("\xFF\xD8");
    pixels = QImage::fromData(bytes).size();
  } else {
    const QImage image = data.value<QImage>();
    if (image.isNull()) return;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    pixels = image.size();
  }
  if (bytes.isEmpty()) return;
  m_body += "{\\pict";
  m_body += jpeg ? "\\jpegblip" : "\\pngblip";
  m_body += "\\picw" + QByteArray::number(pixels.width()) + "\\pich" +
            QByteArray::number(pixels.height());
  const double w = f.hasProperty(QTextFormat::ImageWidth) ? f.width() * 15.0 : pixels.width() * 15.0;
  const double h =
      f.hasProperty(QTextFormat::ImageHeight) ? f.height() * 15.0 : pixels.height() * 15.0;
  m_body += "\\picwgoal" + QByteArray::number(qRound(w)) + "\\pichgoal" +
            QByteArray::number(qRound(h)) + "\n";
  const QByteArray hex = bytes.toHex();
  for (qsizetype i = 0; i < hex.size(); i += 128) {
    m_body += hex.mid(i, 128);
    m_body += '\n';
  }
  m_body += "}";
}

void Writer::writeBlock(const QTextBlock& block, bool inTable, const char* ending) {
  const QTextList* list = block.textList();
  if (list) {
    // The marker as text, for readers that know no lists.
    const QString marker = list->format().style() == QTextListFormat::ListDisc ||
                                   list->format().style() == QTextListFormat::ListCircle ||
                                   list->format().style() == QTextListFormat::ListSquare
                               ? QString(QChar(0x2022))
                               : list->itemText(block);
    m_body += "{\\listtext\\pard\\plain ";
    writeText(marker);
    m_body += "\\tab}";
  }
  writeParagraphFormat(block.blockFormat(), inTable, list);
  bool any = false;
  for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
    const QTextFragment fragment = it.fragment();
    if (!fragment.isValid()) continue;
    const QTextCharFormat f = fragment.charFormat();
    if (f.isImageFormat()) {
      writeImage(f.toImageFormat());
    } else {
      writeCharFormat(f);
      writeText(fragment.text());
    }
    any = true;
  }
  // An empty paragraph keeps its font, so its height stays as written.
  if (!any) writeCharFormat(block.charFormat());
  m_body += ending;
  m_body += '\n';
}

void Writer::writeCellBorders(const QTextTableCellFormat& f) {
  struct Side {
    const char* word;
    double width;
    QTextFrameFormat::BorderStyle style;
    QBrush brush;
  };
  const Side sides[] = {
      {"clbrdrt", f.topBorder(), f.topBorderStyle(), f.topBorderBrush()},
      {"clbrdrl", f.leftBorder(), f.leftBorderStyle(), f.leftBorderBrush()},
      {"clbrdrb", f.bottomBorder(), f.bottomBorderStyle(), f.bottomBorderBrush()},
      {"clbrdrr", f.rightBorder(), f.rightBorderStyle(), f.rightBorderBrush()},
  };
  for (const Side& side : sides) {
    const int twips = qRound(side.width * kTwipsPerLayoutPixel);
    if (twips <= 0 || side.style == QTextFrameFormat::BorderStyle_None) continue;
    m_body += QByteArray("\\") + side.word + "\\brdrs\\brdrw" + QByteArray::number(twips);
    if (side.brush.style() != Qt::NoBrush && side.brush.color() != Qt::black) {
      m_body += "\\brdrcf" + QByteArray::number(colorIndex(side.brush.color()));
    }
  }
}

void Writer::writeTable(QTextTable* table) {
  const QTextTableFormat tf = table->format();
  const QList<QTextLength> widths = tf.columnWidthConstraints();
  for (int r = 0; r < table->rows(); ++r) {
    // The row's gap is the first cell's padding: the reader gives every
    // cell of a row the same.
    const QTextTableCellFormat first = table->cellAt(r, 0).format().toTableCellFormat();
    const int padLeft = qRound(first.leftPadding() * kTwipsPerLayoutPixel);
    const int padRight = qRound(first.rightPadding() * kTwipsPerLayoutPixel);
    m_body += "\\trowd\\trgaph" + QByteArray::number(padLeft);
    if (padRight != padLeft) m_body += "\\trpaddr" + QByteArray::number(padRight) + "\\trpaddfr3";
    int right = 0;
    for (int c = 0; c < table->columns(); ++c) {
      const double w = c < widths.size() && widths[c].type() == QTextLength::FixedLength
                           ? widths[c].rawValue() * kTwipsPerLayoutPixel
                           : double(m_rich.layout().textWidth()) / table->columns();
      right += qRound(w);
      writeCellBorders(table->cellAt(r, c).format().toTableCellFormat());
      m_body += "\\cellx" + QByteArray::number(right);
    }
    m_body += '\n';
    for (int c = 0; c < table->columns(); ++c) {
      const QTextTableCell cell = table->cellAt(r, c);
      QTextFrame::iterator it = cell.begin();
      std::vector<QTextBlock> blocks;
      for (; !it.atEnd(); ++it) {
        if (it.currentBlock().isValid()) blocks.push_back(it.currentBlock());
      }
      if (blocks.empty()) {
        m_body += "\\pard\\intbl\\cell\n";
        continue;
      }
      for (size_t b = 0; b < blocks.size(); ++b) {
        writeBlock(blocks[b], true, b + 1 == blocks.size() ? "\\cell" : "\\par");
      }
    }
    m_body += "\\row\n";
  }
}

void Writer::writeFrame(QTextFrame* frame) {
  for (QTextFrame::iterator it = frame->begin(); !it.atEnd(); ++it) {
    if (QTextFrame* child = it.currentFrame()) {
      if (auto* table = qobject_cast<QTextTable*>(child)) {
        writeTable(table);
      } else {
        writeFrame(child);
      }
    } else if (it.currentBlock().isValid()) {
      writeBlock(it.currentBlock(), false, "\\par");
    }
  }
}

QByteArray Writer::run() {
  writeFrame(m_doc.rootFrame());
  if (m_fonts.isEmpty()) fontIndex(m_doc.defaultFont().family());
  QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
  for (int i = 0; i < m_fonts.size(); ++i) {
    QByteArray name;
    for (QChar c : m_fonts[i]) {
      if (c.unicode() >= 0x20 && c.unicode() < 0x80 && c != QLatin1Char(';') &&
          c != QLatin1Char('{') && c != QLatin1Char('}') && c != QLatin1Char('\\')) {
        name += char(c.unicode());
      }
    }
    out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 " + name + ";}";
  }
  out += "}\n{\\colortbl;";
  for (const QColor& c : m_colors) {
    out += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green()) +
           "\\blue" + QByteArray::number(c.blue()) + ";";
  }
  out += "}\n";
  out += listTables();
  const PageLayout l = m_rich.layout();
  out += "\\paperw" + QByteArray::number(l.width) + "\\paperh" + QByteArray::number(l.height) +
         "\\margl" + QByteArray::number(l.left) + "\\margr" + QByteArray::number(l.right) +
         "\\margt" + QByteArray::number(l.top) + "\\margb" + QByteArray::number(l.bottom);
  if (l.landscape) out += "\\landscape";
  out += "\n";
  out += m_body;
  out += "}\n";
  return out;
}

}  // namespace

QByteArray WriteRtf(const RichDocument& doc) {
  Writer writer(doc);
  return writer.run();
}

}  // namespace qv
